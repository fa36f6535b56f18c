#pragma once

// <chrono> itself cannot be compiled with GBK literals (its "µs" has no GBK form); <thread>
// brings the durations.
#include <functional>
#include <thread>

#include "acquire/ClockText.h"
#include "acquire/CycleHost.h"
#include "acquire/Endpoints.h"
#include "acquire/WallpaperActions.h"
#include "net/Text.h"

namespace vexmora {

// What a cycle works with besides the window.
struct CycleEnvironment {
    Text dataFolder; // where "vxmr_1.png" and "vxmr.png" go (GBK path; a trailing '/' is added)
    Endpoints endpoints = CompiledEndpoints();
    WallpaperActions* wallpaper = nullptr;                // null: DesktopWallpaperActions()
    std::function<void(std::chrono::milliseconds)> pause; // null: sleep on the calling thread
    std::function<ClockReading()> clock;                  // null: LocalClock
};

// How the last step re-arms the timer. The runner uses it to keep a refresh that was asked for
// while the cycle ran: Complete must call `arm` exactly once, with true when such a request is
// pending, and may hold a lock around it so that no request slips in between.
class CycleCompletion {
public:
    virtual ~CycleCompletion() = default;
    virtual void Complete(const std::function<void(bool refreshAgain)>& arm) = 0;
};

// The period a cycle's end arms the timer with when a refresh was asked for meanwhile, and
// the one RefreshNow sets.
inline constexpr int kRefreshSoonMs = 100;
// One step of the interval setting.
inline constexpr int kIntervalStepMs = 600000;

// One refresh cycle, blocking the calling thread. Fast ("流畅"): one thumbnail, scaled to
// 550 x 550 for FengYun-4A; a picture counts only when it is more than 58 bytes and decodes.
// High definition ("高清"): four tiles joined; any joined picture counts. Both fall back to the
// other source once when allowed, log every stage, write the files, set the wallpaper when
// wanted, and end by enabling the controls and arming the timer from the interval setting
// (or at kRefreshSoonMs when `completion` says a refresh is pending).
void RunFastCycle(CycleHost& host, const CycleEnvironment& environment,
                  CycleCompletion* completion = nullptr);
void RunHdCycle(CycleHost& host, const CycleEnvironment& environment,
                CycleCompletion* completion = nullptr);

// RunFastCycle for quality 0, RunHdCycle otherwise.
void RunRefreshCycle(int quality, CycleHost& host, const CycleEnvironment& environment,
                     CycleCompletion* completion = nullptr);

} // namespace vexmora
