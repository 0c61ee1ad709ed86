#pragma once

#include <QObject>

class PlaylistView;
class QWidget;

// Makes the window and its controls take a playlist row dropped on them and
// delete it from the playlist; every other drag is refused there.
class PlaylistDropRemover : public QObject
{
    Q_OBJECT

public:
    explicit PlaylistDropRemover(PlaylistView *playlist, QObject *parent = nullptr);

    // Watches root and every widget inside it, except the playlist view.
    // The excluded widgets (with what lies inside them) refuse every drag,
    // so a drop there does not fall through to the window behind them.
    void watch(QWidget *root, const QList<QWidget *> &excluded);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    PlaylistView *m_playlist;
    QList<QObject *> m_refusing;
};
