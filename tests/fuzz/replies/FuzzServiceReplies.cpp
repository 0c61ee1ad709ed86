// Feeds arbitrary bytes as a reply body to the four reply readers, and checks
// that every integer they accept is exactly what the text says: a sign and
// decimal digits that fit, nothing else.
#include "ServiceReply.h"
#include "TFinderReply.h"
#include "TRateReply.h"
#include "TTrackReply.h"
#include "TUpdateReply.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The text's value when it is an optional sign and digits that fit a long
// long; written apart from the reader, with the C library's conversion.
bool strictDecimal(const std::string &text, long long &value)
{
    std::size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    if (i == text.size())
        return false;
    for (std::size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return false;
    errno = 0;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return errno != ERANGE;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    if (const auto finder = TFinderReply::Read(body))
        for (const TFinderReply::Record &r : finder->records)
            check(r.canRate() == (r.mayRate == "true"));

    if (const auto track = TTrackReply::Read(body)) {
        // Only an add carries a position, and never a negative one.
        check(!track->insertAt || (track->action == TTrackAction::taAdd && *track->insertAt >= 0));
    }

    (void)TRateReply::Read(body);

    if (const auto update = TUpdateReply::Read(body)) {
        long long id = 0;
        check(strictDecimal(update->clientIdText, id) && id == update->clientId);
        long long bytes = 0;
        const bool sizeIsNumber = strictDecimal(update->sizeText, bytes);
        check(update->size.has_value() == sizeIsNumber);
        check(!update->size || *update->size == bytes);
    }

    // The integer reading on its own, on short inputs taken as the text.
    if (size <= 32) {
        const std::string text(reinterpret_cast<const char *>(data), size);
        long long parsed = 0;
        long long expected = 0;
        const bool ok = ServiceReply::ParseInteger(text, parsed);
        check(ok == strictDecimal(text, expected));
        check(!ok || parsed == expected);
    }
    return 0;
}
