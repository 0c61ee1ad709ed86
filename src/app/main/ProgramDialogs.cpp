#include "ProgramDialogs.h"

#include "MainState.h"
#include "TFormAbout.h"
#include "TFormHelp.h"
#include "TFormNast.h"

#include <QLabel>

void ProgramDialogs::showSettings(QWidget *owner, IniFile *settingsFile, Prompts &prompts)
{
    if (!settingsFile)
        return;
    TFormNast dialog(*settingsFile, prompts, owner);
    dialog.exec();
}

void ProgramDialogs::showHelp()
{
    // Deletes itself when closed.
    auto *window = new TFormHelp;
    window->show();
}

void ProgramDialogs::showAbout(QWidget *owner, Prompts &prompts, const MainState &state)
{
    TFormAbout dialog(prompts, state, owner);
    dialog.lbl_pocet->setText(state.DatabaseCountText);
    dialog.exec();
}
