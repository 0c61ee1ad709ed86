// The playlist view with its controller: drops, keys, menus and the header,
// driven through real Qt events on the offscreen platform.
#include "DeliverDrop.h"
#include "FileDialogOptions.h"
#include "MainState.h"
#include "MenuCaptions.h"
#include "PlaylistController.h"
#include "PlaylistDropRemover.h"
#include "PlaylistModel.h"
#include "PlaylistPlayer.h"
#include "PlaylistView.h"
#include "PromptRecorder.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

class OpenAll : public PlaylistPlayer
{
public:
    QByteArray current;
    void open(const QByteArray &url, OpenDone done) override
    {
        current = url;
        done(true);
    }
    QByteArray streamName() const override { return current; }
};

PlaylistEntry entry(const char *name)
{
    return {QByteArray(name), "1:00", QByteArray("http://h/") + name + ".mp3", QByteArray("id") + name, false};
}

struct AddRequest
{
    QByteArray id;
    std::optional<int> position;
    bool operator==(const AddRequest &) const = default;
};

class PlaylistViewTest : public ::testing::Test
{
protected:
    QWidget window;
    PlaylistView *view = new PlaylistView(&window);
    QLineEdit *search = new QLineEdit(&window);
    QWidget *knob = new QWidget(&window);
    MainState state;
    PromptRecorder prompts;
    FileDialogOptions openDialog, saveDialog;
    OpenAll player;
    QList<AddRequest> adds;
    QByteArrayList downloads;
    std::unique_ptr<PlaylistController> controller;

    void SetUp() override
    {
        window.resize(400, 500);
        view->setGeometry(5, 5, 212, 447);
        search->setGeometry(250, 5, 100, 25);
        knob->setGeometry(250, 50, 41, 41);
        PlaylistController::Hooks hooks;
        hooks.sendAdd = [this](const QByteArray &id, std::optional<int> at) { adds.append({id, at}); };
        hooks.sendDownload = [this](const QByteArray &id) { downloads.append(id); };
        controller = std::make_unique<PlaylistController>(view, state, prompts, openDialog, saveDialog, hooks);
        controller->sequencer().setPlayer(&player);
        controller->dropRemover().watch(&window, {knob});
        model().setEntries({entry("1"), entry("2"), entry("3")});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    PlaylistModel &model() { return controller->model(); }
    QByteArrayList titles()
    {
        QByteArrayList out;
        for (const PlaylistEntry &e : model().entries())
            out.append(e.title);
        return out;
    }
    QPoint rowPoint(int row) { return view->visualRect(model().index(row, 0)).center(); }
    QPoint belowRows()
    {
        return QPoint(20, view->visualRect(model().index(model().rowCount() - 1, 0)).bottom() + 30);
    }
    // Delivers drag-enter, drag-move and drop at point; returns whether the
    // drop was accepted.
    std::unique_ptr<QMimeData> playlistDrag(int row)
    {
        view->selectRow(row);
        return std::unique_ptr<QMimeData>(model().mimeData({model().index(row, 0)}));
    }
    static std::unique_ptr<QMimeData> resultDrag(const QByteArray &id)
    {
        auto mime = std::make_unique<QMimeData>();
        mime->setData(PlaylistView::ResultRowMimeType, id);
        return mime;
    }
};

} // namespace

TEST_F(PlaylistViewTest, ColumnsAndHeaders)
{
    EXPECT_FALSE(view->isColumnHidden(0));
    EXPECT_FALSE(view->isColumnHidden(1));
    EXPECT_TRUE(view->isColumnHidden(2));
    EXPECT_TRUE(view->isColumnHidden(3));
    EXPECT_EQ(view->columnWidth(0), 158);
    EXPECT_EQ(view->columnWidth(1), 50);
    EXPECT_EQ(view->header()->model()->headerData(0, Qt::Horizontal).toString(), "Playlist");
}

TEST_F(PlaylistViewTest, MovingRowsByDropping)
{
    auto mime = playlistDrag(0);
    ASSERT_TRUE(deliverDrop(view->viewport(), rowPoint(2), mime.get()));
    EXPECT_EQ(titles(), (QByteArrayList{"2", "3", "1"}));
    EXPECT_EQ(view->selectedRow(), 2);

    model().setEntries({entry("1"), entry("2"), entry("3")});
    mime = playlistDrag(2);
    model().setMark(2);
    ASSERT_TRUE(deliverDrop(view->viewport(), rowPoint(0), mime.get()));
    EXPECT_EQ(titles(), (QByteArrayList{"3", "1", "2"}));
    EXPECT_TRUE(model().entry(0).nowPlaying);

    // Onto itself: unchanged; below the rows: to the end.
    mime = playlistDrag(1);
    ASSERT_TRUE(deliverDrop(view->viewport(), rowPoint(1), mime.get()));
    EXPECT_EQ(titles(), (QByteArrayList{"3", "1", "2"}));
    mime = playlistDrag(0);
    ASSERT_TRUE(deliverDrop(view->viewport(), belowRows(), mime.get()));
    EXPECT_EQ(titles(), (QByteArrayList{"1", "2", "3"}));
    EXPECT_TRUE(adds.isEmpty());
}

TEST_F(PlaylistViewTest, DroppedResultSendsTheAddRequestWithThePosition)
{
    auto mime = resultDrag("77");
    ASSERT_TRUE(deliverDrop(view->viewport(), rowPoint(1), mime.get()));
    ASSERT_TRUE(deliverDrop(view->viewport(), belowRows(), mime.get()));
    EXPECT_EQ(adds, (QList<AddRequest>{{"77", 1}, {"77", std::nullopt}}));
    // The rows change only when the reply arrives.
    EXPECT_EQ(model().rowCount(), 3);
    controller->addFromReply("A", "Song", "C", "2:00", "http://h/s.mp3", "77", 1);
    EXPECT_EQ(titles(), (QByteArrayList{"1", "A - Song C", "2", "3"}));
    EXPECT_EQ(model().entry(1), (PlaylistEntry{"A - Song C", "2:00", "http://h/s.mp3", "77", false}));
    controller->addFromReply("", "Song", "", "", "", "", std::nullopt);
    EXPECT_EQ(titles().last(), "Song");

    // Other data is refused.
    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(deliverDrop(view->viewport(), rowPoint(0), &text));
    EXPECT_EQ(adds.size(), 2);
}

TEST_F(PlaylistViewTest, RowDroppedElsewhereIsDeletedButNotOnTheKnob)
{
    auto mime = playlistDrag(1);
    deliverDrop(knob, QPoint(5, 5), mime.get());
    EXPECT_EQ(model().rowCount(), 3);

    ASSERT_TRUE(deliverDrop(search, QPoint(5, 5), mime.get()));
    EXPECT_EQ(titles(), (QByteArrayList{"1", "3"}));

    mime = playlistDrag(0);
    ASSERT_TRUE(deliverDrop(&window, QPoint(300, 300), mime.get()));
    EXPECT_EQ(titles(), QByteArrayList{"3"});

    // The search box takes no other drags any more.
    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(deliverDrop(search, QPoint(5, 5), &text));
    EXPECT_EQ(search->text(), "");
}

TEST_F(PlaylistViewTest, KeysActOnTheSelectedRowOnly)
{
    view->setFocus();
    view->clearSelection();
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(model().rowCount(), 3);
    EXPECT_FALSE(state.PlayingFromPlaylist);

    view->selectRow(1);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(state.PlayingFromPlaylist);
    EXPECT_EQ(player.current, "http://h/2.mp3");
    EXPECT_TRUE(model().entry(1).nowPlaying);

    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(titles(), (QByteArrayList{"1", "3"}));
    // The playing row is gone: next finds no current entry.
    controller->next();
    EXPECT_EQ(player.current, "http://h/2.mp3");
}

TEST_F(PlaylistViewTest, DoubleClickStartsAndMenusFollowTheSelection)
{
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rowPoint(2));
    EXPECT_EQ(player.current, "http://h/3.mp3");

    view->clearSelection();
    view->updateRowMenu();
    for (QAction *a : view->rowMenu()->actions())
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    view->selectRow(0);
    view->updateRowMenu();
    EXPECT_EQ(MenuCaptions::items(view->rowMenu(), true),
              (QStringList{"Přehrát", "Stáhnout ...", "-", "Odebrat z playlistu"}));
    EXPECT_EQ(MenuCaptions::mnemonicFaults(view->rowMenu()), QStringList());

    view->Sthnout3->trigger();
    EXPECT_EQ(downloads, QByteArrayList{"id1"});
    view->Odebratzplaylistu2->trigger();
    EXPECT_EQ(titles(), (QByteArrayList{"2", "3"}));

    EXPECT_EQ(MenuCaptions::mnemonicFaults(view->headerMenu()), QStringList());
    EXPECT_EQ(MenuCaptions::items(view->headerMenu()), (QStringList{"Nový playlist", "-", "Otevřít playlist ...", "-", "Uložit playlist ",
                                   "Uložit playlist jako ..."}));
}

TEST_F(PlaylistViewTest, HeaderClicks)
{
    view->selectRow(1);
    emit view->header()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(view->selectedRow(), -1);

    // Only column 0 opens the header menu, just under the header.
    emit view->header()->sectionClicked(1);
    EXPECT_FALSE(view->headerMenu()->isVisible());
    emit view->header()->sectionClicked(0);
    EXPECT_TRUE(view->headerMenu()->isVisible());
    EXPECT_EQ(view->headerMenu()->pos(), view->mapToGlobal(QPoint(1, view->header()->height())));
    view->headerMenu()->hide();

    model().setPlaylistPath("/x/a.kpl");
    model().setCaption("a");
    view->Novplaylist2->trigger();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(model().playlistPath(), "no");
    EXPECT_EQ(view->header()->model()->headerData(0, Qt::Horizontal).toString(), "Playlist");
}

TEST_F(PlaylistViewTest, TitlesAreRenamedInPlace)
{
    view->selectRow(0);
    view->edit(model().index(0, 0));
    auto *editor = view->viewport()->findChild<QLineEdit *>();
    ASSERT_TRUE(editor);
    editor->setText(QStringLiteral("Nový název"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits through a queued call
    EXPECT_TRUE(player.current.isEmpty()) << "Enter in the editor started the row";
    EXPECT_EQ(model().entry(0).title, QByteArray("Nov\xFD n\xE1zev"));
    // The edited title is what the display shows when the row starts.
    QString shown;
    controller->sequencer().setHooks({{}, [&](const QString &t) { shown = t; }});
    controller->startSelected();
    EXPECT_EQ(shown, QStringLiteral("Nový název"));
}
