#include "MainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QAction *MainMenu::addItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

MainMenu::MainMenu(QMenuBar *bar)
{
    // Captions carry a mnemonic ("&"), unique within each menu; Qt shows and
    // reads out the caption without it.
    const auto topMenu = [bar](const char *name, const QString &caption) {
        QMenu *menu = bar->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    MP31 = topMenu("MP31", QStringLiteral("&MP3"));
    Pehrt2 = addItem(MP31, "Pehrt2", QStringLiteral("&Přehrát"));
    Sthnout2 = addItem(MP31, "Sthnout2", QStringLiteral("&Stáhnout ..."));
    Pehrt4 = addItem(MP31, "Pehrt4", QStringLiteral("&Přehrát"));
    Pehrt4->setVisible(false);
    Sthnout4 = addItem(MP31, "Sthnout4", QStringLiteral("&Stáhnout ..."));
    Sthnout4->setVisible(false);
    MP31->addSeparator()->setObjectName(QStringLiteral("N1"));
    Pidatdoplaylistu2 = addItem(MP31, "Pidatdoplaylistu2", QStringLiteral("Přidat &do playlistu"));
    Odebratzplaylist1 = addItem(MP31, "Odebratzplaylist1", QStringLiteral("&Odebrat z playlistu"));
    Odebratzplaylist1->setVisible(false);
    // These two shortcuts only show in the menu and act while it is open; the
    // window's own shortcuts apply the menu rule first (see TFormMain).
    for (QAction *a : {Pidatdoplaylistu2, Odebratzplaylist1})
        a->setShortcutContext(Qt::WidgetShortcut);
    Pidatdoplaylistu2->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    Odebratzplaylist1->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    Hodnocen2Menu = MP31->addMenu(QStringLiteral("&Hodnocení"));
    Hodnocen2Menu->setObjectName(QStringLiteral("Hodnocen2Menu"));
    Hodnocen2 = Hodnocen2Menu->menuAction();
    Hodnocen2->setObjectName(QStringLiteral("Hodnocen2"));
    const QString stars[] = {QStringLiteral("&1 hvězdička"), QStringLiteral("&2 hvězdičky"),
                             QStringLiteral("&3 hvězdičky"), QStringLiteral("&4 hvězdičky"),
                             QStringLiteral("&5 hvězdiček")};
    for (int i = 0; i < 5; ++i)
        Hvezdicky.append(addItem(Hodnocen2Menu, QByteArray("Hvezdicky" + QByteArray::number(i + 1)).constData(),
                                 stars[i]));

    Playlist1 = topMenu("Playlist1", QStringLiteral("&Playlist"));
    Novplaylist1 = addItem(Playlist1, "Novplaylist1", QStringLiteral("&Nový playlist"));
    Novplaylist1->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    Playlist1->addSeparator()->setObjectName(QStringLiteral("N2"));
    Otevtplaylist1 = addItem(Playlist1, "Otevtplaylist1", QStringLiteral("&Otevřít playlist ..."));
    Otevtplaylist1->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    Playlist1->addSeparator()->setObjectName(QStringLiteral("N3"));
    Uloitplaylist1 = addItem(Playlist1, "Uloitplaylist1", QStringLiteral("&Uložit playlist"));
    Uloitplaylist1->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    Uloitplaylistjako2 = addItem(Playlist1, "Uloitplaylistjako2", QStringLiteral("Uložit playlist &jako ..."));

    Pehrva1 = topMenu("Pehrva1", QStringLiteral("Pře&hrávač"));
    Play1 = addItem(Pehrva1, "Play1", QStringLiteral("&Play"));
    Play1->setShortcut(Qt::Key_F5);
    Pause1 = addItem(Pehrva1, "Pause1", QStringLiteral("P&ause"));
    Pause1->setShortcut(Qt::Key_F6);
    Stop1 = addItem(Pehrva1, "Stop1", QStringLiteral("&Stop"));
    Stop1->setShortcut(Qt::Key_F7);
    Pehrva1->addSeparator()->setObjectName(QStringLiteral("N4"));
    Pedchoz1 = addItem(Pehrva1, "Pedchoz1", QStringLiteral("Př&edchozí"));
    Pedchoz1->setShortcut(Qt::Key_F3);
    Dal1 = addItem(Pehrva1, "Dal1", QStringLiteral("&Další"));
    Dal1->setShortcut(Qt::Key_F4);
    for (QAction *a : {Play1, Pause1, Stop1, Pedchoz1, Dal1})
        a->setEnabled(false);

    Program1 = topMenu("Program1", QStringLiteral("P&rogram"));
    Nastaven1 = addItem(Program1, "Nastaven1", QStringLiteral("&Nastavení"));

    Npovda1 = topMenu("Npovda1", QStringLiteral("&Nápověda"));
    Npovdaprogramu1 = addItem(Npovda1, "Npovdaprogramu1", QStringLiteral("&Nápověda programu"));
    Npovdaprogramu1->setShortcut(Qt::Key_F1);
    SonaroWeb1 = addItem(Npovda1, "SonaroWeb1", QStringLiteral("&Sonaro Web"));
    SonaroWeb1->setShortcut(Qt::Key_F11);
    Npovda1->addSeparator()->setObjectName(QStringLiteral("N8")); // N5-N7 belong to the playlist pop-ups
    Oprogramu1 = addItem(Npovda1, "Oprogramu1", QStringLiteral("&O programu"));
    Oprogramu1->setShortcut(Qt::Key_F12);

    // Every shortcut of the menu bar belongs to the whole window.
    for (QMenu *menu : {Playlist1, Pehrva1, Program1, Npovda1})
        for (QAction *a : menu->actions())
            a->setShortcutContext(Qt::WindowShortcut);
}

void MainMenu::applyMp3States(const Mp3MenuState::States &s)
{
    const auto set = [](QAction *a, const Mp3MenuState::Item &item) {
        a->setVisible(item.visible);
        a->setEnabled(item.enabled);
    };
    set(Pehrt2, s.Pehrt2);
    set(Sthnout2, s.Sthnout2);
    set(Pehrt4, s.Pehrt4);
    set(Sthnout4, s.Sthnout4);
    set(Pidatdoplaylistu2, s.Pidatdoplaylistu2);
    set(Odebratzplaylist1, s.Odebratzplaylist1);
    set(Hodnocen2, s.Hodnocen2);
}
