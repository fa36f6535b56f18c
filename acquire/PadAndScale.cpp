#include "acquire/PadAndScale.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "imaging/BmpCodec.h"
#include "imaging/ConvertImage.h"
#include "imaging/JoinImages.h"
#include "imaging/ScaleImage.h"
#include "platform/FileSystem.h"
#include "platform/ImageCodec.h"

namespace vexmora {
namespace {

Bytes MakeStrip(int width, int height) {
    platform::DecodedImage image;
    image.width = width;
    image.height = height;
    image.hasAlpha = true;
    image.pixels.resize(static_cast<size_t>(width) * height * 4, 0);
    for (size_t i = 3; i < image.pixels.size(); i += 4) {
        image.pixels[i] = 255; // blue, green, red 0; opaque
    }
    return platform::EncodePng(image).value_or(Bytes{});
}

int PictureHeight(const Bytes& picture) {
    if (auto rows = ViewBmpRows(picture)) {
        return rows->height; // the cycle's pictures are BMP files: no decoding needed
    }
    return ImageHeight(picture);
}

// Each strip is made for a square picture as high as itself. A picture of another height (the
// FengYun-4A high-definition mosaic of four 256-pixel tiles is 512 pixels high, its strip 1024)
// would stand on white bands and come out squashed; it gets a strip of the same shape at its
// own height instead, so the framed Earth stays round.
Bytes StripForPicture(const Bytes& picture, const Bytes& strip) {
    const int pictureHeight = PictureHeight(picture);
    const int stripHeight = ImageHeight(strip);
    if (pictureHeight <= 0 || stripHeight <= 0 || pictureHeight == stripHeight) {
        return strip;
    }
    const double width = std::round(double(ImageWidth(strip)) * pictureHeight / stripHeight);
    Bytes matched = MakeStrip(std::max(1, static_cast<int>(width)), pictureHeight);
    return matched.empty() ? strip : matched;
}

} // namespace

CycleSize CycleSizeFor(int size) {
    switch (size) {
    case 0:
        return {640, 480};
    case 1:
        return {800, 600};
    case 2:
        return {1024, 768};
    case 3:
        return {1280, 960};
    default:
        return {0, 0};
    }
}

const Bytes& PadStrip(PadStripKind kind) {
    static const Bytes strip550 = MakeStrip(91, 550);
    static const Bytes strip1024 = MakeStrip(170, 1024);
    static const Bytes strip1100 = MakeStrip(183, 1100);
    switch (kind) {
    case PadStripKind::FengYunHd1024:
        return strip1024;
    case PadStripKind::HimawariHd1100:
        return strip1100;
    case PadStripKind::Fast550:
        break;
    }
    return strip550;
}

Text WithTrailingSlash(const Text& folder) {
    Text out = folder;
    while (!out.empty() && out.back() == '/') {
        out.pop_back();
    }
    out.push_back('/');
    return out;
}

bool PadAndScale(const Bytes& picture, const Bytes& strip, CycleSize size, const Text& dataFolder) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const Bytes frame = StripForPicture(picture, strip);
    Bytes first = JoinImages(picture, frame, false);
    Bytes second = JoinImages(frame, first, false);
    Bytes scaled = ScaleImage(second, size.width, size.height, true);
    return platform::WriteWholeFile(WithTrailingSlash(dataFolder) + kWallpaperPictureName, scaled);
}

} // namespace vexmora
