#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "shell/WindowEvents.h"
#include "shell/WindowHost.h"
#include "shell/WindowModel.h"

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QSystemTrayIcon;
class QTimer;

namespace vexmora::platform {

class PictureBox;

// The main window "Vexmora 2.0" with its controls, tray icon, tray menu and the refresh timer
// 时钟1, as a view of a WindowModel: every change of the model shows on the widgets (on this
// window's thread, whichever thread made it), and every change the user makes goes into the
// model first and is then reported to the WindowEvents. This is the only code that touches
// the widgets.
class MainWindow : public QWidget, public WindowHost {
    Q_OBJECT
public:
    // The model and the events must outlive the window.
    MainWindow(WindowModel& model, WindowEvents& events, QWidget* parent = nullptr);
    ~MainWindow() override;

    bool AddTrayIcon(const Text& tip) override;
    void RemoveTrayIcon() override;
    bool HasTrayIcon() const override;
    void SetWindowVisible(bool visible) override;
    bool IsWindowVisible() const override;
    void BringForward(bool visible) override;
    void PopUpTrayMenu() override;
    void DestroyWindow() override;

    QSystemTrayIcon* TrayIcon() const { return tray_; }
    QMenu* TrayMenu() const { return trayMenu_; }
    QTimer* RefreshTimer() const { return timer_; }
    PictureBox* Picture() const { return pictureBox_; }
    QAction* MenuAction(MenuItemId item) const { return actions_[IndexOf(item)]; }
    QWidget* Control(ControlId control) const { return controls_[IndexOf(control)]; }

signals:
    // DestroyWindow ran: the program's message loop should end (main connects it to quit).
    void windowDestroyed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void BuildTrayMenu();
    void FitOuterSize();
    void OnModelChange(const WindowChange& change);
    void Apply(const WindowChange& change);
    void ApplyAll();
    void ApplyLog();
    void ApplyTimer();

    WindowModel& model_;
    WindowEvents& events_;

    std::array<QWidget*, kControlCount> controls_{};
    std::array<QCheckBox*, kCheckBoxCount> checkBoxes_{};
    std::array<QComboBox*, kListCount> lists_{};
    std::array<QAction*, kMenuItemCount> actions_{};
    PictureBox* pictureBox_ = nullptr;
    QPlainTextEdit* logPane_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* timer_ = nullptr;

    std::uint64_t logPosition_ = 0;
    std::uint64_t timerGeneration_ = 0;

    WindowModel::Subscription subscription_;
};

} // namespace vexmora::platform
