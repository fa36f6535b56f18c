// GIF through giflib: the first frame, composed on the logical screen. giflib reports errors
// by return codes, so plain RAII is safe here. Records are walked by hand (not DGifSlurp) so
// that the claimed sizes are checked before any raster memory is taken.
#include <algorithm>
#include <cstring>
#include <map>
#include <new>

#include <gif_lib.h>

#include "platform/ImageCodec.h"

namespace vexmora::platform {
namespace {

struct GifSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

int GifRead(GifFileType* gif, GifByteType* out, int length) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    if (length <= 0) {
        return 0;
    }
    std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(length), source->size - source->position);
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
    return static_cast<int>(count);
}

class GifReader {
public:
    explicit GifReader(GifSource* source) {
        int error = 0;
        gif = DGifOpen(source, GifRead, &error);
    }
    ~GifReader() {
        if (gif) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;

    GifFileType* gif = nullptr;
};

// Reads one frame's indexes into `indexes` (frameWidth x frameHeight), in display order.
bool ReadFrame(GifFileType* gif, std::vector<GifByteType>& indexes, int frameWidth,
               int frameHeight) {
    if (gif->Image.Interlace) {
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = kStart[pass]; y < frameHeight; y += kStep[pass]) {
                if (DGifGetLine(gif, indexes.data() + static_cast<std::size_t>(y) * frameWidth,
                                frameWidth) != GIF_OK) {
                    return false;
                }
            }
        }
        return true;
    }
    for (int y = 0; y < frameHeight; ++y) {
        if (DGifGetLine(gif, indexes.data() + static_cast<std::size_t>(y) * frameWidth,
                        frameWidth) != GIF_OK) {
            return false;
        }
    }
    return true;
}

class GifWriter {
public:
    explicit GifWriter(Bytes* out) {
        int error = 0;
        gif = EGifOpen(out, Write, &error);
    }
    ~GifWriter() { Close(); }
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    bool Close() {
        if (!gif) {
            return true;
        }
        int error = 0;
        bool ok = EGifCloseFile(gif, &error) == GIF_OK;
        gif = nullptr;
        return ok;
    }

    static int Write(GifFileType* gif, const GifByteType* data, int length) {
        auto* out = static_cast<Bytes*>(gif->UserData);
        try {
            out->insert(out->end(), data, data + length);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        return length;
    }

    GifFileType* gif = nullptr;
};

std::uint32_t Rgb(const std::uint8_t* bgra) {
    return static_cast<std::uint32_t>(bgra[2]) << 16 | static_cast<std::uint32_t>(bgra[1]) << 8 |
           bgra[0];
}

} // namespace

std::optional<DecodedImage> DecodeGif(const Bytes& data) {
    if (data.size() < 6 || std::memcmp(data.data(), "GIF", 3) != 0) {
        return std::nullopt;
    }
    GifSource source{data.data(), data.size(), 0};
    GifReader reader(&source);
    GifFileType* gif = reader.gif;
    if (!gif) {
        return std::nullopt;
    }
    int transparent = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) != GIF_OK) {
            return std::nullopt;
        }
        if (record == TERMINATE_RECORD_TYPE) {
            return std::nullopt; // no frame at all
        }
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
                return std::nullopt;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                transparent = (block[1] & 1) ? block[4] : -1;
            }
            while (block) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
                    return std::nullopt;
                }
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) {
            return std::nullopt;
        }
        if (DGifGetImageDesc(gif) != GIF_OK) {
            return std::nullopt;
        }
        const int frameLeft = gif->Image.Left;
        const int frameTop = gif->Image.Top;
        const int frameWidth = gif->Image.Width;
        const int frameHeight = gif->Image.Height;
        // Some writers leave the screen size 0; the frame then gives the size.
        const int width = gif->SWidth > 0 ? gif->SWidth : frameLeft + frameWidth;
        const int height = gif->SHeight > 0 ? gif->SHeight : frameTop + frameHeight;
        if (!WithinDecodeLimits(width, height) || !WithinDecodeLimits(frameWidth, frameHeight)) {
            return std::nullopt;
        }
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || map->ColorCount <= 0) {
            return std::nullopt;
        }
        DecodedImage image;
        std::vector<GifByteType> indexes;
        try {
            indexes.resize(static_cast<std::size_t>(frameWidth) * frameHeight);
            image.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
        if (!ReadFrame(gif, indexes, frameWidth, frameHeight)) {
            return std::nullopt;
        }
        image.width = width;
        image.height = height;
        bool covered =
            frameLeft == 0 && frameTop == 0 && frameWidth >= width && frameHeight >= height;
        bool sawTransparent = false;
        for (int y = 0; y < frameHeight; ++y) {
            const int ty = frameTop + y;
            if (ty >= height) {
                break;
            }
            for (int x = 0; x < frameWidth; ++x) {
                const int tx = frameLeft + x;
                if (tx >= width) {
                    break;
                }
                const int index = indexes[static_cast<std::size_t>(y) * frameWidth + x];
                std::uint8_t* p =
                    image.pixels.data() + (static_cast<std::size_t>(ty) * width + tx) * 4;
                if (index == transparent) {
                    sawTransparent = true;
                    continue;
                }
                // An index past the table shows as black, as viewers do.
                if (index < map->ColorCount) {
                    const GifColorType& c = map->Colors[index];
                    p[0] = c.Blue;
                    p[1] = c.Green;
                    p[2] = c.Red;
                }
                p[3] = 255;
            }
        }
        image.hasAlpha = sawTransparent || !covered;
        return image;
    }
}

std::optional<Bytes> EncodeGif(const DecodedImage& image) {
    if (!WithinDecodeLimits(image.width, image.height) || image.width > 65535 ||
        image.height > 65535 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        return std::nullopt;
    }
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    const bool anyTransparent = [&] {
        if (!image.hasAlpha) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (image.pixels[i * 4 + 3] < 128) {
                return true;
            }
        }
        return false;
    }();
    const int maxColors = anyTransparent ? 255 : 256;

    // An exact table when the picture has few colours, else a fixed 6 x 7 x 6 cube.
    std::map<std::uint32_t, int> exact;
    for (std::size_t i = 0; i < count && static_cast<int>(exact.size()) <= maxColors; ++i) {
        const std::uint8_t* p = image.pixels.data() + i * 4;
        if (anyTransparent && p[3] < 128) {
            continue;
        }
        exact.emplace(Rgb(p), 0);
    }
    const bool useExact = static_cast<int>(exact.size()) <= maxColors;
    std::vector<GifColorType> colors;
    if (useExact) {
        for (auto& [rgb, index] : exact) {
            index = static_cast<int>(colors.size());
            colors.push_back({static_cast<GifByteType>(rgb >> 16),
                              static_cast<GifByteType>(rgb >> 8), static_cast<GifByteType>(rgb)});
        }
    } else {
        for (int r = 0; r < 6; ++r) {
            for (int g = 0; g < 7; ++g) {
                for (int b = 0; b < 6; ++b) {
                    colors.push_back({static_cast<GifByteType>(r * 255 / 5),
                                      static_cast<GifByteType>(g * 255 / 6),
                                      static_cast<GifByteType>(b * 255 / 5)});
                }
            }
        }
    }
    const int transparentIndex = anyTransparent ? static_cast<int>(colors.size()) : -1;
    if (anyTransparent) {
        colors.push_back({0, 0, 0});
    }
    int tableSize = 2;
    while (tableSize < static_cast<int>(colors.size())) {
        tableSize *= 2;
    }
    colors.resize(static_cast<std::size_t>(tableSize), GifColorType{0, 0, 0});
    int bits = 1;
    while ((1 << bits) < tableSize) {
        ++bits;
    }

    std::vector<GifByteType> indexes(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = image.pixels.data() + i * 4;
        if (anyTransparent && p[3] < 128) {
            indexes[i] = static_cast<GifByteType>(transparentIndex);
        } else if (useExact) {
            indexes[i] = static_cast<GifByteType>(exact[Rgb(p)]);
        } else {
            const int r = (p[2] * 5 + 127) / 255, g = (p[1] * 6 + 127) / 255,
                      b = (p[0] * 5 + 127) / 255;
            indexes[i] = static_cast<GifByteType>((r * 7 + g) * 6 + b);
        }
    }

    Bytes out;
    {
        GifWriter writer(&out);
        if (!writer.gif) {
            return std::nullopt;
        }
        ColorMapObject* map = GifMakeMapObject(tableSize, colors.data());
        if (!map) {
            return std::nullopt;
        }
        EGifSetGifVersion(writer.gif, anyTransparent);
        bool ok = EGifPutScreenDesc(writer.gif, image.width, image.height, bits, 0, map) == GIF_OK;
        if (ok && anyTransparent) {
            GraphicsControlBlock control{};
            control.DisposalMode = DISPOSAL_UNSPECIFIED;
            control.TransparentColor = transparentIndex;
            GifByteType extension[4];
            const std::size_t length = EGifGCBToExtension(&control, extension);
            ok = EGifPutExtension(writer.gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                  extension) == GIF_OK;
        }
        ok = ok && EGifPutImageDesc(writer.gif, 0, 0, image.width, image.height, false, nullptr) ==
                       GIF_OK;
        for (int y = 0; ok && y < image.height; ++y) {
            ok = EGifPutLine(writer.gif, indexes.data() + static_cast<std::size_t>(y) * image.width,
                             image.width) == GIF_OK;
        }
        GifFreeMapObject(map);
        if (!writer.Close() || !ok) {
            return std::nullopt;
        }
    }
    return out;
}

} // namespace vexmora::platform
