#include "ResultsView.h"

#include "ResultsModel.h"
#include "ResultsPopupRule.h"
#include "StarCaptions.h"
#include "StatusMarks.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

ResultsView::ResultsView(QWidget *parent)
    : QTreeView(parent)
{
    setObjectName(QStringLiteral("list_mp3"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setDragEnabled(true);
    // A playlist row dropped here is taken by the window's drop handling,
    // which watches this list's viewport; without this no drag reaches it.
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setIconSize(QSize(StatusMarks::kSize, StatusMarks::kSize));

    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QHeaderView::sectionClicked, this, &ResultsView::columnClicked);
    // A right-click on the header only drops the selection.
    connect(header(), &QHeaderView::customContextMenuRequested, this, [this] { clearSelection(); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        if (selectedRow() >= 0)
            emit playRequested();
    });

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("pop_mp3"));
    // Mnemonics: one letter of each caption, unique within its menu.
    m_play = m_popup->addAction(QStringLiteral("&Přehrát"));
    m_play->setObjectName(QStringLiteral("Pehrt1"));
    m_download = m_popup->addAction(QStringLiteral("&Stáhnout ..."));
    m_download->setObjectName(QStringLiteral("Sthnout1"));
    m_separator = m_popup->addSeparator();
    m_add = m_popup->addAction(QStringLiteral("Při&dat do playlistu"));
    m_add->setObjectName(QStringLiteral("Pidatdoplaylistu1"));
    m_ratingMenu = m_popup->addMenu(QLatin1Char('&') + StarCaptions::submenuCaption());
    m_ratingMenu->menuAction()->setObjectName(QStringLiteral("Hodnocen1"));
    static constexpr std::array<const char *, 5> kStarNames{
        "N1hvzdika1", "N2hvzdky1", "N3hvzdiky1", "N4hvzdiky1", "N5hvzdiek1"};
    for (int n = 1; n <= 5; ++n) {
        QAction *star = m_ratingMenu->addAction(QLatin1Char('&') + StarCaptions::caption(n));
        star->setObjectName(QString::fromLatin1(kStarNames[static_cast<size_t>(n - 1)]));
        connect(star, &QAction::triggered, this, [this, n] { emit starChosen(n); });
        m_stars[static_cast<size_t>(n - 1)] = star;
    }
    connect(m_popup, &QMenu::aboutToShow, this, &ResultsView::updatePopupItems);
}

void ResultsView::setResultsModel(ResultsModel *model)
{
    m_model = model;
    setModel(model);
    for (int c = 0; c < model->columnCount(); ++c) {
        const int width = ResultsModel::designedWidth(c);
        if (width == 0)
            setColumnHidden(c, true);
        else if (width > 0)
            setColumnWidth(c, width);
    }
    fitAutomaticColumns();
}

int ResultsView::selectedRow() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ResultsView::selectRow(int row)
{
    if (!m_model || !m_model->hasRow(row))
        return;
    const QModelIndex idx = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QAction *ResultsView::starAction(int stars) const
{
    if (stars < 1 || stars > 5)
        return nullptr;
    return m_stars[static_cast<size_t>(stars - 1)];
}

void ResultsView::updatePopupItems()
{
    const ResultsPopupRule rule = m_model ? ResultsPopupRule::forSelection(*m_model, selectedRow())
                                          : ResultsPopupRule{};
    m_play->setVisible(rule.play);
    m_download->setVisible(rule.download);
    m_separator->setVisible(rule.separator);
    m_add->setVisible(rule.addToPlaylist);
    m_ratingMenu->menuAction()->setVisible(rule.rating);
}

void ResultsView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (selectedRow() >= 0)
            emit playRequested();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ResultsView::contextMenuEvent(QContextMenuEvent *event)
{
    // aboutToShow applies the visibility rule.
    m_popup->popup(event->globalPos());
    event->accept();
}

void ResultsView::resizeEvent(QResizeEvent *event)
{
    QTreeView::resizeEvent(event);
    fitAutomaticColumns();
}

void ResultsView::fitAutomaticColumns()
{
    if (!m_model)
        return;
    int fixed = 0;
    int automatic = 0;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const int width = ResultsModel::designedWidth(c);
        if (width == ResultsModel::kAutomaticWidth)
            ++automatic;
        else if (!isColumnHidden(c))
            fixed += columnWidth(c);
    }
    if (automatic == 0)
        return;
    const int share = std::max(40, (viewport()->width() - fixed) / automatic);
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (ResultsModel::designedWidth(c) == ResultsModel::kAutomaticWidth)
            setColumnWidth(c, share);
}
