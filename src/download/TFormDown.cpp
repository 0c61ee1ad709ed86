#include "TFormDown.h"

#include "DownloadIcons.h"
#include "Prompts.h"
#include "Windows1250.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace {

constexpr int ClientWidth = 442;
constexpr int ClientHeight = 185;
constexpr int LabelWidth = 425;

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TFormDown::TFormDown(Prompts &prompts, const DownloadTimings &timings)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , FPrompts(prompts)
    , FTimings(timings)
{
    setObjectName(QStringLiteral("FormDown"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Owned by the application: one still open when the program ends goes with it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QObject::deleteLater);

    setFixedSize(ClientWidth, ClientHeight);
    setWindowTitle(FProgress.Caption());
    setWindowIcon(DownloadIcons::icon(FShownIcon));

    lbl_stahuji = MakeLabel(this, "lbl_stahuji", FProgress.Stahuji(), QRect(8, 10, LabelWidth, 18));
    lbl_z = MakeLabel(this, "lbl_z", FProgress.Z(), QRect(8, 32, LabelWidth, 18));
    lbl_do = MakeLabel(this, "lbl_do", FProgress.Do(), QRect(8, 54, LabelWidth, 18));
    lbl_velikost = MakeLabel(this, "lbl_velikost", FProgress.Velikost(), QRect(8, 76, LabelWidth, 18));
    lbl_stazeno = MakeLabel(this, "lbl_stazeno", QStringLiteral("Staženo:"), QRect(8, 104, 120, 18));
    lbl_procent = MakeLabel(this, "lbl_procent", FProgress.Procent(), QRect(313, 104, 120, 18));
    lbl_procent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    pb_stazeno = new QProgressBar(this);
    pb_stazeno->setObjectName(QStringLiteral("pb_stazeno"));
    pb_stazeno->setGeometry(8, 124, LabelWidth, 18);
    pb_stazeno->setRange(0, 100);
    pb_stazeno->setValue(0);
    pb_stazeno->setTextVisible(false);

    btn_storno = new QPushButton(QStringLiteral("Zavřít"), this);
    btn_storno->setObjectName(QStringLiteral("btn_storno"));
    btn_storno->setGeometry(ClientWidth - 8 - 90, ClientHeight - 8 - 28, 90, 28);
    connect(btn_storno, &QPushButton::clicked, this, &QWidget::close);

    btn_znovu = new QPushButton(QStringLiteral("Znovu"), this);
    btn_znovu->setObjectName(QStringLiteral("btn_znovu"));
    btn_znovu->setGeometry(ClientWidth - 8 - 90 - 8 - 90, ClientHeight - 8 - 28, 90, 28);
    btn_znovu->hide();
    connect(btn_znovu, &QPushButton::clicked, this, [this] { btn_znovuClick(); });

    lbl_stav = MakeLabel(this, "lbl_stav", QString(), QRect(8, 146, ClientWidth - 16 - 196, 34));
    lbl_stav->setWordWrap(true);
}

// The transfer's destructor aborts a request still running and keeps its
// events from reaching this window.
TFormDown::~TFormDown() = default;

TFormDown *TFormDown::start(Prompts &prompts, const QByteArray &url, const QString &file,
                            const QString &title, const QString &fullTitle,
                            const DownloadTimings &timings)
{
    auto *window = new TFormDown(prompts, timings); // frees itself on close
    window->DownloadUrl = url;
    window->DownloadFile = file;
    window->DownloadTitle = title;
    window->DownloadFullTitle = fullTitle;
    window->show();
    return window;
}

void TFormDown::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (FStarted || event->spontaneous())
        return;
    FStarted = true;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

void TFormDown::FormShow()
{
    FProgress.Start(DownloadTitle, DownloadFullTitle, Windows1250::decode(DownloadUrl), DownloadFile);
    ApplyProgress();
    FTransfer = std::make_unique<DownloadTransfer>(DownloadUrl, DownloadFile, FTimings);
    connect(FTransfer.get(), &DownloadTransfer::OnProgress, this, &TFormDown::HTTPGetProgress);
    connect(FTransfer.get(), &DownloadTransfer::OnDone, this, &TFormDown::HTTPGetDoneFile);
    connect(FTransfer.get(), &DownloadTransfer::OnFailed, this, &TFormDown::HTTPGetError);
    connect(FTransfer.get(), &DownloadTransfer::OnRetrying, this, &TFormDown::HTTPGetRetrying);
    FTransfer->Start();
}

void TFormDown::HTTPGetProgress(int totalSize, int readed)
{
    FProgress.Progress(totalSize, readed);
    ApplyProgress();
}

void TFormDown::HTTPGetDoneFile(int fileSize)
{
    FProgress.DoneFile(fileSize);
    ApplyProgress();
}

void TFormDown::HTTPGetError(const QString &message)
{
    FProgress.Failed(message);
    ApplyProgress();
}

void TFormDown::HTTPGetRetrying(const QString &status)
{
    FProgress.Retrying(status);
    ApplyProgress();
}

void TFormDown::btn_znovuClick()
{
    if (!FTransfer || !FProgress.CanRetry())
        return;
    FProgress.Resume();
    ApplyProgress();
    FTransfer->Retry();
}

void TFormDown::Terminate()
{
    FTerminating = true;
    close();
}

void TFormDown::ApplyProgress()
{
    setWindowTitle(FProgress.Caption());
    // Painting an icon costs more than a progress step; only a change does it.
    if (FProgress.Icon() != FShownIcon) {
        FShownIcon = FProgress.Icon();
        setWindowIcon(DownloadIcons::icon(FShownIcon));
    }
    lbl_stahuji->setText(FProgress.Stahuji());
    lbl_z->setText(FProgress.Z());
    lbl_do->setText(FProgress.Do());
    lbl_velikost->setText(FProgress.Velikost());
    lbl_procent->setText(FProgress.Procent());
    lbl_stav->setText(FProgress.Status());
    btn_znovu->setVisible(FProgress.CanRetry());
    // A range of 0..0 is the bar's busy indicator.
    if (FProgress.BarBusy()) {
        pb_stazeno->setRange(0, 0);
    } else {
        pb_stazeno->setRange(0, 100);
        pb_stazeno->setValue(FProgress.BarValue());
    }
}

bool TFormDown::FormCloseQuery()
{
    if (!FTerminating && FProgress.NeedsCloseQuestion()
        && !FPrompts.confirm(QStringLiteral("Chcete zrušit stahování?")))
        return false;
    if (FTransfer) {
        FTransfer->Stop(); // the partial file stays for a later resume
        FTransfer.reset();
    }
    return true;
}

void TFormDown::endAll()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *down = qobject_cast<TFormDown *>(window))
            down->Terminate();
    }
}

void TFormDown::closeEvent(QCloseEvent *event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}
