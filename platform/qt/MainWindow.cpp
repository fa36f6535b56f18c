#include "platform/qt/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "platform/qt/AppIcon.h"
#include "platform/qt/PictureBox.h"
#include "platform/qt/QtText.h"
#include "shell/WindowLayout.h"

namespace vexmora::platform {
namespace {

QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.width, rect.height);
}

// The log's lines end in CR LF; Qt's text cursor would make a paragraph of each of the two.
QString LogToQString(const Text& gbk) {
    QString text = ToQString(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

TrayAction ToTrayAction(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        return TrayAction::DoubleClick;
    case QSystemTrayIcon::Context:
        return TrayAction::ContextMenu;
    case QSystemTrayIcon::MiddleClick:
        return TrayAction::MiddleClick;
    default:
        return TrayAction::Click;
    }
}

} // namespace

MainWindow::MainWindow(WindowModel& model, WindowEvents& events, QWidget* parent)
    : QWidget(parent), model_(model), events_(events) {
    const WindowFrame& frame = MainWindowFrame();
    setWindowTitle(ToQString(frame.title));
    setWindowIcon(AppIcon());
    QFont panelFont = font();
    panelFont.setFamilies({QStringLiteral("WenQuanYi Micro Hei"),
                           QStringLiteral("Noto Sans CJK SC"), panelFont.family()});
    panelFont.setPixelSize(12);
    setFont(panelFont);

    BuildControls();
    BuildTrayMenu();

    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(AppIcon());
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                events_.TrayActivated(ToTrayAction(reason));
            });

    timer_ = new QTimer(this);
    timer_->setObjectName(ToQString(RefreshTimerName()));
    connect(timer_, &QTimer::timeout, this, [this] { events_.TimerTick(); });

    FitOuterSize();
    move(frame.outer.left, frame.outer.top);

    ApplyAll();
    subscription_ = model_.Subscribe([this](const WindowChange& change) { OnModelChange(change); });
}

MainWindow::~MainWindow() {
    // First, so no change can arrive while the widgets go away.
    subscription_ = {};
}

void MainWindow::BuildControls() {
    QGroupBox* group = nullptr;
    for (const ControlLayout& layout : WindowControls()) {
        QWidget* parent = layout.inSettingsGroup ? static_cast<QWidget*>(group) : this;
        QString text = ToQString(layout.text);
        QWidget* widget = nullptr;
        switch (layout.kind) {
        case ControlKind::PictureBox:
            pictureBox_ = new PictureBox(parent);
            connect(pictureBox_, &PictureBox::doubleClicked, this,
                    [this] { events_.PictureDoubleClicked(); });
            widget = pictureBox_;
            break;
        case ControlKind::EditBox:
            logPane_ = new QPlainTextEdit(parent);
            logPane_->setReadOnly(true);
            logPane_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            // The model keeps its newest lines only; the pane drops its oldest ones alike.
            logPane_->setMaximumBlockCount(
                static_cast<int>(WindowModel::kLogLineLimit + WindowModel::kLogLineLimit / 10) + 1);
            widget = logPane_;
            break;
        case ControlKind::GroupBox:
            group = new QGroupBox(text, parent);
            widget = group;
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(text, parent);
            ControlId id = layout.id;
            connect(button, &QPushButton::clicked, this, [this, id] { events_.ButtonClicked(id); });
            widget = button;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(text, parent);
            for (CheckBoxId id : kAllCheckBoxes) {
                if (ControlOf(id) == layout.id) {
                    checkBoxes_[IndexOf(id)] = box;
                    // `clicked` comes from the user only, never from setChecked.
                    connect(box, &QCheckBox::clicked, this, [this, id](bool checked) {
                        model_.SetChecked(id, checked);
                        events_.CheckBoxClicked(id);
                    });
                }
            }
            widget = box;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(text, parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            widget = label;
            break;
        }
        case ControlKind::DropDownList: {
            auto* list = new QComboBox(parent);
            for (const Text& item : layout.items) {
                list->addItem(ToQString(item));
            }
            for (ListId id : kAllLists) {
                if (ControlOf(id) == layout.id) {
                    lists_[IndexOf(id)] = list;
                    // Changes from the model are applied with signals blocked, so this is the
                    // user's choice (mouse, keys or wheel).
                    connect(list, &QComboBox::currentIndexChanged, this, [this, id](int index) {
                        model_.SelectIndex(id, index);
                        events_.ListSelected(id);
                    });
                }
            }
            widget = list;
            break;
        }
        }
        widget->setObjectName(ToQString(layout.objectName));
        widget->setGeometry(ToQRect(layout.position));
        controls_[IndexOf(layout.id)] = widget;
    }
}

void MainWindow::BuildTrayMenu() {
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName(ToQString(TrayMenuName()));
    auto addEntries = [this](auto&& self, QMenu* menu,
                             const std::vector<MenuEntry>& entries) -> void {
        for (const MenuEntry& entry : entries) {
            switch (entry.kind) {
            case MenuEntry::Kind::Separator:
                menu->addSeparator();
                break;
            case MenuEntry::Kind::Submenu:
                self(self, menu->addMenu(ToQString(entry.text)), entry.children);
                break;
            case MenuEntry::Kind::Command:
            case MenuEntry::Kind::CheckItem: {
                QAction* action = menu->addAction(ToQString(entry.text));
                MenuItemId id = *entry.item;
                bool checkable = entry.kind == MenuEntry::Kind::CheckItem;
                action->setCheckable(checkable);
                actions_[IndexOf(id)] = action;
                // A check item has toggled its own mark by now; the model takes it over.
                connect(action, &QAction::triggered, this, [this, id, checkable](bool checked) {
                    if (checkable) {
                        model_.SetMenuChecked(id, checked);
                    }
                    events_.MenuItemChosen(id);
                });
                break;
            }
            }
        }
    };
    addEntries(addEntries, trayMenu_, TrayMenuEntries());
}

void MainWindow::FitOuterSize() {
    // The outer size counts the frame the window manager draws, which is known only once the
    // window is on screen; until then it counts as none.
    const PixelRect& outer = MainWindowFrame().outer;
    QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    QSize client(outer.width - margins.left() - margins.right(),
                 outer.height - margins.top() - margins.bottom());
    // A frame thicker than the classic one never cuts the controls off: the client area keeps
    // room for every control and its 8-pixel margin, and the frame grows instead.
    QSize content;
    for (const ControlLayout& layout : WindowControls()) {
        if (!layout.inSettingsGroup) {
            content = content.expandedTo(QSize(layout.position.left + layout.position.width + 8,
                                               layout.position.top + layout.position.height + 8));
        }
    }
    client = client.expandedTo(content);
    if (size() != client || minimumSize() != client || maximumSize() != client) {
        setFixedSize(client);
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The window manager sends its frame sizes a little after the window is mapped.
    FitOuterSize();
    QTimer::singleShot(0, this, [this] { FitOuterSize(); });
    QTimer::singleShot(250, this, [this] { FitOuterSize(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (events_.CloseRequested()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindow::AddTrayIcon(const Text& tip) {
    tray_->setToolTip(ToQString(tip));
    tray_->show();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::RemoveTrayIcon() {
    tray_->hide();
}

bool MainWindow::HasTrayIcon() const {
    return tray_->isVisible();
}

void MainWindow::SetWindowVisible(bool visible) {
    setVisible(visible);
}

bool MainWindow::IsWindowVisible() const {
    return isVisible();
}

void MainWindow::BringForward(bool visible) {
    setVisible(visible);
    if (!visible) {
        return;
    }
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void MainWindow::PopUpTrayMenu() {
    trayMenu_->popup(QCursor::pos());
}

void MainWindow::DestroyWindow() {
    tray_->hide();
    trayMenu_->hide();
    hide();
    emit windowDestroyed();
}

void MainWindow::OnModelChange(const WindowChange& change) {
    if (QThread::currentThread() == thread()) {
        Apply(change);
    } else {
        // Runs on this window's thread; dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this, [this, change] { Apply(change); }, Qt::QueuedConnection);
    }
}

// Each change re-reads the current value from the model, so changes applied late or out of
// order still leave the widgets as the model is now.
void MainWindow::Apply(const WindowChange& change) {
    switch (change.kind) {
    case WindowChange::Kind::CheckBox: {
        QCheckBox* box = checkBoxes_[change.index];
        QSignalBlocker blocker(box);
        box->setChecked(model_.IsChecked(static_cast<CheckBoxId>(change.index)));
        break;
    }
    case WindowChange::Kind::List: {
        QComboBox* list = lists_[change.index];
        QSignalBlocker blocker(list);
        list->setCurrentIndex(model_.SelectedIndex(static_cast<ListId>(change.index)));
        break;
    }
    case WindowChange::Kind::MenuMark: {
        QAction* action = actions_[change.index];
        QSignalBlocker blocker(action);
        action->setChecked(model_.IsMenuChecked(static_cast<MenuItemId>(change.index)));
        break;
    }
    case WindowChange::Kind::MenuEnabled:
        actions_[change.index]->setEnabled(
            model_.IsMenuEnabled(static_cast<MenuItemId>(change.index)));
        break;
    case WindowChange::Kind::ControlEnabled:
        controls_[change.index]->setEnabled(model_.IsEnabled(static_cast<ControlId>(change.index)));
        break;
    case WindowChange::Kind::Picture:
        pictureBox_->SetPicture(model_.Picture());
        break;
    case WindowChange::Kind::Log:
        ApplyLog();
        break;
    case WindowChange::Kind::Timer:
        ApplyTimer();
        break;
    }
}

void MainWindow::ApplyAll() {
    using Kind = WindowChange::Kind;
    for (std::size_t i = 0; i < kCheckBoxCount; ++i) {
        Apply({Kind::CheckBox, i});
    }
    for (std::size_t i = 0; i < kListCount; ++i) {
        Apply({Kind::List, i});
    }
    for (std::size_t i = 0; i < kMenuItemCount; ++i) {
        Apply({Kind::MenuMark, i});
        Apply({Kind::MenuEnabled, i});
    }
    for (std::size_t i = 0; i < kControlCount; ++i) {
        Apply({Kind::ControlEnabled, i});
    }
    if (model_.PictureSize() > 0) {
        Apply({Kind::Picture});
    }
    Apply({Kind::Log});
    if (model_.TimerGeneration() > 0) {
        Apply({Kind::Timer});
    }
}

void MainWindow::ApplyLog() {
    WindowModel::LogDelta delta = model_.LogSince(logPosition_);
    logPosition_ = delta.end;
    if (delta.reset) {
        logPane_->setPlainText(LogToQString(delta.text));
    } else if (!delta.text.empty()) {
        QTextCursor cursor(logPane_->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(LogToQString(delta.text));
    } else {
        return;
    }
    logPane_->verticalScrollBar()->setValue(logPane_->verticalScrollBar()->maximum());
}

void MainWindow::ApplyTimer() {
    std::uint64_t generation = model_.TimerGeneration();
    if (generation == timerGeneration_) {
        return;
    }
    timerGeneration_ = generation;
    int period = model_.TimerPeriod();
    if (period > 0) {
        timer_->start(period); // restarts the countdown
    } else {
        timer_->stop();
    }
}

} // namespace vexmora::platform
