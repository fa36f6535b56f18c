#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/BackgroundProcess.h"

namespace vexmora::test {

// The pixels of a window, rows from the top.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // 3 bytes a pixel: red, green, blue
    // The colour at a pixel as R | G << 8 | B << 16.
    std::uint32_t Pixel(int x, int y) const;
};

// A virtual X server for one test: on a display it picks itself (-displayfd), kept alive
// between clients (-noreset) so that a root-window background set by a short-lived tool
// stays. Tests call Start() and skip when it returns nothing.
class Xvfb {
public:
    // Nothing when Xvfb is not installed or does not come up within a few seconds.
    static std::unique_ptr<Xvfb> Start(int width = 320, int height = 240);

    // ":N", for DISPLAY.
    const std::string& display() const { return display_; }

    // The root window's pixels (through ImageMagick's import); nothing when it is missing.
    std::optional<Screenshot> GrabRoot() const;

private:
    std::unique_ptr<BackgroundProcess> server_;
    std::string display_;
};

// Reads a binary PPM (P6, maxval 255).
std::optional<Screenshot> ParsePpm(const std::string& data);

} // namespace vexmora::test
