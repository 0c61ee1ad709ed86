#include "StreamNames.h"

#include "Windows1250.h"

#include <algorithm>
#include <cstring>

namespace StreamNames {

namespace {
constexpr QByteArrayView kNetTypes = "*.wav;*.mp1;*.mp2;*.mp3;*.ogg;*.aiff";
constexpr QByteArrayView kMidiTypes = "*.MID;*.MIDI;*.RMI;*.KAR;";
constexpr QByteArrayView kModuleTypes = "*.MO3;*.IT;*.XM;*.S3M;*.MTM;*.MOD;*.UMX;";
} // namespace

bool isInternetName(QByteArrayView name)
{
    return name.startsWith("http://") || name.startsWith("ftp://") || name.startsWith("mms://");
}

QByteArray extensionOf(QByteArrayView name)
{
    const qsizetype delimiter = std::max(name.lastIndexOf('\\'), name.lastIndexOf(':'));
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0 || dot < delimiter)
        return {};
    return name.sliced(dot).toByteArray();
}

QString titleFromUrl(QByteArrayView name)
{
    const qsizetype length = name.size();
    if (length < 12)
        return {};
    // Positions are counted from 1 here. The scan starts right before the
    // extension, so a one-letter file name still gives its title.
    for (qsizetype pos = length - 4; pos >= 6; --pos) {
        if (name.at(pos - 1) == '/') {
            const qsizetype first = pos + 1;
            const qsizetype last = length - 4;
            return last >= first ? Windows1250::decode(name.sliced(first - 1, last - first + 1)) : QString();
        }
    }
    return {};
}

bool isRecognisedNetType(QByteArrayView extension)
{
    if (extension.isEmpty())
        return false;
    return kNetTypes.contains(extension.toByteArray().toLower()) || kMidiTypes.contains(extension.toByteArray().toUpper());
}

bool isMidiType(QByteArrayView extension)
{
    return !extension.isEmpty() && kMidiTypes.contains(extension.toByteArray().toUpper());
}

bool needsAddOn(QByteArrayView extension)
{
    const QByteArray upper = extension.toByteArray().toUpper();
    return isMidiType(extension) || upper == ".ASF" || upper == ".WMA";
}

QString decoderNameFor(QByteArrayView extension, bool cdAddOn, bool wmaAddOn, bool soundFont)
{
    if (extension.isEmpty())
        return {};
    // The missing ";" after aiff is how the list has always read.
    QByteArray native = kNetTypes.toByteArray() + kModuleTypes.toByteArray();
    if (cdAddOn)
        native += "*.cda;";
    if (wmaAddOn)
        native += "*.wma;";
    if (soundFont)
        native += kMidiTypes.toByteArray();
    if (native.toLower().contains(extension.toByteArray().toLower()))
        return QStringLiteral("Native");
    return {};
}

QList<QByteArray> splitTagList(const char *tags)
{
    QList<QByteArray> list;
    if (!tags)
        return list;
    while (*tags) {
        const std::size_t len = std::strlen(tags);
        list.append(QByteArray(tags, static_cast<qsizetype>(len)));
        tags += len + 1;
    }
    return list;
}

int icyBitRate(const QList<QByteArray> &headerLines)
{
    static const QByteArray key("icy-br:");
    for (const QByteArray &line : headerLines) {
        const qsizetype at = line.indexOf(key);
        if (at < 0)
            continue;
        QByteArray rest = line.mid(at + key.size()).trimmed();
        qsizetype digits = 0;
        while (digits < rest.size() && digits < 9 && rest.at(digits) >= '0' && rest.at(digits) <= '9')
            ++digits;
        return digits ? rest.left(digits).toInt() : 0;
    }
    return 0;
}

bool hasStreamTitle(const QByteArray &meta)
{
    return meta.contains("StreamTitle=");
}

QByteArray streamTitle(const QByteArray &meta)
{
    static const QByteArray key("StreamTitle=");
    const qsizetype at = meta.indexOf(key);
    if (at < 0)
        return {};
    qsizetype start = at + key.size();
    const bool quoted = start < meta.size() && meta.at(start) == '\'';
    if (quoted)
        ++start;
    // A quoted title may itself hold ";", so look for the quote that closes it.
    qsizetype end = quoted ? meta.indexOf("';", start) : meta.indexOf(';', start);
    if (end < 0) {
        end = meta.size();
        if (quoted && end > start && meta.at(end - 1) == '\'')
            --end;
    }
    return meta.mid(start, end - start);
}

QByteArray oggTitle(const QList<QByteArray> &comments, bool caseSensitive)
{
    for (const QByteArray &comment : comments) {
        const bool match = caseSensitive ? comment.startsWith("TITLE=")
                                         : comment.left(6).toUpper() == "TITLE=";
        if (match)
            return comment.mid(6);
    }
    return {};
}

} // namespace StreamNames
