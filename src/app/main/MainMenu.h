#pragma once

#include "Mp3MenuState.h"

#include <QList>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The main window's command table. Every item is a QAction whose objectName
// is the item's component name, so flows find and connect them by name.
// Items whose operations live elsewhere are created here and connected by
// their flows.
class MainMenu
{
public:
    // Builds the menus into bar; the actions belong to it.
    explicit MainMenu(QMenuBar *bar);

    // Menus.
    QMenu *MP31 = nullptr;
    QMenu *Playlist1 = nullptr;
    QMenu *Pehrva1 = nullptr;
    QMenu *Program1 = nullptr;
    QMenu *Npovda1 = nullptr;
    QMenu *Hodnocen2Menu = nullptr;

    // "MP3"
    QAction *Pehrt2 = nullptr;            // play the selected result
    QAction *Sthnout2 = nullptr;          // download the selected result
    QAction *Pehrt4 = nullptr;            // play the selected playlist entry
    QAction *Sthnout4 = nullptr;          // download the selected playlist entry
    QAction *Pidatdoplaylistu2 = nullptr; // Ctrl+A, add the selected result
    QAction *Odebratzplaylist1 = nullptr; // Ctrl+D, remove the selected entry
    QAction *Hodnocen2 = nullptr;         // the rating submenu's item
    // "1 hvězdička" .. "5 hvězdiček": Hvezdicky[0] rates 1.
    QList<QAction *> Hvezdicky;

    // "Playlist"
    QAction *Novplaylist1 = nullptr;
    QAction *Otevtplaylist1 = nullptr;
    QAction *Uloitplaylist1 = nullptr;
    QAction *Uloitplaylistjako2 = nullptr;

    // "Přehrávač"
    QAction *Play1 = nullptr;
    QAction *Pause1 = nullptr;
    QAction *Stop1 = nullptr;
    QAction *Pedchoz1 = nullptr;
    QAction *Dal1 = nullptr;

    // "Program"
    QAction *Nastaven1 = nullptr;

    // "Nápověda"
    QAction *Npovdaprogramu1 = nullptr;
    QAction *SonaroWeb1 = nullptr;
    QAction *Oprogramu1 = nullptr;

    void applyMp3States(const Mp3MenuState::States &states);

private:
    static QAction *addItem(QMenu *menu, const char *name, const QString &caption);
};
