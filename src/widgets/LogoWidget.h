#pragma once

#include <QWidget>

// The program's logo: painted, no picture file. A click opens the web site
// (the window connects clicked()).
class LogoWidget : public QWidget
{
    Q_OBJECT

public:
    explicit LogoWidget(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
