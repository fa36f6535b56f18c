#include "acquire/ClockText.h"

#include <ctime>
#include <mutex>
#include <string>

namespace vexmora {

ClockReading LocalClock() {
    // std::localtime shares one result buffer; the lock keeps the log lines of the worker and
    // of the user-interface thread from reading each other's.
    static std::mutex mutex;
    std::time_t now = std::time(nullptr);
    std::lock_guard lock(mutex);
    const std::tm* parts = std::localtime(&now);
    if (!parts) {
        return {};
    }
    return {parts->tm_hour, parts->tm_min, parts->tm_sec};
}

Text ClockText(const ClockReading& clock) {
    return std::to_string(clock.hour) + "时" + std::to_string(clock.minute) + "分" +
           std::to_string(clock.second) + "秒";
}

Text LogLine(const ClockReading& clock, std::string_view message) {
    Text line = ClockText(clock);
    line.append(message);
    line.append("\r\n");
    return line;
}

} // namespace vexmora
