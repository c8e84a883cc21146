#include "Colour.h"

#include <algorithm>

namespace ZWX {

namespace {

constexpr double kOneThird = 1.0 / 3.0;
constexpr double kTwoThirds = 2.0 / 3.0;

struct Shade
{
    double lightnessDelta; // applied as +delta to dark colours, -delta to the others
    int alphaRaise;        // for translucent colours
};

struct HSL
{
    double hue;
    double saturation;
    double lightness;
};

double Unit(unsigned char channel)
{
    return channel / 255.0;
}

unsigned char Byte(double unit)
{
    // Truncation toward zero, as the toolkit has always converted.
    return static_cast<unsigned char>(static_cast<int>(unit * 255));
}

// Also maps NaN to 0.
double ClampUnit(double value)
{
    if (!(value > 0.0))
        return 0.0;
    if (!(value < 1.0))
        return 1.0;
    return value;
}

bool IsTranslucent(const wxColour& colour)
{
    return colour.Alpha() > 0 && colour.Alpha() < 255;
}

HSL ToHSL(double r, double g, double b)
{
    const double maximum = std::max({r, g, b});
    const double minimum = std::min({r, g, b});
    const double lightness = (maximum + minimum) * 0.5;
    const double range = maximum - minimum;
    if (lightness <= 0.0 || range <= 0.0)
        return {0.0, 0.0, lightness};

    const double saturation =
        lightness <= 0.5 ? range / (maximum + minimum) : range / (2.0 - maximum - minimum);
    const double rc = (maximum - r) / range;
    const double gc = (maximum - g) / range;
    const double bc = (maximum - b) / range;
    double hue;
    if (r == maximum)
        hue = g == minimum ? (5.0 + bc) / 6.0 : (1.0 - gc) / 6.0;
    else if (g == maximum)
        hue = b == minimum ? (1.0 + rc) / 6.0 : (3.0 - bc) / 6.0;
    else
        hue = r == minimum ? (3.0 + gc) / 6.0 : (5.0 - rc) / 6.0;
    return {hue, saturation, lightness};
}

// One channel of an HSL colour: t is the hue shifted by the channel's third of the circle.
double HueToChannel(double p, double q, double t)
{
    if (t < 0.0)
        t += 1.0;
    if (t > 1.0)
        t -= 1.0;
    if (6.0 * t < 1.0)
        return p + (q - p) * 6.0 * t;
    if (2.0 * t < 1.0)
        return q;
    if (3.0 * t < 2.0)
        return p + (q - p) * (kTwoThirds - t) * 6.0;
    return p;
}

wxColour ApplyShade(const wxColour& colour, const Shade& shade)
{
    if (IsTranslucent(colour)) {
        const int alpha = std::min(colour.Alpha() + shade.alphaRaise, 255);
        return wxColour(colour.Red(), colour.Green(), colour.Blue(), alpha);
    }
    const double delta = IsDark(colour) ? shade.lightnessDelta : -shade.lightnessDelta;
    return ChangeLightness(colour, delta, 0.0);
}

} // namespace

wxColour ShadeColour(const wxColour& colour, uint32_t kind)
{
    constexpr Shade kStrong{0.13, 24};
    constexpr Shade kWeak{0.11, 12};
    switch (kind) {
    case 1:
        return ApplyShade(colour, kStrong);
    case 2:
        return ApplyShade(colour, kWeak);
    default:
        return colour;
    }
}

wxColour ChangeLightness(const wxColour& colour, double delta, double minimum)
{
    const HSL hsl = ToHSL(Unit(colour.Red()), Unit(colour.Green()), Unit(colour.Blue()));
    double lightness = hsl.lightness + delta;
    if (lightness > 1.0)
        lightness = 1.0;
    else if (lightness < std::max(0.0, minimum))
        lightness = std::max(0.0, minimum);
    return ColourFromHSL(hsl.hue, hsl.saturation, lightness, Unit(colour.Alpha()));
}

wxColour ColourFromHSL(double hue, double saturation, double lightness, double alpha)
{
    hue = ClampUnit(hue);
    saturation = ClampUnit(saturation);
    lightness = ClampUnit(lightness);
    alpha = ClampUnit(alpha);
    if (saturation == 0.0) {
        const unsigned char grey = Byte(lightness);
        return wxColour(grey, grey, grey, Byte(alpha));
    }

    const double q = lightness < 0.5 ? lightness * (1.0 + saturation)
                                     : lightness + saturation - lightness * saturation;
    const double p = 2.0 * lightness - q;
    return wxColour(Byte(HueToChannel(p, q, hue + kOneThird)), Byte(HueToChannel(p, q, hue)),
                    Byte(HueToChannel(p, q, hue - kOneThird)), Byte(alpha));
}

bool IsDark(const wxColour& colour)
{
    // Summed in double in this order, then narrowed to float: the threshold test is sensitive to
    // both for colours right at one half.
    const float luminance = static_cast<float>(
        Unit(colour.Green()) * 0.7152 + Unit(colour.Red()) * 0.2126 + Unit(colour.Blue()) * 0.0722);
    return 0.5 > luminance && colour.Alpha() != 0;
}

} // namespace ZWX
