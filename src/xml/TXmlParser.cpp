#include "TXmlParser.h"

#include "EXmlError.h"
#include "TXmlCDATASection.h"
#include "TXmlComment.h"
#include "TXmlDocument.h"
#include "TXmlElement.h"
#include "TXmlNameTable.h"
#include "TXmlProcessingInstruction.h"
#include "TXmlStore.h"
#include "TXmlText.h"
#include "Windows1250.h"

#include <QChar>

#include <array>
#include <cstdint>

namespace {

// Stop* mark the bytes that end a fast scan of a text run or quoted value.
enum : unsigned char { Blank = 1, NameStart = 2, NameChar = 4, StopText = 8, StopApos = 16, StopQuot = 32 };

// Letters are what the code page calls letters, so accented names count.
std::array<unsigned char, 256> makeClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        unsigned char c = 0;
        if (b <= 32)
            c |= Blank;
        if (QChar(Windows1250::toUnicode(static_cast<unsigned char>(b))).isLetter() || b == '_')
            c |= NameStart | NameChar;
        if ((b >= '0' && b <= '9') || b == '-' || b == '.' || b == ':')
            c |= NameChar;
        if (b == '<' || b == '&')
            c |= StopText | StopApos | StopQuot;
        if (b == '\'')
            c |= StopApos;
        if (b == '"')
            c |= StopQuot;
        classes[static_cast<std::size_t>(b)] = c;
    }
    return classes;
}

const std::array<unsigned char, 256> classes = makeClasses();

inline bool is(char c, unsigned char cls)
{
    return classes[static_cast<unsigned char>(c)] & cls;
}

inline bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

[[gnu::always_inline]] inline void TXmlParser::skipBlanks()
{
    while (p_ != end_ && isBlank(*p_))
        ++p_;
}

[[gnu::always_inline]] inline void TXmlParser::expectChar(char c)
{
    if (p_ == end_ || *p_ != c)
        failExpected(std::string_view(&c, 1));
    ++p_;
}

TXmlParser::TXmlParser(TXmlDocument &document, TXmlStore &store, TXmlNameTable &names, std::string_view text)
    : document_(document), store_(store), names_(names), begin_(text.data()), p_(text.data()), end_(text.data() + text.size())
{
}

void TXmlParser::fail(EXmlError::TKind kind) const
{
    throw EXmlError(kind, std::size_t(p_ - begin_));
}

void TXmlParser::failExpected(std::string_view what) const
{
    throw EXmlError(EXmlError::TKind::Expected, std::size_t(p_ - begin_), what);
}

void TXmlParser::parse()
{
    for (;;) {
        TXmlNode *parent = open_.empty() ? static_cast<TXmlNode *>(&document_) : open_.back().element;
        TXmlNodeList &list = open_.empty() ? document_.children_ : open_.back().element->children_;
        readTextRun(parent, list);

        bool listEnds = p_ == end_ || ++p_ == end_;
        if (!listEnds) {
            switch (*p_) {
            case '/':
                listEnds = true;
                break;
            case '?':
                readProcessingInstruction(parent, list);
                break;
            case '!':
                listEnds = !readMarkup(parent, list);
                break;
            default:
                readElement(parent, list);
                break;
            }
        }
        if (!listEnds)
            continue;
        // At document level an end tag, or the end, ends the parse; whatever
        // follows an end tag there is ignored.
        if (open_.empty())
            return;
        expectChar('/');
        expectText(*open_.back().name);
        skipBlanks();
        expectChar('>');
        open_.pop_back();
    }
}

void TXmlParser::readTextRun(TXmlNode *parent, TXmlNodeList &list)
{
    const char *const start = p_;
    bool solid = false; // holds something other than blanks
    const char *p = p_;
    while (p != end_ && isBlank(*p))
        ++p;
    if (p != end_ && !is(*p, StopText)) {
        solid = true;
        while (p != end_ && !is(*p, StopText))
            ++p;
    }
    p_ = p;
    std::string_view run(start, static_cast<std::size_t>(p - start));
    if (p_ != end_ && *p_ == '&') {
        scratch_.assign(run);
        while (p_ != end_ && *p_ != '<') {
            char c = *p_;
            if (c == '&') {
                ++p_;
                c = readReference();
            } else {
                ++p_;
            }
            solid |= !isBlank(c);
            scratch_.push_back(c);
        }
        run = scratch_;
    }
    if (solid)
        list.append(store_.make<TXmlText>(store_.copy(run), &names_, parent, &store_));
}

std::string_view TXmlParser::readName()
{
    if (p_ == end_ || !is(*p_, NameStart))
        fail(EXmlError::TKind::NameStart);
    // The name table's hash is taken on the way, so interning rereads nothing.
    const char *const start = p_;
    std::uint32_t hash = static_cast<unsigned char>(*p_++);
    while (p_ != end_ && is(*p_, NameChar))
        hash = hash * 33 + static_cast<unsigned char>(*p_++);
    nameHash_ = hash;
    return {start, static_cast<std::size_t>(p_ - start)};
}

void TXmlParser::readElement(TXmlNode *parent, TXmlNodeList &list)
{
    const std::string_view name = readName();
    if (p_ == end_)
        fail(EXmlError::TKind::UnfinishedElement);
    if (!isBlank(*p_) && *p_ != '/' && *p_ != '>')
        fail(EXmlError::TKind::NameCharacter);
    const int id = names_.Add(name, nameHash_);
    auto *element = store_.make<TXmlElement>(id, &names_, parent, &store_, &store_.memory);
    list.append(element);
    readAttributes(element->attrs_);
    if (p_ != end_ && *p_ == '/') {
        expectText("/>");
        return;
    }
    expectChar('>');
    if (open_.size() >= static_cast<std::size_t>(TXmlDocument::MaxDepth))
        fail(EXmlError::TKind::TooDeep);
    open_.push_back({element, &names_.Name(id)});
}

void TXmlParser::readProcessingInstruction(TXmlNode *parent, TXmlNodeList &list)
{
    ++p_;
    const std::string_view target = readName();
    const int id = names_.Add(target, nameHash_);
    if (id == TXmlNameTable::idXml) {
        auto *declaration =
            store_.make<TXmlProcessingInstruction>(id, std::string_view(), &names_, parent, &store_);
        list.append(declaration);
        readAttributes(declaration->attrs_);
        expectText("?>");
        return;
    }
    const std::string_view text = store_.copy(collectUntil("?>"));
    list.append(store_.make<TXmlProcessingInstruction>(id, text, &names_, parent, &store_));
}

bool TXmlParser::readMarkup(TXmlNode *parent, TXmlNodeList &list)
{
    if (++p_ == end_)
        return false;
    if (*p_ == '-') {
        expectText("--");
        const std::string_view text = store_.copy(collectUntil("-->"));
        list.append(store_.make<TXmlComment>(text, &names_, parent, &store_));
    } else if (*p_ == '[') {
        expectText("[CDATA[");
        const std::string_view text = store_.copy(collectUntil("]]>"));
        list.append(store_.make<TXmlCDATASection>(text, &names_, parent, &store_));
    } else {
        expectText("DOCTYPE");
        collectUntil(">");
    }
    return true;
}

void TXmlParser::readAttributes(TXmlAttributes &attrs)
{
    attrs_.clear();
    try {
        readAttributeList();
    } catch (...) {
        attrs.assign(attrs_, store_.memory); // those read before the fault stay
        throw;
    }
    attrs.assign(attrs_, store_.memory);
}

void TXmlParser::readAttributeList()
{
    skipBlanks();
    while (p_ != end_ && is(*p_, NameStart)) {
        const std::string_view name = readName();
        const std::uint32_t hash = nameHash_;
        skipBlanks();
        expectChar('=');
        skipBlanks();
        if (p_ == end_)
            fail(EXmlError::TKind::AttributeValue);
        if (*p_ != '\'' && *p_ != '"')
            fail(EXmlError::TKind::QuotedValue);
        const std::string_view value = readQuoted();
        TXmlAttributes::set(attrs_, names_.Add(name, hash), value);
        skipBlanks();
    }
}

std::string_view TXmlParser::readQuoted()
{
    const char quote = *p_++;
    const char *const start = p_;
    const char *p = p_;
    const unsigned char stop = quote == '"' ? StopQuot : StopApos;
    while (p != end_ && !is(*p, stop))
        ++p;
    p_ = p;
    std::string_view value(start, static_cast<std::size_t>(p - start));
    if (p_ != end_ && *p_ == '&') {
        scratch_.assign(value);
        while (p_ != end_ && *p_ != quote) {
            if (*p_ == '&') {
                ++p_;
                scratch_.push_back(readReference());
            } else if (*p_ == '<') {
                break;
            } else {
                scratch_.push_back(*p_++);
            }
        }
        value = scratch_;
    }
    if (p_ == end_)
        failExpected(std::string_view(&quote, 1));
    if (*p_ == '<')
        fail(EXmlError::TKind::LessThanInAttribute);
    ++p_;
    return store_.copy(value);
}

char TXmlParser::readReference()
{
    if (p_ == end_)
        fail(EXmlError::TKind::ReferenceStart);
    if (*p_ == '#') {
        ++p_;
        // Only the low 8 bits are kept, so wrapping around is harmless.
        std::uint32_t code = 0;
        if (p_ != end_ && *p_ == 'x') {
            ++p_;
            const char *const digits = p_;
            for (; p_ != end_; ++p_) {
                const char c = *p_;
                if (c >= '0' && c <= '9')
                    code = code * 16 + static_cast<std::uint32_t>(c - '0');
                else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
                    code = code * 16 + static_cast<std::uint32_t>((c | 0x20) - 'a' + 10);
                else
                    break;
            }
            if (p_ == digits)
                fail(EXmlError::TKind::HexNumber);
        } else {
            const char *const digits = p_;
            for (; p_ != end_ && *p_ >= '0' && *p_ <= '9'; ++p_)
                code = code * 10 + static_cast<std::uint32_t>(*p_ - '0');
            if (p_ == digits)
                fail(EXmlError::TKind::Number);
        }
        expectChar(';');
        return static_cast<char>(code);
    }
    const std::string_view name = readName();
    expectChar(';');
    if (name == "amp")
        return '&';
    if (name == "quot")
        return '"';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "apos")
        return '\'';
    p_ = name.data(); // the fault is the name, not what follows it
    fail(EXmlError::TKind::UnknownReference);
}

void TXmlParser::expectText(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i, ++p_) {
        if (p_ == end_ || *p_ != text[i])
            failExpected(text.substr(i));
    }
}

std::string_view TXmlParser::collectUntil(std::string_view terminator)
{
    const std::string_view rest(p_, static_cast<std::size_t>(end_ - p_));
    const std::size_t at = rest.find(terminator);
    if (at == std::string_view::npos) {
        p_ = end_; // where the terminator should have been
        failExpected(terminator);
    }
    p_ += at + terminator.size();
    return rest.substr(0, at);
}
