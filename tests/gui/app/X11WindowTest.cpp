// Runs on a real X display with a window manager (with-window-manager.sh),
// where frames and their extents exist: what the offscreen platform cannot show.
#include "FramePlacer.h"
#include "MainMenu.h"
#include "MainEnvironment.h"
#include "PromptRecorder.h"
#include "QtPrompts.h"
#include "TFormMain.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QAbstractButton>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString windowId(const QWidget &w)
{
    return QString::number(w.winId());
}

// Where the window manager put the frame: the client's absolute position
// less the frame extents it announced; nothing while it announced none.
std::optional<QPoint> x11FramePosition(const QWidget &w)
{
    const QString info = run("xwininfo", {"-id", windowId(w)});
    const auto x = QRegularExpression("Absolute upper-left X:\\s+(-?\\d+)").match(info);
    const auto y = QRegularExpression("Absolute upper-left Y:\\s+(-?\\d+)").match(info);
    const QString extents = run("xprop", {"-id", windowId(w), "_NET_FRAME_EXTENTS"});
    const auto e = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)").match(extents);
    if (!x.hasMatch() || !y.hasMatch() || !e.hasMatch())
        return std::nullopt;
    // left, right, top, bottom
    return QPoint(x.captured(1).toInt() - e.captured(1).toInt(), y.captured(1).toInt() - e.captured(3).toInt());
}

QString x11Caption(const QWidget &w)
{
    const QString name = run("xprop", {"-id", windowId(w), "_NET_WM_NAME"});
    const auto m = QRegularExpression("= \"(.*)\"").match(name);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

void PrintTo(const QPoint &p, std::ostream *os)
{
    *os << "(" << p.x() << ", " << p.y() << ")";
}

TEST(X11Window, TheFrameLandsOnTheStoredPositionAndDoesNotCreep)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QPoint stored(120, 80);
    // Each round is one run of the program: placed at start, the frame's
    // position written at close, read again at the next start.
    for (int round = 0; round < 3; ++round) {
        QMainWindow w;
        w.setWindowTitle("Sonaro Klient");
        w.setFixedSize(892, 600);
        w.show();
        // As at start: moved off the screen, then placed before the window
        // manager has told anyone its frame extents.
        w.move(-1000, -1000);
        FramePlacer::place(&w, stored.y(), stored.x(), screen);
        std::optional<QPoint> frame;
        QTest::qWaitFor(
            [&] {
                frame = x11FramePosition(w);
                return frame == stored && w.pos() == stored;
            },
            FramePlacer::SettleMilliseconds + 2000);
        ASSERT_TRUE(frame.has_value()) << "no frame extents from the window manager";
        EXPECT_EQ(*frame, stored) << "round " << round;
        // What close writes as Okno/Left and Okno/Top.
        EXPECT_EQ(w.pos(), stored) << "round " << round;
        stored = w.pos();
    }
}

TEST(X11Window, CentredFrameUsesTheFramesOwnSize)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QMainWindow w;
    w.setFixedSize(600, 400);
    w.show();
    FramePlacer::place(&w, -1, -1, screen);
    std::optional<QPoint> frame;
    const auto centred = [&] {
        const QSize outer = w.frameGeometry().size();
        return QPoint(WindowPlacement::coordinate(-1, screen.width(), outer.width()),
                      WindowPlacement::coordinate(-1, screen.height(), outer.height()));
    };
    QTest::qWaitFor([&] { return (frame = x11FramePosition(w)) && w.frameGeometry() != w.geometry()
                                 && *frame == centred(); },
                    FramePlacer::SettleMilliseconds + 2000);
    ASSERT_TRUE(frame.has_value());
    EXPECT_NE(w.frameGeometry(), w.geometry()) << "the window manager gave no frame";
    EXPECT_EQ(*frame, centred());
}

TEST(X11Window, CaptionsAreExactlyTheirOwn)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    // The main window's start-up sets the program's title and icon.
    TFormMain form(MainEnvironment{dir.filePath("sonaro-klient.ini"), dir.filePath("keys"), &prompts,
                                   "http://127.0.0.1:1/", QString(), 0});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWidget settings;
    settings.setWindowTitle(QStringLiteral("Nastavení"));
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));

    QString boxCaption;
    QTimer::singleShot(0, [&] {
        QTimer probe;
        int tries = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible() && QTest::qWaitForWindowExposed(box, 100)) {
                probe.stop();
                QTest::qWait(100);
                boxCaption = x11Caption(*box);
                box->button(QMessageBox::Ok)->click();
            } else if (++tries > 200) {
                probe.stop();
            }
        });
        probe.start(20);
        QtPrompts(&form).error(QStringLiteral("x"));
    });
    QTest::qWaitFor([&] { return !boxCaption.isEmpty(); }, 6000);

    EXPECT_EQ(x11Caption(form), QStringLiteral("Sonaro Klient"));
    EXPECT_EQ(x11Caption(settings), QStringLiteral("Nastavení"));
    EXPECT_EQ(boxCaption, QStringLiteral("Chyba"));
    form.close();
}

TEST(X11Window, CtrlAFromTheKeyboardSelectsAllInTheSearchBox)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    TFormMain form(MainEnvironment{dir.filePath("sonaro-klient.ini"), dir.filePath("keys"), &prompts,
                                   "http://127.0.0.1:1/", QString(), 0});
    int added = 0;
    QObject::connect(form.menu().Pidatdoplaylistu2, &QAction::triggered, [&] { ++added; });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.edt_find->setText(QStringLiteral("Kabát"));
    form.edt_find->setFocus();
    form.edt_find->deselect();
    // Real key events through the X server, as a keyboard sends them.
    run("xdotool", {"windowactivate", "--sync", windowId(form)});
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    run("xdotool", {"key", "ctrl+a"});
    QTest::qWaitFor([&] { return form.edt_find->hasSelectedText(); }, 3000);
    EXPECT_EQ(form.edt_find->selectedText(), QStringLiteral("Kabát"));
    EXPECT_EQ(added, 0);
    form.close();
}
