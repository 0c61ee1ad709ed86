#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Which search service this run talks to: the --server option, else the
// installation's configuration file (SERVICE_URL=... in
// /etc/sonaro/sonaro-klient.conf, or the same file beside the program for a
// build folder), else the address built in. A bad value is reported on the
// standard error and the next source is used.
class ServiceAddressSetting
{
public:
    static constexpr const char *FileName = "sonaro-klient.conf";
    static constexpr const char *SystemFile = "/etc/sonaro/sonaro-klient.conf";

    // "http://host[:port]/[path/]" with a plain host name; a missing final
    // "/" is added. Nothing, with the reason in error, for anything else.
    static std::optional<QByteArray> parse(const QString &text, QString *error);

    // The SERVICE_URL value of a configuration file's text, if it has one.
    static std::optional<QString> valueIn(const QByteArray &fileText);

    // The address to use: empty means the built-in one. files are read in
    // order, the first that exists and holds SERVICE_URL decides.
    static QByteArray resolve(const std::optional<QString> &option, const QStringList &files,
                              QStringList *warnings);

    // Beside the program first (a build folder), then the system's.
    static QStringList installationFiles(const QString &programFolder);
};
