#pragma once

#include "DownloadProgress.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>

class Prompts;
class QLabel;
class QProgressBar;
class QPushButton;
class THTTPGet;

// The small modeless window that downloads one file to disk and shows its
// progress. Top-level with a task-bar entry of its own; frees itself when
// closed (or when the application quits). Several can run side by side.
//
//   TFormDown::start(prompts, url, "/home/me/song.mp3", title, fullTitle);
class TFormDown : public QWidget
{
    Q_OBJECT

public:
    // prompts asks the close question; it must outlive the window.
    explicit TFormDown(Prompts &prompts);
    ~TFormDown() override;

    // Creates a window with the four inputs and shows it, which starts the
    // download. The window owns itself; the pointer stays valid until it is
    // closed.
    static TFormDown *start(Prompts &prompts, const QByteArray &url, const QString &file,
                            const QString &title, const QString &fullTitle);

    // Inputs, read when the window is first shown. The URL is the service's
    // Windows-1250 text as received; the titles are already decoded.
    QByteArray DownloadUrl;
    QString DownloadFile;
    QString DownloadTitle;
    QString DownloadFullTitle;

    // A termination request: every open download window stops its transfer
    // without asking, keeps what it wrote so far (as a failed download does)
    // and closes.
    static void endAll();

    const DownloadProgress &Progress() const { return FProgress; }
    // Whether the fetcher still exists (it is gone once a close was accepted).
    bool HasFetcher() const { return FHTTPGet != nullptr; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormShow();
    void HTTPGetProgress(int totalSize, int readed);
    void HTTPGetDoneFile(const QString &fileName, int fileSize);
    void HTTPGetError();
    bool FormCloseQuery();
    void ApplyProgress();

    Prompts &FPrompts;
    DownloadProgress FProgress;
    // Set by the first show: a window is shown again after a minimise, and
    // that must not start (and truncate) the file a second time.
    bool FStarted = false;
    // Set by endAll: the close query does not ask.
    bool FEnding = false;
    int FShownIcon = DownloadProgress::IconDownloading;

    QLabel *lbl_stahuji;
    QLabel *lbl_z;
    QLabel *lbl_do;
    QLabel *lbl_velikost;
    QLabel *lbl_stazeno;
    QProgressBar *pb_stazeno;
    QLabel *lbl_procent;
    QPushButton *btn_storno;
    // Destroyed by the accepted close query, so that no event of the transfer
    // reaches the window afterwards.
    std::unique_ptr<THTTPGet> FHTTPGet;
};
