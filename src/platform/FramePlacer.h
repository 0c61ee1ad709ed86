#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTimer>

class QWidget;

// Puts a top-level window's frame (title bar and border included) at a stored
// position. A window manager reports its frame extents some time after a
// window is mapped; a move before that lands the client area where the frame
// should be, so the placer checks again until the frame is known and where
// it belongs, then deletes itself. It lives as a child of the window.
class FramePlacer : public QObject
{
    Q_OBJECT

public:
    // top and left as stored in the settings file: a negative value centres
    // the frame on that axis of the screen (WindowPlacement::coordinate).
    static void place(QWidget *window, int top, int left, QSize screenSize);

    // How long the placer keeps checking after the first move.
    static constexpr int SettleMilliseconds = 3000;
    static constexpr int CheckMilliseconds = 25;

private:
    FramePlacer(QWidget *window, int top, int left, QSize screenSize);
    QPoint target() const;
    // Moves the window when its frame is not at the target; true when it is
    // there and the window manager's frame is known.
    bool check();

    QPointer<QWidget> m_window;
    int m_top;
    int m_left;
    QSize m_screenSize;
    QTimer m_timer;
    int m_checksLeft;
};
