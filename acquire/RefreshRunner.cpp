#include "acquire/RefreshRunner.h"

namespace vexmora {

// Ends a cycle under the runner's lock, so that a RefreshNow either happens before (and makes
// the end arm the timer at 100 ms) or after (and arms it itself): it is never overwritten.
class RefreshRunner::Completion : public CycleCompletion {
public:
    explicit Completion(RefreshRunner& runner) : runner_(runner) {}
    void Complete(const std::function<void(bool)>& arm) override {
        std::lock_guard lock(runner_.mutex_);
        bool again = runner_.refreshAgain_;
        runner_.refreshAgain_ = false;
        arm(again);
        runner_.running_ = false;
        runner_.changed_.notify_all();
    }

private:
    RefreshRunner& runner_;
};

RefreshRunner::RefreshRunner(CycleHost& host, CycleEnvironment environment)
    : host_(host), environment_(std::move(environment)), worker_([this] { Work(); }) {}

RefreshRunner::~RefreshRunner() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

bool RefreshRunner::Tick() {
    int quality = host_.Quality();
    {
        std::lock_guard lock(mutex_);
        if (running_ || quitting_) {
            return false;
        }
        running_ = true;
        startQueued_ = true;
        quality_ = quality;
    }
    changed_.notify_all();
    return true;
}

void RefreshRunner::RefreshNow() {
    std::lock_guard lock(mutex_);
    if (running_) {
        refreshAgain_ = true;
    } else {
        host_.SetTimerPeriod(kRefreshSoonMs);
    }
}

bool RefreshRunner::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

bool RefreshRunner::WaitUntilIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !running_; });
}

void RefreshRunner::Work() {
    Completion completion(*this);
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return startQueued_ || quitting_; });
        if (quitting_) {
            running_ = false;
            startQueued_ = false;
            changed_.notify_all();
            return;
        }
        startQueued_ = false;
        int quality = quality_;
        lock.unlock();
        RunRefreshCycle(quality, host_, environment_, &completion);
        lock.lock();
    }
}

} // namespace vexmora
