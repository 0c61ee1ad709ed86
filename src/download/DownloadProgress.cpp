#include "DownloadProgress.h"

#include <cfenv>
#include <cmath>

namespace {

const QString AppSuffix = QStringLiteral(" - Sonaro Klient");

} // namespace

std::optional<int> DownloadProgress::Percent(qint64 readed, qint64 totalSize)
{
    if (totalSize <= 0)
        return std::nullopt;
    const double share = double(readed) / double(totalSize) * 100.0;
    // nearbyint follows the rounding mode; make sure it is to-nearest-even.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(share);
    std::fesetround(previous);
    if (rounded < 0.0)
        return 0;
    // Only a body longer than announced could go past 100, and that
    // transfer fails anyway; the bar and texts stay within their range.
    if (rounded > 100.0)
        return 100;
    return int(rounded);
}

void DownloadProgress::Start(const QString &title, const QString &fullTitle, const QString &url,
                             const QString &file)
{
    *this = DownloadProgress();
    FTitle = title;
    FCaption = title + AppSuffix;
    FIcon = IconDownloading;
    FStahuji = QStringLiteral("Stahuji : ") + fullTitle;
    FZ = QStringLiteral("Z : ") + url;
    FDo = QStringLiteral("Do : ") + file;
}

void DownloadProgress::Progress(int totalSize, int readed)
{
    if (Finished())
        return;
    const std::optional<int> percent = Percent(readed, totalSize);
    if (!percent) {
        FStatus.clear();
        // A percentage needs the length; show what has arrived and keep the
        // caption as it is.
        FBarBusy = true;
        FProcent.clear();
        FVelikost = QStringLiteral("Velikost : neznámá, staženo %1 bajtů").arg(readed);
        return;
    }
    FStatus.clear(); // bytes arrive again
    FLastPercent = percent;
    FBarBusy = false;
    FBarValue = *percent;
    FCaption = QStringLiteral("%1 (%2 %)").arg(FTitle).arg(*percent) + AppSuffix;
    FProcent = QStringLiteral("%1 %").arg(*percent);
    FVelikost = QStringLiteral("Velikost : %1 bajtů").arg(totalSize);
}

void DownloadProgress::DoneFile(int fileSize)
{
    if (Finished())
        return;
    if (fileSize == 0) {
        Fail();
        return;
    }
    FState = TState::Done;
    FIcon = IconDone;
    FCaption = QStringLiteral("Staženo - ") + FCaption;
    FBarBusy = false;
}

void DownloadProgress::Error()
{
    if (Finished())
        return;
    Fail();
}

void DownloadProgress::Fail()
{
    FState = TState::Failed;
    FIcon = IconFailed;
    FCaption = QStringLiteral("Chyba") + AppSuffix;
    // A busy bar would go on moving after the end; it rests at the last share.
    FBarBusy = false;
}

void DownloadProgress::Failed(const QString &message)
{
    if (Finished())
        return;
    Fail();
    FStatus = message;
}

void DownloadProgress::Retrying(const QString &status)
{
    if (Finished())
        return;
    FStatus = status;
}

void DownloadProgress::Resume()
{
    if (FState != TState::Failed)
        return;
    FState = TState::Downloading;
    FIcon = IconDownloading;
    FStatus.clear();
    FCaption = (FLastPercent ? QStringLiteral("%1 (%2 %)").arg(FTitle).arg(*FLastPercent) : FTitle) + AppSuffix;
}
