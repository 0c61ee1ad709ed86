#include "CzechTranslations.h"
#include "MainEnvironment.h"
#include "SignalCloser.h"
#include "TFormMain.h"
#include "THTTPGet.h"

#include <QApplication>
#include <QThreadPool>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // No display name: the toolkit would append it to every other window's
    // caption. The main window carries the application title itself.
    QApplication::setApplicationName(QStringLiteral("sonaro-klient"));

    const CzechTranslations translations;

    THTTPGet::GlobalInit();

    // Before the window exists, so a signal during start-up is not lost.
    SignalCloser signalCloser;
    TFormMain form(MainEnvironment::forThisProgram());
    QObject::connect(&signalCloser, &SignalCloser::received, &form, &TFormMain::terminate);
    form.show();
    const int exitCode = app.exec();
    // Aborted downloads close their files on their own threads: let them, so
    // what arrived stays on disk.
    THTTPGet::WaitForWorkers(3000);
    // Qt's pool threads (the raster painter's among them) must be gone
    // before the process exits, or they tear down while it does.
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    QThreadPool::globalInstance()->waitForDone();
    return exitCode;
}
