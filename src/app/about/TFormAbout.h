#pragma once

#include "AboutKeySequence.h"

#include <QDialog>

#include <array>

class Prompts;
class QLabel;
struct MainState;

// The About window "Sonaro Klient": name, version, a notice, the size of the
// service's database, and four typed words that reveal pictures or show a
// message. Modal; closes only by its title bar or system menu.
class TFormAbout : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 266;
    static constexpr int ClientHeight = 384;

    // The four words, in the order they are examined.
    enum Word { PhotoWord, AuthorsWord, TechnikaWord, ClientIdWord };
    static const std::array<QByteArray, 4> Words;
    static const QString AuthorsMessage;

    // Runs FormCreate. state gives the client ID at the moment it is asked for.
    TFormAbout(Prompts &prompts, const MainState &state, QWidget *parent = nullptr);

    // The form's components, named as on the form.
    QLabel *Logo = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lbl_verze = nullptr;
    QLabel *Label1 = nullptr;
    QWidget *Pozadi = nullptr;
    QLabel *HiddenPhoto = nullptr;
    QLabel *Technika = nullptr;
    QLabel *lbl_pocet = nullptr;

public slots:
    // Escape does not close this window.
    void reject() override {}

protected:
    void keyPressEvent(QKeyEvent *event) override; // FormKeyDown
    void closeEvent(QCloseEvent *event) override;

private:
    void perform(Word word);

    Prompts &m_prompts;
    const MainState &m_state;
    std::array<AboutKeySequence, 4> m_sequences;
};
