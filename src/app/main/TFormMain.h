#pragma once

#include "FileDialogOptions.h"
#include "MainEnvironment.h"
#include "MainState.h"
#include "ResultsView.h"
#include "PlaylistView.h"

#include <QMainWindow>

#include <memory>

class IniFile;
class LogoWidget;
class MainMenu;
class MainSettings;
class MprisService;
class PanelBar;
class PanelWidgets;
class PlayerPanel;
class PlaylistController;
class Prompts;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;
class RatingFlow;
class ResultsModel;
class SearchFlow;
class THTTPGet;
class EngineTrackPlayer;
class PlaylistTrackRows;
class ResultsTrackRows;
class TrackActions;
class TKnob;
class TLEDLabel;
class TStreamPlayer;

// The main window: owns everything that lives for the whole run (fetchers,
// timers, lists, shared state, settings file) and wires the flows to it. It
// holds no flow logic of its own beyond start-up and close.
class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    // Runs FormCreate.
    explicit TFormMain(const MainEnvironment &environment, QWidget *parent = nullptr);
    // FormDestroy: aborts the three fetchers.
    ~TFormMain() override;

    static constexpr int ClientWidth = 892;
    static constexpr int ClientHeight = 574;

    MainState &state() { return m_state; }
    Prompts &prompts() { return *m_prompts; }
    MainMenu &menu() { return *m_menu; }
    // Play, download and add to playlist: the commands and the track reply.
    TrackActions &trackActions() { return *m_trackActions; }
    ResultsModel &resultsModel() { return *m_resultsModel; }
    // The player panel: StartTrackDisplay after a successful Open, and the
    // engine it steers (null until shown, and when the library is missing).
    PlayerPanel &panel() { return *m_panel; }
    TStreamPlayer *player() { return m_player.get(); }
    PlaylistController &playlist() { return *m_playlist; }
    // Null after close has released it.
    IniFile *settingsFile() { return m_ini.get(); }

    // The form's components, named as on the form.
    QFrame *logo_border = nullptr;
    LogoWidget *logo = nullptr;
    QToolButton *bt_play = nullptr;
    QToolButton *bt_pause = nullptr;
    QToolButton *bt_stop = nullptr;
    TKnob *player_volume = nullptr;
    TLEDLabel *led_text = nullptr;
    TLEDLabel *led_cisla = nullptr;
    QLineEdit *edt_find = nullptr;
    QPushButton *btn_find = nullptr;
    QLabel *lbl_find = nullptr;
    // The progress bar, stacked: frame, downloaded part, played part.
    PanelBar *bar_bg = nullptr;
    PanelBar *bar_down = nullptr;
    PanelBar *bar_play = nullptr;
    // The results list; its rows live in resultsModel().
    ResultsView *list_mp3 = nullptr;
    // The playlist view; its rows and operations are in playlist().
    PlaylistView *list_play = nullptr;

    THTTPGet *HTTPGetFind = nullptr;
    THTTPGet *HTTPGetGet = nullptr;
    THTTPGet *HTTPGetHod = nullptr;

    QTimer *player_timer = nullptr; // 250 ms, started when first shown
    QTimer *led_timer = nullptr;    // 500 ms, started when first shown

    // The window's file dialogs; they keep their last file name for the close.
    FileDialogOptions svd_mp3;
    FileDialogOptions OD_PL;
    FileDialogOptions SD_PL;

    // Opens the service's web site in the browser; the outcome is ignored.
    void openWebSite();

    // The results list's hidden column with the rating permission.
    static constexpr int RatingPermissionColumn = 10;
    // Applies the "MP3" menu rule to the present focus and selections.
    void updateMp3Menu();

    // Opens a playlist file as the Open command does once its dialog has
    // chosen path (a .kpl named on the command line).
    void openPlaylistFile(const QString &path);

    // A termination request (SIGTERM, a logout): ends every download without
    // asking, then closes as the close box does; a settings file that cannot
    // be written is reported on the standard error instead of in a box.
    void terminate();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls(QWidget *client);
    // Names and roles a screen reader gives the controls.
    void nameForAssistiveTechnology();
    void buildShortcuts();
    void formCreate();
    void formShow();
    void formClose();

    // The search and rating flows, connected to the list and the menus.
    void wireSearchAndRating();
    // The track actions, connected to both lists and the menus.
    void wireTrackActions();

    // The playlist's operations, connected to its view, menus and requests.
    void wirePlaylist();

    // Hook points for the flows that are wired in by their own code.
    // FormCreate step 4: the search command with the remembered text in the box.
    void startSearchCommand();
    // FormCreate step 5: LoadPlayList with the remembered path.
    void reopenPlaylist(const QString &path);
    // FormShow steps 1-3 and 7: the player engine; false when the audio
    // library could not be loaded (FormShow then ends there).
    bool createPlayerEngine();
    // FormShow step 8: the start-up window, which places this window.
    void showStartupWindow();
    void runStartupWindow();
    // FormClose step 3: release the engine's add-ons, then the engine.
    void releasePlayerEngine();
    // The desktop's media controls, on the session bus while the engine exists.
    void startDesktopPlayer();
    // The engine's OnPlayEnd: the playlist flow's ControlPlayEnd runs here.
    void controlPlayEnd();
    // The knob's position (0..255) and PlaylistPath ("no" without a file).
    int volumePosition() const;
    QString playlistPath() const;

    MainState m_state;
    MainEnvironment m_environment;
    std::unique_ptr<Prompts> m_ownPrompts;
    Prompts *m_prompts = nullptr;
    std::unique_ptr<IniFile> m_ini;
    std::unique_ptr<MainSettings> m_settings;
    std::unique_ptr<MainMenu> m_menu;
    ResultsModel *m_resultsModel = nullptr; // child of this window
    std::unique_ptr<SearchFlow> m_search;
    std::unique_ptr<RatingFlow> m_rating;
    std::unique_ptr<TStreamPlayer> m_player;
    std::unique_ptr<PanelWidgets> m_panelWidgets;
    std::unique_ptr<PlayerPanel> m_panel;
    std::unique_ptr<PlaylistController> m_playlist;
    // The track actions and what they see of the lists and the engine.
    std::unique_ptr<ResultsTrackRows> m_trackResults;
    std::unique_ptr<PlaylistTrackRows> m_trackPlaylist;
    std::unique_ptr<EngineTrackPlayer> m_trackPlayer; // while the engine exists
    std::unique_ptr<TrackActions> m_trackActions;
    std::unique_ptr<MprisService> m_mpris; // null without a session bus
    bool m_shown = false;
    bool m_closed = false;
    bool m_terminating = false;
};
