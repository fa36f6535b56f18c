#include "tests/support/Xvfb.h"

#include "platform/CommandRunner.h"

#include <cctype>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace vexmora::test {

std::uint32_t Screenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0xFFFFFFFFu;
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return rgb[at] | (rgb[at + 1] << 8) | (rgb[at + 2] << 16);
}

std::optional<Screenshot> ParsePpm(const std::string& data) {
    std::size_t at = 0;
    auto token = [&]() {
        while (at < data.size()) {
            if (data[at] == '#') {
                while (at < data.size() && data[at] != '\n')
                    ++at;
            } else if (std::isspace(static_cast<unsigned char>(data[at]))) {
                ++at;
            } else {
                break;
            }
        }
        const std::size_t start = at;
        while (at < data.size() && !std::isspace(static_cast<unsigned char>(data[at])))
            ++at;
        return data.substr(start, at - start);
    };
    if (token() != "P6")
        return std::nullopt;
    Screenshot shot;
    try {
        shot.width = std::stoi(token());
        shot.height = std::stoi(token());
        if (std::stoi(token()) != 255)
            return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
    ++at; // the one white-space byte before the pixels
    const std::size_t size = static_cast<std::size_t>(shot.width) * shot.height * 3;
    if (shot.width <= 0 || shot.height <= 0 || data.size() < at + size)
        return std::nullopt;
    shot.rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                    data.begin() + static_cast<std::ptrdiff_t>(at + size));
    return shot;
}

std::unique_ptr<Xvfb> Xvfb::Start(int width, int height) {
    if (!platform::SystemCommandRunner().IsInstalled("Xvfb"))
        return nullptr;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return nullptr;
    const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "x24";
    auto server =
        BackgroundProcess::Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset",
                                  "-nolisten", "tcp", "-screen", "0", geometry},
                                 {}, false, {fds[1]});
    ::close(fds[1]);
    std::string pending;
    std::string line;
    const bool ready = server && ReadLineFrom(fds[0], pending, line, 10000) && !line.empty();
    ::close(fds[0]);
    if (!ready)
        return nullptr;
    std::unique_ptr<Xvfb> xvfb(new Xvfb());
    xvfb->server_ = std::move(server);
    xvfb->display_ = ":" + line;
    return xvfb;
}

std::optional<Screenshot> Xvfb::GrabRoot() const {
    const platform::CommandResult result = platform::SystemCommandRunner().Run(
        {"import", "-display", display_, "-window", "root", "-depth", "8", "ppm:-"}, 20000);
    if (!result.Succeeded())
        return std::nullopt;
    return ParsePpm(result.output);
}

} // namespace vexmora::test
