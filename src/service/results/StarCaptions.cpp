#include "StarCaptions.h"

namespace StarCaptions {

QString caption(int stars)
{
    switch (stars) {
    case 1: return QStringLiteral("1 hvězdička");
    case 2: return QStringLiteral("2 hvězdičky");
    case 3: return QStringLiteral("3 hvězdičky");
    case 4: return QStringLiteral("4 hvězdičky");
    case 5: return QStringLiteral("5 hvězdiček");
    default: return {};
    }
}

QString submenuCaption()
{
    return QStringLiteral("Hodnocení");
}

} // namespace StarCaptions
