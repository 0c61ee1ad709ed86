#pragma once

#include <QIconEngine>
#include <QString>

// An icon drawn from an SVG file for every size and device pixel ratio it is
// asked for, so it stays sharp on any display scale.
class SvgIconEngine : public QIconEngine
{
public:
    // sameWhenDisabled: the disabled look is the picture itself rather than
    // the style's greyed copy.
    explicit SvgIconEngine(QString resource, bool sameWhenDisabled = false);

    QIconEngine *clone() const override;
    QString key() const override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override;

private:
    const QString FResource;
    const bool FSameWhenDisabled;
};
