#include "imaging/PixelRows.h"

namespace vexmora {

std::optional<PixelRows> PixelRows::Read(const Bytes& data) {
    PixelRows rows;
    if (const auto view = ViewBmpRows(data)) {
        rows.view_ = *view;
        return rows;
    }
    auto decoded = DecodeAnyImage(data);
    if (!decoded) {
        return std::nullopt;
    }
    rows.view_.width = decoded->width;
    rows.view_.height = decoded->height;
    rows.view_.bytesPerPixel = 4;
    rows.decoded_ = std::move(*decoded);
    return rows;
}

} // namespace vexmora
