#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's pictures as files in the resources (":/pictures/<name>.svg").
// Needs a running QGuiApplication.
namespace Pictures {

QString resource(const QString &name);

// Drawn at size times ratio device pixels; the pixmap carries the ratio.
// A resource that is missing or no SVG gives a null pixmap.
QPixmap pixmap(const QString &resource, QSize size, qreal ratio = 1.0);

// An icon that draws the picture anew for each size and ratio asked of it.
QIcon icon(const QString &resource, bool sameWhenDisabled = false);

} // namespace Pictures
