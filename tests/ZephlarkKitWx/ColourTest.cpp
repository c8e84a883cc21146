#include "Colour.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct ShadeCase
{
    const char* name;
    wxColour fill;
    wxColour expected;
};

void PrintTo(const ShadeCase& c, std::ostream* os)
{
    *os << c.name;
}

class OutlineShadeTest : public testing::TestWithParam<ShadeCase>
{
};

TEST_P(OutlineShadeTest, GivesTheExpectedShade)
{
    const wxColour shade = ZWX::OutlineShade(GetParam().fill);
    EXPECT_EQ(shade.GetRGBA(), GetParam().expected.GetRGBA())
        << "got (" << int(shade.Red()) << ", " << int(shade.Green()) << ", " << int(shade.Blue())
        << ", " << int(shade.Alpha()) << ")";
}

// Every channel is truncated, never rounded: an off-by-one here (a lightened blue of 255 rather
// than 254) means rounding crept in. The lamp's own green and red are read on the lamp.
INSTANTIATE_TEST_SUITE_P(
    Table, OutlineShadeTest,
    testing::Values(ShadeCase{"BlueLightensShortOfFull", {0, 0, 255}, {66, 66, 254, 255}},
                    ShadeCase{"BlackLightens", {0, 0, 0}, {33, 33, 33, 255}}),
    [](const testing::TestParamInfo<ShadeCase>& info) { return std::string(info.param.name); });

} // namespace
