// ui_win32_state.h - the Win32 runtime's own state, shared by its files:
// the loaded panels by handle with their windows, the running event loops,
// and the handles (windows, fonts, brushes) each owned by a small type.
#ifndef KX418_UIRUNTIME_WIN32_UI_WIN32_STATE_H
#define KX418_UIRUNTIME_WIN32_UI_WIN32_STATE_H

#include "../panel_file.h"
#include "../ui_panel_table.h"
#include "../ui_rules.h"
#include "../ui_runtime.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct WindowCloser {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

struct GdiCloser {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiCloser>;
using OwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiCloser>;

struct DcCloser {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedDC = std::unique_ptr<std::remove_pointer_t<HDC>, DcCloser>;

struct UiWin32Control {
    const UiControlEntry* entry = nullptr;
    HWND window = nullptr;   // owned by the panel's window
    HWND arrows = nullptr;   // numerics: the up-down control at the field's left
    HWND label = nullptr;    // numerics, indicator, toggle: their separate label
    double value = 0.0;      // numerics and the indicator: the value held
    std::string good_text;   // numerics: the field's last text that is or may become a value
    std::vector<int> page_handles;  // tab controls: by page index
    CtrlCallbackPtr callback = nullptr;
};

struct UiWin32Panel {
    int handle = 0;
    int top_level = 0;  // the top-level panel's handle: its own, or its holder's for a page
    const UiPanelEntry* entry = nullptr;
    std::shared_ptr<const UiPanelFile> file;  // keeps entry alive
    OwnedWindow owned;                        // top-level panels own their window
    HWND window = nullptr;                    // the window or the page's child window
    PanelCallbackPtr callback = nullptr;
    std::vector<UiWin32Control> controls;     // index: control number - 2
    OwnedBrush background;
    std::map<std::uint32_t, OwnedBrush> field_brushes;  // by RGB
    // Top-level panels: the fonts at the window's present DPI.
    unsigned dpi = 96;
    std::map<std::pair<int, int>, OwnedFont> fonts;  // by size at 96 DPI (0: the dialog font) and narrowing
};

struct UiWin32Loop {
    bool quit = false;
    int code = 0;
};

struct UiWin32Runtime {
    bool started = false;
    HINSTANCE instance = nullptr;
    int next_handle = 1;
    std::map<int, std::unique_ptr<UiWin32Panel>> panels;
    std::map<std::string, std::shared_ptr<const UiPanelFile>> files;  // parsed once
    std::vector<UiWin32Loop*> loops;  // running RunUserInterface loops, innermost last
    std::function<void()> loop_observer;
    OwnedDC measuring;  // a memory DC like the screen's, where texts are measured
    std::function<bool(const std::string&, const std::string&)> popup_observer;
};

UiWin32Runtime& Runtime();

// The window class of every panel, top-level or page.
inline constexpr const char PanelWindowClass[] = "KX418Panel";
LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

UiWin32Panel* FindPanelByHandle(int handle);
UiWin32Panel* PanelOfWindow(HWND window);

// Resolves a control; reports and returns a negative code when the panel or
// control is unknown.
int ResolveControl(const char* operation, int panel, int control, UiWin32Control*& out);

// Sizes a top-level panel's window for its client area at `dpi` (0: the
// window's present DPI), which its fonts and places follow from then on.
void FitFrame(UiWin32Panel& top, unsigned dpi);

// Where a page of the top-level panel `top` lies in its window.
RECT PanelPlace(const UiWin32Panel& top, const UiPanelEntry& page);

// Creates the windows of a panel's controls on panel.window at their places
// at the top-level panel's DPI. Returns false and says why when a control
// cannot be built.
bool BuildControls(UiWin32Panel& top, UiWin32Panel& panel, std::string& error);

// Places and sizes a top-level panel, its pages and every control from the
// panel data at `dpi` (0: the window's present DPI), with fonts of that DPI.
void LayOut(UiWin32Panel& top, unsigned dpi);

// Shows the page in front of a tab control and hides the others.
void ShowPageInFront(UiWin32Control& tab);

// Numerics: what the field shows becomes the value held (brought within
// the limits), and the field shows that value.
void CommitField(UiWin32Control& control);
void FilterField(UiWin32Control& control);  // after each change of the field text
void ShowValue(UiWin32Control& control);

// The brush and colours for a child control's background.
HBRUSH ColourControl(UiWin32Panel& panel, HWND child, HDC dc);

// Event delivery to the bound callbacks, looked up at delivery time so a
// discarded panel receives nothing.
void DeliverCommit(int panel, int control);
void DeliverClose(int panel);

#endif
