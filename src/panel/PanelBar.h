#pragma once

#include <QColor>
#include <QWidget>

// One rectangle of the progress bar: a solid fill, optionally with a
// one-pixel outline. A press with any mouse button reports its distance
// from the left edge; the panel decides what it means.
class PanelBar : public QWidget
{
    Q_OBJECT
public:
    PanelBar(const QColor &fill, const QColor &outline, QWidget *parent = nullptr);

    QColor fill() const { return m_fill; }
    // Invalid when the rectangle has no outline.
    QColor outline() const { return m_outline; }
    // The width of the whole bar, for the share this part shows (0: none).
    int fullWidth() const { return m_fullWidth; }
    void setFullWidth(int width) { m_fullWidth = width; }

signals:
    void pressedAt(int x);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QColor m_fill;
    QColor m_outline;
    int m_fullWidth = 0;
};
