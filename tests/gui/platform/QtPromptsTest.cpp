#include "FileDialogOptions.h"
#include "QtPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs act on the next modal window once it is up (the prompt's own loop runs
// meanwhile); gives up after a few seconds so a missing window fails the test.
void whenModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    auto *tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            delete tries;
            act(w);
        } else if (++*tries > 200) {
            timer->stop();
            timer->deleteLater();
            delete tries;
            ADD_FAILURE() << "no modal window appeared";
        }
    });
    timer->start(20);
}

void clickButton(QWidget *w, QMessageBox::StandardButton which)
{
    auto *box = qobject_cast<QMessageBox *>(w);
    ASSERT_NE(box, nullptr);
    box->button(which)->click();
}

} // namespace

TEST(QtPrompts, MessageBoxesCarryTheirCaptionsAndButtons)
{
    QApplication::setApplicationDisplayName("Sonaro Klient");
    QtPrompts prompts;
    QString caption, text;
    QMessageBox::StandardButtons buttons;
    const auto capture = [&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    };
    whenModal(capture);
    prompts.message("Při dotazu na server došlo k chybě. ");
    EXPECT_EQ(caption, "Sonaro Klient"); // empty caption: the application title
    EXPECT_EQ(text, "Při dotazu na server došlo k chybě. ");
    EXPECT_EQ(buttons, QMessageBox::Ok);

    whenModal(capture);
    prompts.error("Knihovnu libsonaroaudio.so nelze načíst.");
    EXPECT_EQ(caption, "Chyba");
    EXPECT_EQ(buttons, QMessageBox::Ok);
}

TEST(QtPrompts, OnlyYesConfirms)
{
    QtPrompts prompts;
    whenModal([](QWidget *w) { clickButton(w, QMessageBox::Yes); });
    EXPECT_TRUE(prompts.confirm("Přepsat?", "Sonaro Klient"));
    whenModal([](QWidget *w) { clickButton(w, QMessageBox::No); });
    EXPECT_FALSE(prompts.confirm("Přepsat?"));
    whenModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_FALSE(prompts.confirm("Přepsat?"));
}

TEST(QtPrompts, SaveDialogStartsInTheFolderAndRemembersTheChoice)
{
    QTemporaryDir dir;
    QtPrompts prompts;
    FileDialogOptions options;
    options.title = "Uložit playlist";
    options.filter = "Sonaro Klient playlist (*.kpl)|*.kpl";
    options.defaultExtension = "kpl";
    options.initialFolder = dir.path();
    options.fileName = "Playlist";
    QString seenFolder, seenTitle;
    QStringList seenFilters;
    whenModal([&](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(dialog, nullptr);
        seenFolder = dialog->directory().absolutePath();
        seenTitle = dialog->windowTitle();
        seenFilters = dialog->nameFilters();
        auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("moje");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(prompts.saveFileName(options));
    EXPECT_EQ(seenFolder, dir.path());
    EXPECT_EQ(seenTitle, "Uložit playlist");
    EXPECT_EQ(seenFilters, QStringList{"Sonaro Klient playlist (*.kpl)"});
    EXPECT_EQ(options.fileName, dir.filePath("moje.kpl"));
    EXPECT_EQ(options.folder(), dir.path());

    // Cancel leaves the remembered name alone.
    whenModal([](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
    EXPECT_FALSE(prompts.openFileName(options));
    EXPECT_EQ(options.fileName, dir.filePath("moje.kpl"));
}

TEST(QtPromptsPlacement, BoxesDuringAModalWindowCentreOnItNotOnTheirParent)
{
    // The main window waits off the screen while the start-up window runs.
    QWidget main;
    main.resize(900, 600);
    main.move(-1000, -1000);
    main.show();
    QDialog startup(&main, Qt::Dialog | Qt::FramelessWindowHint);
    startup.setFixedSize(273, 153);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    startup.move(screen.center() - QPoint(136, 76));

    QtPrompts prompts(&main);
    QRect boxGeometry;
    QWidget *boxParent = nullptr;
    QString boxTitle;
    QTimer::singleShot(0, &startup, [&] {
        QTimer probe;
        int tries = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (box && box->isVisible()) {
                    probe.stop();
                    boxGeometry = box->frameGeometry();
                    boxParent = box->parentWidget();
                    boxTitle = box->windowTitle();
                    box->button(QMessageBox::Ok)->click();
                    return;
                }
            }
            if (++tries > 250) {
                probe.stop();
                ADD_FAILURE() << "no message box appeared";
                QApplication::activeModalWidget()->close();
            }
        });
        probe.start(20);
        prompts.message(QStringLiteral("Při dotazu na server došlo k chybě."));
        startup.accept();
    });
    startup.exec();

    EXPECT_EQ(boxParent, &startup);
    EXPECT_EQ(boxTitle, QStringLiteral("Sonaro Klient"));
    ASSERT_TRUE(boxGeometry.isValid());
    EXPECT_NEAR(boxGeometry.center().x(), startup.frameGeometry().center().x(), 8);
    EXPECT_NEAR(boxGeometry.center().y(), startup.frameGeometry().center().y(), 8);
    EXPECT_TRUE(screen.contains(boxGeometry.topLeft()));
}
