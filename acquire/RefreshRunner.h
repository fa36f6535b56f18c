#pragma once

// <chrono> itself cannot be compiled with GBK literals (its "µs" has no GBK form); <thread>
// brings the durations.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "acquire/CycleHost.h"
#include "acquire/RefreshCycle.h"

namespace vexmora {

// Runs refresh cycles on one worker thread of its own, one at a time whatever the timer does.
//
// The window's refresh timer stays the only thing that starts a cycle: its tick calls Tick().
// Everything that asks for a refresh (the button and tray item "获取地球图片", start-up, a change
// of source or quality) calls RefreshNow(), which arms the timer at 100 ms; while a cycle runs it
// is remembered instead, and that cycle's end arms the timer at 100 ms rather than from the
// interval setting, so the request is not lost.
class RefreshRunner {
public:
    RefreshRunner(CycleHost& host, CycleEnvironment environment);
    // Waits for a running cycle to end (its network calls end at the transport's time-outs, or
    // at once after platform::CancelAllTransfers()). No host call is made afterwards.
    ~RefreshRunner();
    RefreshRunner(const RefreshRunner&) = delete;
    RefreshRunner& operator=(const RefreshRunner&) = delete;

    // The timer's tick: reads the quality and hands a cycle to the worker. A tick while a cycle
    // runs does nothing (the timer has not been stopped yet, or was re-armed meanwhile) and
    // returns false.
    bool Tick();

    // Arms the timer at 100 ms, or, while a cycle runs, makes that cycle end by doing so.
    void RefreshNow();

    // True from the tick that started a cycle until that cycle has armed the timer.
    bool Running() const;

    // Waits until no cycle runs and none is starting; false when `timeout` passed first.
    bool WaitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    class Completion;
    void Work();

    CycleHost& host_;
    const CycleEnvironment environment_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool running_ = false;      // a cycle was handed over and has not finished
    bool startQueued_ = false;  // the worker has yet to take the cycle
    int quality_ = 0;           // the quality read by the tick that queued it
    bool refreshAgain_ = false; // RefreshNow during the cycle
    bool quitting_ = false;
    std::thread worker_; // last: started once everything above is in place
};

} // namespace vexmora
