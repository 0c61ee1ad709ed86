#include "CzechTranslations.h"
#include "MainEnvironment.h"
#include "ProgramConstants.h"
#include "SignalCloser.h"
#include "TFormMain.h"
#include "THTTPGet.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonaro-klient"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(ProgramConstants::ApplicationTitle));

    const CzechTranslations translations;

    THTTPGet::GlobalInit();

    // Before the window exists, so a signal during start-up is not lost.
    SignalCloser signalCloser;
    TFormMain form(MainEnvironment::forThisProgram());
    // A termination request closes the window as its close box does.
    QObject::connect(&signalCloser, &SignalCloser::received, &form, &QWidget::close);
    form.show();
    return app.exec();
}
