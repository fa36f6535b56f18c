#include "tools/satsim/Pictures.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

#include <jpeglib.h>
#include <png.h>

namespace vexmora::satsim {

Rgb RgbImage::At(int x, int y) const {
    const std::uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

void RgbImage::Set(int x, int y, Rgb colour) {
    std::uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

const std::array<Rgb, 4>& QuadrantColours() {
    // Ocean blue, forest green, sand, rust.
    static const std::array<Rgb, 4> colours = {Rgb{30, 80, 200}, Rgb{40, 170, 60},
                                               Rgb{225, 190, 80}, Rgb{170, 50, 40}};
    return colours;
}

RgbImage Solid(int width, int height, Rgb colour) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.Set(x, y, colour);
        }
    }
    return image;
}

RgbImage RenderEarthDisk(int size) {
    RgbImage image = Solid(size, size, Rgb{0, 0, 0});
    const double centre = size / 2.0;
    const double radius = size * 0.49;
    const double quiet = size * 0.09; // cloud-free patch around each quadrant's middle
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = x + 0.5 - centre;
            double dy = y + 0.5 - centre;
            double r = std::sqrt(dx * dx + dy * dy) / radius;
            if (r > 1.0) {
                continue;
            }
            int quadrant = (dx < 0 ? 0 : 1) + (dy < 0 ? 0 : 2);
            Rgb base = QuadrantColours()[quadrant];
            double shade = 1.0 - 0.35 * std::pow(r, 4);
            double qx = (quadrant % 2 == 0 ? 0.25 : 0.75) * size;
            double qy = (quadrant < 2 ? 0.25 : 0.75) * size;
            double fromMiddle = std::hypot(x + 0.5 - qx, y + 0.5 - qy);
            double cloud = 0.0;
            if (fromMiddle > quiet) {
                double band = std::sin((dy / radius) * 19.0 + std::sin((dx / radius) * 7.0) * 1.7);
                cloud = band > 0.93 ? (band - 0.93) / 0.07 * 0.8 : 0.0;
            }
            auto mix = [&](std::uint8_t channel) {
                double value = (channel * (1.0 - cloud) + 245.0 * cloud) * shade;
                return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
            };
            image.Set(x, y, Rgb{mix(base.r), mix(base.g), mix(base.b)});
        }
    }
    return image;
}

RgbImage Crop(const RgbImage& source, int x0, int y0, int width, int height) {
    RgbImage image = Solid(width, height, Rgb{0, 0, 0});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sx = x0 + x;
            int sy = y0 + y;
            if (sx >= 0 && sy >= 0 && sx < source.width && sy < source.height) {
                image.Set(x, y, source.At(sx, sy));
            }
        }
    }
    return image;
}

namespace {

void AppendPngData(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

[[noreturn]] void PngFailed(png_structp, png_const_charp message) {
    throw std::runtime_error(std::string("png encoder: ") + message);
}

void PngWarning(png_structp, png_const_charp) {}

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void JpegFailed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

std::string Repeat(std::string_view unit, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out.append(unit);
    }
    return out;
}

} // namespace

std::string EncodePng(const RgbImage& image) {
    std::string out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, PngWarning);
    if (!png) {
        throw std::runtime_error("png encoder: no memory");
    }
    png_infop info = png_create_info_struct(png);
    struct Release {
        png_structp* png;
        png_infop* info;
        ~Release() { png_destroy_write_struct(png, info); }
    } release{&png, &info};
    if (!info) {
        throw std::runtime_error("png encoder: no memory");
    }
    png_set_write_fn(png, &out, AppendPngData, nullptr);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, &image.pixels[static_cast<size_t>(y) * image.width * 3]);
    }
    png_write_end(png, nullptr);
    return out;
}

std::string EncodeJpeg(const RgbImage& image, int quality) {
    jpeg_compress_struct info{};
    JpegErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegFailed;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw std::runtime_error("jpeg encoder failed");
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &image.pixels[static_cast<size_t>(info.next_scanline) * image.width * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

std::string GarbagePng() {
    // The signature, then text where the first chunk should be: its length and CRC are wrong.
    return std::string("\x89PNG\r\n\x1a\n", 8) + Repeat("this is not a picture; ", 40);
}

std::string GarbageJpeg() {
    // Start of image, then no marker at all: a decoder finds no frame header.
    return std::string("\xFF\xD8", 2) + Repeat("this is not a picture; ", 40);
}

} // namespace vexmora::satsim
