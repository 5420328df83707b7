// The font height to ask for so that a line of whatever face the font mapper
// realises is no taller than a line of the Japanese UI face at that size:
// the layout's field heights fit whole lines of that face exactly.
#pragma once

#include <functional>

namespace runesuka {

// `pitch` is the UI face's line height in pixels, which for that face (no
// internal leading) is its em height. `lineHeight` realises a font for an
// lfHeight and returns its tmHeight. The usual request by em height
// (-pitch) is kept when its lines fit; otherwise cell heights from `pitch`
// down are tried until one fits, since the mapper may round such a request
// up by a pixel. Returns the height of the last font realised.
int FittingFontHeight(int pitch, const std::function<int(int lfHeight)>& lineHeight);

}  // namespace runesuka
