#pragma once

#include <QTreeView>

#include <array>

class QAction;
class QMenu;
class ResultsModel;

// The results list `list_mp3`: draws the rows and forwards input. Whole-row
// single selection, no editing, rows can be dragged onto the playlist view.
class ResultsView : public QTreeView
{
    Q_OBJECT

public:
    explicit ResultsView(QWidget *parent = nullptr);

    void setResultsModel(ResultsModel *model);
    ResultsModel *resultsModel() const { return m_model; }

    // Index of the selected row, -1 when none.
    int selectedRow() const;
    void selectRow(int row);

    // The pop-up menu `pop_mp3` and its items, for the main window to connect.
    QMenu *popupMenu() const { return m_popup; }
    QAction *playAction() const { return m_play; }
    QAction *downloadAction() const { return m_download; }
    QAction *addToPlaylistAction() const { return m_add; }
    QMenu *ratingMenu() const { return m_ratingMenu; }
    // stars 1..5
    QAction *starAction(int stars) const;

    // Applies the visibility rule; called when the menu is about to open.
    void updatePopupItems();

signals:
    void playRequested();
    void columnClicked(int column);
    void starChosen(int stars);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitAutomaticColumns();

    ResultsModel *m_model = nullptr;
    QMenu *m_popup = nullptr;
    QAction *m_play = nullptr;
    QAction *m_download = nullptr;
    QAction *m_separator = nullptr;
    QAction *m_add = nullptr;
    QMenu *m_ratingMenu = nullptr;
    std::array<QAction *, 5> m_stars{};
};
