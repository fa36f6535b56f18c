#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "net/Text.h"
#include "shell/WindowIds.h"

// The state of the main window and its tray menu, apart from any toolkit: check boxes, list
// selections, menu check marks, enabled states, the picture, the log text and the refresh
// timer's period. Every method may be called from any thread; the window layer mirrors the
// state on its own thread through the change notification.
//
// Setting a value here never runs a control's handler: handlers are run only by the window
// layer, for changes the user makes.
namespace vexmora {

struct WindowChange {
    enum class Kind { CheckBox, List, MenuMark, MenuEnabled, ControlEnabled, Picture, Log, Timer };
    Kind kind;
    // Which check box, list, menu item or control changed (its IndexOf); 0 for the rest.
    std::size_t index = 0;
    friend bool operator==(const WindowChange&, const WindowChange&) = default;
};

// A copy of the whole state at one moment (without the picture and the log).
struct WindowState {
    std::array<bool, kCheckBoxCount> checked{};
    std::array<int, kListCount> selected{};
    std::array<bool, kMenuItemCount> menuChecked{};
    std::array<bool, kMenuItemCount> menuEnabled{};
    std::array<bool, kControlCount> controlEnabled{};
    int timerPeriodMs = 0;
};

class WindowModel {
public:
    // The log keeps at most this many of its newest lines.
    static constexpr std::size_t kLogLineLimit = 5000;

    // Called on the thread that made the change, after the change is in place. A listener
    // must not subscribe or unsubscribe from inside the call.
    using Listener = std::function<void(const WindowChange&)>;

    // Keeps a listener registered for its own lifetime.
    class Subscription {
    public:
        Subscription() = default;
        ~Subscription();
        Subscription(Subscription&& other) noexcept;
        Subscription& operator=(Subscription&& other) noexcept;
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;

    private:
        friend class WindowModel;
        Subscription(WindowModel* model, std::uint64_t id) : model_(model), id_(id) {}
        void Reset();
        WindowModel* model_ = nullptr;
        std::uint64_t id_ = 0;
    };

    // The state of a new window: boxes unchecked, lists on their first item, marks cleared,
    // everything enabled, no picture, empty log, timer stopped.
    WindowModel();
    WindowModel(const WindowModel&) = delete;
    WindowModel& operator=(const WindowModel&) = delete;

    // The model must outlive every subscription it hands out.
    [[nodiscard]] Subscription Subscribe(Listener listener);

    bool IsChecked(CheckBoxId box) const;
    void SetChecked(CheckBoxId box, bool checked);

    // The selected item, -1 when none.
    int SelectedIndex(ListId list) const;
    // Selects as a drop-down list does: an index above the last item selects the last item, a
    // negative one selects none (-1). Returns the index now selected.
    int SelectIndex(ListId list, int index);

    bool IsMenuChecked(MenuItemId item) const;
    void SetMenuChecked(MenuItemId item, bool checked);
    bool IsMenuEnabled(MenuItemId item) const;
    void SetMenuEnabled(MenuItemId item, bool enabled);

    bool IsEnabled(ControlId control) const;
    void SetEnabled(ControlId control, bool enabled);

    // The picture box's picture as encoded image bytes (never null; empty when there is none).
    std::shared_ptr<const Bytes> Picture() const;
    std::size_t PictureSize() const;
    void SetPicture(Bytes picture);

    // Appends text at the end of the log (the window layer scrolls to it). Only the newest
    // kLogLineLimit lines are kept.
    void AppendLog(const Text& text);
    Text LogText() const;

    // What the log gained since `position` (a value of `end` from an earlier call; 0 at first).
    // `reset` is set when text before the gain was dropped in between: `text` is then the
    // whole log and replaces what the reader had.
    struct LogDelta {
        bool reset = false;
        Text text;
        std::uint64_t end = 0;
    };
    LogDelta LogSince(std::uint64_t position) const;

    // The refresh timer's period in milliseconds; 0 means stopped. Every call restarts the
    // countdown, even with the period it already has (a negative period stops the timer).
    int TimerPeriod() const;
    void SetTimerPeriod(int milliseconds);
    // Counts the calls of SetTimerPeriod, so a mirror can tell a restart from no change.
    std::uint64_t TimerGeneration() const;

    WindowState Snapshot() const;

private:
    void Notify(const WindowChange& change);
    void Unsubscribe(std::uint64_t id);

    mutable std::mutex mutex_;
    WindowState state_;
    std::shared_ptr<const Bytes> picture_;
    Text log_;
    std::size_t logLines_ = 0;
    std::uint64_t logStart_ = 0; // bytes dropped from the front so far
    std::uint64_t timerGeneration_ = 0;

    // Recursive: a listener running on the thread that made a change may change the model in
    // turn. Held during notification, so unsubscribing waits for a call in progress.
    std::recursive_mutex listenersMutex_;
    std::vector<std::pair<std::uint64_t, Listener>> listeners_;
    std::uint64_t nextListenerId_ = 1;
};

} // namespace vexmora
