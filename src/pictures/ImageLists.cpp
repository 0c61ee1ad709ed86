#include "ImageLists.h"

#include "Pictures.h"

#include <array>

namespace ImageLists {

namespace {

constexpr std::array<const char *, PlayerButtonCount> PlayerButtons{
    "button-play", "button-play-highlighted", "button-pause", "button-pause-highlighted",
    "button-stop", "button-stop-highlighted"};
constexpr std::array<const char *, ListStatCount> ListStats{"sort-descending", "sort-ascending", "now-playing"};
constexpr QSize PlayerButtonSize(28, 28);
constexpr QSize ListStatSize(9, 9);

} // namespace

QPixmap appIcon(int size)
{
    return Pictures::pixmap(Pictures::resource(QStringLiteral("app")), QSize(size, size));
}

QIcon appIconSet()
{
    return Pictures::icon(Pictures::resource(QStringLiteral("app")));
}

QPixmap playerButton(int index)
{
    if (index < 0 || index >= PlayerButtonCount)
        return {};
    return Pictures::pixmap(Pictures::resource(QLatin1String(PlayerButtons[index])), PlayerButtonSize);
}

QIcon playerButtonIcon(int index, bool sameWhenDisabled)
{
    if (index < 0 || index >= PlayerButtonCount)
        return {};
    return Pictures::icon(Pictures::resource(QLatin1String(PlayerButtons[index])), sameWhenDisabled);
}

QPixmap listStat(int index)
{
    if (index < 0 || index >= ListStatCount)
        return {};
    return Pictures::pixmap(Pictures::resource(QLatin1String(ListStats[index])), ListStatSize);
}

QIcon listStatIcon(int index)
{
    if (index < 0 || index >= ListStatCount)
        return {};
    return Pictures::icon(Pictures::resource(QLatin1String(ListStats[index])));
}

} // namespace ImageLists
