#pragma once

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

// Delivers drag-enter and then drop at point, as the toolkit does: each event
// starts refused and counts only when a handler accepts it. Returns whether
// the drop was accepted.
inline bool deliverDrop(QWidget *target, QPoint point, QMimeData *mime)
{
    QDragEnterEvent enter(point, Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(point), Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}
