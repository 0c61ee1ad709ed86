#pragma once

#include "FileDialogOptions.h"
#include "MainEnvironment.h"
#include "MainState.h"
#include "PlaylistView.h"

#include <QMainWindow>

#include <memory>

class IniFile;
class LogoWidget;
class MainMenu;
class MainSettings;
class PlaylistController;
class Prompts;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QTreeView;
class THTTPGet;

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
    PlaylistController &playlist() { return *m_playlist; }
    // Null after close has released it.
    IniFile *settingsFile() { return m_ini.get(); }

    // The form's components, named as on the form.
    QFrame *logo_border = nullptr;
    LogoWidget *logo = nullptr;
    QToolButton *bt_play = nullptr;
    QToolButton *bt_pause = nullptr;
    QToolButton *bt_stop = nullptr;
    // Placeholder until the rotary knob (TKnob) is placed here.
    QWidget *player_volume = nullptr;
    // Placeholders until the LED-segment labels (TLEDLabel) are placed here.
    QLabel *led_text = nullptr;
    QLabel *led_cisla = nullptr;
    QLineEdit *edt_find = nullptr;
    QPushButton *btn_find = nullptr;
    QLabel *lbl_find = nullptr;
    // Plain rectangles; the player panel draws and sizes them.
    QFrame *bar_bg = nullptr;
    QWidget *bar_down = nullptr;
    QWidget *bar_play = nullptr;
    // Placeholders until the results list and the playlist view get their
    // models and behaviour from the search and playlist flows.
    QTreeView *list_mp3 = nullptr;
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

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls(QWidget *client);
    void buildShortcuts();
    void formCreate();
    void formShow();
    void formClose();

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
    // FormClose step 3: release the engine's add-ons, then the engine.
    void releasePlayerEngine();
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
    std::unique_ptr<PlaylistController> m_playlist;
    bool m_shown = false;
    bool m_closed = false;
};
