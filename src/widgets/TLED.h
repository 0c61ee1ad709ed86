#pragma once

#include "LedCellCache.h"

#include <QObject>

// The look of an LED label: segment sizes and colours. Owned by its label,
// which rebuilds its cell pictures and repaints on Changed.
class TLED : public QObject
{
    Q_OBJECT
public:
    explicit TLED(QObject *parent = nullptr);

    quint8 Horzsize() const { return quint8(m_look.size.h); }
    quint8 Vertsize() const { return quint8(m_look.size.v); }
    quint8 Thickness() const { return quint8(m_look.size.t); }
    QColor ActiveColor() const { return m_look.active; }
    QColor InActiveColor() const { return m_look.inactive; }
    bool DisabledDigits() const { return m_disabledDigits; }
    QColor BackgroundColor() const { return m_look.background; }

    void setHorzsize(quint8 h);
    void setVertsize(quint8 v);
    void setThickness(quint8 t);
    void setActiveColor(const QColor &c);
    void setInActiveColor(const QColor &c);
    // Whether a disabled label shows only unlit cells.
    void setDisabledDigits(bool on);
    // Follows the label's colour; the label sets it.
    void setBackgroundColor(const QColor &c);

    const LedCellCache::Look &look() const { return m_look; }

signals:
    void Changed();

private:
    LedCellCache::Look m_look;
    bool m_disabledDigits = true;
};
