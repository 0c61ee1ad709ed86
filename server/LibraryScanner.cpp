#include "LibraryScanner.h"

#include "TrackStore.h"

#include <taglib/fileref.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/mpegproperties.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/tag.h>

#include "Windows1250Codec.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iostream>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

bool hasMp3Extension(const fs::path &p)
{
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".mp3";
}

std::int64_t modificationTime(const fs::path &p, std::error_code &ec)
{
    const auto t = fs::last_write_time(p, ec);
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

std::string trimmed(const TagLib::String &s)
{
    std::string text = s.to8Bit(true);
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The average TagLib derives from a CBR file's header frame counts that frame
// too, so a 128 kbit/s file would show 130 and miss "kbs:128". When the
// frames after the first all share one bit rate, that is the file's rate.
int constantBitrate(TagLib::MPEG::File &mp3)
{
    long offset = mp3.firstFrameOffset();
    if (offset < 0)
        return 0;
    int rate = 0;
    for (int i = 0; i < 8; ++i) {
        const TagLib::MPEG::Header header(&mp3, offset, false);
        if (!header.isValid() || header.frameLength() <= 0)
            return i > 2 ? rate : 0;  // a short file: enough frames agreed
        if (i > 0) {  // frame 0 may be the Xing/Info frame of a VBR file
            if (rate != 0 && header.bitrate() != rate)
                return 0;
            rate = header.bitrate();
        }
        offset += header.frameLength();
    }
    return rate;
}

TagLib::String fromWindows1250(const TagLib::ByteVector &data)
{
    // ID3v1 fields are padded with zeros.
    const auto end = std::find(data.begin(), data.end(), '\0');
    const std::string utf8 = Windows1250::toUtf8(std::string_view(data.data(), size_t(end - data.begin())));
    return TagLib::String(utf8, TagLib::String::UTF8);
}

class Windows1250V1Handler : public TagLib::ID3v1::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override { return fromWindows1250(data); }
};

class Windows1250V2Handler : public TagLib::ID3v2::Latin1StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override { return fromWindows1250(data); }
};

} // namespace

void LibraryScanner::readLatin1TagsAsWindows1250()
{
    // TagLib keeps the pointers for the rest of the process.
    static const Windows1250V1Handler v1;
    static const Windows1250V2Handler v2;
    TagLib::ID3v1::Tag::setStringHandler(&v1);
    TagLib::ID3v2::Tag::setLatin1StringHandler(&v2);
}

LibraryScanner::LibraryScanner(fs::path root) : root_(std::move(root)) {}

std::optional<TrackInfo> LibraryScanner::readFile(const fs::path &file)
{
    TagLib::MPEG::File mp3(file.c_str(), true, TagLib::AudioProperties::Average);
    // TagLib calls almost any file valid MPEG; one without a playable
    // frame is no track.
    const TagLib::MPEG::Properties *audio = mp3.audioProperties();
    if (!mp3.isValid() || !audio || audio->bitrate() <= 0 || audio->sampleRate() <= 0
        || audio->lengthInMilliseconds() <= 0)
        return std::nullopt;
    TrackInfo t;
    if (const TagLib::Tag *tag = mp3.tag()) {
        t.title = trimmed(tag->title());
        t.artist = trimmed(tag->artist());
        t.album = trimmed(tag->album());
        t.genre = trimmed(tag->genre());
        t.number = int(std::min(tag->track(), 9999u));
    }
    if (t.title.empty())
        t.title = file.stem().string();
    t.lengthMs = audio->lengthInMilliseconds();
    const int cbr = constantBitrate(mp3);
    t.bitrate = cbr > 0 ? cbr : audio->bitrate();
    return t;
}

LibraryScanner::Report LibraryScanner::scan(TrackStore &store, bool rereadAll) const
{
    std::error_code ec;
    if (!fs::is_directory(root_, ec))
        throw StoreError("music folder " + root_.string() + " is not a readable folder");

    Report report;
    std::unordered_map<std::string, TrackInfo> known;
    for (TrackInfo &t : store.tracks())
        known.emplace(t.relPath, std::move(t));

    // Tags are read before anything is written, so the store is locked only
    // for the short transaction at the end, not for the whole walk.
    std::vector<TrackInfo> saves;
    std::vector<std::int64_t> removals;
    fs::recursive_directory_iterator it(root_, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::directory_entry &entry = *it;
        std::error_code fileError;
        if (!entry.is_regular_file(fileError) || !hasMp3Extension(entry.path()))
            continue;
        const std::string rel = entry.path().lexically_relative(root_).generic_string();
        const std::int64_t mtime = modificationTime(entry.path(), fileError);
        const auto size = std::int64_t(entry.file_size(fileError));
        if (fileError)
            continue;
        auto found = known.find(rel);
        if (!rereadAll && found != known.end() && found->second.mtime == mtime && found->second.size == size) {
            ++report.unchanged;
            known.erase(found);
            continue;
        }
        std::optional<TrackInfo> info = readFile(entry.path());
        if (!info) {
            ++report.unreadable;
            continue;  // a file that stopped being readable is removed below
        }
        info->relPath = rel;
        info->mtime = mtime;
        info->size = size;
        saves.push_back(std::move(*info));
        if (found != known.end()) {
            ++report.changed;
            known.erase(found);
        } else {
            ++report.added;
        }
    }
    // A walk that broke off has not seen every file: removing the rest
    // would throw away their ratings, so they stay until the next scan.
    if (ec) {
        std::cerr << "sonaro-service: scanning " << root_.string() << ": " << ec.message() << '\n';
    } else {
        for (const auto &[path, track] : known)
            removals.push_back(track.id);
        report.removed = int(removals.size());
    }
    store.applyChanges(saves, removals);
    return report;
}
