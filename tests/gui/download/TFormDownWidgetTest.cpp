#include "WaitUntil.h"
#include "DownloadIcons.h"
#include "PromptRecorder.h"
#include "TFormDown.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString LabelText(const QWidget *w, const char *name)
{
    const auto *label = w->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

QImage IconImage(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(DownloadIcons, ThreeDistinctPaintedIcons)
{
    for (int i = 0; i < DownloadIcons::Count; ++i) {
        const QPixmap p = DownloadIcons::pixmap(i);
        ASSERT_FALSE(p.isNull()) << i;
        EXPECT_EQ(p.size(), QSize(16, 16));
        // Something was painted, and the corners stay see-through.
        const QImage img = p.toImage().convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(img.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 20) << i;
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << i;
    }
    const QImage a = DownloadIcons::pixmap(0).toImage();
    const QImage b = DownloadIcons::pixmap(1).toImage();
    const QImage c = DownloadIcons::pixmap(2).toImage();
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_NE(a, c);
    EXPECT_TRUE(DownloadIcons::pixmap(3).isNull());
    EXPECT_TRUE(DownloadIcons::pixmap(-1).isNull());
}

TEST(TFormDownWidget, FormBeforeShow)
{
    PromptRecorder prompts;
    QPointer<TFormDown> w = new TFormDown(prompts);
    EXPECT_TRUE(w->isWindow());
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(w->minimumSize(), QSize(442, 185));
    EXPECT_EQ(w->maximumSize(), QSize(442, 185));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Stahování MP3"));

    EXPECT_EQ(LabelText(w, "lbl_stahuji"), QStringLiteral("Stahuji : "));
    EXPECT_EQ(LabelText(w, "lbl_z"), QStringLiteral("Z : "));
    EXPECT_EQ(LabelText(w, "lbl_do"), QStringLiteral("Do :"));
    EXPECT_EQ(LabelText(w, "lbl_velikost"), QString());
    EXPECT_EQ(LabelText(w, "lbl_stazeno"), QStringLiteral("Staženo:"));
    EXPECT_EQ(LabelText(w, "lbl_procent"), QStringLiteral("0 %"));
    EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("lbl_procent"))->alignment() & Qt::AlignRight);
    for (const char *name : {"lbl_stahuji", "lbl_z", "lbl_do", "lbl_velikost"})
        EXPECT_EQ(w->findChild<QLabel *>(QLatin1String(name))->width(), 425) << name;
    const auto *bar = w->findChild<QProgressBar *>(QStringLiteral("pb_stazeno"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    const auto *button = w->findChild<QPushButton *>(QStringLiteral("btn_storno"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Zavřít"));
    // Every control lies inside the fixed client area.
    for (const QWidget *child : w->findChildren<QWidget *>())
        EXPECT_TRUE(QRect(0, 0, 442, 185).contains(child->geometry())) << child->objectName().toStdString();

    delete w.data();
}

// A URL that names no server fails at once: the window shows the failed
// state, and closing it then asks nothing and frees the window.
TEST(TFormDownWidget, UnreachableAddressEndsFailedAndClosesWithoutQuestion)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("píseň.mp3"));
    PromptRecorder prompts;
    QPointer<TFormDown> w = TFormDown::start(prompts, QByteArray("http://127.0.0.1"), file,
                                             QStringLiteral("Píseň - Kapela"),
                                             QStringLiteral("Píseň - Kapela Album"));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(LabelText(w, "lbl_stahuji"), QStringLiteral("Stahuji : Píseň - Kapela Album"));
    EXPECT_EQ(LabelText(w, "lbl_z"), QStringLiteral("Z : http://127.0.0.1"));
    EXPECT_EQ(LabelText(w, "lbl_do"), QStringLiteral("Do : ") + file);

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_EQ(IconImage(w->windowIcon()), IconImage(DownloadIcons::icon(2)));
    EXPECT_FALSE(QFile::exists(file));

    w->findChild<QPushButton *>(QStringLiteral("btn_storno"))->click();
    EXPECT_TRUE(prompts.shown.isEmpty());
    ASSERT_TRUE(WaitUntil([&] { return w.isNull(); }));
}
