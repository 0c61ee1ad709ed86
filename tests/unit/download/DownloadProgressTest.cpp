#include "DownloadProgress.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

DownloadProgress Started(const QString &title = QStringLiteral("Song - Band"))
{
    DownloadProgress p;
    p.Start(title, title + QStringLiteral(" Album"), QStringLiteral("http://h/a.mp3"),
            QStringLiteral("/tmp/a.mp3"));
    return p;
}

} // namespace

TEST(DownloadProgressPercent, RoundsHalvesToEvenAndStaysInRange)
{
    EXPECT_EQ(DownloadProgress::Percent(500, 1000), 50);
    EXPECT_EQ(DownloadProgress::Percent(0, 1000), 0);
    EXPECT_EQ(DownloadProgress::Percent(1000, 1000), 100);
    // 12.5 and 37.5 are exact in binary: halves go to the even neighbour.
    EXPECT_EQ(DownloadProgress::Percent(1, 8), 12);
    EXPECT_EQ(DownloadProgress::Percent(3, 8), 38);
    EXPECT_EQ(DownloadProgress::Percent(5, 200), 2);  // 2.5
    EXPECT_EQ(DownloadProgress::Percent(7, 200), 4);  // 3.5
    EXPECT_EQ(DownloadProgress::Percent(999, 1000), 100); // 99.9
    EXPECT_EQ(DownloadProgress::Percent(994, 1000), 99);
    // Sizes near the top of the 32-bit range must not overflow.
    EXPECT_EQ(DownloadProgress::Percent(INT_MAX / 2, INT_MAX), 50);
    EXPECT_EQ(DownloadProgress::Percent(INT_MAX, INT_MAX), 100);
    EXPECT_EQ(DownloadProgress::Percent(2000, 1000), 100);
    EXPECT_EQ(DownloadProgress::Percent(-5, 1000), 0);
}

TEST(DownloadProgressPercent, UnknownWithoutALength)
{
    EXPECT_FALSE(DownloadProgress::Percent(0, 0).has_value());
    EXPECT_FALSE(DownloadProgress::Percent(12345, 0).has_value());
    EXPECT_FALSE(DownloadProgress::Percent(5, -1).has_value());
}

TEST(DownloadProgressTexts, BeforeAndAtShow)
{
    DownloadProgress fresh;
    EXPECT_EQ(fresh.Caption(), QStringLiteral("Stahování MP3"));
    EXPECT_EQ(fresh.Stahuji(), QStringLiteral("Stahuji : "));
    EXPECT_EQ(fresh.Z(), QStringLiteral("Z : "));
    EXPECT_EQ(fresh.Do(), QStringLiteral("Do :"));
    EXPECT_EQ(fresh.Procent(), QStringLiteral("0 %"));
    EXPECT_TRUE(fresh.Velikost().isEmpty());

    const DownloadProgress p = Started(QStringLiteral("Píseň - Kapela"));
    EXPECT_EQ(p.Caption(), QStringLiteral("Píseň - Kapela - Sonaro Klient"));
    EXPECT_EQ(p.Icon(), DownloadProgress::IconDownloading);
    EXPECT_EQ(p.Stahuji(), QStringLiteral("Stahuji : Píseň - Kapela Album"));
    EXPECT_EQ(p.Z(), QStringLiteral("Z : http://h/a.mp3"));
    EXPECT_EQ(p.Do(), QStringLiteral("Do : /tmp/a.mp3"));
    EXPECT_FALSE(p.Finished());
    EXPECT_TRUE(p.NeedsCloseQuestion());
}

TEST(DownloadProgressTexts, HalfWayAndComplete)
{
    DownloadProgress p = Started();
    p.Progress(1000, 500);
    EXPECT_EQ(p.BarValue(), 50);
    EXPECT_FALSE(p.BarBusy());
    EXPECT_EQ(p.Procent(), QStringLiteral("50 %"));
    EXPECT_EQ(p.Velikost(), QStringLiteral("Velikost : 1000 bajtů"));
    EXPECT_EQ(p.Caption(), QStringLiteral("Song - Band (50 %) - Sonaro Klient"));
    EXPECT_TRUE(p.NeedsCloseQuestion());

    p.Progress(1000, 1000);
    p.DoneFile(1000);
    EXPECT_EQ(p.State(), DownloadProgress::TState::Done);
    EXPECT_EQ(p.Caption(), QStringLiteral("Staženo - Song - Band (100 %) - Sonaro Klient"));
    EXPECT_EQ(p.Icon(), DownloadProgress::IconDone);
    EXPECT_EQ(p.BarValue(), 100);
    EXPECT_FALSE(p.NeedsCloseQuestion());
}

TEST(DownloadProgressTexts, SizesPrintedInPlainDecimal)
{
    DownloadProgress p = Started();
    p.Progress(INT_MAX, 1234567);
    EXPECT_EQ(p.Velikost(), QStringLiteral("Velikost : 2147483647 bajtů"));
    EXPECT_EQ(p.Procent(), QStringLiteral("0 %"));
}

TEST(DownloadProgressEnd, FailuresShowTheFailedStateAndKeepTheLastShare)
{
    DownloadProgress zero = Started();
    zero.DoneFile(0);
    EXPECT_EQ(zero.State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(zero.Icon(), DownloadProgress::IconFailed);
    EXPECT_EQ(zero.Caption(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_FALSE(zero.NeedsCloseQuestion());

    DownloadProgress broken = Started();
    broken.Progress(1000, 600);
    broken.Error();
    EXPECT_EQ(broken.State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(broken.Caption(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(broken.BarValue(), 60);
    EXPECT_EQ(broken.Procent(), QStringLiteral("60 %"));
    EXPECT_EQ(broken.Velikost(), QStringLiteral("Velikost : 1000 bajtů"));

    // Nothing late may turn an ended transfer back into a running or done one.
    broken.Progress(1000, 1000);
    broken.DoneFile(1000);
    EXPECT_EQ(broken.State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(broken.Caption(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(broken.BarValue(), 60);
}

TEST(DownloadProgressUnknownLength, BusyBarAndBytesWithoutDividing)
{
    DownloadProgress p = Started();
    p.Progress(0, 0);
    EXPECT_TRUE(p.BarBusy());
    p.Progress(0, 4096);
    EXPECT_TRUE(p.BarBusy());
    EXPECT_EQ(p.Velikost(), QStringLiteral("Velikost : neznámá, staženo 4096 bajtů"));
    EXPECT_TRUE(p.Procent().isEmpty());
    EXPECT_EQ(p.Caption(), QStringLiteral("Song - Band - Sonaro Klient"));
    EXPECT_TRUE(p.NeedsCloseQuestion());

    // The end stops the busy bar; the received count stays readable.
    p.Error();
    EXPECT_FALSE(p.BarBusy());
    EXPECT_EQ(p.Velikost(), QStringLiteral("Velikost : neznámá, staženo 4096 bajtů"));
    EXPECT_EQ(p.Caption(), QStringLiteral("Chyba - Sonaro Klient"));
}

TEST(DownloadProgressStates, RetryingFailingAndResuming)
{
    DownloadProgress p = Started();
    p.Progress(1000, 300);
    p.Retrying(QStringLiteral("Server přestal odpovídat. Zkouším znovu (1/4)..."));
    // Still downloading: closing asks, and there is nothing to retry by hand.
    EXPECT_EQ(p.State(), DownloadProgress::TState::Downloading);
    EXPECT_TRUE(p.NeedsCloseQuestion());
    EXPECT_FALSE(p.CanRetry());
    EXPECT_EQ(p.Status(), QStringLiteral("Server přestal odpovídat. Zkouším znovu (1/4)..."));
    // Bytes again: the status goes.
    p.Progress(1000, 400);
    EXPECT_TRUE(p.Status().isEmpty());

    p.Failed(QStringLiteral("Server je nedostupný."));
    EXPECT_EQ(p.State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(p.Caption(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(p.Icon(), DownloadProgress::IconFailed);
    EXPECT_TRUE(p.CanRetry());
    EXPECT_FALSE(p.NeedsCloseQuestion());
    EXPECT_EQ(p.Status(), QStringLiteral("Server je nedostupný."));
    EXPECT_EQ(p.BarValue(), 40);
    // A late retry status does not revive a failed download.
    p.Retrying(QStringLiteral("x"));
    EXPECT_EQ(p.Status(), QStringLiteral("Server je nedostupný."));

    p.Resume();
    EXPECT_EQ(p.State(), DownloadProgress::TState::Downloading);
    EXPECT_EQ(p.Caption(), QStringLiteral("Song - Band (40 %) - Sonaro Klient"));
    EXPECT_EQ(p.Icon(), DownloadProgress::IconDownloading);
    EXPECT_TRUE(p.Status().isEmpty());
    EXPECT_TRUE(p.NeedsCloseQuestion());
    p.Progress(1000, 1000);
    p.DoneFile(1000);
    EXPECT_EQ(p.Caption(), QStringLiteral("Staženo - Song - Band (100 %) - Sonaro Klient"));
    // Resume only undoes a failure.
    p.Resume();
    EXPECT_EQ(p.State(), DownloadProgress::TState::Done);

    // Failing before any length was known resumes to the plain caption.
    DownloadProgress q = Started();
    q.Failed(QStringLiteral("Server je nedostupný."));
    q.Resume();
    EXPECT_EQ(q.Caption(), QStringLiteral("Song - Band - Sonaro Klient"));
}
