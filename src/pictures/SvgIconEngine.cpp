#include "SvgIconEngine.h"

#include "Pictures.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

SvgIconEngine::SvgIconEngine(QString resource, bool sameWhenDisabled)
    : FResource(std::move(resource))
    , FSameWhenDisabled(sameWhenDisabled)
{
}

QIconEngine *SvgIconEngine::clone() const
{
    return new SvgIconEngine(FResource, FSameWhenDisabled);
}

QString SvgIconEngine::key() const
{
    return QStringLiteral("SvgIconEngine");
}

QSize SvgIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    return size;
}

QPixmap SvgIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SvgIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    // QIcon asks with the device size already multiplied out; the pixmap
    // carries the ratio so that it is drawn at its logical size.
    const QSize logical(int(std::lround(size.width() / scale)), int(std::lround(size.height() / scale)));
    QPixmap picture = Pictures::pixmap(FResource, logical, scale);
    if (mode == QIcon::Disabled && !FSameWhenDisabled && !picture.isNull()) {
        if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QApplication::palette();
            picture = app->style()->generatedIconPixmap(QIcon::Disabled, picture, &option);
        }
    }
    return picture;
}

void SvgIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap picture = scaledPixmap(rect.size() * ratio, mode, state, ratio);
    painter->drawPixmap(rect, picture);
}

bool SvgIconEngine::isNull()
{
    return !QFile::exists(FResource);
}
