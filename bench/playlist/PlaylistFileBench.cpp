// SavePlayList and LoadPlayList of a 10,000-entry playlist through a real
// file in a temporary folder, and the codec alone for comparison.
#include "FileDialogOptions.h"
#include "PlaylistFile.h"
#include "PlaylistFormat.h"
#include "PlaylistModel.h"
#include "Prompts.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Entries = 10000;

// Counts what would have been shown; a load that shows anything failed.
class QuietPrompts : public Prompts
{
public:
    int shown = 0;
    void message(const QString &, const QString &) override { ++shown; }
    void error(const QString &) override { ++shown; }
    bool confirm(const QString &, const QString &) override { return ++shown, false; }
    bool openFileName(FileDialogOptions &) override { return ++shown, false; }
    bool saveFileName(FileDialogOptions &) override { return ++shown, false; }
};

QList<PlaylistEntry> playlist()
{
    QList<PlaylistEntry> rows;
    rows.reserve(Entries);
    for (int i = 0; i < Entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        rows.append({"Interpret " + n + " - Skladba \xE8\xEDslo " + n + " Album \"" + n + "\" & spol.",
                     QByteArray::number(2 + i % 7) + ":" + QByteArray::number(10 + i % 50),
                     "http://127.0.0.1/mp3/" + n + "/skladba-" + n + ".mp3", "trk" + n + "x" + QByteArray::number(i * 7919 % 100000),
                     false});
    }
    return rows;
}

struct Fixture
{
    QTemporaryDir dir;
    PlaylistModel model;
    QuietPrompts prompts;
    FileDialogOptions openDialog, saveDialog;
    PlaylistFile file{model, prompts, openDialog, saveDialog};
    QString path = dir.filePath("bench.kpl");
};

void BM_SavePlayList(benchmark::State &state)
{
    Fixture f;
    f.model.setEntries(playlist());
    for (auto _ : state)
        f.file.savePlayList(f.path);
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(BM_SavePlayList)->Unit(benchmark::kMillisecond);

void BM_LoadPlayList(benchmark::State &state)
{
    Fixture f;
    f.model.setEntries(playlist());
    f.file.savePlayList(f.path);
    for (auto _ : state) {
        f.file.loadPlayList(f.path);
        if (f.model.rowCount() != Entries || f.prompts.shown != 0)
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(BM_LoadPlayList)->Unit(benchmark::kMillisecond);

void BM_EncodeOnly(benchmark::State &state)
{
    const QList<PlaylistEntry> rows = playlist();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlaylistFormat::fileContent(rows));
}
BENCHMARK(BM_EncodeOnly)->Unit(benchmark::kMillisecond);

void BM_ParseOnly(benchmark::State &state)
{
    const QByteArray line = PlaylistFormat::fileContent(playlist()).trimmed();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlaylistFormat::parse(line));
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
