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

using K = EXmlError::TKind;

struct Case {
    const char *text;
    const char *message;
    K kind;
    std::size_t offset; // of the byte where the fault is found
};

} // namespace

TEST(XmlParseError, EveryMessageByteForByteWithItsKindAndOffset)
{
    const Case cases[] = {
        // Names and elements.
        {"<1a/>", "Имя должно начинаться с буквы или \"_\"", K::NameStart, 1},
        {"< a/>", "Имя должно начинаться с буквы или \"_\"", K::NameStart, 1},
        {"< binary-xml >", "Имя должно начинаться с буквы или \"_\"", K::NameStart, 1},
        {"<a x='1' 2='3'/>", "Ожидается \">\"", K::Expected, 9},
        {"<a", "Не завершено определение элемента", K::UnfinishedElement, 2},
        {"<r><abc", "Не завершено определение элемента", K::UnfinishedElement, 7},
        {"<a$>", "Некорретный символ в имени элемента", K::NameCharacter, 2},
        {"<a=1/>", "Некорретный символ в имени элемента", K::NameCharacter, 2},
        {"<a b='1'", "Ожидается \">\"", K::Expected, 8},
        {"<a/ >", "Ожидается \">\"", K::Expected, 3},
        // End tags report the part of the name from the first mismatch.
        {"<a></b>", "Ожидается \"a\"", K::Expected, 5},
        {"<ac></ab>", "Ожидается \"c\"", K::Expected, 7},
        {"<ab></a>", "Ожидается \"b\"", K::Expected, 7},
        {"<a></a", "Ожидается \">\"", K::Expected, 6},
        {"<a></a x>", "Ожидается \">\"", K::Expected, 7},
        {"<a></", "Ожидается \"a\"", K::Expected, 5},
        {"<a>x", "Ожидается \"/\"", K::Expected, 4},
        {"<a><", "Ожидается \"/\"", K::Expected, 4},
        {"<a><!", "Ожидается \"/\"", K::Expected, 5},
        // Attributes.
        {"<a b=1>", "Ожидается строковая константа", K::QuotedValue, 5},
        {"<a b=>", "Ожидается строковая константа", K::QuotedValue, 5},
        {"<a b=", "Ожидается значение атрибута", K::AttributeValue, 5},
        {"<a b =  ", "Ожидается значение атрибута", K::AttributeValue, 8},
        {"<a b 'x'/>", "Ожидается \"=\"", K::Expected, 5},
        {"<a b", "Ожидается \"=\"", K::Expected, 4},
        {"<a b='x<y'/>", "Символ \"<\" не может использоваться в значениях атрибутов", K::LessThanInAttribute, 7},
        {"<a b='&amp;<'/>", "Символ \"<\" не может использоваться в значениях атрибутов", K::LessThanInAttribute, 11},
        {"<a b='x", "Ожидается \"'\"", K::Expected, 7},
        {"<a b=\"x'/>", "Ожидается \"\"\"", K::Expected, 10},
        {"<a b='&amp;x", "Ожидается \"'\"", K::Expected, 12},
        // References.
        {"<a>&", "Ожидается \"#\" или имя упрамляющего символа", K::ReferenceStart, 4},
        {"<a b='&", "Ожидается \"#\" или имя упрамляющего символа", K::ReferenceStart, 7},
        {"<a>&#;</a>", "Ожидается число", K::Number, 5},
        {"<a>&#", "Ожидается число", K::Number, 5},
        {"<a>&#X41;</a>", "Ожидается число", K::Number, 5},
        {"<a>&#x;</a>", "Ожидается шестнадцатеричное число", K::HexNumber, 6},
        {"<a>&#xg;</a>", "Ожидается шестнадцатеричное число", K::HexNumber, 6},
        {"<a>&#65</a>", "Ожидается \";\"", K::Expected, 7},
        {"<a>&#x41", "Ожидается \";\"", K::Expected, 8},
        {"<a>&foo;</a>", "Некорректное имя управляющего символа", K::UnknownReference, 4},
        {"<a>&AMP;</a>", "Некорректное имя управляющего символа", K::UnknownReference, 4},
        {"<a>&amp</a>", "Ожидается \";\"", K::Expected, 7},
        {"<a>&1;</a>", "Имя должно начинаться с буквы или \"_\"", K::NameStart, 4},
        // Markup with terminators.
        {"<!-- x", "Ожидается \"-->\"", K::Expected, 6},
        {"<!-- x --", "Ожидается \"-->\"", K::Expected, 9},
        {"<!-x-->", "Ожидается \"-\"", K::Expected, 3},
        {"<![CDAT", "Ожидается \"A[\"", K::Expected, 7},
        {"<![cdata[x]]>", "Ожидается \"CDATA[\"", K::Expected, 3},
        {"<a><![CDATA[x]]</a>", "Ожидается \"]]>\"", K::Expected, 19},
        {"<!DOCTYPE x", "Ожидается \">\"", K::Expected, 11},
        {"<!ELEMENT x>", "Ожидается \"DOCTYPE\"", K::Expected, 2},
        {"<!DOC>", "Ожидается \"TYPE\"", K::Expected, 5},
        {"<?php x", "Ожидается \"?>\"", K::Expected, 7},
        {"<?php x?", "Ожидается \"?>\"", K::Expected, 8},
        {"<?xml version='1'>", "Ожидается \"?>\"", K::Expected, 17},
        {"<?xml version='1'?", "Ожидается \">\"", K::Expected, 18},
        {"<?>", "Имя должно начинаться с буквы или \"_\"", K::NameStart, 2},
        // Quoted characters of the document come out readable.
        {"<\xE8></x>", "Ожидается \"\xC4\x8D\"", K::Expected, 5},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(errorOf(c.text), c.message) << "text: " << c.text;
        try {
            CreateXmlDocument()->LoadXML(c.text);
        } catch (const EXmlError &error) {
            EXPECT_EQ(error.Kind(), c.kind) << "text: " << c.text;
            EXPECT_EQ(error.Offset(), c.offset) << "text: " << c.text;
        }
    }
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
    // Found just past the start tag one level too deep.
    try {
        CreateXmlDocument()->LoadXML(nested(TXmlDocument::MaxDepth + 1, true));
    } catch (const EXmlError &error) {
        EXPECT_EQ(error.Kind(), EXmlError::TKind::TooDeep);
        EXPECT_EQ(error.Offset(), std::size_t(3 * (TXmlDocument::MaxDepth + 1)));
    }
    // Empty elements add no open level.
    EXPECT_EQ(errorOf(nested(TXmlDocument::MaxDepth, false).replace(0, 3, "<a/><b/>") + "</a>"), "Ожидается \"/\"");
}
