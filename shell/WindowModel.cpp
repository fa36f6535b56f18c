#include "shell/WindowModel.h"

#include <algorithm>
#include <utility>

namespace vexmora {

WindowModel::Subscription::~Subscription() {
    Reset();
}

WindowModel::Subscription::Subscription(Subscription&& other) noexcept
    : model_(std::exchange(other.model_, nullptr)), id_(std::exchange(other.id_, 0)) {}

WindowModel::Subscription& WindowModel::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        Reset();
        model_ = std::exchange(other.model_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void WindowModel::Subscription::Reset() {
    if (model_) {
        model_->Unsubscribe(id_);
        model_ = nullptr;
    }
}

WindowModel::WindowModel() : picture_(std::make_shared<const Bytes>()) {
    state_.menuEnabled.fill(true);
    state_.controlEnabled.fill(true);
}

WindowModel::Subscription WindowModel::Subscribe(Listener listener) {
    std::lock_guard lock(listenersMutex_);
    std::uint64_t id = nextListenerId_++;
    listeners_.emplace_back(id, std::move(listener));
    return Subscription(this, id);
}

void WindowModel::Unsubscribe(std::uint64_t id) {
    std::lock_guard lock(listenersMutex_);
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void WindowModel::Notify(const WindowChange& change) {
    std::lock_guard lock(listenersMutex_);
    for (const auto& entry : listeners_) {
        entry.second(change);
    }
}

bool WindowModel::IsChecked(CheckBoxId box) const {
    std::lock_guard lock(mutex_);
    return state_.checked[IndexOf(box)];
}

void WindowModel::SetChecked(CheckBoxId box, bool checked) {
    {
        std::lock_guard lock(mutex_);
        if (std::exchange(state_.checked[IndexOf(box)], checked) == checked) {
            return;
        }
    }
    Notify({WindowChange::Kind::CheckBox, IndexOf(box)});
}

int WindowModel::SelectedIndex(ListId list) const {
    std::lock_guard lock(mutex_);
    return state_.selected[IndexOf(list)];
}

int WindowModel::SelectIndex(ListId list, int index) {
    int taken = index < 0 ? -1 : std::min(index, ItemCount(list) - 1);
    {
        std::lock_guard lock(mutex_);
        if (std::exchange(state_.selected[IndexOf(list)], taken) == taken) {
            return taken;
        }
    }
    Notify({WindowChange::Kind::List, IndexOf(list)});
    return taken;
}

bool WindowModel::IsMenuChecked(MenuItemId item) const {
    std::lock_guard lock(mutex_);
    return state_.menuChecked[IndexOf(item)];
}

void WindowModel::SetMenuChecked(MenuItemId item, bool checked) {
    {
        std::lock_guard lock(mutex_);
        if (std::exchange(state_.menuChecked[IndexOf(item)], checked) == checked) {
            return;
        }
    }
    Notify({WindowChange::Kind::MenuMark, IndexOf(item)});
}

bool WindowModel::IsMenuEnabled(MenuItemId item) const {
    std::lock_guard lock(mutex_);
    return state_.menuEnabled[IndexOf(item)];
}

void WindowModel::SetMenuEnabled(MenuItemId item, bool enabled) {
    {
        std::lock_guard lock(mutex_);
        if (std::exchange(state_.menuEnabled[IndexOf(item)], enabled) == enabled) {
            return;
        }
    }
    Notify({WindowChange::Kind::MenuEnabled, IndexOf(item)});
}

bool WindowModel::IsEnabled(ControlId control) const {
    std::lock_guard lock(mutex_);
    return state_.controlEnabled[IndexOf(control)];
}

void WindowModel::SetEnabled(ControlId control, bool enabled) {
    {
        std::lock_guard lock(mutex_);
        if (std::exchange(state_.controlEnabled[IndexOf(control)], enabled) == enabled) {
            return;
        }
    }
    Notify({WindowChange::Kind::ControlEnabled, IndexOf(control)});
}

std::shared_ptr<const Bytes> WindowModel::Picture() const {
    std::lock_guard lock(mutex_);
    return picture_;
}

std::size_t WindowModel::PictureSize() const {
    std::lock_guard lock(mutex_);
    return picture_->size();
}

void WindowModel::SetPicture(Bytes picture) {
    auto shared = std::make_shared<const Bytes>(std::move(picture));
    {
        std::lock_guard lock(mutex_);
        picture_ = std::move(shared);
    }
    Notify({WindowChange::Kind::Picture});
}

void WindowModel::AppendLog(const Text& text) {
    if (text.empty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        log_ += text;
        logLines_ += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        // Trim in steps rather than on every line, so a reader rarely has to start afresh.
        constexpr std::size_t slack = kLogLineLimit / 10;
        if (logLines_ > kLogLineLimit + slack) {
            std::size_t drop = logLines_ - kLogLineLimit;
            std::size_t cut = 0;
            for (std::size_t i = 0; i < drop; ++i) {
                cut = log_.find('\n', cut) + 1;
            }
            log_.erase(0, cut);
            logStart_ += cut;
            logLines_ -= drop;
        }
    }
    Notify({WindowChange::Kind::Log});
}

Text WindowModel::LogText() const {
    std::lock_guard lock(mutex_);
    return log_;
}

WindowModel::LogDelta WindowModel::LogSince(std::uint64_t position) const {
    std::lock_guard lock(mutex_);
    LogDelta delta;
    delta.end = logStart_ + log_.size();
    if (position < logStart_ || position > delta.end) {
        delta.reset = true;
        delta.text = log_;
    } else {
        delta.text = log_.substr(static_cast<std::size_t>(position - logStart_));
    }
    return delta;
}

int WindowModel::TimerPeriod() const {
    std::lock_guard lock(mutex_);
    return state_.timerPeriodMs;
}

void WindowModel::SetTimerPeriod(int milliseconds) {
    {
        std::lock_guard lock(mutex_);
        state_.timerPeriodMs = std::max(milliseconds, 0);
        ++timerGeneration_;
    }
    Notify({WindowChange::Kind::Timer});
}

std::uint64_t WindowModel::TimerGeneration() const {
    std::lock_guard lock(mutex_);
    return timerGeneration_;
}

WindowState WindowModel::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

} // namespace vexmora
