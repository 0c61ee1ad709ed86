#pragma once

#include <QByteArray>
#include <QString>

class Prompts;

// Where the main window keeps its settings and client ID and how it asks the
// user; tests point these at temporary places and a prompt recorder.
struct MainEnvironment
{
    QString iniPath;
    QString keyStoreRoot;
    // Not owned; null means message boxes and dialogs of the toolkit.
    Prompts *prompts = nullptr;
    // The search service's address ("http://host/"); empty: the installation's.
    QByteArray serviceBase = {};
    // Where the engine finds libsonaroaudio.so (empty: the program's folder)
    // and which output device it plays on (1 the system's, 0 silent).
    QString audioLibraryFolder;
    int audioOutputDevice = 1;
    // Whether the player offers itself to the desktop's media controls on
    // the session bus (once the engine exists; silently not without a bus).
    bool desktopPlayer = false;

    // The settings file beside the program (or in the user's config folder)
    // and the per-user key store.
    static MainEnvironment forThisProgram();
};
