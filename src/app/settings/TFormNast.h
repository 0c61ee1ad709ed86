#pragma once

#include "IniBoolSettings.h"
#include "SettingsEditor.h"

#include <QDialog>

class IniFile;
class Prompts;
class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

// The settings dialog "Nastavení": three check boxes over three keys of the
// settings file. Draws and forwards; the rules are SettingsEditor's.
class TFormNast : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 304;
    static constexpr int ClientHeight = 344;

    // Runs FormCreate: the boxes show the stored values, nothing changed.
    TFormNast(IniFile &settingsFile, Prompts &prompts, QWidget *parent = nullptr);

    const SettingsEditor &editor() const { return m_editor; }

    // The form's components, named as on the form.
    QTabWidget *PageControl = nullptr;
    QWidget *pc_hlavni = nullptr;
    QWidget *pc_fastkey = nullptr;
    QLabel *lbl_hl_popis = nullptr;
    QLabel *lbl_pl_popist = nullptr;
    QCheckBox *cb_aa = nullptr;
    QCheckBox *ph_fin = nullptr;
    QCheckBox *cb_ppl = nullptr;
    QPushButton *btn_ok = nullptr;
    QPushButton *btn_cancel = nullptr;

public slots:
    // The title bar, the system menu and Escape all come here: FormCloseQuery.
    void reject() override;

private:
    void btn_okClick();
    void btn_cancelClick();
    SettingsEditor::Values values() const;
    QWidget *buildPage(const QString &heading, QLabel *description);

    IniBoolSettings m_settings;
    SettingsEditor m_editor;
};
