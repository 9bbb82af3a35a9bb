// ui_callbacks.cpp - binding callback names.
#include "ui_callbacks.h"

namespace {

const UiCallbackBinding* FindCallback(const std::string& name)
{
    for (const UiCallbackBinding& binding : UiProgramCallbacks())
        if (binding.name != nullptr && name == binding.name) return &binding;
    return nullptr;
}

}  // namespace

bool BindCallbacks(const UiPanelEntry& panel, PanelCallbackPtr& panel_callback,
                   std::vector<CtrlCallbackPtr>& controls, std::string& error)
{
    panel_callback = nullptr;
    controls.assign(panel.controls.size(), nullptr);
    if (!panel.callback.empty()) {
        if (const UiCallbackBinding* b = FindCallback(panel.callback)) {
            if (b->panel_callback == nullptr) {
                error = panel.callback + " is bound as a control callback, named for panel " +
                        panel.constant;
                return false;
            }
            panel_callback = b->panel_callback;
        }
    }
    for (std::size_t i = 0; i < panel.controls.size(); ++i) {
        const UiControlEntry& control = panel.controls[i];
        if (control.callback.empty()) continue;
        if (const UiCallbackBinding* b = FindCallback(control.callback)) {
            if (b->control_callback == nullptr) {
                error = control.callback + " is bound as a panel callback, named for control " +
                        control.constant;
                return false;
            }
            controls[i] = b->control_callback;
        }
    }
    return true;
}
