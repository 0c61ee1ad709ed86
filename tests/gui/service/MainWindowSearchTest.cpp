#include "WaitUntil.h"
#include "MainMenu.h"
#include "PromptRecorder.h"
#include "ResultsModel.h"
#include "TLoopbackServer.h"
#include "TFormMain.h"
#include "THTTPGet.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray finder(int rows)
{
    QByteArray xml = "<reply data=\"finder\">";
    const char *bitrates[] = {"192", "64", "128"};
    for (int i = 0; i < rows; ++i)
        xml += "<mp3 jmeno=\"Song " + QByteArray::number(i) + "\" bitrate=\"" + bitrates[i % 3]
             + "\" hodnoceni=\"1\" hodmuzu=\"true\">id" + QByteArray::number(i) + "</mp3>";
    return xml + "</reply>";
}

const QByteArray kUpdate = "<u data=\"updater\" kid=\"4711\" newver=\"ne\" jezprava=\"ne\"><c>125000</c></u>";

struct MainWindowSearchTest : ::testing::Test
{
    QTemporaryDir dir;
    TLoopbackServer service;
    PromptRecorder prompts;

    void putIni(const QByteArray &bytes)
    {
        QFile f(dir.filePath("sonaro-klient.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    MainEnvironment environment()
    {
        // The engine plays on the audio library's silent device.
        return {dir.filePath("sonaro-klient.ini"), dir.filePath("keys"), &prompts, service.Url("/"),
                QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")), 0};
    }
};

} // namespace

TEST_F(MainWindowSearchTest, RepeatedSearchAtStartIsAGetAndLaterSearchesCarryTheClientId)
{
    putIni("[Hlavni]\nPosledniFind=Kab\xC3\xA1t\n");
    service.QueueReply({TLoopbackServer::Response(finder(3))});
    service.QueueReply({TLoopbackServer::Response(kUpdate)});
    TFormMain form(environment());
    EXPECT_EQ(form.lbl_find->text(), QString::fromUtf8("Hledám..."));
    // The search starts before the update check, so it goes out first and without the ID.
    ASSERT_TRUE(service.WaitForRequests(1, 5000));
    ASSERT_TRUE(WaitUntil([&] { return form.resultsModel().count() == 3; }));
    EXPECT_EQ(form.lbl_find->text(), QStringLiteral("Nalezeno 3 MP3"));
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.state().ClientId == 4711 && form.resultsModel().count() == 3; }))
        << form.state().ClientId << " " << form.resultsModel().count() << " " << form.lbl_find->text().toStdString()
        << " " << prompts.shown.size() << " " << service.Requests().size();
    ASSERT_TRUE(WaitUntil([&] { return form.x() != -1000; })); // placed
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].RequestLine, "GET /engine/finder.php?find=Kab%E1t HTTP/1.0");
    EXPECT_EQ(requests[1].RequestLine, "GET /engine/update.php?verze=0.3&kid=-1 HTTP/1.0");
    // The start-up window overwrote the search's status with the count.
    EXPECT_EQ(form.lbl_find->text(), QString::fromUtf8("V naší databázi je: 125000 MP3"));

    // Enter with a modifier searches like the button; now a POST with the ID.
    service.QueueReply({TLoopbackServer::Response(finder(2))});
    form.edt_find->setText(QStringLiteral("a b"));
    QTest::keyClick(form.edt_find, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return form.lbl_find->text() == QStringLiteral("Nalezeno 2 MP3"); }));
    const TLoopbackRequest post = service.Requests().back();
    EXPECT_EQ(post.RequestLine, "POST /engine/finder.php?find=a%20b HTTP/1.0");
    EXPECT_EQ(post.Body, "KID=4711");
    EXPECT_TRUE(prompts.shown.isEmpty());
    form.close();
}

TEST_F(MainWindowSearchTest, ButtonHeaderAndStarsWorkThroughTheWindow)
{
    putIni("[Hlavni]\nPomatovatFind=0\n");
    service.QueueReply({TLoopbackServer::Response(kUpdate)});
    TFormMain form(environment());
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.state().ClientId == 4711; }));

    service.QueueReply({TLoopbackServer::Response(finder(3))});
    form.edt_find->setText(QStringLiteral("x"));
    QTest::mouseClick(form.btn_find, Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return form.resultsModel().count() == 3; }));

    // Clicking "Bitrate" sorts as text.
    QHeaderView *header = form.list_mp3->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(7) + 5, header->height() / 2));
    EXPECT_EQ(form.resultsModel().row(0).subItem(6), QByteArray("128"));
    EXPECT_EQ(form.state().SortColumn, 7);

    // Four stars from the main menu on the selected row.
    form.list_mp3->selectRow(2); // bitrate 64, "id1"
    service.QueueReply({TLoopbackServer::Response("<r data=\"hodnot\"><h>4,2</h></r>")});
    form.menu().Hvezdicky[3]->trigger();
    ASSERT_TRUE(WaitUntil([&] { return form.resultsModel().row(2).subItem(4) == "4,2"; }));
    EXPECT_EQ(service.Requests().back().RequestLine, "POST /engine/hodnot.php?body=4&id=id1 HTTP/1.0");
    EXPECT_FALSE(form.resultsModel().row(2).mayRate());
    form.list_mp3->setFocus();
    emit form.menu().MP31->aboutToShow();
    EXPECT_FALSE(form.menu().Hodnocen2->isVisible());
    form.list_mp3->updatePopupItems();
    EXPECT_FALSE(form.list_mp3->ratingMenu()->menuAction()->isVisible());
    form.close();
}
