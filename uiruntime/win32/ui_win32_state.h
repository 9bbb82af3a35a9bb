// ui_win32_state.h - the Win32 toolkit's parts of the runtime's records and
// what its files share: the windows behind a panel and a control, and the
// handles (windows, fonts, brushes) each owned by a small type.
#ifndef KX418_UIRUNTIME_WIN32_UI_WIN32_STATE_H
#define KX418_UIRUNTIME_WIN32_UI_WIN32_STATE_H

#include "../panel_file.h"
#include "../ui_numeric.h"
#include "../ui_refusal.h"
#include "ui_runtime.h"
#include "../ui_toolkit.h"

#include <windows.h>

#include <cstdint>
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

struct UiToolkitControl {
    HWND window = nullptr;        // owned by the panel's window
    HWND arrows = nullptr;        // numerics: the up-down control at the field's left
    HWND label = nullptr;         // numerics, indicator, toggle: their separate label
    double value = 0.0;           // numerics and the indicator: the value held
    std::string good_text;        // numerics: the field's last text that is or may become a value
    std::string accessible_name;  // where neither its text nor its label says its name
};

struct UiToolkitPanel {
    HWND window = nullptr;  // the window or the page's child window
    OwnedBrush background;
    std::map<std::uint32_t, OwnedBrush> field_brushes;  // by RGB
    // Top-level panels: the fonts at the window's present DPI.
    unsigned dpi = 96;
    std::map<std::pair<int, int>, OwnedFont>
        fonts;  // by size at 96 DPI (0: the dialog font) and narrowing
    // Top-level panels own their window; declared last, so the window goes
    // before the fonts and brushes it uses.
    OwnedWindow owned;
};

struct UiWin32Runtime {
    HINSTANCE instance = nullptr;
    OwnedDC measuring;  // a memory DC like the screen's, where texts are measured
};

UiWin32Runtime& Runtime();

// The window class of every panel, top-level or page.
inline constexpr const char PanelWindowClass[] = "KX418Panel";
LRESULT CALLBACK PanelWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The panel record of a panel window, top-level or page, or null.
UiPanel* PanelOfWindow(HWND window);

// The window of a panel, top-level or page.
inline HWND WindowOf(const UiPanel& panel)
{
    return panel.toolkit->window;
}

// Sizes a top-level panel's window for its client area at `dpi` (0: the
// window's present DPI), which its fonts and places follow from then on.
void FitFrame(UiPanel& top, unsigned dpi);

// Where a page of the top-level panel `top` lies in its window.
RECT PanelPlace(const UiPanel& top, const UiPanelEntry& page);

// Places and sizes a top-level panel, its pages and every control from the
// panel data at `dpi` (0: the window's present DPI), with fonts of that DPI.
void LayOut(UiPanel& top, unsigned dpi);

// Shows the page in front of a tab control and hides the others.
void ShowPageInFront(UiControl& tab);

// Numerics: what the field shows becomes the value held (brought within
// the limits), and the field shows that value.
void CommitField(UiControl& control);
void FilterField(UiControl& control);  // after each change of the field text
void ShowValue(UiControl& control);

// The control's window reads `name` to a screen reader (it answers
// WM_GETOBJECT), the toggle as a check box with its state.
void NameForScreenReaders(UiControl& control, std::string name);

// A group box made with its frame's title as its text draws no text of its
// own (the frame's caption draws the title).
void DrawNoTitle(HWND group_box);

// A panel file's RRGGBB colour as Windows gives it.
COLORREF Colour(std::uint32_t rgb);

// The brush and colours for a child control's background.
HBRUSH ColourControl(UiPanel& panel, HWND child, HDC dc);

#endif
