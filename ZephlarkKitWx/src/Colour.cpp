#include "Colour.h"

#include <algorithm>

namespace ZWX {

namespace {

constexpr double kOneThird = 1.0 / 3.0;
constexpr double kTwoThirds = 2.0 / 3.0;

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

// Hue, saturation, lightness and alpha in 0 to 1 (a hue of 1 is red like 0).
wxColour ColourFromHSL(double hue, double saturation, double lightness, double alpha)
{
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

// The colour with its HSL lightness moved by delta (negative darkens), kept within 0 and 1.
wxColour ChangeLightness(const wxColour& colour, double delta)
{
    const HSL hsl = ToHSL(Unit(colour.Red()), Unit(colour.Green()), Unit(colour.Blue()));
    const double lightness = std::clamp(hsl.lightness + delta, 0.0, 1.0);
    return ColourFromHSL(hsl.hue, hsl.saturation, lightness, Unit(colour.Alpha()));
}

// Below one half in luminance.
bool IsDark(const wxColour& colour)
{
    // Summed in double in this order, then narrowed to float: the threshold test is sensitive to
    // both for colours right at one half.
    const float luminance = static_cast<float>(
        Unit(colour.Green()) * 0.7152 + Unit(colour.Red()) * 0.2126 + Unit(colour.Blue()) * 0.0722);
    return 0.5 > luminance;
}

} // namespace

wxColour OutlineShade(const wxColour& fill)
{
    constexpr double kLightnessDelta = 0.13;
    return ChangeLightness(fill, IsDark(fill) ? kLightnessDelta : -kLightnessDelta);
}

} // namespace ZWX
