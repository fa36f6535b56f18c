#include "imaging/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "imaging/LittleEndian.h"

namespace vexmora {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr auto U16 = little_endian::Get16;
constexpr auto U32 = little_endian::Get32;
using little_endian::Put16;
using little_endian::Put32;

// One channel of a bit-field pixel: where it sits and how wide it is.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            bits = std::popcount(mask >> shift);
        }
    }

    // The channel scaled to 0..255.
    std::uint8_t Extract(std::uint32_t value) const {
        if (mask == 0) {
            return 0;
        }
        std::uint32_t v = (value & mask) >> shift;
        if (bits >= 8) {
            return static_cast<std::uint8_t>(v >> (bits - 8));
        }
        // Spread the bits over the byte so that the maximum becomes 255.
        std::uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits) | v;
            filled += bits;
        }
        return static_cast<std::uint8_t>(out >> (filled - 8));
    }
};

} // namespace

bool LooksLikeBmp(const Bytes& data) {
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
}

namespace {

// Where everything lies in a BMP file, checked against the file's real length.
struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    std::uint32_t bitCount = 0;
    bool bitfields = false;
    Channel red, green, blue, alpha;
    std::vector<std::uint8_t> table; // blue, green, red per entry, 2^bits entries
    std::size_t start = 0;           // first stored row
    std::size_t stride = 0;

    const std::uint8_t* StoredRow(const std::uint8_t* file, std::int64_t y) const {
        return file + start + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y);
    }
};

std::optional<BmpLayout> ParseBmp(const Bytes& data) {
    const std::size_t size = data.size();
    if (!LooksLikeBmp(data) || size < 14 + 12) {
        return std::nullopt;
    }
    const std::uint8_t* file = data.data();
    const std::uint32_t pixelOffset = U32(file + 10);
    const std::uint32_t headerSize = U32(file + 14);
    if (headerSize < 12 || headerSize > size - 14) {
        return std::nullopt;
    }
    const std::uint8_t* info = file + 14;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        // The old core header: 16-bit sizes, 3-byte table entries.
        width = U16(info + 4);
        height = static_cast<std::int16_t>(U16(info + 6));
        bitCount = U16(info + 10);
        entrySize = 3;
    } else if (headerSize >= 40) {
        width = static_cast<std::int32_t>(U32(info + 4));
        height = static_cast<std::int32_t>(U32(info + 8));
        bitCount = U16(info + 14);
        compression = U32(info + 16);
        colorsUsed = U32(info + 32);
    } else {
        return std::nullopt;
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (!platform::WithinDecodeLimits(width, height)) {
        return std::nullopt;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return std::nullopt;
    }
    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !(bitfields && (bitCount == 16 || bitCount == 32))) {
        return std::nullopt;
    }

    // Masks: inside a V2+ header, or right behind a 40-byte one.
    std::size_t tableStart = 14 + headerSize;
    Channel red, green, blue, alpha;
    if (bitCount == 16 && !bitfields) {
        red = Channel(0x7C00), green = Channel(0x03E0), blue = Channel(0x001F);
    } else if (bitCount == 32 && !bitfields) {
        red = Channel(0xFF0000), green = Channel(0x00FF00), blue = Channel(0x0000FF);
    } else if (bitfields) {
        const std::size_t maskCount = compression == kBiAlphaBitfields ? 4 : 3;
        const std::uint8_t* masks = info + 40;
        if (headerSize < 40 + maskCount * 4) {
            if (tableStart + maskCount * 4 > size) {
                return std::nullopt;
            }
            masks = file + tableStart;
            tableStart += maskCount * 4;
        }
        red = Channel(U32(masks)), green = Channel(U32(masks + 4)), blue = Channel(U32(masks + 8));
        if (maskCount == 4 || headerSize >= 56) {
            alpha = Channel(U32(masks + 12));
        }
    }

    // Colour table: as many entries as the header says, at most 2^bits, and only what the file
    // really holds before the pixels; missing entries are black.
    std::vector<std::uint8_t> table; // blue, green, red per entry
    if (bitCount <= 8) {
        std::size_t entries = std::size_t{1} << bitCount;
        if (colorsUsed != 0 && colorsUsed < entries) {
            entries = colorsUsed;
        }
        std::size_t limit = size;
        if (pixelOffset >= tableStart && pixelOffset <= size) {
            limit = pixelOffset;
        }
        const std::size_t available = limit > tableStart ? (limit - tableStart) / entrySize : 0;
        entries = std::min(entries, available);
        table.assign((std::size_t{1} << bitCount) * 3, 0);
        for (std::size_t i = 0; i < entries; ++i) {
            std::memcpy(table.data() + i * 3, file + tableStart + i * entrySize, 3);
        }
    }

    const std::size_t stride = static_cast<std::size_t>(((width * bitCount + 31) >> 5) << 2);
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
    std::size_t start = pixelOffset;
    if (start < tableStart) {
        // An offset into the headers cannot be right; the rows follow the table.
        start = tableStart + (bitCount <= 8 ? (std::size_t{1} << bitCount) * entrySize : 0);
        if (colorsUsed != 0 && bitCount <= 8 && colorsUsed < (std::size_t{1} << bitCount)) {
            start = tableStart + colorsUsed * entrySize;
        }
    }
    if (start > size || size - start < pixelBytes) {
        return std::nullopt; // truncated
    }
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.topDown = topDown;
    layout.bitCount = bitCount;
    layout.bitfields = bitfields;
    layout.red = red, layout.green = green, layout.blue = blue, layout.alpha = alpha;
    layout.table = std::move(table);
    layout.start = start;
    layout.stride = stride;
    return layout;
}

} // namespace

std::optional<platform::DecodedImage> DecodeBmp(const Bytes& data) {
    const auto parsed = ParseBmp(data);
    if (!parsed) {
        return std::nullopt;
    }
    const BmpLayout& layout = *parsed;
    const std::uint8_t* file = data.data();
    const std::int64_t width = layout.width, height = layout.height;
    const std::uint32_t bitCount = layout.bitCount;
    const bool bitfields = layout.bitfields;
    const Channel &red = layout.red, &green = layout.green, &blue = layout.blue,
                  &alpha = layout.alpha;
    const std::vector<std::uint8_t>& table = layout.table;

    platform::DecodedImage image;
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    try {
        image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = layout.StoredRow(file, y);
        std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(y) * width * 4;
        switch (bitCount) {
        case 1:
        case 4:
        case 8: {
            const unsigned perByte = 8 / bitCount;
            const unsigned indexMask = (1u << bitCount) - 1;
            for (std::int64_t x = 0; x < width; ++x) {
                const std::uint8_t byte = row[x / perByte];
                const unsigned shift = 8 - bitCount * (1 + x % perByte);
                const unsigned index = (byte >> shift) & indexMask;
                std::memcpy(out + x * 4, table.data() + index * 3, 3);
                out[x * 4 + 3] = 255;
            }
            break;
        }
        case 24:
            for (std::int64_t x = 0; x < width; ++x) {
                std::memcpy(out + x * 4, row + x * 3, 3);
                out[x * 4 + 3] = 255;
            }
            break;
        case 32:
            if (!bitfields) {
                for (std::int64_t x = 0; x < width; ++x) {
                    std::memcpy(out + x * 4, row + x * 4, 3);
                    out[x * 4 + 3] = 255;
                }
                break;
            }
            [[fallthrough]];
        case 16:
            for (std::int64_t x = 0; x < width; ++x) {
                const std::uint32_t v = bitCount == 16 ? U16(row + x * 2) : U32(row + x * 4);
                out[x * 4] = blue.Extract(v);
                out[x * 4 + 1] = green.Extract(v);
                out[x * 4 + 2] = red.Extract(v);
                if (alpha.mask != 0) {
                    out[x * 4 + 3] = alpha.Extract(v);
                    anyAlpha = anyAlpha || out[x * 4 + 3] != 0;
                } else {
                    out[x * 4 + 3] = 255;
                }
            }
            break;
        }
    }
    if (alpha.mask != 0) {
        if (anyAlpha) {
            image.hasAlpha = true;
        } else {
            // An alpha mask with every value 0 means a writer that did not fill it in.
            for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
                image.pixels[i] = 255;
            }
        }
    }
    return image;
}

std::optional<Bytes> EncodeBmp(const platform::DecodedImage& image) {
    if (!platform::WithinDecodeLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        return std::nullopt;
    }
    const std::uint32_t bits = image.hasAlpha ? 32 : 24;
    const std::size_t stride = static_cast<std::size_t>(((image.width * bits + 31) >> 5) << 2);
    const std::size_t total = 54 + stride * static_cast<std::size_t>(image.height);
    Bytes out;
    try {
        out.assign(total, 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, static_cast<std::uint32_t>(total));
    Put32(p + 10, 54);
    Put32(p + 14, 40);
    Put32(p + 18, static_cast<std::uint32_t>(image.width));
    Put32(p + 22, static_cast<std::uint32_t>(image.height));
    Put16(p + 26, 1);
    Put16(p + 28, bits);
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* source =
            image.pixels.data() + static_cast<std::size_t>(y) * image.width * 4;
        std::uint8_t* row = p + 54 + stride * static_cast<std::size_t>(image.height - 1 - y);
        if (bits == 32) {
            std::memcpy(row, source, static_cast<std::size_t>(image.width) * 4);
        } else {
            for (std::int32_t x = 0; x < image.width; ++x) {
                std::memcpy(row + x * 3, source + x * 4, 3);
            }
        }
    }
    return out;
}

std::optional<BmpRowView> ViewBmpRows(const Bytes& data) {
    const auto layout = ParseBmp(data);
    if (!layout) {
        return std::nullopt;
    }
    // Only layouts whose bytes already are blue, green, red (and a byte without meaning).
    const bool plain24 = layout->bitCount == 24;
    const bool plain32 =
        layout->bitCount == 32 &&
        (!layout->bitfields || (layout->red.mask == 0xFF0000 && layout->green.mask == 0xFF00 &&
                                layout->blue.mask == 0xFF && layout->alpha.mask == 0));
    if (!plain24 && !plain32) {
        return std::nullopt;
    }
    BmpRowView view;
    view.width = static_cast<std::int32_t>(layout->width);
    view.height = static_cast<std::int32_t>(layout->height);
    view.bytesPerPixel = plain24 ? 3 : 4;
    view.top = layout->StoredRow(data.data(), 0);
    view.step = layout->topDown ? static_cast<std::ptrdiff_t>(layout->stride)
                                : -static_cast<std::ptrdiff_t>(layout->stride);
    return view;
}

std::optional<platform::DecodedImage> DecodeAnyImage(const Bytes& data) {
    if (LooksLikeBmp(data)) {
        return DecodeBmp(data);
    }
    return platform::DecodeImage(data);
}

} // namespace vexmora
