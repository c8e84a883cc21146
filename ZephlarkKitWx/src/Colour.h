#pragma once

// Colour operations of the toolkit's custom-drawn controls: edge and highlight shades derived from
// a fill colour through the HSL model. Every result is truncated toward zero, never rounded, so
// the shades match the toolkit's drawings on every platform to the last bit.

#include <wx/colour.h>

#include <cstdint>

namespace ZWX {

// kind 1: the stronger shade, for an outline; kind 2: the weaker one; 0 and any other kind: the
// colour unchanged. Dark colours are lightened, the others darkened; a translucent colour (alpha
// 1 to 254) keeps its channels and only becomes more opaque, its alpha capped at 255.
wxColour ShadeColour(const wxColour& colour, uint32_t kind);

// The colour with its HSL lightness moved by delta (negative darkens), kept within the larger of
// 0 and minimum, and 1.
wxColour ChangeLightness(const wxColour& colour, double delta, double minimum);

// Hue, saturation, lightness and alpha in 0 to 1 (values outside are clamped; a hue of 1 is red
// like 0).
wxColour ColourFromHSL(double hue, double saturation, double lightness, double alpha);

// True for a colour of luminance below one half; a fully transparent colour is never dark.
bool IsDark(const wxColour& colour);

} // namespace ZWX
