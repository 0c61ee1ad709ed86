#include "PercentEncoding.h"

#include "PercentCodec.h"

namespace PercentEncoding {

QByteArray encode(QByteArrayView bytes)
{
    return bytes.toByteArray().toPercentEncoding();
}

QByteArray encodeRequestTarget(QByteArrayView path)
{
    // Qt's encoder always escapes '%', which would encode an encoded path twice.
    const std::string target =
        PercentCodec::encode(std::string_view(path.data(), std::size_t(path.size())), PercentCodec::Keep::Visible);
    return QByteArray(target.data(), qsizetype(target.size()));
}

} // namespace PercentEncoding
