#include "TFormLoader.h"

#include "FramePlacer.h"
#include "IniFile.h"
#include "ProgramConstants.h"
#include "ShellOpen.h"
#include "THTTPGet.h"
#include "UpdateCheck.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScreen>

namespace {

QPixmap drawLogo(QSize size)
{
    QPixmap pm(size);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, size.height());
    band.setColorAt(0, QColor(32, 84, 160));
    band.setColorAt(1, QColor(12, 40, 96));
    p.setBrush(band);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 8, 8);
    // A few equaliser bars, then the name.
    p.setBrush(QColor(250, 200, 40));
    for (int i = 0; i < 6; ++i) {
        const int h = 14 + (i * 37 % 5) * 8;
        p.drawRect(QRectF(16 + i * 9, size.height() - 18 - h, 6, h));
    }
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(78, 0, size.width() - 84, size.height()), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Sonaro\nKlient"));
    return pm;
}

} // namespace

TFormLoader::TFormLoader(Inputs inputs, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_inputs(std::move(inputs))
    , m_settings(std::make_unique<IniFile>(m_inputs.settingsPath))
{
    setObjectName(QStringLiteral("FormLoader"));
    setModal(true);
    setFixedSize(273, 153);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Okraj"));
    frame->setFrameShape(QFrame::Box);
    frame->setGeometry(0, 0, 273, 153);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Logo"));
    logo->setGeometry(8, 8, 250, 116);
    logo->setPixmap(drawLogo(QSize(250, 116)));

    lbl_verze = new QLabel(this);
    lbl_verze->setObjectName(QStringLiteral("lbl_verze"));
    lbl_verze->setGeometry(176, 102, 82, 13);
    lbl_verze->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont small(QStringLiteral("Trebuchet MS"));
    small.setPixelSize(11);
    lbl_verze->setFont(small);
    QPalette grey = lbl_verze->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    lbl_verze->setPalette(grey);
    lbl_verze->setText(QStringLiteral("Verze: ") + QString::fromLatin1(ProgramConstants::ClientVersion));

    Info = new QLabel(QStringLiteral("Aktualizuji informace ..."), this);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setGeometry(8, 136, 257, 13);
    Info->setAlignment(Qt::AlignCenter);

    HTTPGetUpp = new THTTPGet(this);
    HTTPGetUpp->setObjectName(QStringLiteral("HTTPGetUpp"));
    HTTPGetUpp->Agent = ProgramConstants::FetcherAgent;
    HTTPGetUpp->AcceptTypes = "*/*";
    HTTPGetUpp->UseCache = false;

    const QString updater = QDir(m_inputs.programFolder).filePath(QString::fromLatin1(ProgramConstants::UpdaterProgram));
    const QString folder = m_inputs.programFolder;
    m_check = std::make_unique<UpdateCheck>(UpdateCheck::Context{
        *HTTPGetUpp,
        m_inputs.state,
        m_inputs.mainFetchers,
        m_inputs.keyStore,
        *m_settings,
        m_inputs.prompts,
        [label = m_inputs.mainStatus](const QString &text) {
            if (label)
                label->setText(text);
        },
        [this](int top, int left) { placeMainWindow(top, left); },
        // Closing from inside a fetcher event is fine: done() only ends the modal loop.
        [this] { done(QDialog::Accepted); },
        [updater, folder] { return ShellOpen::startDetached(updater, folder); },
        [this] { m_quitRequested = true; },
        QLocale().decimalPoint().isEmpty() ? QLatin1Char(',') : QLocale().decimalPoint().front(),
        m_inputs.serviceBase,
    });

    // Centred on the screen it opens on.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + WindowPlacement::coordinate(-1, area.width(), width()),
             area.y() + WindowPlacement::coordinate(-1, area.height(), height()));
    }
}

TFormLoader::~TFormLoader()
{
    // The check refers to the fetcher; drop it first so no late event finds it half gone.
    m_check.reset();
}

void TFormLoader::runModal()
{
    exec();
    if (m_quitRequested) {
        // Queued, so that it is the main loop that ends, not this window's own.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                                  Qt::QueuedConnection);
    }
}

void TFormLoader::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_check->start();
    }
}

void TFormLoader::reject()
{
    if (m_check->finished())
        QDialog::reject();
}

void TFormLoader::closeEvent(QCloseEvent *event)
{
    // The user waits; the program itself (quitting, for one) may close it.
    if (event->spontaneous() && !m_check->finished())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TFormLoader::placeMainWindow(int top, int left)
{
    QWidget *main = m_inputs.mainWindow;
    if (!main)
        return;
    QScreen *screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    FramePlacer::place(main, top, left, screen ? screen->geometry().size() : QSize());
}
