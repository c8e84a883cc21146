#pragma once

// The colour operation of the toolkit's custom-drawn controls: an outline's shade derived from a
// fill colour through the HSL model. Every result is truncated toward zero, never rounded, so the
// shade matches the toolkit's drawings on every platform to the last bit.

#include <wx/colour.h>

namespace ZWX {

// The fill's outline: a dark fill lightened, any other darkened, its alpha kept.
wxColour OutlineShade(const wxColour& fill);

} // namespace ZWX
