#include "ServiceAddressSetting.h"

#include "HttpUrl.h"

#include <QFile>

std::optional<QByteArray> ServiceAddressSetting::parse(const QString &text, QString *error)
{
    const QByteArray url = text.trimmed().toUtf8();
    const auto fail = [&](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!url.toLower().startsWith("http://"))
        return fail(QStringLiteral("the address must start with http://"));
    QByteArray withSlash = url;
    if (withSlash.indexOf('/', 7) < 0)
        withSlash += '/';
    if (!withSlash.endsWith('/'))
        return fail(QStringLiteral("the address must end with /"));
    const auto target = HttpUrl::Split(withSlash);
    if (!target || !HttpUrl::IsPlainHost(target->Host))
        return fail(QStringLiteral("the host must be a plain name or address, with an optional :port from 1 to 65535"));
    if (target->Path.contains('?') || target->Path.contains('#'))
        return fail(QStringLiteral("the address cannot carry a query"));
    return withSlash;
}

std::optional<QString> ServiceAddressSetting::valueIn(const QByteArray &fileText)
{
    std::optional<QString> value;
    for (const QByteArray &raw : fileText.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || line.left(eq).trimmed() != "SERVICE_URL")
            continue;
        QByteArray v = line.mid(eq + 1).trimmed();
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        value = QString::fromUtf8(v); // the last one wins, as in a shell
    }
    return value;
}

QByteArray ServiceAddressSetting::resolve(const std::optional<QString> &option, const QStringList &files,
                                          QStringList *warnings)
{
    const auto warn = [&](const QString &text) {
        if (warnings)
            warnings->append(text);
    };
    if (option) {
        QString why;
        if (const auto url = parse(*option, &why))
            return *url;
        warn(QStringLiteral("sonaro-klient: --server %1: %2; using the built-in address").arg(*option, why));
        return {};
    }
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // A configuration file is a few lines; a huge one is not ours.
        const auto value = valueIn(file.read(64 * 1024));
        if (!value)
            continue;
        QString why;
        if (const auto url = parse(*value, &why))
            return *url;
        warn(QStringLiteral("sonaro-klient: %1: SERVICE_URL=%2: %3; using the built-in address")
                 .arg(path, *value, why));
        return {};
    }
    return {};
}

QStringList ServiceAddressSetting::installationFiles(const QString &programFolder)
{
    return {programFolder + u'/' + QLatin1String(FileName), QString::fromLatin1(SystemFile)};
}
