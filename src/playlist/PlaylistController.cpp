#include "PlaylistController.h"

#include "PlaylistDropRemover.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"

#include <QAction>

PlaylistController::PlaylistController(PlaylistView *view, MainState &state, Prompts &prompts,
                                       FileDialogOptions &openDialog, FileDialogOptions &saveDialog, Hooks hooks,
                                       QObject *parent)
    : QObject(parent),
      m_view(view),
      m_model(new PlaylistModel(view)),
      m_hooks(std::move(hooks)),
      m_file(*m_model, prompts, openDialog, saveDialog),
      m_sequencer(*m_model, state, m_hooks.sequencer),
      m_remover(new PlaylistDropRemover(view, this))
{
    m_view->setPlaylistModel(m_model);

    connect(m_view, &PlaylistView::startRequested, this, &PlaylistController::startSelected);
    connect(m_view, &PlaylistView::removeRequested, this, &PlaylistController::removeSelected);
    connect(m_view, &PlaylistView::resultDropped, this, &PlaylistController::onResultDropped);

    connect(m_view->Pehrt3, &QAction::triggered, this, &PlaylistController::startSelected);
    connect(m_view->Sthnout3, &QAction::triggered, this, &PlaylistController::downloadSelected);
    connect(m_view->Odebratzplaylistu2, &QAction::triggered, this, &PlaylistController::removeSelected);
    connect(m_view->Novplaylist2, &QAction::triggered, this, &PlaylistController::newPlaylist);
    connect(m_view->Otevtplaylist2, &QAction::triggered, this, [this] { m_file.open(); });
    connect(m_view->Uloitplaylist2, &QAction::triggered, this, [this] { m_file.save(); });
    connect(m_view->Uloitplaylistjako1, &QAction::triggered, this, [this] { m_file.saveAs(); });
}

PlaylistController::~PlaylistController() = default;

void PlaylistController::startSelected()
{
    const int row = m_view->selectedRow();
    if (row >= 0)
        m_sequencer.startRow(row);
}

void PlaylistController::removeSelected()
{
    const int row = m_view->selectedRow();
    if (row >= 0)
        m_model->removeEntry(row);
}

void PlaylistController::downloadSelected()
{
    const int row = m_view->selectedRow();
    if (row >= 0 && m_hooks.sendDownload)
        m_hooks.sendDownload(m_model->entry(row).trackId);
}

void PlaylistController::newPlaylist()
{
    m_model->clear();
    m_model->setCaption(PlaylistModel::DefaultCaption);
    m_model->setPlaylistPath(PlaylistModel::NoPlaylistPath);
}

QByteArray PlaylistController::addedTitle(const QByteArray &artist, const QByteArray &name, const QByteArray &album)
{
    QByteArray title;
    if (!artist.isEmpty())
        title = artist + " - ";
    title += name;
    if (!album.isEmpty())
        title += " " + album;
    return title;
}

void PlaylistController::addFromReply(const QByteArray &artist, const QByteArray &name, const QByteArray &album,
                                      const QByteArray &length, const QByteArray &url, const QByteArray &trackId,
                                      std::optional<int> position)
{
    PlaylistEntry entry{addedTitle(artist, name, album), length, url, trackId, false};
    m_model->insertEntry(position.value_or(-1), std::move(entry));
}

void PlaylistController::onResultDropped(int targetRow, const QByteArray &trackId)
{
    // Nothing is sent without a result to add.
    if (trackId.isEmpty() || !m_hooks.sendAdd)
        return;
    m_hooks.sendAdd(trackId, targetRow >= 0 ? std::optional<int>(targetRow) : std::nullopt);
}
