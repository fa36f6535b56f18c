// JPEG through libjpeg-turbo. Its error handler must not return, so it longjmps back into the
// one function that called libjpeg; those functions hold only trivially destructible locals and
// C++ containers live in the callers' frames.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/ImageCodec.h"

namespace vexmora::platform {
namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// A file that ends early is damaged, not a picture with a grey bottom.
void JpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
    }
}

struct JpegHeader {
    JDIMENSION width;
    JDIMENSION height;
    bool cmyk;
};

bool ReadJpegHeader(jpeg_decompress_struct* info, const Bytes* data, JpegHeader* header) {
    if (setjmp(reinterpret_cast<JpegError*>(info->err)->jump)) {
        return false;
    }
    jpeg_mem_src(info, data->data(), static_cast<unsigned long>(data->size()));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    header->width = info->image_width;
    header->height = info->image_height;
    header->cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    return true;
}

bool ReadJpegPixels(jpeg_decompress_struct* info, const JpegHeader* header, std::uint8_t* pixels) {
    if (setjmp(reinterpret_cast<JpegError*>(info->err)->jump)) {
        return false;
    }
    info->out_color_space = header->cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(info);
    if (info->output_width != header->width || info->output_height != header->height ||
        info->output_components != 4) {
        return false;
    }
    const bool inverted = header->cmyk && info->saw_Adobe_marker;
    while (info->output_scanline < info->output_height) {
        std::uint8_t* row =
            pixels + static_cast<std::size_t>(info->output_scanline) * header->width * 4;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(info, rows, 1) != 1) {
            return false;
        }
        if (header->cmyk) {
            for (JDIMENSION x = 0; x < header->width; ++x) {
                std::uint8_t* p = row + x * 4;
                unsigned c = p[0], m = p[1], yl = p[2], k = p[3];
                if (!inverted) {
                    c = 255 - c, m = 255 - m, yl = 255 - yl, k = 255 - k;
                }
                p[0] = static_cast<std::uint8_t>(yl * k / 255);
                p[1] = static_cast<std::uint8_t>(m * k / 255);
                p[2] = static_cast<std::uint8_t>(c * k / 255);
                p[3] = 255;
            }
        }
    }
    jpeg_finish_decompress(info);
    return true;
}

class JpegReader {
public:
    JpegReader() {
        info.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = JpegErrorExit;
        error.manager.emit_message = JpegMessage;
        created = CreateDecompress(&info);
    }
    ~JpegReader() {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
    }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    static bool CreateDecompress(jpeg_decompress_struct* info) {
        if (setjmp(reinterpret_cast<JpegError*>(info->err)->jump)) {
            return false;
        }
        jpeg_create_decompress(info);
        return true;
    }

    JpegError error{};
    jpeg_decompress_struct info{};
    bool created = false;
};

bool WriteJpeg(jpeg_compress_struct* info, const DecodedImage* image, int quality,
               unsigned char** buffer, unsigned long* size) {
    if (setjmp(reinterpret_cast<JpegError*>(info->err)->jump)) {
        return false;
    }
    jpeg_mem_dest(info, buffer, size);
    info->image_width = static_cast<JDIMENSION>(image->width);
    info->image_height = static_cast<JDIMENSION>(image->height);
    info->input_components = 4;
    info->in_color_space = JCS_EXT_BGRA;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(image->pixels.data()) +
                            static_cast<std::size_t>(info->next_scanline) * image->width * 4};
        jpeg_write_scanlines(info, rows, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

class JpegWriter {
public:
    JpegWriter() {
        info.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = JpegErrorExit;
        error.manager.emit_message = [](j_common_ptr, int) {};
        created = CreateCompress(&info);
    }
    ~JpegWriter() {
        if (created) {
            jpeg_destroy_compress(&info);
        }
        std::free(buffer);
    }
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    static bool CreateCompress(jpeg_compress_struct* info) {
        if (setjmp(reinterpret_cast<JpegError*>(info->err)->jump)) {
            return false;
        }
        jpeg_create_compress(info);
        return true;
    }

    JpegError error{};
    jpeg_compress_struct info{};
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

} // namespace

std::optional<DecodedImage> DecodeJpeg(const Bytes& data) {
    if (data.size() < 3 || data[0] != 0xFF || data[1] != 0xD8) {
        return std::nullopt;
    }
    JpegReader reader;
    if (!reader.created) {
        return std::nullopt;
    }
    JpegHeader header{};
    if (!ReadJpegHeader(&reader.info, &data, &header) ||
        !WithinDecodeLimits(header.width, header.height)) {
        return std::nullopt;
    }
    DecodedImage image;
    image.width = static_cast<std::int32_t>(header.width);
    image.height = static_cast<std::int32_t>(header.height);
    try {
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!ReadJpegPixels(&reader.info, &header, image.pixels.data())) {
        return std::nullopt;
    }
    return image;
}

std::optional<Bytes> EncodeJpeg(const DecodedImage& image, int quality) {
    if (!WithinDecodeLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4 ||
        image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) {
        return std::nullopt;
    }
    JpegWriter writer;
    if (!writer.created ||
        !WriteJpeg(&writer.info, &image, quality, &writer.buffer, &writer.size)) {
        return std::nullopt;
    }
    return Bytes(writer.buffer, writer.buffer + writer.size);
}

} // namespace vexmora::platform
