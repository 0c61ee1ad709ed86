#include "TFormMain.h"

#include "ClientIdStore.h"
#include "DownloadOrder.h"
#include "EngineTrackPlayer.h"
#include "ImageLists.h"
#include "IniFile.h"
#include "IniWriteError.h"
#include "LogoWidget.h"
#include "MainMenu.h"
#include "MainSettings.h"
#include "MprisService.h"
#include "NowPlayingTrack.h"
#include "ProgramDialogs.h"
#include "PanelBar.h"
#include "PanelBarAccessible.h"
#include "PanelWidgets.h"
#include "PlayerPanel.h"
#include "PlaylistController.h"
#include "PlaylistDropRemover.h"
#include "PlaylistView.h"
#include "PlaylistTrackRows.h"
#include "ProgramConstants.h"
#include "QtPrompts.h"
#include "RatingFlow.h"
#include "ResultsModel.h"
#include "ResultsTrackRows.h"
#include "ResultsView.h"
#include "SearchFlow.h"
#include "ShellOpen.h"
#include "TFormLoader.h"
#include "StreamPlayerControl.h"
#include "TFormDown.h"
#include "THTTPGet.h"
#include "TKnob.h"
#include "TLEDLabel.h"
#include "TStreamPlayer.h"
#include "TrackActions.h"
#include "UserKeyStore.h"
#include "WidgetAccessibility.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QKeyEvent>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

const QString PlaylistFilter = QStringLiteral("Sonaro Klient playlist (*.kpl)|*.kpl");

THTTPGet *newFetcher(QObject *owner, const char *name)
{
    auto *fetcher = new THTTPGet(owner);
    fetcher->setObjectName(QString::fromLatin1(name));
    fetcher->Agent = ProgramConstants::FetcherAgent;
    fetcher->AcceptTypes = "*/*";
    fetcher->UseCache = false;
    fetcher->BinaryData = false;
    fetcher->WaitThread = false;
    return fetcher;
}

template <typename W>
W *place(QWidget *client, const char *name, int left, int top, int width, int height)
{
    auto *w = new W(client);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left, top, width, height);
    return w;
}

int selectedRow(const QTreeView *view)
{
    const QItemSelectionModel *selection = view->selectionModel();
    if (!selection)
        return -1;
    const QModelIndexList indexes = selection->selectedIndexes();
    return indexes.isEmpty() ? -1 : indexes.first().row();
}

} // namespace

TFormMain::TFormMain(const MainEnvironment &environment, QWidget *parent)
    : QMainWindow(parent), m_environment(environment)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromLatin1(ProgramConstants::ApplicationTitle));
    // Fixed single border: system menu and minimise box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_prompts = environment.prompts;
    if (!m_prompts) {
        m_ownPrompts = std::make_unique<QtPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);
    buildControls(client);
    m_menu = std::make_unique<MainMenu>(menuBar());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
    buildShortcuts();

    HTTPGetFind = newFetcher(this, "HTTPGetFind");
    HTTPGetGet = newFetcher(this, "HTTPGetGet");
    HTTPGetHod = newFetcher(this, "HTTPGetHod");
    wireSearchAndRating();

    player_timer = new QTimer(this);
    player_timer->setObjectName(QStringLiteral("player_timer"));
    player_timer->setInterval(250);
    led_timer = new QTimer(this);
    led_timer->setObjectName(QStringLiteral("led_timer"));
    led_timer->setInterval(500);

    m_panelWidgets = std::make_unique<PanelWidgets>(PanelWidgets::Controls{
        bt_play, bt_pause, bt_stop, player_volume, led_text, led_cisla, bar_down, bar_play,
        m_menu->Play1, m_menu->Pause1, m_menu->Stop1, m_menu->Pedchoz1, m_menu->Dal1});
    m_panel = std::make_unique<PlayerPanel>(m_state, *m_panelWidgets);
    m_panelWidgets->connectTo(*m_panel);
    connect(player_timer, &QTimer::timeout, this, [this] { m_panel->tick(); });
    connect(led_timer, &QTimer::timeout, this, [this] { m_panel->ledStep(); });

    svd_mp3.title = QStringLiteral("Uložit MP3");
    svd_mp3.filter = QStringLiteral("MP3 (*.mp3)|*.mp3");
    OD_PL.title = QStringLiteral("Otevřít playlist");
    OD_PL.filter = PlaylistFilter;
    OD_PL.defaultExtension = QStringLiteral("kpl");
    SD_PL.title = QStringLiteral("Uložit playlist");
    SD_PL.filter = PlaylistFilter;
    SD_PL.defaultExtension = QStringLiteral("kpl");
    SD_PL.fileName = QStringLiteral("Playlist");

    connect(logo, &LogoWidget::clicked, this, &TFormMain::openWebSite);
    connect(m_menu->SonaroWeb1, &QAction::triggered, this, &TFormMain::openWebSite);
    connect(m_menu->MP31, &QMenu::aboutToShow, this, &TFormMain::updateMp3Menu);
    connect(btn_find, &QPushButton::clicked, this, &TFormMain::startSearchCommand);
    connect(edt_find, &QLineEdit::returnPressed, this, &TFormMain::startSearchCommand);
    connect(m_menu->Nastaven1, &QAction::triggered, this,
            [this] { ProgramDialogs::showSettings(this, m_ini.get(), *m_prompts); });
    connect(m_menu->Npovdaprogramu1, &QAction::triggered, this, [] { ProgramDialogs::showHelp(); });
    connect(m_menu->Oprogramu1, &QAction::triggered, this,
            [this] { ProgramDialogs::showAbout(this, *m_prompts, m_state); });
    wirePlaylist();
    wireTrackActions();

    formCreate();
}

TFormMain::~TFormMain()
{
    // FormDestroy. Aborting returns at once; no reply reaches this window.
    HTTPGetFind->Abort();
    HTTPGetGet->Abort();
    HTTPGetHod->Abort();
}

void TFormMain::buildControls(QWidget *client)
{
    logo_border = place<QFrame>(client, "logo_border", 6, 5, 210, 103);
    logo_border->setFrameShape(QFrame::Box);
    logo = place<LogoWidget>(client, "logo", 7, 6, 208, 101);

    bt_play = place<QToolButton>(client, "bt_play", 224, 8, 28, 28);
    bt_pause = place<QToolButton>(client, "bt_pause", 256, 8, 28, 28);
    bt_stop = place<QToolButton>(client, "bt_stop", 288, 8, 28, 28);
    for (QToolButton *b : {bt_play, bt_pause, bt_stop}) {
        b->setAutoRaise(true);
        b->setIconSize(QSize(28, 28));
        b->setFocusPolicy(Qt::NoFocus);
    }

    player_volume = place<TKnob>(client, "player_volume", 320, 0, 41, 41);
    PanelWidgets::styleVolume(player_volume);
    led_text = place<TLEDLabel>(client, "led_text", 368, 0, 273, 25);
    PanelWidgets::styleTitle(led_text);
    led_cisla = place<TLEDLabel>(client, "led_cisla", 368, 25, 273, 17);
    PanelWidgets::styleNumbers(led_cisla);

    edt_find = place<QLineEdit>(client, "edt_find", 656, 10, 153, 25);
    btn_find = place<QPushButton>(client, "btn_find", 808, 10, 73, 25);
    btn_find->setText(QStringLiteral("Hledat"));
    lbl_find = place<QLabel>(client, "lbl_find", 656, 42, 225, 13);
    lbl_find->setAlignment(Qt::AlignCenter);
    lbl_find->setText(QStringLiteral("Sonaro Klient"));

    // Stacked bottom to top: frame, downloaded part, played part.
    const auto bar = [client](const char *name, QColor fill, QColor outline, QRect r) {
        auto *w = new PanelBar(fill, outline, client);
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(r);
        return w;
    };
    bar_bg = bar("bar_bg", Qt::white, Qt::black, QRect(224, 44, 417, 17));
    bar_down = bar("bar_down", QColor(192, 220, 192), QColor(), QRect(225, 45, 416, 16));
    bar_play = bar("bar_play", QColor(0, 128, 0), QColor(), QRect(225, 45, 416, 16));

    list_mp3 = place<ResultsView>(client, "list_mp3", 224, 64, 665, 497);
    m_resultsModel = new ResultsModel(this);
    list_mp3->setResultsModel(m_resultsModel);
    list_play = place<PlaylistView>(client, "list_play", 5, 114, 212, 447);
    nameForAssistiveTechnology();
}

void TFormMain::nameForAssistiveTechnology()
{
    WidgetAccessibility::install();
    PanelBarAccessible::install();
    const struct
    {
        QWidget *control;
        const char *name;
    } names[] = {
        {logo, "Sonaro Web"},
        {bt_play, "Přehrát"},
        {bt_pause, "Pauza"},
        {bt_stop, "Stop"},
        {player_volume, "Hlasitost"},
        {led_text, "Skladba"},
        {led_cisla, "Čas"},
        {edt_find, "Hledat"},
        {lbl_find, "Stav"},
        {bar_bg, "Průběh"},
        {bar_down, "Staženo"},
        {bar_play, "Přehráno"},
        {list_mp3, "Výsledky hledání"},
        {list_play, "Playlist"},
    };
    for (const auto &n : names)
        n.control->setAccessibleName(QString::fromUtf8(n.name));
    // Each part's share is of the frame's inner width (BarScale).
    bar_down->setFullWidth(bar_bg->width() - 1);
    bar_play->setFullWidth(bar_bg->width() - 1);
}

void TFormMain::buildShortcuts()
{
    // The "MP3" menu's shortcuts first apply the menu rule, then act only
    // through an item the rule left visible and enabled.
    const auto guarded = [this](const char *keys, QAction *MainMenu::*item, const char *name) {
        auto *shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys)), this);
        shortcut->setObjectName(QString::fromLatin1(name));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, item] {
            updateMp3Menu();
            QAction *action = (*m_menu).*item;
            if (action->isVisible() && action->isEnabled())
                action->trigger();
        });
    };
    guarded("Ctrl+A", &MainMenu::Pidatdoplaylistu2, "shortcutPidatdoplaylistu2");
    guarded("Ctrl+D", &MainMenu::Odebratzplaylist1, "shortcutOdebratzplaylist1");
}

void TFormMain::updateMp3Menu()
{
    Mp3MenuState::Inputs in;
    const QWidget *focus = QApplication::focusWidget();
    const int result = selectedRow(list_mp3);
    in.resultsFocused = focus == list_mp3;
    in.resultSelected = result >= 0;
    if (result >= 0 && list_mp3->model())
        in.selectedRatingPermission = list_mp3->model()->index(result, RatingPermissionColumn).data().toString();
    in.playlistFocused = focus == list_play;
    in.playlistEntrySelected = selectedRow(list_play) >= 0;
    m_menu->applyMp3States(Mp3MenuState::compute(in));
}

void TFormMain::formCreate()
{
    // 1
    m_ini = std::make_unique<IniFile>(m_environment.iniPath);
    m_settings = std::make_unique<MainSettings>(*m_ini);
    // 2
    m_settings->ensureUpdateOfferKey();
    // 3
    m_state.ClientId = ClientIdStore::read(UserKeyStore(m_environment.keyStoreRoot));
    // 4
    if (const auto text = m_settings->searchToRepeat()) {
        edt_find->setText(*text);
        if (!edt_find->text().isEmpty())
            startSearchCommand();
    }
    // 5
    if (const auto path = m_settings->playlistToReopen())
        reopenPlaylist(*path);
    // 6
    const MainSettings::DialogFolders folders = m_settings->dialogFolders();
    SD_PL.initialFolder = folders.playlistSave;
    OD_PL.initialFolder = folders.playlistOpen;
    svd_mp3.initialFolder = folders.mp3Save;
    // 7: the title is the window's caption (a display name would be appended
    // to every other caption by the toolkit).
    QApplication::setWindowIcon(ImageLists::appIconSet());
    // 8: the stopped-state pictures.
    bt_play->setIcon(ImageLists::playerButtonIcon(0));
    bt_pause->setIcon(ImageLists::playerButtonIcon(2));
    bt_stop->setIcon(ImageLists::playerButtonIcon(4));

    // A settings folder that takes no writes must not stop the program.
    if (const auto failure = m_settings->takeWriteFailure())
        m_prompts->error(*failure);
}

void TFormMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        formShow();
    }
}

void TFormMain::formShow()
{
    // 1-3 (and 7 below)
    if (!createPlayerEngine())
        return;
    // 4
    player_timer->start();
    led_timer->start();
    // 5
    m_state.BarScale = bar_bg->width() - 1;
    bar_down->resize(0, bar_down->height());
    bar_play->resize(0, bar_play->height());
    // 6: off the screen until the start-up window places it.
    move(-1000, -1000);
    // 8
    showStartupWindow();
}

void TFormMain::openPlaylistFile(const QString &path)
{
    OD_PL.fileName = path;
    m_playlist->file().reopen(path);
}

void TFormMain::terminate()
{
    m_terminating = true;
    TFormDown::endAll();
    close();
}

bool TFormMain::event(QEvent *event)
{
    // A guarded shortcut whose item the menu rule leaves disabled gives its
    // key to the focused control (Ctrl+A selects all in the search box).
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction *item : {m_menu->Pidatdoplaylistu2, m_menu->Odebratzplaylist1}) {
            if (pressed != item->shortcut())
                continue;
            updateMp3Menu();
            if (!item->isVisible() || !item->isEnabled()) {
                event->accept();
                return true;
            }
        }
    }
    return QMainWindow::event(event);
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    formClose();
    event->accept();
}

void TFormMain::formClose()
{
    if (m_closed)
        return;
    m_closed = true;
    // 1
    MainSettings::CloseValues values;
    values.top = y();
    values.left = x();
    values.volume = volumePosition();
    values.playlistPath = playlistPath();
    values.searchText = edt_find->text();
    values.folders = {SD_PL.folder(), OD_PL.folder(), svd_mp3.folder()};
    try {
        m_settings->writeAtClose(values);
    } catch (const IniWriteError &e) {
        // Reported, and the window still closes: an unwritable settings file
        // must not keep the user from quitting, nor a box a logout.
        if (m_terminating)
            qWarning().noquote() << QtPrompts::ErrorCaption + QStringLiteral(": ") + QString::fromStdString(e.what());
        else
            m_prompts->error(QString::fromStdString(e.what()));
    }
    // 2
    m_settings.reset();
    m_ini.reset();
    // 3
    releasePlayerEngine();
    // 4
    QCoreApplication::quit();
}

void TFormMain::openWebSite()
{
    ShellOpen::openUrl(QString::fromLatin1(ProgramConstants::WebSiteUrl));
}

// ---- Hook points of the flows that are wired in by their own code. ----

void TFormMain::wireSearchAndRating()
{
    m_search = std::make_unique<SearchFlow>(*HTTPGetFind, *m_resultsModel, m_state, *m_prompts,
                                            [this](const QString &text) { lbl_find->setText(text); });
    m_rating = std::make_unique<RatingFlow>(*HTTPGetHod, *m_resultsModel, m_state, *m_prompts);
    m_search->setServiceBase(m_environment.serviceBase);
    m_rating->setServiceBase(m_environment.serviceBase);

    connect(list_mp3, &ResultsView::columnClicked, this, [this](int column) { m_search->sortByColumn(column); });
    connect(list_mp3, &ResultsView::starChosen, this,
            [this](int stars) { m_rating->rate(stars, list_mp3->selectedRow()); });
    for (int i = 0; i < m_menu->Hvezdicky.size(); ++i)
        connect(m_menu->Hvezdicky[i], &QAction::triggered, this,
                [this, stars = i + 1] { m_rating->rate(stars, list_mp3->selectedRow()); });
}

void TFormMain::wirePlaylist()
{
    PlaylistController::Hooks hooks;
    // Starting an entry clears the results list's marks and shows the title.
    // Sthnout3, Sthnout4 and a result dropped onto the playlist: the track actions' requests.
    hooks.sequencer.clearResultMarks = [this] {
        for (int row = 0; row < m_resultsModel->count(); ++row)
            m_resultsModel->setNowPlaying(row, false);
    };
    hooks.sequencer.startTrackDisplay = [this](const QString &title) { m_panel->StartTrackDisplay(title); };
    hooks.sendDownload = [this](const QByteArray &id) { m_trackActions->download(id); };
    hooks.sendAdd = [this](const QByteArray &id, std::optional<int> position) { m_trackActions->add(id, position); };
    m_playlist = std::make_unique<PlaylistController>(list_play, m_state, *m_prompts, OD_PL, SD_PL, std::move(hooks));
    PlaylistController *p = m_playlist.get();
    PlaylistFile *file = &p->file();
    const MainMenu &m = *m_menu;
    connect(m.Novplaylist1, &QAction::triggered, p, &PlaylistController::newPlaylist);
    connect(m.Otevtplaylist1, &QAction::triggered, p, [file] { file->open(); });
    connect(m.Uloitplaylist1, &QAction::triggered, p, [file] { file->save(); });
    connect(m.Uloitplaylistjako2, &QAction::triggered, p, [file] { file->saveAs(); });
    connect(m.Pehrt4, &QAction::triggered, p, &PlaylistController::startSelected);
    connect(m.Sthnout4, &QAction::triggered, p, &PlaylistController::downloadSelected);
    connect(m.Odebratzplaylist1, &QAction::triggered, p, &PlaylistController::removeSelected);
    connect(m.Pedchoz1, &QAction::triggered, p, &PlaylistController::previous);
    connect(m.Dal1, &QAction::triggered, p, &PlaylistController::next);
    // A playlist row dropped anywhere but on the knob leaves the playlist.
    p->dropRemover().watch(this, {player_volume});
}

void TFormMain::wireTrackActions()
{
    m_trackResults = std::make_unique<ResultsTrackRows>(*m_resultsModel, [this] { return list_mp3->selectedRow(); });
    m_trackPlaylist = std::make_unique<PlaylistTrackRows>(m_playlist->model());
    m_trackActions = std::make_unique<TrackActions>(TrackActions::Ports{
        *HTTPGetGet, m_state, *m_prompts, svd_mp3, *m_trackResults, *m_trackPlaylist,
        [this](const QString &title) { m_panel->StartTrackDisplay(title); },
        [this](const DownloadOrder &o) { TFormDown::start(*m_prompts, o.url, o.file, o.title, o.fullTitle); }});
    m_trackActions->setServiceBase(m_environment.serviceBase);

    TrackActions *t = m_trackActions.get();
    const auto play = [t] { t->playSelected(); };
    const auto download = [t] { t->downloadSelected(); };
    const auto add = [t] { t->addSelected(); };
    // Double-click and Enter in the results list, its pop-up and the "MP3" menu.
    connect(list_mp3, &ResultsView::playRequested, this, play);
    connect(list_mp3->playAction(), &QAction::triggered, this, play);
    connect(list_mp3->downloadAction(), &QAction::triggered, this, download);
    connect(list_mp3->addToPlaylistAction(), &QAction::triggered, this, add);
    connect(m_menu->Pehrt2, &QAction::triggered, this, play);
    connect(m_menu->Sthnout2, &QAction::triggered, this, download);
    connect(m_menu->Pidatdoplaylistu2, &QAction::triggered, this, add); // also Ctrl+A
}

void TFormMain::startSearchCommand()
{
    m_search->search(edt_find->text());
}

void TFormMain::reopenPlaylist(const QString &path)
{
    m_playlist->file().reopen(path);
}

bool TFormMain::createPlayerEngine()
{
    // 1
    TStreamPlayer::Setup setup;
    setup.ShowError = [this](const QString &text) { m_prompts->error(text); };
    setup.ShowWarning = [this](const QString &caption, const QString &text) { m_prompts->message(text, caption); };
    setup.LibraryFolder = m_environment.audioLibraryFolder;
    setup.OutputDevice = m_environment.audioOutputDevice;
    m_player = std::make_unique<TStreamPlayer>(nullptr, setup);
    // 2
    if (m_player->AudioLibVer().isEmpty()) {
        m_prompts->error(QStringLiteral("Knihovnu libsonaroaudio.so nelze načíst."));
        // An engine that can play nothing is not kept: Player stays null.
        m_player.reset();
        return false;
    }
    m_state.Player = m_player.get();
    m_trackPlayer = std::make_unique<EngineTrackPlayer>(*m_player);
    m_trackActions->setPlayer(m_trackPlayer.get());
    m_playlist->sequencer().setPlayer(m_trackPlayer.get());
    m_panel->attach(std::make_unique<StreamPlayerControl>(*m_player));
    // 3
    connect(m_player.get(), &TStreamPlayer::OnPlayEnd, this, &TFormMain::controlPlayEnd);
    startDesktopPlayer();
    // 7: done with the engine; steps 4-6 do not touch the volume.
    if (m_ini) {
        const int volume = m_ini->readInteger(QStringLiteral("Okno"), QStringLiteral("Volume"), -1);
        if (volume >= 0)
            player_volume->setPosition(volume); // the knob passes it to the engine
    }
    return true;
}

void TFormMain::startDesktopPlayer()
{
    if (!m_environment.desktopPlayer)
        return;
    m_mpris = MprisService::start(MprisService::Ports{
        *m_panel, *m_player, m_menu->Play1, m_menu->Pause1, m_menu->Stop1, m_menu->Dal1, m_menu->Pedchoz1,
        player_volume,
        [this] { return NowPlayingTrack::describe(m_state, *m_resultsModel, m_player ? m_player->StreamName() : QByteArray()); },
        [this] {
            showNormal();
            raise();
            activateWindow();
        },
        [this] { close(); }});
}

void TFormMain::controlPlayEnd()
{
    m_playlist->next();
}

void TFormMain::showStartupWindow()
{
    // Run from the main loop: the first showing happens before the program
    // enters it, and a quit request during the check must find it running.
    QMetaObject::invokeMethod(this, &TFormMain::runStartupWindow, Qt::QueuedConnection);
}

void TFormMain::runStartupWindow()
{
    const UserKeyStore keyStore(m_environment.keyStoreRoot);
    TFormLoader loader(TFormLoader::Inputs{m_state, {HTTPGetFind, HTTPGetGet, HTTPGetHod}, keyStore, *m_prompts, this,
                                           lbl_find, m_environment.iniPath, QCoreApplication::applicationDirPath(),
                                           m_environment.serviceBase},
                       this);
    loader.runModal();
    // As a closed modal window hands the focus back to its owner.
    activateWindow();
}

void TFormMain::releasePlayerEngine()
{
    if (!m_player)
        return;
    m_mpris.reset();
    m_panel->attach(nullptr);
    m_state.Player = nullptr;
    m_trackActions->setPlayer(nullptr);
    m_playlist->sequencer().setPlayer(nullptr);
    m_trackPlayer.reset();
    m_player->FreeAddOns(0);
    m_player.reset();
}

int TFormMain::volumePosition() const
{
    return player_volume->Position();
}

QString TFormMain::playlistPath() const
{
    // PlaylistPath: the caption of list_play's hidden fourth column header.
    const QAbstractItemModel *model = list_play->model();
    if (model && model->columnCount() > 3) {
        const QString caption = model->headerData(3, Qt::Horizontal).toString();
        if (!caption.isEmpty())
            return caption;
    }
    return QStringLiteral("no");
}
