#include "ShellOpen.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace ShellOpen {

bool openUrl(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

bool startDetached(const QString &program, const QString &workingFolder)
{
    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(workingFolder);
    return process.startDetached();
}

} // namespace ShellOpen
