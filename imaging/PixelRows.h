#pragma once

#include <cstdint>
#include <optional>

#include "imaging/BmpCodec.h"
#include "net/Text.h"
#include "platform/ImageCodec.h"

namespace vexmora {

// The pixels of an encoded image as rows from the top, each pixel starting with blue, green,
// red. A plain 24- or 32-bit BMP (what the imaging steps hand each other) is read where it lies,
// without a copy; anything else is decoded. The colours are those of DecodeAnyImage.
class PixelRows {
public:
    // Nothing when the image cannot be decoded. `data` must outlive the result.
    static std::optional<PixelRows> Read(const Bytes& data);

    std::int32_t Width() const { return view_.width; }
    std::int32_t Height() const { return view_.height; }
    int BytesPerPixel() const { return view_.bytesPerPixel; }
    const std::uint8_t* Row(std::int32_t y) const {
        if (!decoded_.pixels.empty()) {
            return decoded_.pixels.data() + static_cast<std::size_t>(y) * decoded_.width * 4;
        }
        return view_.Row(y);
    }

private:
    BmpRowView view_;
    platform::DecodedImage decoded_;
};

} // namespace vexmora
