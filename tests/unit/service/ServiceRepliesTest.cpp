#include "TFinderReply.h"
#include "TRateReply.h"
#include "TTrackReply.h"
#include "TUpdateReply.h"

#include <gtest/gtest.h>

namespace {

template<class T>
TReplyErrorKind errorKind(const TReplyResult<T> &result)
{
    EXPECT_FALSE(result.ok());
    return result.ok() ? TReplyErrorKind(-1) : result.error().kind;
}

} // namespace

TEST(FinderReply, RecordsInOrderWithTextsAsSent)
{
    // Laid out on several lines, with Windows-1250 bytes ("Dvořák", "Žánr").
    const char *body = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n"
                       "<vysledky data=\"finder\">\n"
                       "  <mp3 jmeno=\"Largo\" interpret=\"Dvo\xF8\xE1k\" album=\"Z Nov&#233;ho sv&#283;ta\" "
                       "zanr=\"\x8E\xE1nr\" cas=\"11:02\" hodnoceni=\"4.5\" cislo=\"2\" bitrate=\"192\" "
                       "velikost=\"15.1 MB\" hodmuzu=\"true\">a17</mp3>\n"
                       "  <mp3 jmeno=\"Rock &amp; Roll\" hodmuzu=\"True\">  b 9 </mp3>\n"
                       "</vysledky>\n";
    const auto reply = TFinderReply::Read(body);
    ASSERT_TRUE(reply.ok()) << reply.error().message;
    ASSERT_EQ(reply->records.size(), 2u);
    const TFinderReply::Record &first = reply->records[0];
    EXPECT_EQ(first.name, "Largo");
    EXPECT_EQ(first.artist, "Dvo\xF8\xE1k");
    EXPECT_EQ(first.album, "Z Nov\xE9ho sv\x1Bta"); // references keep their low byte only
    EXPECT_EQ(first.genre, "\x8E\xE1nr");
    EXPECT_EQ(first.length, "11:02");
    EXPECT_EQ(first.rating, "4.5");
    EXPECT_EQ(first.trackNumber, "2");
    EXPECT_EQ(first.bitrate, "192");
    EXPECT_EQ(first.size, "15.1 MB");
    EXPECT_EQ(first.id, "a17");
    EXPECT_TRUE(first.canRate());

    const TFinderReply::Record &second = reply->records[1];
    EXPECT_EQ(second.name, "Rock & Roll");
    EXPECT_EQ(second.id, "  b 9 ");
    EXPECT_EQ(second.album, ""); // absent attributes read as empty text
    EXPECT_EQ(second.mayRate, "True");
    EXPECT_FALSE(second.canRate());
}

TEST(FinderReply, EmptyAndBadReplies)
{
    auto empty = TFinderReply::Read("<v data='finder'/>");
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->records.empty());
    EXPECT_TRUE(TFinderReply::Read("<v data='finder'>\n</v>").ok());

    EXPECT_EQ(errorKind(TFinderReply::Read("<v data='Finder'/>")), TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TFinderReply::Read("<v data='getmp3'/>")), TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TFinderReply::Read("<v/>")), TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TFinderReply::Read("")), TReplyErrorKind::rekNotXml);
    EXPECT_EQ(errorKind(TFinderReply::Read("<!-- only a comment -->")), TReplyErrorKind::rekNotXml);
    EXPECT_EQ(errorKind(TFinderReply::Read("<html><body>502 Bad Gateway")), TReplyErrorKind::rekNotXml);
    // A body cut short mid-record is refused, not read as a partial list.
    EXPECT_EQ(errorKind(TFinderReply::Read("<v data='finder'><m jmeno='a'>1</m><m jmeno='b")),
              TReplyErrorKind::rekNotXml);
    // Every child node is a record, so stray text is a broken record.
    EXPECT_EQ(errorKind(TFinderReply::Read("<v data='finder'>junk<m>1</m></v>")), TReplyErrorKind::rekMissingPart);
    EXPECT_EQ(errorKind(TFinderReply::Read("<v data='finder'><m>1</m><!--c--></v>")),
              TReplyErrorKind::rekMissingPart);

    auto notXml = TFinderReply::Read("<a b=1>");
    EXPECT_NE(notXml.error().message.find("Ожидается строковая константа"), std::string::npos);
}

TEST(TrackReply, PlayDownAndAdd)
{
    auto play = TTrackReply::Read("<r data='getmp3' action='play' kam='junk'>\n"
                                  "  <mp3 interpret='A' jmeno='N' album='B' cas='3:00' id='7'>"
                                  "http://127.0.0.1/mp3/7.mp3</mp3>\n</r>");
    ASSERT_TRUE(play.ok()) << play.error().message;
    EXPECT_EQ(play->action, TTrackAction::taPlay);
    EXPECT_EQ(play->url, "http://127.0.0.1/mp3/7.mp3");
    EXPECT_EQ(play->artist, "A");
    EXPECT_EQ(play->name, "N");
    EXPECT_EQ(play->album, "B");
    EXPECT_EQ(play->length, "3:00");
    EXPECT_EQ(play->id, "7");
    EXPECT_FALSE(play->insertAt); // kam belongs to add replies only

    auto down = TTrackReply::Read("<r data='getmp3' action='down'><mp3>http://h/f.mp3</mp3></r>");
    ASSERT_TRUE(down.ok());
    EXPECT_EQ(down->action, TTrackAction::taDown);
    EXPECT_EQ(down->url, "http://h/f.mp3");
    EXPECT_EQ(down->artist, "");

    auto add = TTrackReply::Read("<r data='getmp3' action='add' kam='2'><mp3 id='7'>u</mp3></r>");
    ASSERT_TRUE(add.ok());
    EXPECT_EQ(add->action, TTrackAction::taAdd);
    EXPECT_EQ(add->insertAt, 2);
    EXPECT_EQ(add->id, "7");
    EXPECT_FALSE(TTrackReply::Read("<r data='getmp3' action='add'><mp3/></r>")->insertAt);
    EXPECT_FALSE(TTrackReply::Read("<r data='getmp3' action='add' kam=''><mp3/></r>")->insertAt);
    EXPECT_EQ(TTrackReply::Read("<r data='getmp3' action='add' kam='0'><mp3/></r>")->insertAt, 0);
}

TEST(TrackReply, BadReplies)
{
    EXPECT_EQ(errorKind(TTrackReply::Read("<r data='finder' action='play'><mp3/></r>")),
              TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TTrackReply::Read("<r data='getmp3' action='PLAY'><mp3/></r>")),
              TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TTrackReply::Read("<r data='getmp3'><mp3/></r>")), TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TTrackReply::Read("<r data='getmp3' action='play'/>")), TReplyErrorKind::rekMissingPart);
    EXPECT_EQ(errorKind(TTrackReply::Read("<r data='getmp3' action='play'>http://x</r>")),
              TReplyErrorKind::rekMissingPart);
    for (const char *kam : {"x", "2x", "1.5", "-1", "99999999999", " 2"}) {
        const std::string body = std::string("<r data='getmp3' action='add' kam='") + kam + "'><mp3/></r>";
        EXPECT_EQ(errorKind(TTrackReply::Read(QByteArrayView(body))), TReplyErrorKind::rekNotANumber) << kam;
    }
    EXPECT_EQ(errorKind(TTrackReply::Read("<r data='getmp3' action='play'><mp3>&bogus;</mp3></r>")),
              TReplyErrorKind::rekNotXml);
}

TEST(RateReply, NewRatingIsTheFirstChildText)
{
    auto asText = TRateReply::Read("<r data='hodnot'>4.5</r>");
    ASSERT_TRUE(asText.ok());
    EXPECT_EQ(asText->rating, "4.5");
    auto asElement = TRateReply::Read("<r data='hodnot'>\n <h>3</h>\n <h>9</h></r>");
    ASSERT_TRUE(asElement.ok());
    EXPECT_EQ(asElement->rating, "3");

    EXPECT_EQ(errorKind(TRateReply::Read("<r data='hodnot'/>")), TReplyErrorKind::rekMissingPart);
    EXPECT_EQ(errorKind(TRateReply::Read("<r data='hodnoT'>4</r>")), TReplyErrorKind::rekWrongKind);
    EXPECT_EQ(errorKind(TRateReply::Read("4.5")), TReplyErrorKind::rekNotXml);
}

TEST(UpdateReply, ClientIdCountAndOffer)
{
    auto plain = TUpdateReply::Read("<u data='updater' kid='4711' newver='ne' jezprava='ne'>"
                                    "<pocet>125000</pocet><zprava/></u>");
    ASSERT_TRUE(plain.ok()) << plain.error().message;
    EXPECT_EQ(plain->clientId, 4711);
    EXPECT_EQ(plain->clientIdText, "4711");
    EXPECT_FALSE(plain->newVersion);
    EXPECT_FALSE(plain->hasMessage);
    EXPECT_EQ(plain->databaseCount, "125000");
    EXPECT_EQ(plain->message, "");

    auto offer = TUpdateReply::Read("<u data='updater' kid='-5' newver='ano' verze='0.4' velikost='1048576' "
                                    "jezprava='ano'><p>7</p><z>Servis \xBE\xE1\x64\xE1 o pozornost</z></u>");
    ASSERT_TRUE(offer.ok()) << offer.error().message;
    EXPECT_EQ(offer->clientId, -5);
    EXPECT_TRUE(offer->newVersion);
    EXPECT_EQ(offer->version, "0.4");
    EXPECT_EQ(offer->size, 1048576);
    EXPECT_EQ(offer->sizeText, "1048576");
    EXPECT_TRUE(offer->hasMessage);
    EXPECT_EQ(offer->message, "Servis \xBE\xE1\x64\xE1 o pozornost");

    // A size that is no number only matters to a caller that offers the version.
    auto oddSize = TUpdateReply::Read("<u data='updater' kid='1' newver='ANO' velikost='lots'><p>7</p></u>");
    ASSERT_TRUE(oddSize.ok());
    EXPECT_FALSE(oddSize->newVersion);
    EXPECT_FALSE(oddSize->size);
    EXPECT_EQ(oddSize->sizeText, "lots");
}

TEST(UpdateReply, BadReplies)
{
    EXPECT_EQ(errorKind(TUpdateReply::Read("<u data='updater'><p>7</p></u>")), TReplyErrorKind::rekMissingPart);
    EXPECT_EQ(errorKind(TUpdateReply::Read("<u data='updater' kid='1'/>")), TReplyErrorKind::rekMissingPart);
    EXPECT_EQ(errorKind(TUpdateReply::Read("<u data='updater' kid='1' jezprava='ano'><p>7</p></u>")),
              TReplyErrorKind::rekMissingPart);
    for (const char *kid : {"", "abc", "12a", "2147483648", "-2147483649", "0x10"}) {
        const std::string body = std::string("<u data='updater' kid='") + kid + "'><p>7</p></u>";
        EXPECT_EQ(errorKind(TUpdateReply::Read(QByteArrayView(body))), TReplyErrorKind::rekNotANumber) << kid;
    }
    EXPECT_EQ(TUpdateReply::Read("<u data='updater' kid='2147483647'><p/></u>")->clientId, 2147483647);
    EXPECT_EQ(errorKind(TUpdateReply::Read("<u data='update' kid='1'><p>7</p></u>")), TReplyErrorKind::rekWrongKind);
}
