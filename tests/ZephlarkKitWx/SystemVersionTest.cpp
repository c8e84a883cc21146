#include <gtest/gtest.h>

#include "SystemVersion.h"

namespace {

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
    testing::Values(Ordering{"2.5", "2.5.1", -1}, Ordering{"2.9", "2.5.9", 1},
                    Ordering{"1.10", "1.9", 1}, Ordering{"2.05", "2.5", 0},
                    // what the parser makes of odd texts: empty, unsupported and zero texts are
                    // zero; a dot without digits skips the next character; parsing stops at an
                    // unsupported character; trailing zero components go, "00" is no zero
                    Ordering{"", "0.0", 0}, Ordering{"x", "0", 0}, Ordering{"1..2", "1.2", 0},
                    Ordering{"1.x5", "1.5", 0}, Ordering{"1.", "1", 0},
                    Ordering{"2.5-rc1", "2.5", 0}, Ordering{"2.5.0.0", "2.5", 0},
                    Ordering{"2.5.00", "2.5", 1},
                    // suffix letters: a bare letter counts 1, a release outranks them, then
                    // "b" > "a" > "d", each by its number, which never spills into the next letter
                    Ordering{"1.2a", "1.2a1", 0}, Ordering{"2.5", "2.5a1", 1},
                    Ordering{"2.5a1", "2.5b1", -1}, Ordering{"2.5d2", "2.5d1", 1},
                    Ordering{"2.5b1d9", "2.5b2", -1}, Ordering{"2.5a10", "2.5b1", -1},
                    Ordering{"2.5b1", "2.5a1d1000", 1},
                    // numbers beyond any integer type still order correctly
                    Ordering{"1.99999999999999999999999", "1.100000000000000000000000", -1},
                    Ordering{"3.0a99999999999999999999", "3.0a99999999999999999998", 1}));

} // namespace
