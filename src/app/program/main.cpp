#include "CommandLine.h"
#include "CzechTranslations.h"
#include "MainEnvironment.h"
#include "ServiceAddressSetting.h"
#include "SignalCloser.h"
#include "TFormMain.h"
#include "THTTPGet.h"
#include "ThreadPoolShutdown.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

int finish(const CommandLine &line)
{
    std::fputs(line.output.toLocal8Bit().constData(), stdout);
    std::fputs(line.errorOutput.toLocal8Bit().constData(), stderr);
    return line.exitCode;
}

} // namespace

int main(int argc, char **argv)
{
    // --help and --version answer before the toolkit looks for a display.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments.append(QString::fromLocal8Bit(argv[i]));
    // A bad argument too, unless it may be one of the toolkit's own
    // single-dash options (-platform, -display), which it takes below.
    const bool toolkitOptions = std::any_of(rawArguments.begin() + 1, rawArguments.end(), [](const QString &a) {
        return a.startsWith(u'-') && !a.startsWith(QStringLiteral("--")) && a.size() > 2;
    });
    if (const CommandLine early = CommandLine::parse(rawArguments);
        early.exitNow && (early.exitCode == 0 || !toolkitOptions))
        return finish(early);

    QApplication app(argc, argv);
    // The toolkit has taken its own options (-platform, -display) by now.
    const CommandLine line = CommandLine::parse(QCoreApplication::arguments());
    if (line.exitNow)
        return finish(line);
    // No display name: the toolkit would append it to every other window's
    // caption. The main window carries the application title itself.
    QApplication::setApplicationName(QStringLiteral("sonaro-klient"));

    const CzechTranslations translations;

    THTTPGet::GlobalInit();

    // Before the window exists, so a signal during start-up is not lost.
    SignalCloser signalCloser;
    MainEnvironment environment = MainEnvironment::forThisProgram();
    QStringList warnings;
    environment.serviceBase = ServiceAddressSetting::resolve(
        line.server, ServiceAddressSetting::installationFiles(QCoreApplication::applicationDirPath()), &warnings);
    for (const QString &warning : warnings)
        std::fprintf(stderr, "%s\n", warning.toLocal8Bit().constData());
    TFormMain form(environment);
    if (!line.playlist.isEmpty())
        form.openPlaylistFile(QFileInfo(line.playlist).absoluteFilePath());
    QObject::connect(&signalCloser, &SignalCloser::received, &form, &TFormMain::terminate);
    form.show();
    const int exitCode = app.exec();
    // Aborted downloads close their files on their own threads: let them, so
    // what arrived stays on disk.
    THTTPGet::WaitForWorkers(3000);
    // Qt's pool threads (the raster painter's among them) must be gone
    // before the process exits, or they tear down while it does.
    ThreadPoolShutdown::finish();
    return exitCode;
}
