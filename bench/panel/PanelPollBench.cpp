// One tick of the player panel's 250 ms poll: against a display that keeps
// nothing (the logic alone) and against the real panel widgets.
#include "MainState.h"
#include "PanelBar.h"
#include "PanelButtons.h"
#include "PanelDisplay.h"
#include "PanelWidgets.h"
#include "PlayerControl.h"
#include "PlayerPanel.h"
#include "TKnob.h"
#include "TLEDLabel.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>
#include <QWidget>

#include <benchmark/benchmark.h>

namespace {

// A playing network stream whose position moves 250 ms a tick.
struct MovingPlayer final : PlayerControl
{
    std::uint32_t pos = 0;
    TPlayerMode mode() const override { return plmPlaying; }
    std::uint32_t playLength() const override { return 245'000; }
    std::uint32_t position() const override { return pos; }
    void setPosition(std::uint32_t ms) override { pos = ms; }
    bool netStream() const override { return true; }
    std::uint32_t downloadedBytes() const override { return pos * 16; }
    std::uint32_t streamSize() const override { return 245'000 * 16; }
    std::int32_t bitRate() const override { return 128; }
    void play() override {}
    void pause() override {}
    void stop() override {}
    void setVolume(std::uint32_t) override {}
};

struct NullDisplay final : PanelDisplay
{
    void showTitle(const QString &c) override { benchmark::DoNotOptimize(c.size()); }
    void showNumbers(const QString &c) override { benchmark::DoNotOptimize(c.size()); }
    void setDownloadBar(int w) override { benchmark::DoNotOptimize(w); }
    void setPlayBar(int w) override { benchmark::DoNotOptimize(w); }
    void showButtons(const PanelButtons &b) override { benchmark::DoNotOptimize(b.playImage); }
    void enablePlaylistNavigation(bool on) override { benchmark::DoNotOptimize(on); }
};

MainState playingState()
{
    MainState state;
    state.BarScale = 416;
    state.BitrateText = "128 kb/s" + QString(8, u' ');
    state.TotalTimeText = "04:05";
    return state;
}

void BM_PollTickLogic(benchmark::State &s)
{
    MainState state = playingState();
    NullDisplay display;
    PlayerPanel panel(state, display);
    auto owned = std::make_unique<MovingPlayer>();
    MovingPlayer *player = owned.get();
    panel.attach(std::move(owned));
    for (auto _ : s) {
        player->pos = (player->pos + 250) % 245'000;
        panel.tick();
    }
}
BENCHMARK(BM_PollTickLogic);

void BM_PollTickWidgets(benchmark::State &s)
{
    QWidget window;
    window.resize(892, 574);
    auto *play = new QToolButton(&window);
    auto *pause = new QToolButton(&window);
    auto *stop = new QToolButton(&window);
    auto *knob = new TKnob(&window);
    auto *title = new TLEDLabel(&window);
    auto *numbers = new TLEDLabel(&window);
    numbers->setGeometry(368, 25, 273, 17);
    auto *down = new PanelBar(QColor(192, 220, 192), QColor(), &window);
    auto *played = new PanelBar(QColor(0, 128, 0), QColor(), &window);
    down->setGeometry(225, 45, 416, 16);
    played->setGeometry(225, 45, 416, 16);
    QAction items[5];
    PanelWidgets widgets({play, pause, stop, knob, title, numbers, down, played, &items[0], &items[1], &items[2],
                          &items[3], &items[4]});
    window.show();
    MainState state = playingState();
    PlayerPanel panel(state, widgets);
    auto owned = std::make_unique<MovingPlayer>();
    MovingPlayer *player = owned.get();
    panel.attach(std::move(owned));
    for (auto _ : s) {
        // Forward by one tick; the bars and the caption change as in playback.
        player->pos = (player->pos + 250) % 245'000;
        panel.tick();
    }
    // The repaints the ticks asked for are not part of a tick.
    QApplication::processEvents();
}
BENCHMARK(BM_PollTickWidgets);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
