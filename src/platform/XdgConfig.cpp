#include "XdgConfig.h"

#include <QDir>

namespace XdgConfig {

QString home()
{
    // The rules say a relative value is invalid and to be ignored.
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString programFolder()
{
    return home() + QStringLiteral("/sonaro-klient");
}

} // namespace XdgConfig
