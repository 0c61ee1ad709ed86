#pragma once

#include <QDialog>

#include <memory>
#include <vector>

class IniFile;
class Prompts;
class QLabel;
class THTTPGet;
class UpdateCheck;
class UserKeyStore;
struct MainState;

// The small borderless start-up window: shows itself while the update request
// runs, then places the main window on the screen and closes. The user can
// only wait: Escape and the window system's close are refused until the
// check has ended; the program's own close (a quit) is not.
class TFormLoader : public QDialog
{
    Q_OBJECT

public:
    struct Inputs
    {
        MainState &state;
        std::vector<THTTPGet *> mainFetchers; // HTTPGetFind, HTTPGetGet, HTTPGetHod
        const UserKeyStore &keyStore;
        Prompts &prompts;
        QWidget *mainWindow;                  // placed when the check ends
        QLabel *mainStatus;                   // lbl_find
        QString settingsPath;                 // the same settings file the main window uses
        QString programFolder;                // where the updater "update" lives
        QByteArray serviceBase = {};          // empty: the installation's service address
    };

    explicit TFormLoader(Inputs inputs, QWidget *parent = nullptr);
    ~TFormLoader() override;

    // Shows the window modally until the check has ended. When the user chose
    // to update, the application is asked to end once control is back in the
    // main loop (the program has not necessarily entered it yet).
    void runModal();

    // The user accepted the new version and the updater started.
    bool quitRequested() const { return m_quitRequested; }

    THTTPGet &fetcher() const { return *HTTPGetUpp; }
    const UpdateCheck &check() const { return *m_check; }

    QLabel *lbl_verze = nullptr;
    QLabel *Info = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void placeMainWindow(int top, int left);

    Inputs m_inputs;
    std::unique_ptr<IniFile> m_settings;
    THTTPGet *HTTPGetUpp = nullptr; // child of this window
    std::unique_ptr<UpdateCheck> m_check;
    bool m_started = false;
    bool m_quitRequested = false;
};
