#include "ResultsModel.h"
#include "ResultsView.h"

#include "MenuCaptions.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

ResultRow track(const QByteArray &name, const QByteArray &permission)
{
    ResultRow r;
    r.cells[0] = name;
    r.subItem(ResultRow::kSubTrackId) = "id-" + name;
    r.subItem(ResultRow::kSubRatingPermission) = permission;
    return r;
}

struct Fixture
{
    ResultsModel model;
    ResultsView view;
    Fixture()
    {
        view.setResultsModel(&model);
        view.resize(665, 497);
        model.appendRows({track("a", "true"), track("b", "false")});
        view.show();
        (void)QTest::qWaitForWindowExposed(&view);
    }
    QPoint rowCentre(int row) const { return view.visualRect(model.index(row, 0)).center(); }
};

} // namespace

TEST(ResultsView, LayoutHidesIdAndPermissionAndSharesTheRest)
{
    Fixture f;
    EXPECT_TRUE(f.view.isColumnHidden(9));
    EXPECT_TRUE(f.view.isColumnHidden(10));
    EXPECT_FALSE(f.view.isColumnHidden(8));
    EXPECT_EQ(f.view.columnWidth(3), 50);
    EXPECT_EQ(f.view.columnWidth(7), 55);
    // The three automatic columns share the width left over by the fixed ones.
    EXPECT_EQ(f.view.columnWidth(0), f.view.columnWidth(1));
    EXPECT_GE(f.view.columnWidth(0), 100);
    EXPECT_EQ(f.view.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(f.view.selectionBehavior(), QAbstractItemView::SelectRows);
}

TEST(ResultsView, DoubleClickAndEnterAskToPlayOnlyWithASelection)
{
    Fixture f;
    QSignalSpy play(&f.view, &ResultsView::playRequested);
    f.view.setFocus();
    QTest::keyClick(&f.view, Qt::Key_Return);
    EXPECT_EQ(play.count(), 0);

    // A double-click on a row first selects it, then reports the double-click.
    QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.rowCentre(1));
    EXPECT_EQ(f.view.selectedRow(), 1);
    emit f.view.doubleClicked(f.model.index(1, 2));
    EXPECT_EQ(play.count(), 1);

    QTest::keyClick(&f.view, Qt::Key_Return);
    EXPECT_EQ(play.count(), 2);
    QTest::keyClick(&f.view, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(play.count(), 3);
}

TEST(ResultsView, HeaderClicksSortAndRightClickDropsTheSelection)
{
    Fixture f;
    QSignalSpy clicked(&f.view, &ResultsView::columnClicked);
    QHeaderView *header = f.view.header();
    const QPoint bitrate(header->sectionViewportPosition(7) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, bitrate);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.first().first().toInt(), 7);

    f.view.selectRow(0);
    ASSERT_EQ(f.view.selectedRow(), 0);
    emit header->customContextMenuRequested(bitrate);
    EXPECT_EQ(f.view.selectedRow(), -1);
    EXPECT_EQ(f.model.count(), 2); // nothing else changes
}

TEST(ResultsView, PopupShowsRatingOnlyForRateableRows)
{
    Fixture f;
    f.view.updatePopupItems();
    EXPECT_FALSE(f.view.playAction()->isVisible());
    EXPECT_FALSE(f.view.ratingMenu()->menuAction()->isVisible());

    f.view.selectRow(0);
    f.view.updatePopupItems();
    EXPECT_TRUE(f.view.playAction()->isVisible());
    EXPECT_TRUE(f.view.addToPlaylistAction()->isVisible());
    EXPECT_TRUE(f.view.ratingMenu()->menuAction()->isVisible());

    f.view.selectRow(1);
    f.view.updatePopupItems();
    EXPECT_TRUE(f.view.downloadAction()->isVisible());
    EXPECT_FALSE(f.view.ratingMenu()->menuAction()->isVisible());

    QSignalSpy star(&f.view, &ResultsView::starChosen);
    f.view.starAction(4)->trigger();
    ASSERT_EQ(star.count(), 1);
    EXPECT_EQ(star.first().first().toInt(), 4);
    EXPECT_EQ(MenuCaptions::shown(f.view.starAction(4)), QString::fromUtf8("4 hvězdičky"));
    EXPECT_EQ(MenuCaptions::shown(f.view.ratingMenu()->menuAction()), QString::fromUtf8("Hodnocení"));
    EXPECT_EQ(MenuCaptions::items(f.view.popupMenu()),
              (QStringList{"Přehrát", "Stáhnout ...", "-", "Přidat do playlistu", "Hodnocení"}));
    EXPECT_EQ(MenuCaptions::mnemonicFaults(f.view.popupMenu()), QStringList());
    EXPECT_EQ(f.view.starAction(6), nullptr);
}
