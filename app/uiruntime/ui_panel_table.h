// ui_panel_table.h - what both runtimes do alike with their loaded panels,
// whatever their records hold besides: a table of panels by handle, each
// with its file entry, its panel callback and its controls in control order
// (each with its file entry, its control callback and, for a tab control,
// its pages' handles).
#ifndef KX418_UIRUNTIME_UI_PANEL_TABLE_H
#define KX418_UIRUNTIME_UI_PANEL_TABLE_H

#include "ui_rules.h"

#include <memory>
#include <optional>
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

// A panel file by its file name: from the runtime's cache of files already
// read, else from the program's resource of that name, which `read` fetches
// (its text, or nothing when the program carries no such resource); parsed
// and checked once, then cached. Null with the reason in `error`.
template <class Files, class Read>
std::shared_ptr<const UiPanelFile> OpenPanelFileIn(Files& files, const char* file_name, Read read,
                                                   std::string& error)
{
    const std::string name = PanelFileResourceName(file_name);
    if (const auto it = files.find(name); it != files.end()) return it->second;
    const std::optional<std::string> text = read(name);
    if (!text) {
        error = "panel file not found in the program: " + std::string(file_name);
        return nullptr;
    }
    auto file = std::make_shared<UiPanelFile>();
    std::string why;
    if (!ParsePanelFile(*text, *file, why)) {
        error = std::string(file_name) + ": " + why;
        return nullptr;
    }
    files.emplace(name, file);
    return file;
}

// LoadPanel's checks before anything is built: the runtime started, a
// top-level load, a panel file that opens and holds that top-level panel.
// Returns 0 with `file` and `entry` set, or reports and returns the code.
template <class Files, class Read>
int FindTopLevelPanelIn(bool started, Files& files, Read read, int parentPanel, const char* fileName,
                        int panelNumber, std::shared_ptr<const UiPanelFile>& file,
                        const UiPanelEntry*& entry)
{
    if (!started) return Refuse(UI_ERR_NOT_STARTED, "LoadPanel before InitCVIRTEEx");
    if (parentPanel != 0)
        return Refuse(UI_ERR_NOT_TOP_LEVEL, "LoadPanel: only top-level panels (parent 0) are loaded");
    if (fileName == nullptr) return Refuse(UI_ERR_PANEL_FILE, "LoadPanel: no file name");
    std::string error;
    file = OpenPanelFileIn(files, fileName, read, error);
    if (!file) return Refuse(UI_ERR_PANEL_FILE, "LoadPanel: " + error);
    entry = FindPanel(*file, panelNumber);
    if (entry == nullptr || entry->is_page())
        return Refuse(UI_ERR_NO_SUCH_PANEL, "LoadPanel: " + std::string(fileName) +
                                                " has no top-level panel number " +
                                                std::to_string(panelNumber));
    return 0;
}

// The top-level panel of a handle, for DisplayPanel and DiscardPanel;
// reports and returns the code for an unknown handle or a tab page.
template <class Panels, class Panel>
int ResolveTopLevelIn(const Panels& panels, const char* operation, int panel, Panel*& out)
{
    Panel* p = FindPanelIn(panels, panel);
    if (p == nullptr)
        return Refuse(UI_ERR_BAD_HANDLE, std::string(operation) + ": no panel has the handle " + std::to_string(panel));
    if (p->entry->is_page())
        return Refuse(UI_ERR_NOT_TOP_LEVEL, std::string(operation) + ": " + p->entry->constant +
                                                " is a tab page; its panel is shown and discarded whole");
    out = p;
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
