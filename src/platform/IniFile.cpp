#include "IniFile.h"

#include "IniWriteError.h"
#include "XdgConfig.h"
#include "Windows1250.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringConverter>

#include <optional>
#include <vector>

namespace {

// One line of the file as it lies on disk: its bytes and its own line end
// ("\r\n", "\n" or nothing on a last line), so lines nobody changes are
// written back byte for byte, whatever their encoding.
struct Line
{
    QByteArray text;
    QByteArray end;
};

std::vector<Line> readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < all.size()) {
        const qsizetype nl = all.indexOf('\n', start);
        if (nl < 0) {
            lines.push_back({all.mid(start), {}});
            break;
        }
        const bool crlf = nl > start && all[nl - 1] == '\r';
        lines.push_back({all.mid(start, nl - start - (crlf ? 1 : 0)), crlf ? QByteArray("\r\n") : QByteArray("\n")});
        start = nl + 1;
    }
    return lines;
}

bool isSection(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

QByteArray sectionName(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    return t.mid(1, t.size() - 2).trimmed();
}

// The key of a "Key=Value" line, or nothing for comments and other lines.
std::optional<QByteArray> keyOf(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || isSection(t))
        return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    return t.left(eq).trimmed();
}

// Quotes stay part of the value, so a quoted search text reads back as written.
QByteArray valueOf(const QByteArray &line)
{
    return line.mid(line.indexOf('=') + 1).trimmed();
}

// Our own values are UTF-8; a file written on the original platform holds
// Windows-1250, which is what any other byte sequence is read as.
QString decodeValue(const QByteArray &bytes)
{
    auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Windows1250::decode(bytes);
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The line end for lines we add: the file's own, so a CRLF file stays CRLF.
QByteArray lineEndOf(const std::vector<Line> &lines)
{
    for (const Line &line : lines)
        if (!line.end.isEmpty())
            return line.end;
    return "\n";
}

// Sets key=value in section of lines, adding the key (and the section) when absent.
void setEntry(std::vector<Line> &lines, const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would start keys of its own.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray sectionBytes = section.toUtf8();
    const QByteArray keyBytes = key.toUtf8();
    const QByteArray entry = keyBytes + '=' + flat.toUtf8();
    const QByteArray newEnd = lineEndOf(lines);

    qsizetype sectionStart = -1; // index of the section's header line
    qsizetype insertAt = -1;     // after the section's last key line
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const QByteArray &line = lines[i].text;
        if (isSection(line)) {
            if (sectionStart >= 0)
                break; // left our section
            if (sameName(sectionName(line), sectionBytes)) {
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
        if (sameName(*k, keyBytes)) {
            lines[i].text = entry;
            return;
        }
        insertAt = i + 1;
    }
    // A last line without its line end gets one before anything follows it.
    const auto endPrevious = [&](qsizetype at) {
        if (at > 0 && lines[at - 1].end.isEmpty())
            lines[at - 1].end = newEnd;
    };
    if (sectionStart >= 0) {
        endPrevious(insertAt);
        lines.insert(lines.begin() + insertAt, Line{entry, newEnd});
    } else {
        endPrevious(qsizetype(lines.size()));
        lines.push_back({'[' + sectionBytes + ']', newEnd});
        lines.push_back({entry, newEnd});
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
    return pathFor(QCoreApplication::applicationFilePath(), XdgConfig::home());
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QByteArray sectionBytes = section.toUtf8();
    const QByteArray keyBytes = key.toUtf8();
    bool inSection = false;
    for (const Line &line : readLines(m_path)) {
        if (isSection(line.text)) {
            inSection = sameName(sectionName(line.text), sectionBytes);
            continue;
        }
        if (!inSection)
            continue;
        const auto k = keyOf(line.text);
        if (k && sameName(*k, keyBytes))
            return decodeValue(valueOf(line.text));
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
    std::vector<Line> lines = readLines(m_path);
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
    QByteArray bytes;
    for (const Line &line : lines)
        bytes += line.text + line.end;
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
