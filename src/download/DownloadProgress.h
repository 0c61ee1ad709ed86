#pragma once

#include <QString>

#include <optional>

// What a download window shows, as a function of the events of its transfer:
// caption, label texts, bar and icon. No widgets, so every rule is testable
// without a display; TFormDown copies the result onto its controls.
class DownloadProgress
{
public:
    enum class TState { Downloading, Done, Failed };

    // Window icons (index into the window's three icons).
    static constexpr int IconDownloading = 0;
    static constexpr int IconDone = 1;
    static constexpr int IconFailed = 2;

    // Readed / totalSize * 100, rounded to the nearest integer with halves to
    // the even neighbour; nothing when the size is unknown (0 or less).
    static std::optional<int> Percent(qint64 readed, qint64 totalSize);

    // The window is shown: resets everything for a new transfer.
    void Start(const QString &title, const QString &fullTitle, const QString &url, const QString &file);
    // After each block received; totalSize 0 means the server gave no length.
    void Progress(int totalSize, int readed);
    // The fetcher wrote the file; a size of 0 counts as a failure.
    void DoneFile(int fileSize);
    void Error();
    // The transfer failed for the reason given (shown in the window).
    void Failed(const QString &message);
    // A fault is being retried by itself: the status tells the user.
    void Retrying(const QString &status);
    // After a failure: downloading again from where it stopped.
    void Resume();

    TState State() const { return FState; }
    bool Finished() const { return FState != TState::Downloading; }
    // Closing asks first only while the transfer runs.
    bool NeedsCloseQuestion() const { return !Finished(); }
    // A failed download can be tried again.
    bool CanRetry() const { return FState == TState::Failed; }
    // Why it failed, or what the retrying is about; empty otherwise.
    const QString &Status() const { return FStatus; }

    const QString &Caption() const { return FCaption; }
    int Icon() const { return FIcon; }
    const QString &Stahuji() const { return FStahuji; }
    const QString &Z() const { return FZ; }
    const QString &Do() const { return FDo; }
    const QString &Velikost() const { return FVelikost; }
    const QString &Procent() const { return FProcent; }
    // 0..100; meaningless while BarBusy.
    int BarValue() const { return FBarValue; }
    // No length known yet: the bar shows activity instead of a share.
    bool BarBusy() const { return FBarBusy; }

private:
    void Fail();

    QString FTitle;
    TState FState = TState::Downloading;
    QString FCaption = QStringLiteral("Stahování MP3");
    int FIcon = IconDownloading;
    QString FStahuji = QStringLiteral("Stahuji : ");
    QString FZ = QStringLiteral("Z : ");
    QString FDo = QStringLiteral("Do :");
    QString FVelikost;
    QString FProcent = QStringLiteral("0 %");
    int FBarValue = 0;
    bool FBarBusy = false;
    QString FStatus;
    std::optional<int> FLastPercent;
};
