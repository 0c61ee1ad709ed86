#include "PlaylistView.h"

#include "PlaylistModel.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

PlaylistView::PlaylistView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(true);
    setIconSize(QSize(9, 9));

    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QHeaderView::sectionClicked, this, &PlaylistView::onHeaderClicked);
    // A right click on any header only drops the selection.
    connect(header(), &QHeaderView::customContextMenuRequested, this, [this] { clearSelection(); });

    m_rowMenu = new QMenu(this);
    m_rowMenu->setObjectName(QStringLiteral("pl_popup"));
    Pehrt3 = addItem(m_rowMenu, "Pehrt3", QStringLiteral("&Přehrát"));
    Sthnout3 = addItem(m_rowMenu, "Sthnout3", QStringLiteral("&Stáhnout ..."));
    N5 = m_rowMenu->addSeparator();
    N5->setObjectName(QStringLiteral("N5"));
    Odebratzplaylistu2 = addItem(m_rowMenu, "Odebratzplaylistu2", QStringLiteral("&Odebrat z playlistu"));

    m_headerMenu = new QMenu(this);
    m_headerMenu->setObjectName(QStringLiteral("pl_m_popup"));
    Novplaylist2 = addItem(m_headerMenu, "Novplaylist2", QStringLiteral("&Nový playlist"));
    m_headerMenu->addSeparator()->setObjectName(QStringLiteral("N7"));
    Otevtplaylist2 = addItem(m_headerMenu, "Otevtplaylist2", QStringLiteral("&Otevřít playlist ..."));
    m_headerMenu->addSeparator()->setObjectName(QStringLiteral("N6"));
    Uloitplaylist2 = addItem(m_headerMenu, "Uloitplaylist2", QStringLiteral("&Uložit playlist "));
    Uloitplaylistjako1 = addItem(m_headerMenu, "Uloitplaylistjako1", QStringLiteral("Uložit playlist &jako ..."));
}

void PlaylistView::setPlaylistModel(PlaylistModel *model)
{
    m_model = model;
    setModel(model);
    setColumnWidth(PlaylistModel::TitleColumn, 158);
    setColumnWidth(PlaylistModel::LengthColumn, 50);
    setColumnHidden(PlaylistModel::UrlColumn, true);
    setColumnHidden(PlaylistModel::IdColumn, true);
}

int PlaylistView::selectedRow() const
{
    const QItemSelectionModel *selection = selectionModel();
    if (!selection)
        return -1;
    const QModelIndexList indexes = selection->selectedIndexes();
    return indexes.isEmpty() ? -1 : indexes.first().row();
}

void PlaylistView::selectRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, PlaylistModel::TitleColumn);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PlaylistView::updateRowMenu()
{
    const bool selected = selectedRow() >= 0;
    for (QAction *a : {Pehrt3, Sthnout3, N5, Odebratzplaylistu2})
        a->setVisible(selected);
}

QPoint PlaylistView::headerMenuPoint() const
{
    return mapToGlobal(QPoint(1, header()->height()));
}

void PlaylistView::onHeaderClicked(int section)
{
    if (section == PlaylistModel::TitleColumn)
        m_headerMenu->popup(headerMenuPoint());
}

void PlaylistView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    // Keys the title editor leaves unused are not the list's commands.
    if (state() == QAbstractItemView::EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (selectedRow() >= 0) {
            if (key == Qt::Key_Delete)
                emit removeRequested();
            else
                emit startRequested();
        }
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void PlaylistView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (selectedRow() >= 0)
        emit startRequested();
}

void PlaylistView::contextMenuEvent(QContextMenuEvent *event)
{
    updateRowMenu();
    // With nothing selected the pop-up has no visible items: nothing opens.
    if (selectedRow() >= 0)
        m_rowMenu->popup(event->globalPos());
    event->accept();
}

void PlaylistView::startDrag(Qt::DropActions supportedActions)
{
    const int row = selectedRow();
    if (!m_model || row < 0)
        return;
    QMimeData *mime = m_model->mimeData({m_model->index(row, PlaylistModel::TitleColumn)});
    if (!mime)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    // The drop target moves or deletes the row itself; the view must not
    // remove anything after the drag, whatever action was reported.
    drag->exec(supportedActions, Qt::MoveAction);
}

bool PlaylistView::acceptable(const QMimeData *mime) const
{
    if (!m_model || !mime)
        return false;
    return m_model->draggedRow(mime).has_value() || mime->hasFormat(QString::fromLatin1(ResultRowMimeType));
}

void PlaylistView::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptable(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptable(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (!acceptable(mime)) {
        event->ignore();
        return;
    }
    const QModelIndex under = indexAt(event->position().toPoint());
    const int target = under.isValid() ? under.row() : -1;
    if (const std::optional<int> dragged = m_model->draggedRow(mime)) {
        const int source = selectedRow() >= 0 ? selectedRow() : *dragged;
        selectRow(m_model->moveEntry(source, target));
    } else {
        const QByteArray id = mime->data(QString::fromLatin1(ResultRowMimeType));
        emit resultDropped(target, id);
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
