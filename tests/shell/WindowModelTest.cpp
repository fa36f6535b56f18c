#include "shell/WindowModel.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace vexmora {
namespace {

TEST(WindowModel, StartsAsANewWindow) {
    WindowModel model;
    WindowState state = model.Snapshot();
    for (bool checked : state.checked) {
        EXPECT_FALSE(checked);
    }
    for (int selected : state.selected) {
        EXPECT_EQ(selected, 0);
    }
    for (std::size_t i = 0; i < kMenuItemCount; ++i) {
        EXPECT_FALSE(state.menuChecked[i]);
        EXPECT_TRUE(state.menuEnabled[i]);
    }
    for (bool enabled : state.controlEnabled) {
        EXPECT_TRUE(enabled);
    }
    EXPECT_EQ(state.timerPeriodMs, 0);
    EXPECT_EQ(model.PictureSize(), 0u);
    EXPECT_TRUE(model.LogText().empty());
}

TEST(WindowModel, ListsLimitTheIndexAsADropDownListDoes) {
    struct Case {
        ListId list;
        int given;
        int taken;
    };
    for (const Case& c :
         {Case{ListId::Size, 7, 3}, Case{ListId::Size, 3, 3}, Case{ListId::Source, 2, 1},
          Case{ListId::Quality, 99, 1}, Case{ListId::Source, -2, -1},
          Case{ListId::Interval, -1, -1}, Case{ListId::Position, 0, 0}}) {
        WindowModel model;
        EXPECT_EQ(model.SelectIndex(c.list, c.given), c.taken);
        EXPECT_EQ(model.SelectedIndex(c.list), c.taken);
    }
}

TEST(WindowModel, NotifiesRealChangesOnlyButEveryTimerSetting) {
    WindowModel model;
    std::vector<WindowChange> changes;
    auto subscription = model.Subscribe([&](const WindowChange& c) { changes.push_back(c); });
    using Kind = WindowChange::Kind;

    model.SetChecked(CheckBoxId::RunInBackground, true);
    model.SetChecked(CheckBoxId::RunInBackground, true);
    model.SelectIndex(ListId::Size, 0);
    model.SelectIndex(ListId::Size, 9);
    model.SetMenuChecked(MenuItemId::Size1280, true);
    model.SetMenuEnabled(MenuItemId::RefreshNow, false);
    model.SetEnabled(ControlId::SettingsGroup, false);
    model.SetEnabled(ControlId::SettingsGroup, false);
    model.SetTimerPeriod(100);
    model.SetTimerPeriod(100);
    model.AppendLog("");
    model.AppendLog("x\r\n");
    model.SetPicture(Bytes{1, 2});

    std::vector<WindowChange> expected = {{Kind::CheckBox, IndexOf(CheckBoxId::RunInBackground)},
                                          {Kind::List, IndexOf(ListId::Size)},
                                          {Kind::MenuMark, IndexOf(MenuItemId::Size1280)},
                                          {Kind::MenuEnabled, IndexOf(MenuItemId::RefreshNow)},
                                          {Kind::ControlEnabled, IndexOf(ControlId::SettingsGroup)},
                                          {Kind::Timer},
                                          {Kind::Timer},
                                          {Kind::Log},
                                          {Kind::Picture}};
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(model.TimerGeneration(), 2u);
}

TEST(WindowModel, ANegativeTimerPeriodStopsTheTimer) {
    WindowModel model;
    model.SetTimerPeriod(-600000);
    EXPECT_EQ(model.TimerPeriod(), 0);
}

TEST(WindowModel, EndedSubscriptionsHearNothing) {
    WindowModel model;
    int calls = 0;
    {
        auto subscription = model.Subscribe([&](const WindowChange&) { ++calls; });
        model.SetChecked(CheckBoxId::SetWallpaper, true);
        WindowModel::Subscription moved = std::move(subscription);
        model.SetChecked(CheckBoxId::SetWallpaper, false);
    }
    model.SetChecked(CheckBoxId::SetWallpaper, true);
    EXPECT_EQ(calls, 2);
}

TEST(WindowModel, AListenerMayChangeTheModelInTurn) {
    WindowModel model;
    auto subscription = model.Subscribe([&](const WindowChange& c) {
        if (c.kind == WindowChange::Kind::CheckBox) {
            model.SetMenuChecked(MenuItemId::SetWallpaper,
                                 model.IsChecked(CheckBoxId::SetWallpaper));
        }
    });
    model.SetChecked(CheckBoxId::SetWallpaper, true);
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::SetWallpaper));
}

TEST(WindowModel, PictureIsSharedNotCopied) {
    WindowModel model;
    model.SetPicture(Bytes(1000, 7));
    auto first = model.Picture();
    auto second = model.Picture();
    EXPECT_EQ(first.get(), second.get());
    model.SetPicture({});
    EXPECT_EQ(first->size(), 1000u); // a reader keeps the picture it took
    EXPECT_EQ(model.PictureSize(), 0u);
}

TEST(WindowModel, LogReadersGetWhatWasAddedSinceTheirLastRead) {
    WindowModel model;
    model.AppendLog("9时5分3秒 a\r\n");
    WindowModel::LogDelta first = model.LogSince(0);
    EXPECT_FALSE(first.reset);
    EXPECT_EQ(first.text, "9时5分3秒 a\r\n");
    model.AppendLog("b\r\n");
    model.AppendLog("c\r\n");
    WindowModel::LogDelta second = model.LogSince(first.end);
    EXPECT_FALSE(second.reset);
    EXPECT_EQ(second.text, "b\r\nc\r\n");
    EXPECT_TRUE(model.LogSince(second.end).text.empty());
}

TEST(WindowModel, LogKeepsOnlyItsNewestLines) {
    WindowModel model;
    std::uint64_t position = model.LogSince(0).end;
    for (std::size_t i = 0; i < 3 * WindowModel::kLogLineLimit; ++i) {
        model.AppendLog("line " + std::to_string(i) + "\r\n");
        WindowModel::LogDelta delta = model.LogSince(position);
        EXPECT_FALSE(delta.reset) << "a reader that keeps up never starts afresh";
        position = delta.end;
    }
    Text log = model.LogText();
    std::size_t lines = static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    EXPECT_GE(lines, WindowModel::kLogLineLimit);
    EXPECT_LE(lines, WindowModel::kLogLineLimit + WindowModel::kLogLineLimit / 10);
    EXPECT_EQ(log.substr(log.size() - 12), "line 14999\r\n");
    EXPECT_EQ(log.rfind("line ", 0), 0u) << "trimmed at a line start";
    // A reader that fell behind a trim gets the whole log again.
    WindowModel::LogDelta stale = model.LogSince(1);
    EXPECT_TRUE(stale.reset);
    EXPECT_EQ(stale.text, log);
}

// A worker thread writes while the user-interface thread reads and writes (run under the TSan
// preset to see the locking).
TEST(WindowModel, WorkerAndUiThreadsShareTheModel) {
    WindowModel model;
    std::atomic<int> notifications{0};
    auto subscription = model.Subscribe([&](const WindowChange&) { ++notifications; });
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) {
            model.SetEnabled(ControlId::SettingsGroup, i % 2 == 0);
            model.AppendLog("x\r\n");
            model.SetPicture(Bytes(static_cast<std::size_t>(i % 7), 1));
            model.SetTimerPeriod(i % 3 * 600000);
            (void)model.SelectedIndex(ListId::Size);
        }
    });
    std::uint64_t position = 0;
    for (int i = 0; i < 2000; ++i) {
        model.SelectIndex(ListId::Size, i % 4);
        (void)model.Snapshot();
        position = model.LogSince(position).end;
        (void)model.Picture()->size();
    }
    worker.join();
    EXPECT_EQ(model.LogText().size(), 2000u * 3u);
    EXPECT_GE(notifications.load(), 2000 * 3);
}

} // namespace
} // namespace vexmora
