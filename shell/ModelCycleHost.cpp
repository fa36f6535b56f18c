#include "shell/ModelCycleHost.h"

namespace vexmora {

void ModelCycleHost::SetControlEnabled(CycleControl control, bool enabled) {
    switch (control) {
    case CycleControl::SettingsGroup:
        model_.SetEnabled(ControlId::SettingsGroup, enabled);
        break;
    case CycleControl::RefreshButton:
        model_.SetEnabled(ControlId::RefreshButton, enabled);
        break;
    case CycleControl::TrayRefresh:
        model_.SetMenuEnabled(MenuItemId::RefreshNow, enabled);
        break;
    }
}

} // namespace vexmora
