// PNG through libpng. libpng reports errors by longjmp, so every function that calls into it
// under a setjmp holds only trivially destructible locals; C++ containers live in the callers'
// frames, which a longjmp never crosses.
#include <csetjmp>
#include <cstring>
#include <new>

#include <png.h>

#include "platform/ImageCodec.h"

namespace vexmora::platform {
namespace {

struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->position) {
        png_error(png, "truncated");
    }
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    bool hasAlpha;
};

// Reads up to the image data and sets the transformations to 8-bit BGRA.
bool ReadPngHeader(png_structp png, png_infop info, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &bitDepth, &colorType, &interlace,
                 nullptr, nullptr);
    header->hasAlpha =
        (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(header->width) * 4;
}

bool ReadPngRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Owns the libpng read structures.
class PngReader {
public:
    PngReader() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (png) {
            info = png_create_info_struct(png);
        }
    }
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

struct PngSink {
    Bytes* out;
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    if (!stored) {
        png_error(png, "out of memory");
    }
}

void PngFlush(png_structp) {}

bool WritePngImage(png_structp png, png_infop info, const DecodedImage* image, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(image->width),
                 static_cast<png_uint_32>(image->height), 8,
                 image->hasAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!image->hasAlpha) {
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

class PngWriter {
public:
    PngWriter() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (png) {
            info = png_create_info_struct(png);
        }
    }
    ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool Consistent(const DecodedImage& image) {
    return WithinDecodeLimits(image.width, image.height) &&
           image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 4;
}

} // namespace

std::optional<DecodedImage> DecodePng(const Bytes& data) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
        return std::nullopt;
    }
    PngReader reader;
    if (!reader.png || !reader.info) {
        return std::nullopt;
    }
    // libpng's own guard, in case a header slips past ours.
    png_set_user_limits(reader.png, kMaxImageSide, kMaxImageSide);
    PngSource source{data.data(), data.size(), 0};
    png_set_read_fn(reader.png, &source, PngRead);

    PngHeader header{};
    if (!ReadPngHeader(reader.png, reader.info, &header) ||
        !WithinDecodeLimits(header.width, header.height)) {
        return std::nullopt;
    }
    DecodedImage image;
    image.width = static_cast<std::int32_t>(header.width);
    image.height = static_cast<std::int32_t>(header.height);
    image.hasAlpha = header.hasAlpha;
    std::vector<png_bytep> rows;
    try {
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
        rows.resize(static_cast<std::size_t>(image.height));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (std::int32_t y = 0; y < image.height; ++y) {
        rows[y] = image.pixels.data() + static_cast<std::size_t>(y) * image.width * 4;
    }
    if (!ReadPngRows(reader.png, reader.info, rows.data())) {
        return std::nullopt;
    }
    return image;
}

std::optional<Bytes> EncodePng(const DecodedImage& image) {
    if (!Consistent(image)) {
        return std::nullopt;
    }
    PngWriter writer;
    if (!writer.png || !writer.info) {
        return std::nullopt;
    }
    Bytes out;
    PngSink sink{&out};
    png_set_write_fn(writer.png, &sink, PngWrite, PngFlush);
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (std::int32_t y = 0; y < image.height; ++y) {
        rows[y] = const_cast<png_bytep>(image.pixels.data()) +
                  static_cast<std::size_t>(y) * image.width * 4;
    }
    if (!WritePngImage(writer.png, writer.info, &image, rows.data())) {
        return std::nullopt;
    }
    return out;
}

} // namespace vexmora::platform
