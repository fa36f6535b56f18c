#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Pictures of an Earth-like full disk, made and encoded by the simulator itself so that its
// answers never depend on the program's own imaging code.
namespace vexmora::satsim {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// An 8-bit RGB picture, rows from the top.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 3

    Rgb At(int x, int y) const;
    void Set(int x, int y, Rgb colour);
};

// The dominant colour of each quadrant of the disk: 0 top left, 1 top right, 2 bottom left,
// 3 bottom right. They are far apart from each other, from black (space) and from white (the
// background of a join), so a picture's layout can be read back by colour.
const std::array<Rgb, 4>& QuadrantColours();

// A square picture of `size` pixels: a black sky with a round disk whose four quadrants have
// the colours above, lightly darkened towards the rim and crossed by thin cloud bands. The
// middle of each quadrant (at a quarter and three quarters of the size) is plain colour.
RgbImage RenderEarthDisk(int size);

// The block of `source` at (x, y), width x height.
RgbImage Crop(const RgbImage& source, int x, int y, int width, int height);

// One colour all over.
RgbImage Solid(int width, int height, Rgb colour);

std::string EncodePng(const RgbImage& image);
std::string EncodeJpeg(const RgbImage& image, int quality = 90);

// Bytes that open like a picture of that format but hold none: every decoder must reject them.
std::string GarbagePng();
std::string GarbageJpeg();

} // namespace vexmora::satsim
