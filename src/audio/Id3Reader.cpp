#include "Id3Reader.h"

#include "Id3v2Size.h"

#include "Windows1250.h"

#include <QStringDecoder>

#include <array>

namespace Id3Reader {

namespace {

constexpr std::array<const char *, 80> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop",
    "Jazz", "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap",
    "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska", "Death Metal", "Pranks",
    "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance",
    "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi",
    "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
};

// 8-bit tag texts are taken as the program's own code page.
QString fixedText(const QByteArray &bytes)
{
    qsizetype end = bytes.indexOf('\0');
    if (end < 0)
        end = bytes.size();
    return Windows1250::decode(bytes.left(end)).trimmed();
}

QString decodeText(std::uint8_t encoding, QByteArray bytes)
{
    switch (encoding) {
    case 1: {
        QStringDecoder decoder(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
        if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFE)
            decoder = QStringDecoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Default);
        else if (bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == 0xFF)
            decoder = QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Default);
        if (bytes.size() >= 2 && (static_cast<std::uint8_t>(bytes[0]) == 0xFE
                                  || static_cast<std::uint8_t>(bytes[0]) == 0xFF))
            bytes = bytes.mid(2);
        return decoder.decode(bytes);
    }
    case 2:
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes);
    case 3:
        return QString::fromUtf8(bytes);
    default:
        return Windows1250::decode(bytes);
    }
}

// Text up to its terminator (one zero byte, two for UTF-16), or the end.
QString frameText(std::uint8_t encoding, QByteArray bytes)
{
    const bool wide = encoding == 1 || encoding == 2;
    qsizetype end = bytes.size();
    for (qsizetype i = 0; i + (wide ? 1 : 0) < bytes.size(); i += wide ? 2 : 1) {
        if (bytes[i] == 0 && (!wide || bytes[i + 1] == 0)) {
            end = i;
            break;
        }
    }
    return decodeText(encoding, bytes.left(end)).trimmed();
}

QString resolveGenre(const QString &text, std::uint8_t &genreId)
{
    // "(17)" or "(17)Rock" or "17" name the ID3v1 numbers.
    QString number = text;
    if (number.startsWith(u'(')) {
        const qsizetype close = number.indexOf(u')');
        if (close > 1) {
            const QString rest = number.mid(close + 1).trimmed();
            number = number.mid(1, close - 1);
            if (!rest.isEmpty()) {
                bool ok = false;
                const int id = number.toInt(&ok);
                if (ok && id >= 0 && id < 256)
                    genreId = static_cast<std::uint8_t>(id);
                return rest;
            }
        }
    }
    bool ok = false;
    const int id = number.toInt(&ok);
    if (ok && id >= 0 && id < 256) {
        genreId = static_cast<std::uint8_t>(id);
        return genreName(id);
    }
    return text;
}

QByteArray removeUnsynchronisation(QByteArray bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (static_cast<std::uint8_t>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

std::uint32_t syncsafe(const QByteArray &b)
{
    return b.size() < 4 ? 0 : id3v2Syncsafe(reinterpret_cast<const unsigned char *>(b.constData()));
}

std::uint32_t bigEndian(QByteArray b, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | static_cast<std::uint8_t>(b[i]);
    return v;
}

void applyFrame(const QByteArray &id, QByteArray body, TStreamInfo &info)
{
    if (body.isEmpty())
        return;
    const std::uint8_t encoding = static_cast<std::uint8_t>(body[0]);
    const QByteArray rest = body.mid(1);
    if (id == "TIT2" || id == "TT2") {
        info.Title = frameText(encoding, rest);
    } else if (id == "TPE1" || id == "TP1") {
        info.Artist = frameText(encoding, rest);
    } else if (id == "TALB" || id == "TAL") {
        info.Album = frameText(encoding, rest);
    } else if (id == "TYER" || id == "TYE" || id == "TDRC") {
        info.Year = frameText(encoding, rest).left(4);
    } else if (id == "TCON" || id == "TCO") {
        info.Genre = resolveGenre(frameText(encoding, rest), info.GenreID);
    } else if (id == "TRCK" || id == "TRK") {
        const int track = frameText(encoding, rest).section(u'/', 0, 0).toInt();
        info.Track = static_cast<std::uint8_t>(track >= 0 && track < 256 ? track : 0);
    } else if ((id == "COMM" || id == "COM") && rest.size() > 3) {
        // Language, then a short description, then the comment itself.
        const QByteArray afterLanguage = rest.mid(3);
        const bool wide = encoding == 1 || encoding == 2;
        qsizetype i = 0;
        while (i + (wide ? 1 : 0) < afterLanguage.size()
               && !(afterLanguage[i] == 0 && (!wide || afterLanguage[i + 1] == 0)))
            i += wide ? 2 : 1;
        i += wide ? 2 : 1;
        if (i <= afterLanguage.size())
            info.Comment = frameText(encoding, afterLanguage.mid(i));
    }
}

} // namespace

QString genreName(int id)
{
    if (id < 0 || id >= static_cast<int>(kGenres.size()))
        return {};
    return QString::fromLatin1(kGenres[static_cast<std::size_t>(id)]);
}

bool readV1(const QByteArray &block, TStreamInfo &info)
{
    if (block.size() < 128 || !block.startsWith("TAG"))
        return false;
    info.Title = fixedText(block.mid(3, 30));
    info.Artist = fixedText(block.mid(33, 30));
    info.Album = fixedText(block.mid(63, 30));
    info.Year = fixedText(block.mid(93, 4));
    const QByteArray comment = block.mid(97, 30);
    // ID3 v1.1 keeps the track number in the comment's last byte.
    if (comment[28] == 0 && comment[29] != 0) {
        info.Track = static_cast<std::uint8_t>(comment[29]);
        info.Comment = fixedText(comment.left(28));
    } else {
        info.Comment = fixedText(comment);
    }
    info.GenreID = static_cast<std::uint8_t>(block[127]);
    info.Genre = genreName(info.GenreID);
    return true;
}

bool readV2(const QByteArray &block, TStreamInfo &info)
{
    if (block.size() < 10 || !block.startsWith("ID3"))
        return false;
    const int major = static_cast<std::uint8_t>(block[3]);
    if (major < 2 || major > 4)
        return false;
    const std::uint8_t flags = static_cast<std::uint8_t>(block[5]);
    const qsizetype tagSize = std::min<qsizetype>(syncsafe(block.mid(6, 4)),
                                                  block.size() - 10);
    QByteArray body = block.mid(10, tagSize);
    if ((flags & 0x80) && major < 4)
        body = removeUnsynchronisation(body);

    qsizetype pos = 0;
    if ((flags & 0x40) && major >= 3 && body.size() >= 4) {
        const std::uint32_t extended = major == 4 ? syncsafe(body.mid(0, 4))
                                                  : bigEndian(body, 4) + 4;
        pos = static_cast<qsizetype>(std::min<std::uint32_t>(extended, body.size()));
    }

    const int idLength = major == 2 ? 3 : 4;
    const int headerLength = major == 2 ? 6 : 10;
    while (pos + headerLength <= body.size()) {
        const QByteArray header = body.mid(pos, headerLength);
        if (header[0] == 0)
            break; // padding
        const QByteArray id = header.left(idLength);
        std::uint32_t size = major == 2 ? bigEndian(header.mid(3), 3)
                           : major == 3 ? bigEndian(header.mid(4), 4)
                                        : syncsafe(header.mid(4, 4));
        pos += headerLength;
        if (size > static_cast<std::uint32_t>(body.size() - pos))
            break;
        QByteArray frame = body.mid(pos, size);
        if (major == 4 && (static_cast<std::uint8_t>(header[9]) & 0x02))
            frame = removeUnsynchronisation(frame);
        const bool compressedOrEncrypted = major == 3 ? (static_cast<std::uint8_t>(header[9]) & 0xC0)
                                         : major == 4 ? (static_cast<std::uint8_t>(header[9]) & 0x0C)
                                                      : false;
        if (!compressedOrEncrypted)
            applyFrame(id, frame, info);
        pos += size;
    }
    return true;
}

} // namespace Id3Reader
