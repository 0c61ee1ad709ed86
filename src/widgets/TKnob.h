#pragma once

#include "KnobModel.h"

#include <QPointer>
#include <QWidget>

class QLabel;

// A round knob that sets an integer between Min and Max by turning a
// pointer over a 300 degree arc, with the mouse or the keyboard. Every set
// of Position, Min or Max raises OnChange, also when nothing changed.
class TKnob : public QWidget
{
    Q_OBJECT
public:
    explicit TKnob(QWidget *parent = nullptr);

    int Min() const { return m_model.Min(); }
    int Max() const { return m_model.Max(); }
    int Position() const { return m_model.Position(); }
    quint16 PageSize() const { return quint16(m_model.PageSize()); }
    QColor LineColor() const { return m_lineColor; }
    bool SpringLoaded() const { return m_springLoaded; }
    QLabel *PositionLabel() const;
    QString Caption() const { return m_caption; }
    float AngleStep() const { return m_model.AngleStep(); }
    int IndicatorAngle() const { return m_model.IndicatorAngle(); }

    void setMin(int min);
    void setMax(int max);
    void setPosition(int position);
    void setPageSize(quint16 size);
    // The button-face colour is refused: the pointer would vanish.
    void setLineColor(const QColor &color);
    // When on, the knob jumps to 0 (clamped) now, on release and on focus loss.
    void setSpringLoaded(bool on);
    // The label shows "%d " + Caption; it follows the knob's visibility and
    // enabled state. A destroyed label is forgotten.
    void setPositionLabel(QLabel *label);
    void setCaption(const QString &caption);

    QSize sizeHint() const override { return QSize(40, 40); }

signals:
    void OnChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setValue(qint64 value);
    void valuesSet();
    void showOnLabel(qint64 value);

    KnobModel m_model;
    int m_side = 0;
    int m_radius = 20;
    int m_mouseAngle = 240;
    bool m_dragging = false;
    bool m_springLoaded = false;
    QColor m_lineColor;
    QPointer<QLabel> m_label;
    QString m_caption;
};
