#pragma once

#include <cstdint>

#include "net/Text.h"

namespace vexmora {

// Puts `second` to the right of `first` (vertical = false) or below it (vertical = true) and
// returns the picture as a 32-bit bottom-up BMP file image (54 + 4 * W * H bytes). The canvas is
// as long as both images along the joining axis and as wide as the larger across it; the smaller
// image is centred across it (an odd spare pixel goes after it) on `background`, a colour
// R | G<<8 | B<<16 where 0 means white. An input that cannot be decoded is left out; when neither
// can be decoded the result is a 54-byte BMP of 0 x 0 pixels.
Bytes JoinImages(const Bytes& first, const Bytes& second, bool vertical,
                 std::uint32_t background = 0);

} // namespace vexmora
