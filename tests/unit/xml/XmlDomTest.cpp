#include "XmlDom.h"

#include <gtest/gtest.h>

#include <string>

namespace {

IXmlDocument load(std::string_view text)
{
    IXmlDocument document = CreateXmlDocument("", "1.0");
    document->LoadXML(text);
    return document;
}

IXmlElement child(const IXmlNode &node, int index)
{
    return node->ChildNodes()->Item(index)->AsElement();
}

} // namespace

TEST(XmlDom, DeclarationThenRootWithRecord)
{
    auto document = load("<?xml version='1.0' encoding='windows-1250'?><data x='1'><i a='&amp;'/></data>");
    auto top = document->ChildNodes();
    ASSERT_EQ(top->Count(), 2);
    auto declaration = top->Item(0);
    EXPECT_EQ(declaration->NodeType(), ntProcessingInstruction);
    EXPECT_EQ(declaration->NodeName(), "xml");
    auto *pi = static_cast<TXmlProcessingInstruction *>(declaration.get());
    EXPECT_EQ(pi->AttrCount(), 2);
    EXPECT_EQ(pi->GetAttr("version"), "1.0");
    EXPECT_EQ(pi->GetAttr("encoding"), "windows-1250");

    auto root = document->DocumentElement();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->NodeName(), "data");
    EXPECT_EQ(root->NodeType(), ntElement);
    ASSERT_EQ(root->ChildNodes()->Count(), 1);
    EXPECT_EQ(child(root, 0)->GetAttr("a", ""), "&");
    EXPECT_EQ(document->NodeName(), "#document");
    EXPECT_EQ(document->NodeType(), ntDocument);
}

TEST(XmlDom, BlankRunsMakeNoNodesOtherRunsKeepTheirBlanks)
{
    auto root = load("<a>\n  <b/>\r\n\t<c/>  </a>")->DocumentElement();
    EXPECT_EQ(root->ChildNodes()->Count(), 2);

    root = load("<a> x </a>")->DocumentElement();
    ASSERT_EQ(root->ChildNodes()->Count(), 1);
    auto text = root->ChildNodes()->Item(0);
    EXPECT_EQ(text->NodeType(), ntText);
    EXPECT_EQ(text->NodeName(), "#text");
    EXPECT_EQ(text->Text(), " x ");
    EXPECT_EQ(root->Text(), " x ");

    // A reference that decodes to a blank is still a blank.
    EXPECT_EQ(load("<a>&#32;&#9;</a>")->DocumentElement()->ChildNodes()->Count(), 0);
    EXPECT_EQ(load("<a>&#32;x</a>")->DocumentElement()->Text(), " x");

    // Zero bytes are ordinary characters.
    using namespace std::string_literals;
    EXPECT_EQ(load("<a>x\0y</a>"s)->DocumentElement()->Text(), "x\0y"s);
}

TEST(XmlDom, Attributes)
{
    auto a = load("<a one='1' two=\"2\" empty='' twice='first' twice='second' Data='D'\n\tml='x\ny\tz'/>")
                 ->DocumentElement();
    EXPECT_EQ(a->GetAttr("one"), "1");
    EXPECT_EQ(a->GetAttr("two"), "2");
    EXPECT_EQ(a->GetAttr("missing", "dflt"), "dflt");
    EXPECT_EQ(a->GetAttr("never-seen-name-anywhere", "d"), "d");
    EXPECT_EQ(a->GetAttr("empty", "dflt"), "");
    EXPECT_TRUE(a->HasAttr("empty"));
    EXPECT_FALSE(a->HasAttr("missing"));
    EXPECT_EQ(a->GetAttr("ml"), "x\ny\tz");
    // Names are case-sensitive.
    EXPECT_EQ(a->GetAttr("data", ""), "");
    EXPECT_EQ(a->GetAttr("Data", ""), "D");

    // A repeated attribute keeps its first position and its last value.
    ASSERT_EQ(a->AttrCount(), 6);
    EXPECT_EQ(a->AttrName(3), "twice");
    EXPECT_EQ(a->AttrValue(3), "second");
    EXPECT_EQ(a->GetAttr("twice"), "second");

    // Blanks between attributes are optional.
    auto b = load("<b x='1'y='2'/>")->DocumentElement();
    EXPECT_EQ(b->GetAttr("y"), "2");
}

TEST(XmlDom, IntegerAttributes)
{
    auto a = load("<a n='42' neg='-7' plus='+5' max='2147483647' min='-2147483648' big='2147483648' "
                  "word='12x' empty='' space=' 1' signs='+-1'/>")
                 ->DocumentElement();
    EXPECT_EQ(a->GetIntAttr("n"), 42);
    EXPECT_EQ(a->GetIntAttr("neg"), -7);
    EXPECT_EQ(a->GetIntAttr("plus"), 5);
    EXPECT_EQ(a->GetIntAttr("max"), 2147483647);
    EXPECT_EQ(a->GetIntAttr("min"), -2147483647 - 1);
    EXPECT_EQ(a->GetIntAttr("absent", 0), 0);
    EXPECT_EQ(a->GetIntAttr("absent", -3), -3);
    for (const char *bad : {"big", "word", "empty", "space", "signs"})
        EXPECT_THROW(a->GetIntAttr(bad), EXmlConvertError) << bad;
}

TEST(XmlDom, References)
{
    EXPECT_EQ(load("<a>&#65;&#x41;&#x4a;&#x4A;</a>")->DocumentElement()->Text(), "AAJJ");
    EXPECT_EQ(load("<a>&amp;&quot;&lt;&gt;&apos;</a>")->DocumentElement()->Text(), "&\"<>'");
    EXPECT_EQ(load("<a v='&lt;&#x3C;&amp;x'/>")->DocumentElement()->GetAttr("v"), "<<&x");
    // Only the low 8 bits of a code are kept: 321 = 0x141.
    EXPECT_EQ(load("<a>&#321;&#x100000041;</a>")->DocumentElement()->Text(), "AA");
    // Windows-1250 bytes pass unchanged: 0xE8 is a c with caron.
    EXPECT_EQ(load("<a>&#232;\xE8</a>")->DocumentElement()->Text(), "\xE8\xE8");
    EXPECT_EQ(load("<a>x &amp; y</a>")->DocumentElement()->Text(), "x & y");
}

TEST(XmlDom, CdataCommentsAndInstructions)
{
    auto a = load("<a><![CDATA[ <b>&amp; ]]></a>")->DocumentElement();
    auto cdata = a->ChildNodes()->Item(0);
    EXPECT_EQ(cdata->NodeType(), ntCDATASection);
    EXPECT_EQ(cdata->NodeName(), "#cdata-section");
    EXPECT_EQ(static_cast<TXmlCDATASection *>(cdata.get())->data(), " <b>&amp; ");
    EXPECT_EQ(cdata->Text(), "<b>&amp;");
    EXPECT_EQ(a->Text(), "<b>&amp;");

    // The first terminator ends a comment.
    auto document = load("<!-- a -- b --><a/>");
    auto comment = document->ChildNodes()->Item(0);
    EXPECT_EQ(comment->NodeType(), ntComment);
    EXPECT_EQ(comment->NodeName(), "#comment");
    EXPECT_EQ(comment->Text(), " a -- b ");
    EXPECT_EQ(document->ChildNodes()->Count(), 2);
    EXPECT_EQ(load("<a><![CDATA[x]]]]></a>")->DocumentElement()->Text(), "x]]");

    auto pi = load("<?php echo '?'; ?><?xml-stylesheet href='s'?>")->ChildNodes();
    ASSERT_EQ(pi->Count(), 2);
    EXPECT_EQ(pi->Item(0)->NodeType(), ntProcessingInstruction);
    EXPECT_EQ(pi->Item(0)->NodeName(), "php");
    EXPECT_EQ(pi->Item(0)->Text(), " echo '?'; ");
    EXPECT_EQ(pi->Item(1)->NodeName(), "xml-stylesheet");
    EXPECT_EQ(pi->Item(1)->Text(), " href='s'");

    // A DOCTYPE makes no node.
    document = load("<!DOCTYPE data SYSTEM \"x.dtd\">\n<data/>");
    ASSERT_EQ(document->ChildNodes()->Count(), 1);
    EXPECT_EQ(document->DocumentElement()->NodeName(), "data");
}

TEST(XmlDom, TextJoinsElementTextAndCdataChildren)
{
    EXPECT_EQ(load("<a>x<b>y</b>z</a>")->DocumentElement()->Text(), "x y z");
    EXPECT_EQ(load("<a>x<![CDATA[ y ]]></a>")->DocumentElement()->Text(), "x y");
    // Comments, instructions and children with empty text leave no gap.
    EXPECT_EQ(load("<a>x<!--c--><?p q?><b/><c><d/></c><![CDATA[  ]]>y</a>")->DocumentElement()->Text(), "x y");
    EXPECT_EQ(load("<a><b><c>deep</c></b>tail</a>")->DocumentElement()->Text(), "deep tail");
    EXPECT_EQ(load("<a/>")->DocumentElement()->Text(), "");
    // The document joins its own children the same way.
    EXPECT_EQ(load("lead<a>x</a><!--c--><b>y</b>")->Text(), "lead x y");
}

TEST(XmlDom, TopLevelNodesAndDocumentElement)
{
    auto document = load("  <!--c-->text<a/><b/>");
    EXPECT_EQ(document->ChildNodes()->Count(), 4);
    EXPECT_EQ(document->DocumentElement()->NodeName(), "a");

    // An end tag at document level ends the parse quietly.
    document = load("<a></a></z>tail<b/>");
    EXPECT_EQ(document->ChildNodes()->Count(), 1);
    EXPECT_EQ(document->DocumentElement()->NodeName(), "a");

    EXPECT_FALSE(load("")->DocumentElement());
    EXPECT_FALSE(load("just text<!--c-->")->DocumentElement());
    EXPECT_EQ(load("<")->ChildNodes()->Count(), 0);
    EXPECT_EQ(load("<!")->ChildNodes()->Count(), 0);
}

TEST(XmlDom, ChildListsAndItemRange)
{
    std::string text = "<r>";
    for (int i = 0; i < 1000; ++i)
        text += "<i n='" + std::to_string(i) + "'/>";
    text += "</r>";
    auto list = load(text)->DocumentElement()->ChildNodes();
    ASSERT_EQ(list->Count(), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(list->Item(i)->AsElement()->GetIntAttr("n"), i);

    const std::string outOfRange = "Ошибка получения элемента списка: индекс выходит за пределы";
    for (int bad : {-1, 1000}) {
        try {
            list->Item(bad);
            ADD_FAILURE() << bad;
        } catch (const EXmlError &error) {
            EXPECT_EQ(error.what(), outOfRange);
        }
    }
    // Nodes without children give an empty list.
    auto leaf = load("<a>t</a>")->DocumentElement()->ChildNodes()->Item(0);
    EXPECT_EQ(leaf->ChildNodes()->Count(), 0);
    try {
        leaf->ChildNodes()->Item(0);
        ADD_FAILURE() << "an empty list gave an item";
    } catch (const EXmlError &error) {
        EXPECT_EQ(error.Kind(), EXmlError::TKind::ListIndex);
        EXPECT_EQ(error.Offset(), EXmlError::NoOffset);
        EXPECT_STREQ(error.what(), "Ошибка получения элемента списка: индекс выходит за пределы");
    }
    EXPECT_FALSE(leaf->AsElement());
}

TEST(XmlDom, NodesOutliveTheirDocumentAndReloads)
{
    auto document = load("<a k='v'><b>t</b></a>");
    IXmlElement a = document->DocumentElement();
    IXmlNode b = a->ChildNodes()->Item(0);
    EXPECT_EQ(b->ParentNode(), a);
    EXPECT_EQ(a->ParentNode(), document);

    document->LoadXML("<other/>");
    EXPECT_EQ(document->ChildNodes()->Count(), 1);
    EXPECT_EQ(document->DocumentElement()->NodeName(), "other");
    EXPECT_FALSE(a->ParentNode()); // removed by the reload
    EXPECT_EQ(a->GetAttr("k"), "v");

    document.reset();
    EXPECT_EQ(b->Text(), "t");
    EXPECT_EQ(b->ParentNode()->NodeName(), "a");
}

TEST(XmlDom, NamesAreBytesOfTheCodePage)
{
    // "čas" and "délka" in Windows-1250: accented letters may start and continue names.
    auto a = load("<\xE8" "as d\xE9lka='3:15' _x.y-z:1='u'/>")->DocumentElement();
    EXPECT_EQ(a->NodeName(), "\xE8" "as");
    EXPECT_EQ(a->GetAttr("d\xE9lka"), "3:15");
    EXPECT_EQ(a->GetAttr("_x.y-z:1"), "u");
}

TEST(XmlNameTable, InternsInInsertionOrderOverHashedBuckets)
{
    TXmlNameTable table;
    EXPECT_EQ(table.Count(), 5);
    EXPECT_EQ(table.Find("#text"), 0);
    EXPECT_EQ(table.Find("#cdata-section"), 1);
    EXPECT_EQ(table.Find("#comment"), 2);
    EXPECT_EQ(table.Find("#document"), 3);
    EXPECT_EQ(table.Find("xml"), 4);

    EXPECT_EQ(TXmlNameTable::Hash(""), 0u);
    EXPECT_EQ(TXmlNameTable::Hash("ab"), 97u * 33 + 98);
    // "ab" and "bA" share one hash and so one bucket.
    ASSERT_EQ(TXmlNameTable::Hash("ab"), TXmlNameTable::Hash("bA"));
    EXPECT_EQ(table.Add("ab"), 5);
    EXPECT_EQ(table.Find("bA"), -1);
    EXPECT_EQ(table.Add("bA"), 6);
    EXPECT_EQ(table.Add("ab"), 5);
    EXPECT_EQ(table.Find("bA"), 6);
    EXPECT_EQ(table.Add("AB"), 7);
    EXPECT_EQ(table.Name(6), "bA");

    auto shared = TXmlNameTable::Shared();
    EXPECT_EQ(shared, CreateXmlDocument()->NameTable());
    auto own = std::make_shared<TXmlNameTable>();
    EXPECT_EQ(CreateXmlDocument("", "1.0", "", own)->NameTable(), own);
}

TEST(XmlDom, CreateWithRootName)
{
    auto document = CreateXmlDocument("playlist", "1.0");
    ASSERT_EQ(document->ChildNodes()->Count(), 2);
    auto *pi = static_cast<TXmlProcessingInstruction *>(document->ChildNodes()->Item(0).get());
    EXPECT_EQ(pi->NodeName(), "xml");
    EXPECT_EQ(pi->GetAttr("version"), "1.0");
    EXPECT_EQ(pi->GetAttr("encoding"), "windows-1251");
    EXPECT_EQ(document->DocumentElement()->NodeName(), "playlist");
    EXPECT_EQ(CreateXmlDocument()->ChildNodes()->Count(), 0);
}

TEST(XmlDom, LargeTreesAndReusedMemory)
{
    // Values far larger than an arena block, and many blocks' worth of nodes.
    const std::string big(300000, 'v');
    std::string text = "<r big='" + big + "'>" + big + "<![CDATA[" + big + "]]>";
    for (int i = 0; i < 20000; ++i)
        text += "<i n='" + std::to_string(i) + "'>t" + std::to_string(i) + "</i>";
    text += "</r>";
    auto first = load(text);
    IXmlElement root = first->DocumentElement();
    IXmlNode last = root->ChildNodes()->Item(20001);
    first.reset();
    root.reset();

    // Memory the first tree gave back is used again; the held node's is not.
    for (int round = 0; round < 3; ++round) {
        auto other = load(text);
        EXPECT_EQ(other->DocumentElement()->GetAttr("big").size(), big.size());
        EXPECT_EQ(other->DocumentElement()->ChildNodes()->Count(), 20002);
    }
    EXPECT_EQ(last->AsElement()->GetIntAttr("n"), 19999);
    EXPECT_EQ(last->Text(), "t19999");
    EXPECT_EQ(last->ParentNode()->AsElement()->GetAttr("big"), big);
    std::string joined = big + " " + big;
    for (int i = 0; i < 20000; ++i)
        joined += " t" + std::to_string(i);
    EXPECT_EQ(last->ParentNode()->Text(), joined);
}
