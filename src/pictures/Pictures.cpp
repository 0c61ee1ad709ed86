#include "Pictures.h"

#include "SvgIconEngine.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <mutex>

// The resources sit in a static library: nothing would pull their
// registration into the program unless it is called. Q_INIT_RESOURCE must be
// used outside any namespace.
static void registerPictures()
{
    Q_INIT_RESOURCE(pictures);
}

static void registerResources()
{
    static std::once_flag once;
    std::call_once(once, registerPictures);
}

namespace Pictures {

QString resource(const QString &name)
{
    registerResources();
    return QStringLiteral(":/pictures/") + name + QStringLiteral(".svg");
}

QPixmap pixmap(const QString &resource, QSize size, qreal ratio)
{
    if (size.isEmpty() || !(ratio > 0))
        return {};
    registerResources();
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    QPixmap picture(int(std::lround(size.width() * ratio)), int(std::lround(size.height() * ratio)));
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p);
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

QIcon icon(const QString &resource, bool sameWhenDisabled)
{
    return QIcon(new SvgIconEngine(resource, sameWhenDisabled));
}

} // namespace Pictures
