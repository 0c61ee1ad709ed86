#include "ReplyWriter.h"
#include "Windows1250.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct Element {
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
};

// Reads a reply with a real XML parser: the root and its child elements.
// Fails the test when the reply is not well-formed.
std::pair<Element, std::vector<Element>> parse(const std::string &reply)
{
    QString text = Windows1250::decode(QByteArrayView(reply.data(), qsizetype(reply.size())));
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"windows-1250\"?>"));
    text.replace("encoding=\"windows-1250\"", "encoding=\"UTF-16\"");
    QXmlStreamReader xml(text);
    Element root;
    std::vector<Element> children;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            Element e{xml.name().toString(), xml.attributes(), {}};
            if (depth == 1)
                root = e;
            else
                children.push_back(e);
        } else if (xml.isCharacters() && depth == 2 && !children.empty()) {
            children.back().text += xml.text();
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << "\n" << reply;
    return {root, children};
}

Library::Entry entry(std::int64_t id, std::string nameUtf8)
{
    Library::Entry e;
    e.info.id = id;
    e.name = ReplyWriter::escape(Windows1250::fromUtf8(nameUtf8));
    e.artist = ReplyWriter::escape(Windows1250::fromUtf8("Šárka & \"Ořech\""));
    e.album = ReplyWriter::escape("<b>'x'</b>");
    e.genre = "Jazz";
    e.length = "1:05";
    e.number = "3";
    e.bitrate = "192";
    e.size = "1,5 MB";
    return e;
}

} // namespace

TEST(ReplyWriter, EscapeCoversMarkupAndControlBytes)
{
    EXPECT_EQ(ReplyWriter::escape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(ReplyWriter::escape(std::string("x\ny\0z", 5)), "x y z");
    EXPECT_EQ(ReplyWriter::escape("\xE8\xF8"), "\xE8\xF8");  // č ř stay bytes
}

TEST(ReplyWriter, FinderRecordsCarryEveryColumnAndTheIdAsText)
{
    const Library::Entry a = entry(17, "Žluťoučký kůň");
    const Library::Entry b = entry(4, "Jaro");
    const auto [root, records] = parse(ReplyWriter::finder({{&a, "4,2", true}, {&b, "", false}}));
    EXPECT_EQ(root.attributes.value("data"), u"finder");
    ASSERT_EQ(records.size(), 2u);
    const Element &r = records[0];
    EXPECT_EQ(r.attributes.value("jmeno"), QString::fromUtf8("Žluťoučký kůň"));
    EXPECT_EQ(r.attributes.value("interpret"), QString::fromUtf8("Šárka & \"Ořech\""));
    EXPECT_EQ(r.attributes.value("album"), u"<b>'x'</b>");
    EXPECT_EQ(r.attributes.value("zanr"), u"Jazz");
    EXPECT_EQ(r.attributes.value("cas"), u"1:05");
    EXPECT_EQ(r.attributes.value("hodnoceni"), u"4,2");
    EXPECT_EQ(r.attributes.value("cislo"), u"3");
    EXPECT_EQ(r.attributes.value("bitrate"), u"192");
    EXPECT_EQ(r.attributes.value("velikost"), u"1,5 MB");
    EXPECT_EQ(r.attributes.value("hodmuzu"), u"true");
    EXPECT_EQ(r.text, u"17");
    EXPECT_EQ(records[1].attributes.value("hodmuzu"), u"false");
    EXPECT_EQ(records[1].attributes.value("hodnoceni"), u"");
    EXPECT_EQ(records[1].text, u"4");

    const auto [emptyRoot, none] = parse(ReplyWriter::finder({}));
    EXPECT_EQ(emptyRoot.attributes.value("data"), u"finder");
    EXPECT_TRUE(none.empty());
}

TEST(ReplyWriter, TrackRatingUpdateAndErrorReplies)
{
    const Library::Entry e = entry(9, "Léto");
    {
        const auto [root, rec] = parse(ReplyWriter::track("add", 2, e, "http://h/files/9/L%C3%A9to.mp3?a=1&b=2"));
        EXPECT_EQ(root.attributes.value("data"), u"getmp3");
        EXPECT_EQ(root.attributes.value("action"), u"add");
        EXPECT_EQ(root.attributes.value("kam"), u"2");
        ASSERT_EQ(rec.size(), 1u);
        EXPECT_EQ(rec[0].attributes.value("id"), u"9");
        EXPECT_EQ(rec[0].attributes.value("jmeno"), QString::fromUtf8("Léto"));
        EXPECT_EQ(rec[0].text, u"http://h/files/9/L%C3%A9to.mp3?a=1&b=2");
    }
    {
        const auto [root, rec] = parse(ReplyWriter::track("play", -1, e, "u"));
        EXPECT_FALSE(root.attributes.hasAttribute("kam"));
    }
    {
        const auto [root, rec] = parse(ReplyWriter::rating("4,2"));
        EXPECT_EQ(root.attributes.value("data"), u"hodnot");
        ASSERT_EQ(rec.size(), 1u);
        EXPECT_EQ(rec[0].text, u"4,2");
    }
    {
        ReplyWriter::Update u;
        u.clientId = 4711;
        u.trackCount = 125000;
        const auto [root, rec] = parse(ReplyWriter::update(u));
        EXPECT_EQ(root.attributes.value("data"), u"updater");
        EXPECT_EQ(root.attributes.value("kid"), u"4711");
        EXPECT_EQ(root.attributes.value("newver"), u"ne");
        EXPECT_EQ(root.attributes.value("jezprava"), u"ne");
        ASSERT_EQ(rec.size(), 2u);
        EXPECT_EQ(rec[0].text, u"125000");
        EXPECT_EQ(rec[1].text, u"");
    }
    {
        ReplyWriter::Update u;
        u.clientId = 1;
        u.newVersion = true;
        u.version = "0.4";
        u.versionSize = 1048576;
        u.message = Windows1250::fromUtf8("Údržba <dnes> & zítra");
        const auto [root, rec] = parse(ReplyWriter::update(u));
        EXPECT_EQ(root.attributes.value("newver"), u"ano");
        EXPECT_EQ(root.attributes.value("verze"), u"0.4");
        EXPECT_EQ(root.attributes.value("velikost"), u"1048576");
        EXPECT_EQ(root.attributes.value("jezprava"), u"ano");
        ASSERT_EQ(rec.size(), 2u);
        EXPECT_EQ(rec[1].text, QString::fromUtf8("Údržba <dnes> & zítra"));
    }
    {
        const auto [root, rec] = parse(ReplyWriter::error("bad \"id\""));
        const QString data = root.attributes.value("data").toString();
        for (const char *kind : {"finder", "getmp3", "hodnot", "updater"})
            EXPECT_NE(data, QString::fromLatin1(kind));
    }
}
