#pragma once

#include <string_view>

#include "net/Text.h"

namespace vexmora {

// A local time of day.
struct ClockReading {
    int hour = 0;   // 0..23
    int minute = 0; // 0..59
    int second = 0; // 0..60
};

// The local time now. Safe to call from any thread.
ClockReading LocalClock();

// Hour, "时", minute, "分", second, "秒", decimal without leading zeros: "9时5分3秒".
Text ClockText(const ClockReading& clock);

// A log line: the clock text followed directly by the message (which begins with a space),
// then CR LF.
Text LogLine(const ClockReading& clock, std::string_view message);

} // namespace vexmora
