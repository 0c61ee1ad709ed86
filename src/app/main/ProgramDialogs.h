#pragma once

class IniFile;
class Prompts;
class QWidget;
struct MainState;

// The main menu's three windows, opened the way the menu opens them.
namespace ProgramDialogs {

// "Nastavení": a new settings dialog over the settings file, modal. Does
// nothing once the settings file has been released at close.
void showSettings(QWidget *owner, IniFile *settingsFile, Prompts &prompts);
// "Nápověda programu": another help window each time, not modal.
void showHelp();
// "O programu": a new About window showing DatabaseCountText, modal.
void showAbout(QWidget *owner, Prompts &prompts, const MainState &state);

} // namespace ProgramDialogs
