#include "HelpIcons.h"

#include "Pictures.h"

#include <array>

namespace {

constexpr std::array<const char *, HelpIcons::Count> Names{"help-page", "help-folder", "help-folder-open"};

} // namespace

QPixmap HelpIcons::icon(int index)
{
    if (index < 0 || index >= Count)
        return {};
    return Pictures::pixmap(Pictures::resource(QLatin1String(Names[index])), QSize(16, 16));
}

QIcon HelpIcons::iconSet(int index)
{
    if (index < 0 || index >= Count)
        return {};
    return Pictures::icon(Pictures::resource(QLatin1String(Names[index])));
}
