// ui_panel_table.h - what both runtimes do alike with their loaded panels,
// whatever their records hold besides: a table of panels by handle, each
// with its file entry, its panel callback and its controls in control order
// (each with its file entry, its control callback and, for a tab control,
// its pages' handles).
#ifndef KX418_UIRUNTIME_UI_PANEL_TABLE_H
#define KX418_UIRUNTIME_UI_PANEL_TABLE_H

#include "ui_rules.h"

#include <string>

// The panel of a handle, or null.
template <class Panels> auto FindPanelIn(const Panels& panels, int handle) -> decltype(panels.begin()->second.get())
{
    const auto it = panels.find(handle);
    return it == panels.end() ? nullptr : it->second.get();
}

// Resolves a control; reports and returns a negative code when the panel or
// control is unknown.
template <class Panels, class Control>
int ResolveControlIn(const Panels& panels, const char* operation, int panel, int control, Control*& out)
{
    auto* p = FindPanelIn(panels, panel);
    if (p == nullptr)
        return Refuse(UI_ERR_BAD_HANDLE, std::string(operation) + ": no panel has the handle " + std::to_string(panel));
    const int index = control - 2;
    if (index < 0 || index >= static_cast<int>(p->controls.size()))
        return Refuse(UI_ERR_NO_SUCH_CONTROL, std::string(operation) + ": panel " + p->entry->constant +
                                                  " has no control number " + std::to_string(control));
    out = &p->controls[static_cast<std::size_t>(index)];
    return 0;
}

// GetPanelHandleFromTabPage on a runtime's table.
template <class Panels> int PageHandleIn(const Panels& panels, int panel, int control, int index, int* pageHandle)
{
    const char* const operation = "GetPanelHandleFromTabPage";
    decltype(&FindPanelIn(panels, panel)->controls[0]) c = nullptr;
    if (const int rc = ResolveControlIn(panels, operation, panel, control, c); rc < 0) return rc;
    if (c->entry->kind != UiControlKind::Tab)
        return Refuse(UI_ERR_ATTRIBUTE, std::string(operation) + ": " + c->entry->constant + " is not a tab control");
    if (index < 0 || index >= static_cast<int>(c->page_handles.size()))
        return Refuse(UI_ERR_OUT_OF_RANGE, std::string(operation) + ": " + c->entry->constant + " has no page " +
                                               std::to_string(index));
    if (pageHandle == nullptr) return Refuse(UI_ERR_VALUE_TYPE, std::string(operation) + ": no variable");
    *pageHandle = c->page_handles[static_cast<std::size_t>(index)];
    return 0;
}

// Event delivery to the bound callbacks, looked up at delivery time so a
// discarded panel receives nothing.
template <class Panels> void DeliverCommitIn(const Panels& panels, int panel, int control)
{
    auto* p = FindPanelIn(panels, panel);
    if (p == nullptr) return;
    const std::size_t index = static_cast<std::size_t>(control - 2);
    if (index >= p->controls.size() || p->controls[index].callback == nullptr) return;
    p->controls[index].callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
}

template <class Panels> void DeliverCloseIn(const Panels& panels, int panel)
{
    auto* p = FindPanelIn(panels, panel);
    if (p == nullptr || p->callback == nullptr) return;
    p->callback(panel, EVENT_CLOSE, nullptr, 0, 0);
}

#endif
