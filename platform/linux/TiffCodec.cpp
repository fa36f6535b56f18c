// TIFF through libtiff over a memory buffer: the first page, read by libtiff's RGBA interface
// so that every photometric and compression it knows is covered. libtiff reports errors by
// return codes; its messages are silenced per file.
#include <algorithm>
#include <cstring>
#include <new>

#include <tiffio.h>

#include "platform/ImageCodec.h"

namespace vexmora::platform {
namespace {

// A memory file: reads a fixed buffer, or grows `out` on writes.
struct TiffMemory {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    Bytes* out = nullptr;
    std::size_t position = 0;
};

tsize_t TiffRead(thandle_t handle, tdata_t buffer, tsize_t length) {
    auto* file = static_cast<TiffMemory*>(handle);
    const std::size_t size = file->out ? file->out->size() : file->size;
    const std::uint8_t* data = file->out ? file->out->data() : file->data;
    if (length <= 0 || file->position >= size) {
        return 0;
    }
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(length), size - file->position);
    std::memcpy(buffer, data + file->position, count);
    file->position += count;
    return static_cast<tsize_t>(count);
}

tsize_t TiffWrite(thandle_t handle, tdata_t buffer, tsize_t length) {
    auto* file = static_cast<TiffMemory*>(handle);
    if (!file->out || length < 0) {
        return -1;
    }
    try {
        const std::size_t end = file->position + static_cast<std::size_t>(length);
        if (end > file->out->size()) {
            file->out->resize(end);
        }
        std::memcpy(file->out->data() + file->position, buffer, static_cast<std::size_t>(length));
        file->position = end;
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return length;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<TiffMemory*>(handle);
    const std::size_t size = file->out ? file->out->size() : file->size;
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = file->position;
    } else if (whence == SEEK_END) {
        base = size;
    }
    const std::uint64_t target = base + offset;
    // Reading: no seeking past the end. Writing: libtiff may seek ahead and write there.
    if (!file->out && target > size) {
        return static_cast<toff_t>(-1);
    }
    if (target > (std::uint64_t{1} << 40)) {
        return static_cast<toff_t>(-1);
    }
    file->position = static_cast<std::size_t>(target);
    return target;
}

int TiffClose(thandle_t) {
    return 0;
}

toff_t TiffSize(thandle_t handle) {
    auto* file = static_cast<TiffMemory*>(handle);
    return file->out ? file->out->size() : file->size;
}

int TiffMap(thandle_t, tdata_t*, toff_t*) {
    return 0;
}
void TiffUnmap(thandle_t, tdata_t, toff_t) {}

int TiffQuiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

class TiffFile {
public:
    TiffFile(TiffMemory* memory, const char* mode) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options) {
            TIFFOpenOptionsSetErrorHandlerExtR(options, TiffQuiet, nullptr);
            TIFFOpenOptionsSetWarningHandlerExtR(options, TiffQuiet, nullptr);
            TIFFOpenOptionsSetMaxSingleMemAlloc(options, 512 * 1024 * 1024);
            tiff = TIFFClientOpenExt("memory", mode, memory, TiffRead, TiffWrite, TiffSeek,
                                     TiffClose, TiffSize, TiffMap, TiffUnmap, options);
            TIFFOpenOptionsFree(options);
        }
    }
    ~TiffFile() {
        if (tiff) {
            TIFFClose(tiff);
        }
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    // Flushes and closes; false when the last writes failed.
    bool Close() {
        bool ok = true;
        if (tiff) {
            ok = TIFFFlush(tiff) == 1;
            TIFFClose(tiff);
            tiff = nullptr;
        }
        return ok;
    }

    TIFF* tiff = nullptr;
};

} // namespace

std::optional<DecodedImage> DecodeTiff(const Bytes& data) {
    if (data.size() < 8) {
        return std::nullopt;
    }
    TiffMemory memory;
    memory.data = data.data();
    memory.size = data.size();
    TiffFile file(&memory, "rm");
    if (!file.tiff) {
        return std::nullopt;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(file.tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(file.tiff, TIFFTAG_IMAGELENGTH, &height) != 1 ||
        !WithinDecodeLimits(width, height)) {
        return std::nullopt;
    }
    char message[1024] = {};
    if (TIFFRGBAImageOK(file.tiff, message) != 1) {
        return std::nullopt;
    }
    std::uint16_t extraCount = 0;
    std::uint16_t* extraTypes = nullptr;
    const bool hasAlpha =
        TIFFGetField(file.tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) == 1 &&
        extraCount > 0;

    DecodedImage image;
    image.width = static_cast<std::int32_t>(width);
    image.height = static_cast<std::int32_t>(height);
    image.hasAlpha = hasAlpha;
    try {
        image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    auto* raster = reinterpret_cast<std::uint32_t*>(image.pixels.data());
    if (TIFFReadRGBAImageOriented(file.tiff, width, height, raster, ORIENTATION_TOPLEFT, 1) != 1) {
        return std::nullopt;
    }
    // libtiff packs R in the lowest byte; ours is blue first.
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        std::uint8_t* p = image.pixels.data() + i * 4;
        std::swap(p[0], p[2]);
    }
    return image;
}

std::optional<Bytes> EncodeTiff(const DecodedImage& image) {
    if (!WithinDecodeLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        return std::nullopt;
    }
    Bytes out;
    TiffMemory memory;
    memory.out = &out;
    TiffFile file(&memory, "w");
    if (!file.tiff) {
        return std::nullopt;
    }
    const std::uint16_t samples = image.hasAlpha ? 4 : 3;
    TIFF* tiff = file.tiff;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    if (image.hasAlpha) {
        std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * samples);
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* source =
            image.pixels.data() + static_cast<std::size_t>(y) * image.width * 4;
        for (std::int32_t x = 0; x < image.width; ++x) {
            std::uint8_t* target = row.data() + static_cast<std::size_t>(x) * samples;
            target[0] = source[x * 4 + 2];
            target[1] = source[x * 4 + 1];
            target[2] = source[x * 4];
            if (samples == 4) {
                target[3] = source[x * 4 + 3];
            }
        }
        if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) != 1) {
            return std::nullopt;
        }
    }
    if (!file.Close()) {
        return std::nullopt;
    }
    return out;
}

} // namespace vexmora::platform
