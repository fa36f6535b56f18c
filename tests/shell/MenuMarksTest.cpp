#include "shell/MenuMarks.h"

#include <gtest/gtest.h>

#include "shell/WindowLayout.h"
#include "shell/WindowModel.h"

namespace vexmora {
namespace {

std::vector<Text> CheckedItems(const WindowModel& model) {
    std::vector<Text> checked;
    for (std::size_t i = 0; i < kMenuItemCount; ++i) {
        if (model.IsMenuChecked(static_cast<MenuItemId>(i))) {
            checked.push_back(MenuItemText(static_cast<MenuItemId>(i)));
        }
    }
    return checked;
}

TEST(MirrorMenuMarks, NewWindowMarksTheFirstItemOfEveryGroup) {
    WindowModel model;
    MirrorMenuMarks(model);
    EXPECT_EQ(CheckedItems(model),
              (std::vector<Text>{"不自动刷新", "风云4号(中国)", "流畅", "居中", "尺寸640x480"}));
}

TEST(MirrorMenuMarks, FollowsEveryControl) {
    WindowModel model;
    model.SetChecked(CheckBoxId::SetWallpaper, true);
    model.SetChecked(CheckBoxId::StartWithSystem, true);
    model.SetChecked(CheckBoxId::RunInBackground, true);
    model.SetChecked(CheckBoxId::SwitchOnFailure, true);
    model.SelectIndex(ListId::Interval, 3);
    model.SelectIndex(ListId::Source, 1);
    model.SelectIndex(ListId::Quality, 1);
    model.SelectIndex(ListId::Position, 3);
    model.SelectIndex(ListId::Size, 3);
    MirrorMenuMarks(model);
    EXPECT_EQ(CheckedItems(model),
              (std::vector<Text>{"设置壁纸", "开机启动", "后台运行", "三十分钟", "向日葵8号(日本)",
                                 "高清", "使用系统设置", "尺寸1200x960", "自动换源"}));
}

TEST(MirrorMenuMarks, ExactlyOneItemOfAGroupIsChecked) {
    WindowModel model;
    model.SetMenuChecked(MenuItemId::PositionCentre, true);
    model.SetMenuChecked(MenuItemId::PositionTile, true);
    model.SelectIndex(ListId::Position, 2);
    MirrorMenuMarks(model, ListId::Position);
    EXPECT_EQ(CheckedItems(model), (std::vector<Text>{"拉伸"}));
}

TEST(MirrorMenuMarks, NoSelectionLeavesFourItemGroupsAndMarksTheSecondOfTwo) {
    WindowModel model;
    MirrorMenuMarks(model);
    model.SelectIndex(ListId::Interval, -1);
    model.SelectIndex(ListId::Size, -1);
    model.SelectIndex(ListId::Source, -1);
    model.SelectIndex(ListId::Quality, -1);
    MirrorMenuMarks(model);
    EXPECT_EQ(CheckedItems(model),
              (std::vector<Text>{"不自动刷新", "向日葵8号(日本)", "高清", "居中", "尺寸640x480"}));
}

TEST(MirrorMenuMarks, OneBoxTouchesOnlyItsItem) {
    WindowModel model;
    model.SetChecked(CheckBoxId::SwitchOnFailure, true);
    model.SetChecked(CheckBoxId::SetWallpaper, true);
    MirrorMenuMarks(model, CheckBoxId::SwitchOnFailure);
    EXPECT_EQ(CheckedItems(model), (std::vector<Text>{"自动换源"}));
}

} // namespace
} // namespace vexmora
