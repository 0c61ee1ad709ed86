#include "TFormNast.h"

#include "ScreenCentre.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

namespace {

const QString HlavniDescription = QStringLiteral(
    "Zde můžete nastavit:\r\n"
    "  -  Automatické aktualizace - systém automatického \r\n"
    "     stažení nové verze programu.\r\n"
    "  - Pomatovat hledání - nastavení, které zajistí, že při\r\n"
    "     spuštění program vyhledá posledně hledanou frázi.");
const QString PlaylistyDescription = QStringLiteral(
    "Zde můžete nastavit některé vlastnosti playlist.\r\n"
    "  - Pomatovat playlist - nastavení, které zejistí že po\r\n"
    "     spuštění se nahraje poslední playlist.");

// Fixed positions inside a page, as on the form.
constexpr int Margin = 8;
constexpr int DescriptionTop = 44;
constexpr int FirstBoxTop = 150;
constexpr int BoxSpacing = 24;

// The descriptions keep their own line breaks, so the font has to fit the
// longest line into the page: a condensed face where there is one, and a
// smaller size while the text is still too wide.
void fitDescription(QLabel *label)
{
    QFont font = label->font();
    font.setStretch(QFont::Condensed);
    const QStringList lines = label->text().split(QLatin1Char('\n'));
    for (; font.pointSizeF() > 6; font.setPointSizeF(font.pointSizeF() - 0.5)) {
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        if (widest <= label->width())
            break;
    }
    label->setFont(font);
}

} // namespace

TFormNast::TFormNast(IniFile &settingsFile, Prompts &prompts, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_settings(settingsFile), m_editor(m_settings, prompts)
{
    setWindowTitle(QStringLiteral("Nastavení"));
    setFixedSize(ClientWidth, ClientHeight);

    PageControl = new QTabWidget(this);
    PageControl->setGeometry(Margin, Margin, ClientWidth - 2 * Margin, ClientHeight - 2 * Margin - 33);

    // The descriptions keep their CR LF pairs as written; a label breaks on
    // the LF and the CR shows nothing.
    lbl_hl_popis = new QLabel(QString(HlavniDescription).remove(QLatin1Char('\r')));
    lbl_pl_popist = new QLabel(QString(PlaylistyDescription).remove(QLatin1Char('\r')));
    pc_hlavni = buildPage(QStringLiteral("Hlavní"), lbl_hl_popis);
    pc_fastkey = buildPage(QStringLiteral("Playlisty"), lbl_pl_popist);
    PageControl->addTab(pc_hlavni, QStringLiteral("Hlavní"));
    PageControl->addTab(pc_fastkey, QStringLiteral("Playlisty"));

    cb_aa = new QCheckBox(QStringLiteral("Používat automatické aktualizace"), pc_hlavni);
    ph_fin = new QCheckBox(QStringLiteral("Pomatovat hledání"), pc_hlavni);
    cb_ppl = new QCheckBox(QStringLiteral("Pomatovat playlist"), pc_fastkey);
    const int boxWidth = PageControl->width() - 2 * Margin - 4;
    cb_aa->setGeometry(Margin, FirstBoxTop, boxWidth, 20);
    ph_fin->setGeometry(Margin, FirstBoxTop + BoxSpacing, boxWidth, 20);
    cb_ppl->setGeometry(Margin, FirstBoxTop, boxWidth, 20);

    btn_ok = new QPushButton(QStringLiteral("OK"), this);
    btn_cancel = new QPushButton(QStringLiteral("Zrušit"), this);
    const int buttonTop = ClientHeight - Margin - 25;
    btn_ok->setGeometry(ClientWidth - 2 * (75 + Margin), buttonTop, 75, 25);
    btn_cancel->setGeometry(ClientWidth - 75 - Margin, buttonTop, 75, 25);
    btn_ok->setDefault(true);

    // FormCreate: the boxes from the file; their handlers find no difference.
    const SettingsEditor::Values stored = m_editor.stored();
    const struct
    {
        QCheckBox *box;
        SettingsEditor::Box which;
    } boxes[] = {
        {cb_aa, SettingsEditor::AutoUpdate},
        {ph_fin, SettingsEditor::RememberSearch},
        {cb_ppl, SettingsEditor::RememberPlaylist},
    };
    for (const auto &entry : boxes) {
        entry.box->setChecked(stored.checked[entry.which]);
        const SettingsEditor::Box which = entry.which;
        connect(entry.box, &QCheckBox::toggled, this, [this, which](bool checked) { m_editor.boxChanged(which, checked); });
    }

    connect(btn_ok, &QPushButton::clicked, this, &TFormNast::btn_okClick);
    connect(btn_cancel, &QPushButton::clicked, this, &TFormNast::btn_cancelClick);

    PageControl->setCurrentIndex(1);
    ScreenCentre::place(this);
}

QWidget *TFormNast::buildPage(const QString &heading, QLabel *description)
{
    auto *page = new QWidget;
    auto *title = new QLabel(heading, page);
    QFont font = title->font();
    font.setPixelSize(20);
    title->setFont(font);
    const int width = PageControl->width() - 2 * Margin - 4;
    title->setGeometry(Margin, 6, width, 28);
    auto *line = new QFrame(page);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(Margin, 36, width, 4);
    description->setParent(page);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setGeometry(Margin, DescriptionTop, width, FirstBoxTop - DescriptionTop - 6);
    fitDescription(description);
    return page;
}

SettingsEditor::Values TFormNast::values() const
{
    SettingsEditor::Values v;
    v.checked[SettingsEditor::AutoUpdate] = cb_aa->isChecked();
    v.checked[SettingsEditor::RememberSearch] = ph_fin->isChecked();
    v.checked[SettingsEditor::RememberPlaylist] = cb_ppl->isChecked();
    return v;
}

void TFormNast::btn_okClick()
{
    if (m_editor.accept(values()))
        accept();
}

void TFormNast::btn_cancelClick()
{
    m_editor.cancel();
    QDialog::reject();
}

void TFormNast::reject()
{
    if (m_editor.closeQuery(values()))
        QDialog::reject();
}
