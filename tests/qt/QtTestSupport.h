#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "net/Text.h"
#include "shell/WindowEvents.h"

namespace vexmora::test {

// The one QApplication of a test program, on the offscreen platform unless another one is
// asked for.
void EnsureQtApplication();

// Processes events until the condition holds or the time is up; true when it holds.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// The UTF-8 text as GBK bytes, as the core and the settings file hold it.
Text Gbk(const std::string& utf8);

// Writes the bytes to the file, making its folder.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
std::string ReadBytes(const std::filesystem::path& path);

// Every report of the window, in order, as readable lines.
class RecordingEvents : public WindowEvents {
public:
    void CheckBoxClicked(CheckBoxId id) override { Add("box", IndexOf(id)); }
    void ListSelected(ListId id) override { Add("list", IndexOf(id)); }
    void ButtonClicked(ControlId id) override { Add("button", IndexOf(id)); }
    void MenuItemChosen(MenuItemId id) override { Add("menu", IndexOf(id)); }
    void PictureDoubleClicked() override { Add("picture", 0); }
    void TrayActivated(TrayAction action) override {
        Add("tray", static_cast<std::size_t>(action));
    }
    bool CloseRequested() override {
        Add("close", 0);
        return allowClose;
    }
    void TimerTick() override { ++ticks; }

    std::vector<std::string> calls;
    int ticks = 0;
    bool allowClose = true;

private:
    void Add(const char* what, std::size_t index) {
        calls.push_back(std::string(what) + " " + std::to_string(index));
    }
};

} // namespace vexmora::test
