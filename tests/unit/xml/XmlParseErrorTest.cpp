#include "XmlDom.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The message LoadXML raises for text, or "no error"; the document keeps
// whatever was parsed before the fault.
std::string errorOf(std::string_view text, IXmlDocument document = nullptr)
{
    if (!document)
        document = CreateXmlDocument();
    try {
        document->LoadXML(text);
    } catch (const EXmlError &error) {
        return error.what();
    }
    return "no error";
}

struct Case {
    const char *text;
    const char *message;
};

} // namespace

TEST(XmlParseError, EveryMessageByteForByte)
{
    const Case cases[] = {
        // Names and elements.
        {"<1a/>", "Имя должно начинаться с буквы или \"_\""},
        {"< a/>", "Имя должно начинаться с буквы или \"_\""},
        {"< binary-xml >", "Имя должно начинаться с буквы или \"_\""},
        {"<a x='1' 2='3'/>", "Ожидается \">\""},
        {"<a", "Не завершено определение элемента"},
        {"<r><abc", "Не завершено определение элемента"},
        {"<a$>", "Некорретный символ в имени элемента"},
        {"<a=1/>", "Некорретный символ в имени элемента"},
        {"<a b='1'", "Ожидается \">\""},
        {"<a/ >", "Ожидается \">\""},
        // End tags report the part of the name from the first mismatch.
        {"<a></b>", "Ожидается \"a\""},
        {"<ac></ab>", "Ожидается \"c\""},
        {"<ab></a>", "Ожидается \"b\""},
        {"<a></a", "Ожидается \">\""},
        {"<a></a x>", "Ожидается \">\""},
        {"<a></", "Ожидается \"a\""},
        {"<a>x", "Ожидается \"/\""},
        {"<a><", "Ожидается \"/\""},
        {"<a><!", "Ожидается \"/\""},
        // Attributes.
        {"<a b=1>", "Ожидается строковая константа"},
        {"<a b=>", "Ожидается строковая константа"},
        {"<a b=", "Ожидается значение атрибута"},
        {"<a b =  ", "Ожидается значение атрибута"},
        {"<a b 'x'/>", "Ожидается \"=\""},
        {"<a b", "Ожидается \"=\""},
        {"<a b='x<y'/>", "Символ \"<\" не может использоваться в значениях атрибутов"},
        {"<a b='&amp;<'/>", "Символ \"<\" не может использоваться в значениях атрибутов"},
        {"<a b='x", "Ожидается \"'\""},
        {"<a b=\"x'/>", "Ожидается \"\"\""},
        {"<a b='&amp;x", "Ожидается \"'\""},
        // References.
        {"<a>&", "Ожидается \"#\" или имя упрамляющего символа"},
        {"<a b='&", "Ожидается \"#\" или имя упрамляющего символа"},
        {"<a>&#;</a>", "Ожидается число"},
        {"<a>&#", "Ожидается число"},
        {"<a>&#X41;</a>", "Ожидается число"},
        {"<a>&#x;</a>", "Ожидается шестнадцатеричное число"},
        {"<a>&#xg;</a>", "Ожидается шестнадцатеричное число"},
        {"<a>&#65</a>", "Ожидается \";\""},
        {"<a>&#x41", "Ожидается \";\""},
        {"<a>&foo;</a>", "Некорректное имя управляющего символа"},
        {"<a>&AMP;</a>", "Некорректное имя управляющего символа"},
        {"<a>&amp</a>", "Ожидается \";\""},
        {"<a>&1;</a>", "Имя должно начинаться с буквы или \"_\""},
        // Markup with terminators.
        {"<!-- x", "Ожидается \"-->\""},
        {"<!-- x --", "Ожидается \"-->\""},
        {"<!-x-->", "Ожидается \"-\""},
        {"<![CDAT", "Ожидается \"A[\""},
        {"<![cdata[x]]>", "Ожидается \"CDATA[\""},
        {"<a><![CDATA[x]]</a>", "Ожидается \"]]>\""},
        {"<!DOCTYPE x", "Ожидается \">\""},
        {"<!ELEMENT x>", "Ожидается \"DOCTYPE\""},
        {"<!DOC>", "Ожидается \"TYPE\""},
        {"<?php x", "Ожидается \"?>\""},
        {"<?php x?", "Ожидается \"?>\""},
        {"<?xml version='1'>", "Ожидается \"?>\""},
        {"<?xml version='1'?", "Ожидается \">\""},
        {"<?>", "Имя должно начинаться с буквы или \"_\""},
        // Quoted characters of the document come out readable.
        {"<\xE8></x>", "Ожидается \"\xC4\x8D\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(errorOf(c.text), c.message) << "text: " << c.text;
}

TEST(XmlParseError, WellFormedEdgesRaiseNothing)
{
    for (const char *text : {"", "<", "<!", "plain text", "<a></a></z>tail", "<a></a >", "<a ></a>", "<a\n/>",
                             "<a b = 'x' />", "<?xml?>", "<a>></a>"})
        EXPECT_EQ(errorOf(text), "no error") << "text: " << text;
}

TEST(XmlParseError, NodesBeforeTheFaultStay)
{
    auto document = CreateXmlDocument();
    EXPECT_EQ(errorOf("<r><i a='1'/><i a='2' b=3/><i a='3'/></r>", document), "Ожидается строковая константа");
    auto root = document->DocumentElement();
    ASSERT_TRUE(root);
    auto items = root->ChildNodes();
    ASSERT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(1)->AsElement()->GetAttr("a"), "2");
    EXPECT_FALSE(items->Item(1)->AsElement()->HasAttr("b"));

    EXPECT_EQ(errorOf("<!--c--><a>x", document), "Ожидается \"/\"");
    ASSERT_EQ(document->ChildNodes()->Count(), 2);
    EXPECT_EQ(document->DocumentElement()->Text(), "x");

    // A fault inside a reference drops the run it was in.
    EXPECT_EQ(errorOf("<a><b/>text&bad;</a>", document), "Некорректное имя управляющего символа");
    EXPECT_EQ(document->DocumentElement()->ChildNodes()->Count(), 1);
}

TEST(XmlParseError, DeepNestingIsRefusedNotOverflowed)
{
    const std::string depthMessage = "Превышена допустимая глубина вложенности элементов";
    auto nested = [](int depth, bool closed) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        text += "x";
        if (closed)
            for (int i = 0; i < depth; ++i)
                text += "</a>";
        return text;
    };
    auto document = CreateXmlDocument();
    EXPECT_EQ(errorOf(nested(100000, false), document), depthMessage);
    EXPECT_EQ(errorOf(nested(100000, true)), depthMessage);
    // The partial tree holds the allowed levels and the element refused content.
    int depth = 0;
    IXmlNode node = document->DocumentElement();
    for (; node->ChildNodes()->Count() > 0; node = node->ChildNodes()->Item(0))
        ++depth;
    EXPECT_EQ(depth, TXmlDocument::MaxDepth);
    EXPECT_EQ(node->NodeType(), ntElement);

    // The deepest allowed tree parses and its text is reachable.
    EXPECT_EQ(errorOf(nested(TXmlDocument::MaxDepth, true), document), "no error");
    EXPECT_EQ(document->Text(), "x");
    EXPECT_EQ(errorOf(nested(TXmlDocument::MaxDepth + 1, true)), depthMessage);
    // Empty elements add no open level.
    EXPECT_EQ(errorOf(nested(TXmlDocument::MaxDepth, false).replace(0, 3, "<a/><b/>") + "</a>"), "Ожидается \"/\"");
}
