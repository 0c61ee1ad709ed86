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
    QList<QWidget *> skip = excluded;
    skip.append(m_playlist);
    const auto inside = [&skip](QWidget *w) {
        for (QWidget *s : skip)
            if (s && (w == s || s->isAncestorOf(w)))
                return true;
        return false;
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (inside(w))
            continue;
        w->setAcceptDrops(true);
        w->installEventFilter(this);
    }
}

bool PlaylistDropRemover::eventFilter(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched);
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *drop = static_cast<QDropEvent *>(event);
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
