#include "shell/WindowLayout.h"

#include <stdexcept>

namespace vexmora {
namespace {

using Kind = ControlKind;

std::vector<ControlLayout> MakeControls() {
    return {
        {ControlId::PictureBox, "图片框1", Kind::PictureBox, false, {8, 8, 224, 224}, "", {}},
        {ControlId::LogPane, "编辑框1", Kind::EditBox, false, {8, 240, 456, 144}, "", {}},
        {ControlId::SettingsGroup,
         "分组框1",
         Kind::GroupBox,
         false,
         {240, 8, 224, 224},
         "设置",
         {}},
        {ControlId::RefreshButton,
         "按钮1",
         Kind::Button,
         true,
         {8, 16, 80, 24},
         "获取地球图片",
         {}},
        {ControlId::UpdateButton, "按钮2", Kind::Button, true, {8, 48, 80, 24}, "检查更新", {}},
        {ControlId::WallpaperBox,
         "选择框1",
         Kind::CheckBox,
         true,
         {90, 16, 128, 16},
         "设置为桌面壁纸",
         {}},
        {ControlId::AutostartBox,
         "选择框2",
         Kind::CheckBox,
         true,
         {90, 36, 128, 16},
         "设置为开机启动",
         {}},
        {ControlId::BackgroundBox,
         "选择框3",
         Kind::CheckBox,
         true,
         {90, 56, 128, 16},
         "下次打开时后台运行",
         {}},
        {ControlId::IntervalLabel, "标签5", Kind::Label, true, {8, 78, 56, 24}, "刷新间隔：", {}},
        {ControlId::IntervalList,
         "组合框5",
         Kind::DropDownList,
         true,
         {64, 80, 151, 20},
         "",
         {"不自动刷新", "10分钟", "20分钟", "30分钟"}},
        {ControlId::SourceLabel, "标签3", Kind::Label, true, {8, 102, 56, 24}, "图片来源：", {}},
        {ControlId::SourceList,
         "组合框3",
         Kind::DropDownList,
         true,
         {64, 104, 151, 20},
         "",
         {"风云4号（中国）", "向日葵8号（日本）"}},
        {ControlId::QualityLabel, "标签4", Kind::Label, true, {8, 126, 56, 24}, "图片画质：", {}},
        {ControlId::QualityList,
         "组合框4",
         Kind::DropDownList,
         true,
         {64, 128, 151, 20},
         "",
         {"流畅（获取快速）", "高清（获取较慢）"}},
        {ControlId::PositionLabel, "标签1", Kind::Label, true, {8, 152, 56, 24}, "图片位置：", {}},
        {ControlId::PositionList,
         "组合框1",
         Kind::DropDownList,
         true,
         {64, 152, 152, 24},
         "",
         {"居中", "平铺", "拉伸", "使用系统默认设置"}},
        {ControlId::SizeLabel, "标签2", Kind::Label, true, {8, 174, 56, 24}, "图片大小：", {}},
        {ControlId::SizeList,
         "组合框2",
         Kind::DropDownList,
         true,
         {64, 176, 152, 20},
         "",
         {"640×480", "800×600", "1024×768", "1280×960"}},
        {ControlId::SwitchBox,
         "选择框4",
         Kind::CheckBox,
         true,
         {8, 198, 200, 24},
         "若获取失败自动切换来源",
         {}},
    };
}

MenuEntry Command(MenuItemId id, Text text) {
    return {MenuEntry::Kind::Command, id, std::move(text), {}};
}
MenuEntry Check(MenuItemId id, Text text) {
    return {MenuEntry::Kind::CheckItem, id, std::move(text), {}};
}
MenuEntry Separator() {
    return {MenuEntry::Kind::Separator, std::nullopt, "", {}};
}
MenuEntry Submenu(Text text, std::vector<MenuEntry> children) {
    return {MenuEntry::Kind::Submenu, std::nullopt, std::move(text), std::move(children)};
}

std::vector<MenuEntry> MakeTrayMenu() {
    using M = MenuItemId;
    return {
        Command(M::ShowWindow, "&显示主界面"),
        Separator(),
        Command(M::RefreshNow, "获取地球图片"),
        Separator(),
        Check(M::SetWallpaper, "设置壁纸"),
        Check(M::StartWithSystem, "开机启动"),
        Check(M::RunInBackground, "后台运行"),
        Submenu("刷新间隔",
                {Check(M::IntervalNone, "不自动刷新"), Check(M::IntervalTen, "十分钟"),
                 Check(M::IntervalTwenty, "二十分钟"), Check(M::IntervalThirty, "三十分钟")}),
        Submenu("图片来源", {Check(M::SourceFengYun, "风云4号(中国)"),
                             Check(M::SourceHimawari, "向日葵8号(日本)")}),
        Submenu("图片画质", {Check(M::QualityFast, "流畅"), Check(M::QualityHd, "高清")}),
        Submenu("图片位置",
                {Check(M::PositionCentre, "居中"), Check(M::PositionTile, "平铺"),
                 Check(M::PositionStretch, "拉伸"), Check(M::PositionSystem, "使用系统设置")}),
        // "1200x960" is the menu's own text for the 1280 x 960 choice.
        Submenu("图片大小",
                {Check(M::Size640, "尺寸640x480"), Check(M::Size800, "尺寸800x600"),
                 Check(M::Size1024, "尺寸1024x768"), Check(M::Size1280, "尺寸1200x960")}),
        Check(M::SwitchOnFailure, "自动换源"),
        Separator(),
        Command(M::Exit, "退出"),
    };
}

void CollectItemTexts(const std::vector<MenuEntry>& entries, std::vector<Text>& texts) {
    for (const MenuEntry& entry : entries) {
        if (entry.item) {
            texts[IndexOf(*entry.item)] = entry.text;
        }
        CollectItemTexts(entry.children, texts);
    }
}

} // namespace

const std::vector<ControlLayout>& WindowControls() {
    static const std::vector<ControlLayout> controls = MakeControls();
    return controls;
}

const ControlLayout& LayoutOf(ControlId id) {
    for (const ControlLayout& control : WindowControls()) {
        if (control.id == id) {
            return control;
        }
    }
    throw std::logic_error("control without layout");
}

const WindowFrame& MainWindowFrame() {
    static const WindowFrame frame{"Vexmora 2.0", {50, 50, 478, 420}};
    return frame;
}

const Text& RefreshTimerName() {
    static const Text name = "时钟1";
    return name;
}

const Text& TrayMenuName() {
    static const Text name = "托盘菜单";
    return name;
}

const std::vector<MenuEntry>& TrayMenuEntries() {
    static const std::vector<MenuEntry> entries = MakeTrayMenu();
    return entries;
}

const Text& MenuItemText(MenuItemId id) {
    static const std::vector<Text> texts = [] {
        std::vector<Text> all(kMenuItemCount);
        CollectItemTexts(TrayMenuEntries(), all);
        return all;
    }();
    return texts[IndexOf(id)];
}

const Text& TrayTipText() {
    static const Text tip = "Vexmora";
    return tip;
}

} // namespace vexmora
