#include "UserKeyStore.h"

#include "XdgConfig.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

bool safePart(const QString &part)
{
    return !part.isEmpty() && part != QStringLiteral(".") && part != QStringLiteral("..") && !part.contains(u'/')
        && !part.contains(QChar(0));
}

} // namespace

UserKeyStore::UserKeyStore(QString root) : m_root(std::move(root)) {}

QString UserKeyStore::defaultRoot()
{
    return XdgConfig::programFolder() + QStringLiteral("/keys");
}

std::optional<QString> UserKeyStore::keyFolder(const QString &keyPath) const
{
    const QStringList parts = keyPath.split(u'\\', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    QString folder = m_root;
    for (const QString &part : parts) {
        if (!safePart(part))
            return std::nullopt;
        folder += u'/' + part;
    }
    return folder;
}

std::optional<QString> UserKeyStore::valueFile(const QString &keyPath, const QString &valueName) const
{
    const auto folder = keyFolder(keyPath);
    if (!folder || !safePart(valueName))
        return std::nullopt;
    return *folder + u'/' + valueName;
}

std::optional<QString> UserKeyStore::readString(const QString &keyPath, const QString &valueName) const
{
    const auto path = valueFile(keyPath, valueName);
    if (!path)
        return std::nullopt;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

bool UserKeyStore::writeString(const QString &keyPath, const QString &valueName, const QString &value) const
{
    const auto path = valueFile(keyPath, valueName);
    if (!path || !QDir().mkpath(*keyFolder(keyPath)))
        return false;
    // Unbuffered: a failure of the toolkit's final buffer flush would go
    // unnoticed and commit a cut-off file.
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = value.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
