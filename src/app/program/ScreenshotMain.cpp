// Pictures the main window for the software centre's listing:
//   sonaro-screenshot <out.png> <service base URL> <search text>
// Runs the window on the silent output device against a running service,
// repeats the search, puts the first results into the playlist, plays the
// first entry for a moment and saves what the window draws.
#include "CzechTranslations.h"
#include "FileDialogOptions.h"
#include "MainEnvironment.h"
#include "MainMenu.h"
#include "PlaylistController.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "Prompts.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "TStreamPlayer.h"
#include "ThreadPoolShutdown.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

// No one is there to answer: every box goes to the standard error.
class UnattendedPrompts final : public Prompts
{
public:
    void message(const QString &text, const QString &) override { report(text); }
    void error(const QString &text) override { report(text); }
    bool confirm(const QString &text, const QString &) override
    {
        report(text);
        return false;
    }
    bool openFileName(FileDialogOptions &) override { return false; }
    bool saveFileName(FileDialogOptions &) override { return false; }
    int shown = 0;

private:
    void report(const QString &text)
    {
        ++shown;
        std::fprintf(stderr, "sonaro-screenshot: %s\n", text.toLocal8Bit().constData());
    }
};

bool waitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

int fail(const char *what)
{
    std::fprintf(stderr, "sonaro-screenshot: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        return fail("usage: sonaro-screenshot <out.png> <service base URL> <search text>");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonaro-klient"));
    const CzechTranslations translations;
    THTTPGet::GlobalInit();

    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("k.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return fail("cannot write a settings file");
    ini.write("[Hlavni]\nPosledniFind=" + QByteArray(argv[3]) + "\n[Playlisty]\nPomatovat=0\n");
    ini.close();

    UnattendedPrompts prompts;
    MainEnvironment environment{ini.fileName(), dir.filePath(QStringLiteral("keys")), &prompts, QByteArray(argv[2]),
                                QCoreApplication::applicationDirPath(), 0};
    int status = 0;
    {
        TFormMain form(environment);
        form.show();
        const bool ready = waitFor(
            [&] {
                return form.resultsModel().count() > 0 && !form.HTTPGetFind->IsBusy() && form.player()
                       && !QApplication::activeModalWidget() && form.x() > -1000;
            },
            30000);
        if (!ready) {
            status = fail("the window did not get results from the service");
        } else {
            PlaylistModel &playlist = form.playlist().model();
            for (int r = 0; r < 4 && r < form.resultsModel().count(); ++r) {
                form.list_mp3->selectRow(r);
                form.list_mp3->setFocus();
                form.updateMp3Menu();
                form.menu().Pidatdoplaylistu2->trigger();
                waitFor([&] { return playlist.rowCount() == r + 1 && !form.HTTPGetGet->IsBusy(); }, 10000);
            }
            form.list_play->selectRow(0);
            form.list_play->setFocus();
            form.updateMp3Menu();
            form.menu().Pehrt4->trigger();
            waitFor([&] { return form.player()->Mode() == plmPlaying && form.player()->Position() > 2500; }, 15000);
            form.list_mp3->selectRow(0);
            if (!form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG"))
                status = fail("cannot save the picture");
        }
        form.close();
    }
    THTTPGet::WaitForWorkers(3000);
    ThreadPoolShutdown::finish();
    return status != 0 ? status : (prompts.shown ? fail("the window showed a message") : 0);
}
