// Takes the input as response heads, split into lines the way curl hands
// them over, and checks what the fetcher keeps: a length only from a
// Content-Length line, never negative, 0 when unreadable, and a head that
// ends only at a blank line outside an interim 1xx head. The same bytes as a
// URL and a header value must come out as a request that stays on its line.
#include "HttpHead.h"
#include "HttpUrl.h"
#include "PercentEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool onRequestLine(const QByteArray &text)
{
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    HttpHead::TState state;
    qsizetype at = 0;
    while (at < input.size()) {
        const qsizetype lf = input.indexOf('\n', at);
        const qsizetype end = lf < 0 ? input.size() : lf + 1;
        const QByteArray line = input.mid(at, end - at);
        at = end;

        const HttpHead::TState before = state;
        HttpHead::TakeLine(state, line);
        check(state.ContentLength >= 0);
        check(!state.BadContentLength || (state.HasContentLength && state.ContentLength == 0));
        check(state.HasContentLength || state.ContentLength == 0);
        if (line.startsWith("HTTP/")) {
            check(!state.Done && !state.HasContentLength);
            continue;
        }
        if (line.trimmed().isEmpty()) {
            check(state.Done == !state.Interim);
            check(state.ContentLength == before.ContentLength && state.HasContentLength == before.HasContentLength);
            continue;
        }
        check(state.Interim == before.Interim && state.Done == before.Done);
        if (state.HasContentLength && !state.BadContentLength && !before.HasContentLength) {
            // The line's value is the length's digits after any zeros.
            const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
            const QByteArray digits = QByteArray::number(state.ContentLength);
            check(value.endsWith(digits));
            for (qsizetype i = 0; i < value.size() - digits.size(); ++i)
                check(value[i] == '0');
        }
    }

    int length = -1;
    if (HttpHead::ParseContentLength(input, length))
        check(length >= 0 && QByteArray::number(length).size() <= input.trimmed().size());

    const QByteArray value = HttpUrl::HeaderValue(input);
    check(!value.contains('\r') && !value.contains('\n') && !value.contains('\0'));
    check(value.size() <= input.size());
    if (const auto target = HttpUrl::Split(input)) {
        check(target->Path.startsWith('/') && !target->Host.isEmpty());
        const QByteArray requestTarget = PercentEncoding::encodeRequestTarget(target->Path);
        check(onRequestLine(requestTarget));
        if (!target->Path.contains('%'))
            check(QByteArray::fromPercentEncoding(requestTarget) == target->Path);
    }
    return 0;
}
