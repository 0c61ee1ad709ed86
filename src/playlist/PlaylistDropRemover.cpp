#include "PlaylistDropRemover.h"

#include "PlaylistModel.h"
#include "PlaylistView.h"

#include <QDropEvent>
#include <QWidget>

PlaylistDropRemover::PlaylistDropRemover(PlaylistView *playlist, QObject *parent)
    : QObject(parent), m_playlist(playlist)
{
}

void PlaylistDropRemover::watch(QWidget *root, const QList<QWidget *> &excluded)
{
    const auto inside = [](QWidget *w, const QList<QWidget *> &outer) {
        for (QWidget *o : outer)
            if (o && (w == o || o->isAncestorOf(w)))
                return true;
        return false;
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (inside(w, {m_playlist}))
            continue;
        if (inside(w, excluded))
            m_refusing.append(w);
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
}

bool PlaylistDropRemover::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
    if (m_refusing.contains(watched)) {
        // Taken, but with no action: a refused drag would travel on to the
        // widget behind, which deletes the row.
        drop->setDropAction(Qt::IgnoreAction);
        drop->accept();
        return true;
    }
    const PlaylistModel *model = m_playlist->playlistModel();
    if (!model || !model->draggedRow(drop->mimeData())) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::MoveAction);
    drop->accept();
    if (type == QEvent::Drop) {
        const int row = m_playlist->selectedRow();
        if (row >= 0)
            m_playlist->playlistModel()->removeEntry(row);
    }
    return true;
}
