#include "MainEnvironment.h"
#include "ProgramConstants.h"
#include "SignalCloser.h"
#include "TFormMain.h"
#include "THTTPGet.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonaro-klient"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(ProgramConstants::ApplicationTitle));

    // The user interface is Czech, so the standard buttons and dialogs are too.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);

    THTTPGet::GlobalInit();

    // Before the window exists, so a signal during start-up is not lost.
    SignalCloser signalCloser;
    TFormMain form(MainEnvironment::forThisProgram());
    // A termination request closes the window as its close box does.
    QObject::connect(&signalCloser, &SignalCloser::received, &form, &QWidget::close);
    form.show();
    return app.exec();
}
