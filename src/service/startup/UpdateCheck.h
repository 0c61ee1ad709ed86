#pragma once

#include "FetcherListener.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <functional>
#include <vector>

class IniFile;
class Prompts;
class THTTPGet;
class UserKeyStore;
struct MainState;
struct TUpdateReply;

// The start-up window's conversation: the update request, and what its reply
// or failure changes in the main window. Whatever happens, the main window is
// placed and the start-up window closed exactly once.
class UpdateCheck
{
public:
    struct Context
    {
        THTTPGet &fetcher;                  // HTTPGetUpp, owned by the start-up window
        MainState &state;
        std::vector<THTTPGet *> mainFetchers; // HTTPGetFind, HTTPGetGet, HTTPGetHod
        const UserKeyStore &keyStore;
        const IniFile &settings;            // the start-up window's own settings object
        Prompts &prompts;
        std::function<void(const QString &)> setMainStatus; // lbl_find
        // Moves the main window to the stored (top, left), negative meaning centred.
        std::function<void(int top, int left)> placeMainWindow;
        std::function<void()> closeWindow;
        // Starts the updater detached in the program's folder; false when it could not start.
        std::function<bool()> startUpdater;
        std::function<void()> quitApplication;
        QChar decimalPoint = QLatin1Char(',');
        // Requests go to this service address instead of the installation's one.
        QByteArray serviceBase;
    };

    explicit UpdateCheck(Context context);

    UpdateCheck(const UpdateCheck &) = delete;
    UpdateCheck &operator=(const UpdateCheck &) = delete;

    // Sends the update request (always a GET).
    void start();

    void onDoneString(const QByteArray &body);
    void onError();
    // A readable update reply.
    void handleReply(const TUpdateReply &reply);

    bool finished() const { return m_finished; }

    // Shown when the user accepted the new version but the updater cannot be started.
    static QString updaterMissingText();

private:
    void placeAndClose();

    Context m_ctx;
    bool m_finished = false;
    // Last, so that it is cut before what its calls use goes.
    FetcherListener m_listener;
};
