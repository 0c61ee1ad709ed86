#pragma once

#include "LedCellCache.h"

#include <QString>
#include <QWidget>

class TLED;

// A label that draws its caption as a row of sixteen-segment LED cells from
// the top-left corner, cut off at its edges. The caption is Unicode text;
// only the ASCII characters of the LED character set light segments, every
// other character shows an unlit cell, a carriage return starts a new line
// and other control characters take no cell. Text from the 8-bit code page
// is decoded before it is set.
class TLEDCustomLabel : public QWidget
{
    Q_OBJECT
public:
    explicit TLEDCustomLabel(QWidget *parent = nullptr);
    ~TLEDCustomLabel() override;

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // The label's colour: the background of the control and of every cell.
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    TLED *LED() const { return m_led; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ledChanged();
    void syncLook();

    QString m_caption;
    QColor m_color{Qt::black};
    TLED *m_led; // child QObject
    LedCellCache m_cells;
};
