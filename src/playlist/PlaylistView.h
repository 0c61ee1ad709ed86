#pragma once

#include <QByteArray>
#include <QTreeView>

class PlaylistModel;
class QAction;
class QMenu;

// The playlist view `list_play`: draws the rows, edits titles in place and
// forwards input. It owns the row pop-up `pl_popup` and the header menu
// `pl_m_popup`; what their items do is connected by the controller.
class PlaylistView : public QTreeView
{
    Q_OBJECT

public:
    // A dragged result row carries its track ID under this type.
    static constexpr const char *ResultRowMimeType = "application/x-sonaro-result-row";

    explicit PlaylistView(QWidget *parent = nullptr);

    void setPlaylistModel(PlaylistModel *model);
    PlaylistModel *playlistModel() const { return m_model; }

    // Index of the selected row, -1 when none.
    int selectedRow() const;
    void selectRow(int row);

    // pl_popup
    QMenu *rowMenu() const { return m_rowMenu; }
    QAction *Pehrt3 = nullptr;
    QAction *Sthnout3 = nullptr;
    QAction *N5 = nullptr;
    QAction *Odebratzplaylistu2 = nullptr;
    // pl_m_popup
    QMenu *headerMenu() const { return m_headerMenu; }
    QAction *Novplaylist2 = nullptr;
    QAction *Otevtplaylist2 = nullptr;
    QAction *Uloitplaylist2 = nullptr;
    QAction *Uloitplaylistjako1 = nullptr;

    // The row pop-up shows its four items only while a row is selected.
    void updateRowMenu();
    // Where the header menu opens: just under column 0's header.
    QPoint headerMenuPoint() const;

signals:
    // Double-click or Enter with a row selected.
    void startRequested();
    // Delete with a row selected.
    void removeRequested();
    // A result row dropped here; targetRow is the row under the drop point
    // or -1 when none.
    void resultDropped(int targetRow, const QByteArray &trackId);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool acceptable(const QMimeData *mime) const;
    void onHeaderClicked(int section);

    PlaylistModel *m_model = nullptr;
    QMenu *m_rowMenu = nullptr;
    QMenu *m_headerMenu = nullptr;
};
