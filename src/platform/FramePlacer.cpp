#include "FramePlacer.h"

#include "WindowPlacement.h"

#include <QWidget>

void FramePlacer::place(QWidget *window, int top, int left, QSize screenSize)
{
    if (!window)
        return;
    // A newer placement wins over one still settling.
    for (FramePlacer *old : window->findChildren<FramePlacer *>(Qt::FindDirectChildrenOnly))
        delete old;
    auto *placer = new FramePlacer(window, top, left, screenSize);
    if (placer->check())
        placer->deleteLater();
}

FramePlacer::FramePlacer(QWidget *window, int top, int left, QSize screenSize)
    : QObject(window)
    , m_window(window)
    , m_top(top)
    , m_left(left)
    , m_screenSize(screenSize)
    , m_checksLeft(SettleMilliseconds / CheckMilliseconds)
{
    m_timer.setInterval(CheckMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (check() || --m_checksLeft <= 0)
            deleteLater();
    });
    m_timer.start();
}

QPoint FramePlacer::target() const
{
    const QSize frame = m_window->frameGeometry().size();
    return {WindowPlacement::coordinate(m_left, m_screenSize.width(), frame.width()),
            WindowPlacement::coordinate(m_top, m_screenSize.height(), frame.height())};
}

bool FramePlacer::check()
{
    if (!m_window)
        return true;
    const QPoint wanted = target();
    const QRect frame = m_window->frameGeometry();
    // Without a frame strut yet, the window manager may still add one; a
    // window that never gets a frame simply settles at the end.
    const bool frameKnown = frame != m_window->geometry();
    if (frame.topLeft() != wanted)
        m_window->move(wanted);
    return frameKnown && m_window->frameGeometry().topLeft() == wanted;
}
