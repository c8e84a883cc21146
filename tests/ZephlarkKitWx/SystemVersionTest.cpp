#include <gtest/gtest.h>

#include "LogCapture.h"
#include "SystemVersion.h"

namespace {

using Components = std::vector<std::string>;

const char* const kMissingDigitWarning =
    "SystemVersion: Warning, found \".\" without a following digit value.";

TEST(SystemVersion, EmptyZeroAndUnsupportedTextsAllParseToZero)
{
    LogCapture log;
    for (const char* text : {"", "0.0", "x"}) {
        const SystemVersion version(text);
        EXPECT_EQ(version.components, Components{"0"}) << text;
        EXPECT_EQ(version.suffixA + version.suffixB + version.suffixD, "000") << text;
    }
    EXPECT_EQ(log.Messages(),
              std::vector<wxString>{"SystemVersion: Found unsupported character in version string, "
                                    "bailing:\"x\"."});
}

TEST(SystemVersion, SuffixLettersTakeTheirNumbersOrOne)
{
    const SystemVersion bare("1.2a");
    EXPECT_EQ(bare.components, (Components{"1", "2"}));
    EXPECT_EQ(bare.suffixA, "1");
    const SystemVersion all("1.2a3b4d5");
    EXPECT_EQ(all.suffixA, "3");
    EXPECT_EQ(all.suffixB, "4");
    EXPECT_EQ(all.suffixD, "5");
}

TEST(SystemVersion, DotWithoutDigitsWarnsAndSkipsTheNextCharacter)
{
    LogCapture log;
    EXPECT_EQ(SystemVersion("1..2").components, (Components{"1", "2"}));
    EXPECT_EQ(SystemVersion("1.").components, Components{"1"});
    EXPECT_EQ(SystemVersion("1.x5").components, (Components{"1", "5"})); // the x is skipped
    EXPECT_EQ(log.Count(kMissingDigitWarning), 3u);
}

TEST(SystemVersion, ParsingStopsAtAnUnsupportedCharacterKeepingWhatCameBefore)
{
    LogCapture log;
    EXPECT_EQ(SystemVersion("2.5-rc1").components, (Components{"2", "5"}));
    EXPECT_EQ(SystemVersion(wxString::FromUTF8("\xc3\xa9")).components,
              Components{"0"}); // no single-byte form
    EXPECT_EQ(log.Messages().size(), 2u);
}

TEST(SystemVersion, TrailingZeroComponentsAreDroppedButNotZeroPadded)
{
    EXPECT_EQ(SystemVersion("2.5.0.0").components, (Components{"2", "5"}));
    EXPECT_EQ(SystemVersion("2.5.00").components, (Components{"2", "5", "00"}));
    EXPECT_EQ(SystemVersion("0.0.0").components, Components{"0"});
}

struct Ordering
{
    const char* a;
    const char* b;
    int expected;
};

class SystemVersionOrdering : public testing::TestWithParam<Ordering>
{
};

TEST_P(SystemVersionOrdering, ComparesBothWays)
{
    const Ordering& o = GetParam();
    EXPECT_EQ(SystemVersion(o.a).Compare(SystemVersion(o.b)), o.expected) << o.a << " vs " << o.b;
    EXPECT_EQ(SystemVersion(o.b).Compare(SystemVersion(o.a)), -o.expected) << o.b << " vs " << o.a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SystemVersionOrdering,
    testing::Values(Ordering{"2.5", "2.5.1", -1}, Ordering{"2.6", "2.5.9", 1},
                    Ordering{"2.5", "2.5.0", 0}, Ordering{"2.05", "2.5", 0},
                    Ordering{"2.5", "2.5a1", 1}, Ordering{"2.5a1", "2.5b1", -1},
                    Ordering{"2.5d2", "2.5d1", 1}, Ordering{"2.5b1d9", "2.5b2", -1},
                    // a suffix number of 10 or more stays within its letter
                    Ordering{"2.5a10", "2.5b1", -1}, Ordering{"2.5b1", "2.5a1d1000", 1},
                    // more components after an equal part is newer, never older
                    Ordering{"2.5.1", "2.5", 1},
                    // numbers beyond any integer type still order correctly
                    Ordering{"1.99999999999999999999999", "1.100000000000000000000000", -1},
                    Ordering{"3.0a99999999999999999999", "3.0a99999999999999999998", 1},
                    Ordering{"3.0b100000000000000000000", "3.0a1", 1}, Ordering{"1.10", "1.9", 1}));

} // namespace
