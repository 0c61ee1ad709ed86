#include "SearchQuery.h"
#include "TextFold.h"
#include "Windows1250.h"

#include <gtest/gtest.h>

namespace {

// The searchable text of a track as Library builds it, from UTF-8 tags.
std::string track(std::string_view name, std::string_view artist, std::string_view album)
{
    return TextFold::fold(Windows1250::fromUtf8(std::string(name) + '\n' + std::string(artist) + '\n'
                                                + std::string(album)));
}

} // namespace

TEST(TextFold, CzechLettersLoseCaseAndAccents)
{
    // "Příliš žluťoučký kůň ĎÁBEL" in Windows-1250.
    EXPECT_EQ(TextFold::fold("P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \xCF\xC1" "BEL"),
              "prilis zlutoucky kun dabel");
    EXPECT_EQ(TextFold::fold("\xA3\xB3\xDF"), "lls");           // Ł ł ß
    EXPECT_EQ(TextFold::fold("A-b\x96" "c"), "a-b c");          // en dash is no letter
}

TEST(SearchQuery, WordsMustAllOccurInNameArtistOrAlbum)
{
    const std::string t = track("Ranní rosa", "Modrý Kámen", "Ticho před bouří");
    // Text arrives as Windows-1250: "ranni" typed without accents, "KÁMEN" in capitals.
    EXPECT_TRUE(SearchQuery::parse("ranni").matches(t, 128));
    EXPECT_TRUE(SearchQuery::parse("K\xC1MEN  rosa").matches(t, 128));
    EXPECT_TRUE(SearchQuery::parse("bou\xF8\xED").matches(t, 128));
    EXPECT_FALSE(SearchQuery::parse("rosa jaro").matches(t, 128));
    // A word does not run across two fields.
    EXPECT_FALSE(SearchQuery::parse("rosamodry").matches(t, 128));
}

TEST(SearchQuery, BitrateFilters)
{
    const std::string t = track("Jaro", "A", "B");
    EXPECT_TRUE(SearchQuery::parse("kbs:128").matches(t, 128));
    EXPECT_FALSE(SearchQuery::parse("kbs:128").matches(t, 192));
    EXPECT_TRUE(SearchQuery::parse("kbs>192").matches(t, 256));
    EXPECT_FALSE(SearchQuery::parse("kbs>192").matches(t, 192));
    EXPECT_TRUE(SearchQuery::parse("kbs<128").matches(t, 64));
    EXPECT_FALSE(SearchQuery::parse("kbs<128").matches(t, 128));
    EXPECT_TRUE(SearchQuery::parse("KBS>100 jaro").matches(t, 128));
    EXPECT_FALSE(SearchQuery::parse("kbs>100 leto").matches(t, 128));
    // Spaces around the operator are forgiven.
    EXPECT_TRUE(SearchQuery::parse("kbs > 192 jaro").matches(t, 256));
    EXPECT_EQ(SearchQuery::parse("kbs: 128").filters().size(), 1u);
    EXPECT_EQ(SearchQuery::parse("kbs >192").words().size(), 0u);
    // Two filters make a range.
    EXPECT_TRUE(SearchQuery::parse("kbs>100 kbs<200").matches(t, 160));
    EXPECT_FALSE(SearchQuery::parse("kbs>100 kbs<200").matches(t, 256));
}

TEST(SearchQuery, MalformedFiltersAreWordsAndEmptyTextsFindNothing)
{
    const SearchQuery q = SearchQuery::parse("kbs>abc kbs: kbs>-5 kbs");
    EXPECT_TRUE(q.filters().empty());
    EXPECT_EQ(q.words().size(), 4u);
    // An operator without a number leaves the next word a word.
    const SearchQuery w = SearchQuery::parse("kbs: jaro");
    EXPECT_TRUE(w.filters().empty());
    EXPECT_EQ(w.words(), (std::vector<std::string>{"kbs:", "jaro"}));
    EXPECT_TRUE(SearchQuery::parse("").isEmpty());
    EXPECT_TRUE(SearchQuery::parse("   \t ").isEmpty());
    EXPECT_FALSE(SearchQuery::parse("kbs:128").isEmpty());
    // A huge number is no filter and cannot overflow.
    EXPECT_TRUE(SearchQuery::parse("kbs>99999999999999999999").filters().empty());
}

TEST(SearchQuery, ThePairFilterNeverLosesAMatch)
{
    const std::vector<std::string> texts = {track("Žluťoučký kůň", "Jiří Novák 12", "Ranní déšť 55"),
                                            track("a", "b", ""), track("Ďábel & spol.", "X-Y", "1 2 3"),
                                            track("Óda na radost", "Beethoven", "9")};
    for (const std::string &t : texts) {
        const BigramSet pairs = BigramSet::of(t);
        // Every piece of the text as a word, alone and with another piece.
        for (size_t from = 0; from < t.size(); ++from) {
            for (size_t length = 1; from + length <= t.size(); ++length) {
                const std::string word = t.substr(from, length);
                const SearchQuery q = SearchQuery::parse(word + " " + t.substr(0, 2));
                EXPECT_EQ(q.matches(t, pairs, 128), q.matches(t, 128)) << "'" << word << "' in '" << t << "'";
            }
        }
        for (const char *other : {"zzzz", "novak 13", "kun zluty", "kbs:128", "kbs:64 a"})
            EXPECT_EQ(SearchQuery::parse(other).matches(t, pairs, 128), SearchQuery::parse(other).matches(t, 128))
                << other;
    }
}

TEST(SearchQuery, ThePairFilterTurnsAwayMostTextsWithoutTheWord)
{
    // Texts like a catalogue's: the word's letters are common, the word is not.
    int without = 0, turnedAway = 0;
    const SearchQuery q = SearchQuery::parse("hvezda");
    for (int i = 0; i < 1000; ++i) {
        const std::string t = track("Píseň " + std::to_string(i) + " o řece", "Zdeněk Havel " + std::to_string(i % 37),
                                    "Večerní vzduch " + std::to_string(i / 10));
        if (q.matches(t, 128))
            continue;
        ++without;
        turnedAway += BigramSet::of(t).mayContain(BigramSet::of("hvezda")) ? 0 : 1;
    }
    EXPECT_EQ(without, 1000);
    EXPECT_GT(turnedAway, 900);
}
