#include "IniFile.h"

#include "IniWriteError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <optional>

namespace {

QString sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (t.startsWith(u'[') && t.endsWith(u']'))
        return t.mid(1, t.size() - 2).trimmed();
    return {};
}

bool isSection(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(u'[') && t.endsWith(u']');
}

// The key of a "Key=Value" line, or nothing for comments and other lines.
std::optional<QString> keyOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || isSection(t))
        return std::nullopt;
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0)
        return std::nullopt;
    return t.left(eq).trimmed();
}

// Quotes stay part of the value, so a quoted search text reads back as written.
QString valueOf(const QString &line)
{
    return line.mid(line.indexOf(u'=') + 1).trimmed();
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Sets key=value in section of lines, adding the key (and the section) when absent.
void setEntry(QStringList &lines, const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would start keys of its own.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString entry = key + u'=' + flat;

    qsizetype sectionStart = -1; // index of the section's header line
    qsizetype insertAt = -1;     // after the section's last key line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (isSection(line)) {
            if (sectionStart >= 0)
                break; // left our section
            if (sameName(sectionName(line), section)) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        const auto k = keyOf(line);
        if (!k)
            continue;
        if (sameName(*k, key)) {
            lines[i] = entry;
            return;
        }
        insertAt = i + 1;
    }
    if (sectionStart >= 0) {
        lines.insert(insertAt, entry);
    } else {
        lines.append(u'[' + section + u']');
        lines.append(entry);
    }
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QString IniFile::pathFor(const QString &executablePath, const QString &configHome)
{
    const QFileInfo exe(executablePath);
    const QString beside = exe.absolutePath() + u'/' + exe.completeBaseName() + QStringLiteral(".ini");
    // The file is replaced through a temporary file in its folder, so the
    // folder itself must be writable.
    const QFileInfo folder(exe.absolutePath());
    if (folder.isDir() && folder.isWritable())
        return beside;
    return configHome + QStringLiteral("/sonaro-klient/") + exe.completeBaseName() + QStringLiteral(".ini");
}

QString IniFile::defaultPath()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return pathFor(QCoreApplication::applicationFilePath(), configHome);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    bool inSection = false;
    for (const QString &line : readLines(m_path)) {
        if (isSection(line)) {
            inSection = sameName(sectionName(line), section);
            continue;
        }
        if (!inSection)
            continue;
        const auto k = keyOf(line);
        if (k && sameName(*k, key))
            return valueOf(line);
    }
    return defaultValue;
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    writeStrings({{section, key, value}});
}

void IniFile::writeStrings(const QList<Entry> &entries)
{
    QStringList lines = readLines(m_path);
    for (const Entry &e : entries)
        setEntry(lines, e.section, e.key, e.value);

    const std::string pathText = m_path.toStdString();
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        throw IniWriteError(pathText);
    // Unbuffered: a failure of the toolkit's final buffer flush would go
    // unnoticed and commit a cut-off file.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw IniWriteError(pathText);
    const QByteArray bytes = (lines.join(u'\n') + u'\n').toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        throw IniWriteError(pathText);
    }
    if (!file.commit())
        throw IniWriteError(pathText);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
