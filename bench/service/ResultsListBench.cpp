// Fills the results list from a finder reply of 5,000 records and sorts it by
// a text column, next to a plain QTreeWidget given the same rows in the same
// run. Prints the median of several rounds in milliseconds.
#include "MainState.h"
#include "Prompts.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "SearchFlow.h"
#include "TFinderReply.h"
#include "THTTPGet.h"
#include "Windows1250.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kRecords = 5000;
constexpr int kRounds = 9;

QByteArray finderReply(int records)
{
    static const char *artists[] = {"Kab\xE1ty", "Lucie", "Chinaski", "Wanastowi Vjecy", "\x8Aum svistu",
                                    "Olympic", "Mirai", "Divokej Bill"};
    static const char *genres[] = {"Rock", "Pop", "Folk", "Metal", "Jazz"};
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<reply data=\"finder\">\n";
    xml.reserve(records * 240);
    for (int i = 0; i < records; ++i) {
        const int h = (i * 7919) % 10007;
        xml += "<mp3 jmeno=\"P\xEDse\xF2 " + QByteArray::number(h) + "\" interpret=\"" + artists[h % 8]
             + "\" album=\"Album " + QByteArray::number(h % 97) + "\" zanr=\"" + genres[h % 5] + "\" cas=\""
             + QByteArray::number(2 + h % 5) + ":" + QByteArray::number(10 + h % 50) + "\" hodnoceni=\""
             + QByteArray::number(h % 5) + ",5\" cislo=\"" + QByteArray::number(1 + h % 14) + "\" bitrate=\""
             + QByteArray::number(64 + 32 * (h % 6)) + "\" velikost=\"" + QByteArray::number(3 + h % 7)
             + ",2 MB\" hodmuzu=\"true\">" + QByteArray::number(100000 + i) + "</mp3>\n";
    }
    xml += "</reply>\n";
    return xml;
}

// The benchmark never fails a request, so no prompt is ever shown.
class SilentPrompts : public Prompts
{
public:
    void message(const QString &, const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &, const QString &) override { return false; }
    bool openFileName(FileDialogOptions &) override { return false; }
    bool saveFileName(FileDialogOptions &) override { return false; }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds of this thread's processor time: on a machine shared with
// builds, wall time mostly measures the neighbours.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Sample
{
    double wall;
    double cpu;
};

Sample timeMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    const double cpu0 = cpuMs();
    t.start();
    work();
    return {static_cast<double>(t.nsecsElapsed()) / 1e6, cpuMs() - cpu0};
}

struct Series
{
    std::vector<double> wall, cpu;
    void push_back(Sample s)
    {
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray reply = finderReply(kRecords);
    constexpr int kSortColumn = 1; // "Interpret"

    Series fillOurs, sortOurs, sortModel, fillTree, sortTree;
    for (int round = 0; round < kRounds; ++round) {
        // Ours: the finder reply handler filling the model behind the shown list.
        {
            THTTPGet fetcher;
            ResultsModel model;
            ResultsView view;
            view.setResultsModel(&model);
            view.resize(665, 497);
            view.show();
            MainState state;
            SilentPrompts prompts;
            SearchFlow flow(fetcher, model, state, prompts, [](const QString &) {});
            app.processEvents();
            fillOurs.push_back(timeMs([&] {
                flow.onDoneString(reply);
                app.processEvents();
            }));
            if (model.count() != kRecords) {
                std::fprintf(stderr, "expected %d rows, got %d\n", kRecords, model.count());
                return 1;
            }
            const Sample reorder = timeMs([&] { flow.sortByColumn(kSortColumn); });
            const Sample shown = timeMs([&] { app.processEvents(); });
            sortModel.push_back(reorder);
            sortOurs.push_back({reorder.wall + shown.wall, reorder.cpu + shown.cpu});
        }
        // Baseline: the same records into a plain QTreeWidget.
        {
            QTreeWidget tree;
            tree.setColumnCount(ResultRow::kColumnCount);
            tree.resize(665, 497);
            tree.show();
            app.processEvents();
            fillTree.push_back(timeMs([&] {
                const TReplyResult<TFinderReply> parsed = TFinderReply::Read(reply);
                QList<QTreeWidgetItem *> items;
                items.reserve(static_cast<qsizetype>(parsed->records.size()));
                const auto text = [](const std::string &s) { return Windows1250::decode(QByteArrayView(s)); };
                for (const TFinderReply::Record &r : parsed->records) {
                    items << new QTreeWidgetItem(QStringList{text(r.name), text(r.artist), text(r.album),
                                                             text(r.genre), text(r.length), text(r.rating),
                                                             text(r.trackNumber), text(r.bitrate), text(r.size),
                                                             text(r.id), text(r.mayRate)});
                }
                tree.addTopLevelItems(items);
                app.processEvents();
            }));
            sortTree.push_back(timeMs([&] {
                tree.sortItems(kSortColumn, Qt::AscendingOrder);
                app.processEvents();
            }));
        }
    }

    std::printf("results list, %d records, shown, median of %d rounds; ms wall / ms thread CPU\n", kRecords, kRounds);
    std::printf("  parse+fill   ResultsModel %7.2f / %7.2f   QTreeWidget %7.2f / %7.2f   (target <= 20)\n",
                median(fillOurs.wall), median(fillOurs.cpu), median(fillTree.wall), median(fillTree.cpu));
    std::printf("  sort column  ResultsModel %7.2f / %7.2f   QTreeWidget %7.2f / %7.2f   (target <= 10)\n",
                median(sortOurs.wall), median(sortOurs.cpu), median(sortTree.wall), median(sortTree.cpu));
    std::printf("  of which the model's reordering alone %7.2f / %7.2f\n", median(sortModel.wall), median(sortModel.cpu));
    return 0;
}
