#include "DownloadIcons.h"

#include "Pictures.h"

#include <array>

namespace DownloadIcons {

namespace {

constexpr std::array<const char *, Count> Names{"download-running", "download-done", "download-failed"};

} // namespace

QPixmap pixmap(int index)
{
    if (index < 0 || index >= Count)
        return {};
    return Pictures::pixmap(Pictures::resource(QLatin1String(Names[index])), QSize(Size, Size));
}

QIcon icon(int index)
{
    if (index < 0 || index >= Count)
        return {};
    return Pictures::icon(Pictures::resource(QLatin1String(Names[index])));
}

} // namespace DownloadIcons
