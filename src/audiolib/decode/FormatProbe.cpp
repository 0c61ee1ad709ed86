#include "decode/FormatProbe.h"

#include "decode/MpegDecoder.h"
#include "decode/MpegSniffer.h"
#include "decode/SndfileDecoder.h"
#include "input/Download.h"

#include <cstring>
#include <vector>

namespace sonaroaudio {

namespace {

enum class Kind { Mpeg, Sndfile, None };

// Waits for the first bytes and decides which decoder may read them.
Kind recognise(ByteStore &store, const std::atomic<bool> &interrupt)
{
    store.waitFor(16, &interrupt);
    if (interrupt.load())
        return Kind::None;
    uint8_t head[16] = {};
    const auto first = store.read(0, head, sizeof head, false);
    if (first.count >= 4 && first.at == 0
        && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0
            || std::memcmp(head, "FORM", 4) == 0 || std::memcmp(head, "OggS", 4) == 0))
        return Kind::Sndfile;
    const size_t tag = first.at == 0 ? MpegSniffer::id3v2Size(head, first.count) : 0;
    std::vector<uint8_t> buffer(MpegSniffer::kSearchLimit);
    size_t want = 4096;
    for (;;) {
        store.waitFor(first.at + tag + want, &interrupt);
        if (interrupt.load())
            return Kind::None;
        const auto span = store.read(first.at + tag, buffer.data(), want, false);
        const bool atEnd = store.finished() && span.at + span.count >= store.received();
        switch (MpegSniffer::sniff(buffer.data(), span.count, atEnd)) {
        case MpegSniffer::Verdict::Yes:
            return Kind::Mpeg;
        case MpegSniffer::Verdict::No:
            return Kind::None;
        case MpegSniffer::Verdict::NeedMore:
            if (want >= buffer.size() || atEnd)
                return Kind::None;
            want = std::min(buffer.size(), want * 2);
            break;
        }
    }
}

} // namespace

std::unique_ptr<Decoder> FormatProbe::decoderFor(Download &download, const std::atomic<bool> &interrupt)
{
    switch (recognise(download.store(), interrupt)) {
    case Kind::Mpeg:
        return std::make_unique<MpegDecoder>(download, interrupt);
    case Kind::Sndfile:
        return std::make_unique<SndfileDecoder>(download, interrupt);
    case Kind::None:
        break;
    }
    return nullptr;
}

} // namespace sonaroaudio
