#include "Colour.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct ShadeCase
{
    const char* name;
    wxColour colour;
    uint32_t kind;
    wxColour expected;
};

void PrintTo(const ShadeCase& c, std::ostream* os)
{
    *os << c.name;
}

class ShadeColourTest : public testing::TestWithParam<ShadeCase>
{
};

TEST_P(ShadeColourTest, GivesTheExpectedShade)
{
    const ShadeCase& c = GetParam();
    const wxColour shade = ZWX::ShadeColour(c.colour, c.kind);
    EXPECT_EQ(shade.GetRGBA(), c.expected.GetRGBA())
        << "got (" << int(shade.Red()) << ", " << int(shade.Green()) << ", " << int(shade.Blue())
        << ", " << int(shade.Alpha()) << ")";
}

// Every channel is truncated, never rounded: an off-by-one here (a lightened blue of 255 rather
// than 254) means rounding crept in. The lamp's own green and red are read on the lamp.
INSTANTIATE_TEST_SUITE_P(
    Table, ShadeColourTest,
    testing::Values(ShadeCase{"BlueLightensShortOfFull", {0, 0, 255}, 1, {66, 66, 254, 255}},
                    ShadeCase{"BlackLightens", {0, 0, 0}, 1, {33, 33, 33, 255}},
                    ShadeCase{"WhiteDarkensLess", {255, 255, 255}, 2, {226, 226, 226, 255}},
                    ShadeCase{"TransparentBlackIsNotDark", {0, 0, 0, 0}, 1, {0, 0, 0, 0}},
                    ShadeCase{
                        "TranslucentAlphaStopsAtOpaque", {10, 20, 30, 240}, 1, {10, 20, 30, 255}},
                    ShadeCase{"UnknownKindKeepsColour", {255, 0, 0}, 3, {255, 0, 0}}),
    [](const testing::TestParamInfo<ShadeCase>& info) { return std::string(info.param.name); });

} // namespace
