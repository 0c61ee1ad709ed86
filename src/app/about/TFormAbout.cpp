#include "TFormAbout.h"

#include "JpegImage.h"
#include "MainState.h"
#include "ProgramConstants.h"
#include "Prompts.h"
#include "ScreenCentre.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

// The pictures live in this static library; without a reference the linker
// would drop them from the program.
static void initAboutResources()
{
    Q_INIT_RESOURCE(about);
}

namespace {

const QString Notice = QStringLiteral(
    "Autoři: skupina Tichá laboratoř\n"
    "\n"
    "UPOZORNĚNÍ\n"
    "Sonaro je pouze vyhledávací služba. Nenese žádnou odpovědnost za obsah "
    "nalezených souborů a na svém serveru neuchovává žádné MP3.\n"
    "\n"
    "Program je freeware. Smíte jej dále šířit, ale pouze bezplatně.\n"
    "\n"
    "Tichá laboratoř 2026");

QLabel *picture(const QString &resource, const QRect &place, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    // A picture that does not decode leaves an empty place, nothing more.
    const QImage image = JpegImage::load(resource);
    if (!image.isNull())
        label->setPixmap(QPixmap::fromImage(image));
    return label;
}

QLabel *centredLabel(const QString &text, const QRect &place, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

} // namespace

const std::array<QByteArray, 4> TFormAbout::Words = {
    QByteArrayLiteral("KOCOUR"),          // the nickname: toggles HiddenPhoto
    QByteArrayLiteral("TICHA LABORATOR"), // the authors' group: their message
    QByteArrayLiteral("TECHNIKA"),        // toggles Technika and Pozadi
    QByteArrayLiteral("GETKID"),          // the client ID
};

const QString TFormAbout::AuthorsMessage = QStringLiteral(
    "Sonaro Klient pro vás připravila skupina Tichá laboratoř.\n"
    "Děkujeme všem, kdo hledají, poslouchají a posílají nám své nápady.");

TFormAbout::TFormAbout(Prompts &prompts, const MainState &state, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_prompts(prompts), m_state(state),
      m_sequences{AboutKeySequence(Words[0]), AboutKeySequence(Words[1]), AboutKeySequence(Words[2]),
                  AboutKeySequence(Words[3])}
{
    static const bool initialised = (initAboutResources(), true);
    Q_UNUSED(initialised);

    setWindowTitle(QString::fromLatin1(ProgramConstants::ApplicationTitle));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    const QRect noticeArea(8, 170, 251, 189);

    Label1 = centredLabel(Notice, QRect(20, 172, 225, 185), this);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);

    Pozadi = new QWidget(this);
    Pozadi->setGeometry(noticeArea);
    QPalette dark = Pozadi->palette();
    dark.setColor(QPalette::Window, QColor(24, 24, 24));
    Pozadi->setPalette(dark);
    Pozadi->setAutoFillBackground(true);
    Pozadi->hide();

    Logo = picture(QStringLiteral(":/about/logo.jpg"), QRect(8, 8, 250, 116), this);

    lbl_verze = centredLabel(QString(), QRect(8, 148, 250, 16), this);

    HiddenPhoto = picture(QStringLiteral(":/about/photo.jpg"), QRect(8, 170, 250, 188), this);
    HiddenPhoto->hide();
    Technika = picture(QStringLiteral(":/about/technika.jpg"), QRect(62, 170, 141, 188), this);
    Technika->hide();

    Label2 = centredLabel(QStringLiteral("Sonaro Klient"), QRect(8, 127, 250, 20), this);
    QFont bold = Label2->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    Label2->setFont(bold);

    lbl_pocet = centredLabel(QString(), QRect(0, ClientHeight - 22, ClientWidth, 16), this);

    // Paint order, back to front.
    for (QWidget *w : {static_cast<QWidget *>(Label1), Pozadi, static_cast<QWidget *>(Logo),
                       static_cast<QWidget *>(lbl_verze), static_cast<QWidget *>(HiddenPhoto),
                       static_cast<QWidget *>(Technika), static_cast<QWidget *>(Label2)})
        w->raise();

    // FormCreate
    lbl_verze->setText(QStringLiteral("Verze: ") + QString::fromLatin1(ProgramConstants::ClientVersion));
    ScreenCentre::place(this);
}

void TFormAbout::keyPressEvent(QKeyEvent *event)
{
    // Every key counts, modifiers and repeats included; each word on its own.
    for (std::size_t i = 0; i < m_sequences.size(); ++i) {
        if (m_sequences[i].feed(event->key()))
            perform(static_cast<Word>(i));
    }
    event->accept();
}

void TFormAbout::perform(Word word)
{
    switch (word) {
    case PhotoWord:
        Technika->hide();
        HiddenPhoto->setVisible(HiddenPhoto->isHidden());
        break;
    case AuthorsWord:
        m_prompts.message(AuthorsMessage);
        break;
    case TechnikaWord:
        HiddenPhoto->hide();
        Technika->setVisible(Technika->isHidden());
        Pozadi->setVisible(Pozadi->isHidden());
        break;
    case ClientIdWord:
        m_prompts.message(QStringLiteral("ID Klienta je : ") + QString::number(m_state.ClientId));
        break;
    }
}

void TFormAbout::closeEvent(QCloseEvent *event)
{
    // The title bar closes the window; reject() is kept from Escape only.
    event->accept();
    done(QDialog::Rejected);
}
