#pragma once

#include <QWidget>

#include <memory>

class LogoWidget;
class Prompts;
class QFrame;
class QLabel;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The help window "Nápověda - Sonaro Klient": a tree of topics and the
// chosen topic's text. A window of its own with a task-bar entry; it is not
// modal and deletes itself when closed.
class TFormHelp : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 745;
    static constexpr int ClientHeight = 522;
    static constexpr int TreeWidth = 194;

    // Runs FormCreate. Errors of rendering go to prompts, or to the
    // toolkit's message boxes when none is given.
    explicit TFormHelp(Prompts *prompts = nullptr);
    ~TFormHelp() override;

    // The image index of a tree node (0 page, 1 closed folder, 2 open folder).
    static int imageIndex(const QTreeWidgetItem *item);
    // The node with exactly this text, or null.
    QTreeWidgetItem *node(const QString &text) const;

    // Shows the topic of the selected node, or opens or closes a folder.
    void zobraz();

    // The form's components, named as on the form.
    LogoWidget *Logo = nullptr;
    QLabel *Helplbl = nullptr;
    QLabel *lbl_content = nullptr;
    QFrame *Mezera = nullptr;
    QFrame *OkrajMenu = nullptr;
    QTreeWidget *Menu = nullptr;
    QFrame *OkrajHlavniho = nullptr;
    QTextEdit *re_content = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildTree();
    void setImage(QTreeWidgetItem *item, int index);
    // Renders the topic into re_content and gives the focus to the tree.
    void renderTopic(const QString &name);

    std::unique_ptr<Prompts> m_ownPrompts;
    Prompts *m_prompts = nullptr;
};
