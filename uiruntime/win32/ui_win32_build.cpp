// ui_win32_build.cpp - native Win32 controls built from the panel file's
// entries, laid out at the window's DPI, coloured, and the numerics' field
// rules.
//
// Every control is created once, at its place and in its font at the
// window's DPI; PlacementOf alone turns the panel's pixels (96 DPI) into
// the screen's, for the first build and for a change of DPI, which moves
// and sizes everything in one pass.
#include "ui_win32_state.h"
#include "../ui_layout.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int ArrowsWidth = 9;  // the numerics' up-down arrows, at 96 DPI
constexpr int LabelId = -1;     // labels take no commands

}  // namespace

COLORREF Colour(std::uint32_t rgb)
{
    const UiRgb parts = RgbOf(rgb);
    return RGB(parts.red, parts.green, parts.blue);
}

namespace {

HWND NewChild(UiPanel& panel, const char* window_class, const std::string& text, DWORD style,
              DWORD ex_style, int id, const RECT& place, HFONT font)
{
    HWND child = CreateWindowExA(
        ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
        place.left, place.top, place.right - place.left, place.bottom - place.top, WindowOf(panel),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Runtime().instance, nullptr);
    if (child != nullptr) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

// Enter in a field takes what was typed, the up and down keys step as the
// arrows do; leaving the field is handled by the panel (EN_KILLFOCUS).
LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                           DWORD_PTR reference)
{
    auto& control = *reinterpret_cast<UiControl*>(reference);
    switch (message) {
    case WM_GETDLGCODE:
        if (lparam != 0 && reinterpret_cast<const MSG*>(lparam)->message == WM_KEYDOWN &&
            wparam == VK_RETURN)
            return DLGC_WANTALLKEYS | DefSubclassProc(field, message, wparam, lparam);
        break;
    case WM_KEYDOWN:
        if (wparam == VK_RETURN) {
            CommitField(control);
            return 0;
        }
        if (wparam == VK_UP || wparam == VK_DOWN) {
            CommitField(control);
            control.toolkit->value =
                StepNumeric(*control.entry, control.toolkit->value, wparam == VK_UP ? 1 : -1);
            ShowValue(control);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wparam == '\r') return 0;
        break;
    default: break;
    }
    return DefSubclassProc(field, message, wparam, lparam);
}

// ---- places and fonts at the window's DPI --------------------------------

struct Scaler {
    unsigned dpi;
    int operator()(int pixels) const { return MulDiv(pixels, static_cast<int>(dpi), 96); }
};

// Texts are measured in a memory DC like the screen's, where every control
// of the panel draws (made once: a window's DC costs far more to get).
HDC MeasuringDC()
{
    OwnedDC& dc = Runtime().measuring;
    if (!dc) dc.reset(CreateCompatibleDC(nullptr));
    return dc.get();
}

SIZE TextExtent(HFONT font, const std::string& text)
{
    SIZE extent{0, 0};
    HDC dc = MeasuringDC();
    HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    return extent;
}

TEXTMETRICW Metrics(HFONT font)
{
    TEXTMETRICW metrics{};
    HDC dc = MeasuringDC();
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    return metrics;
}

// The font of `size` pixels at 96 DPI (0: the dialog font), its glyphs
// narrowed to `narrow` percent.
HFONT FontOfSize(UiPanel& top_panel, int size, int narrow = 100)
{
    UiToolkitPanel& top = *top_panel.toolkit;
    auto& font = top.fonts[{size, narrow}];
    if (!font) {
        // The system's message font at this DPI (a wide-character record:
        // the DPI-aware query has no other form).
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        LOGFONTW face{};
        if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                       top.dpi)) {
            face = metrics.lfMessageFont;
        } else {
            face.lfHeight = -MulDiv(11, static_cast<int>(top.dpi), 96);
            lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
        }
        if (size > 0) face.lfHeight = -MulDiv(size, static_cast<int>(top.dpi), 96);
        if (narrow < 100) {
            const OwnedFont full(CreateFontIndirectW(&face));
            face.lfWidth =
                std::max(1, static_cast<int>(Metrics(full.get()).tmAveCharWidth) * narrow / 100);
        }
        font.reset(CreateFontIndirectW(&face));
    }
    return font.get();
}

// The face narrowed until the text fits its room.
HFONT FittingFont(UiPanel& top, int size, const std::string& text, int width)
{
    return FontOfSize(top, size, NarrowingToFit([&](int narrow) {
                          return TextExtent(FontOfSize(top, size, narrow), text).cx <= width;
                      }));
}

RECT Box(int left, int top, int width, int height)
{
    return RECT{left, top, left + width, top + height};
}

// Where a control's windows lie on the screen, and in which fonts.
struct Placement {
    RECT body{};
    RECT arrows{};  // numerics
    RECT label{};   // controls with a label
    HFONT font = nullptr;
    HFONT label_font = nullptr;
};

Placement PlacementOf(UiPanel& top, const UiControlEntry& c)
{
    const Scaler s{top.toolkit->dpi};
    Placement at;
    at.font = c.kind == UiControlKind::Text ? FittingFont(top, c.font_size, c.text, s(c.rect.width))
                                            : FontOfSize(top, 0);
    const int left = s(c.rect.left), place_top = s(c.rect.top), width = s(c.rect.width),
              height = s(c.rect.height);
    switch (c.kind) {
    case UiControlKind::Numeric: {
        const int arrows = s(ArrowsWidth);
        at.arrows = Box(left, place_top, arrows, height);
        at.body = Box(left + arrows, place_top, width - arrows, height);
        break;
    }
    case UiControlKind::Decoration: {
        // A group box draws its top edge half a text line below its own
        // top: raised by that much, the edge lies where the panel says.
        const int raise = std::max(0, static_cast<int>(Metrics(at.font).tmHeight) / 2 - 1);
        at.body = Box(left, place_top - raise, width, height + raise);
        break;
    }
    default: at.body = Box(left, place_top, width, height); break;
    }
    if (!c.label.empty()) {
        at.label_font = LabelLeftOfControl(c) ? FittingFont(top, 0, c.label, s(LabelRoom(c)))
                                              : FontOfSize(top, 0);
        const SIZE extent = TextExtent(at.label_font, c.label);
        at.label = Box(s(c.label_left), s(c.label_top), extent.cx + 1, extent.cy);
    }
    return at;
}

// ---- building -------------------------------------------------------------

void Place(HWND window, const RECT& place)
{
    SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool BuildControl(UiPanel& panel, UiControl& whole, const Placement& at, std::string& error)
{
    const UiControlEntry& c = *whole.entry;
    UiToolkitControl& control = *whole.toolkit;
    const int id = c.number;
    switch (c.kind) {
    case UiControlKind::Tab:
        control.window = NewChild(panel, WC_TABCONTROLA, "", WS_TABSTOP, 0, id, at.body, at.font);
        break;
    case UiControlKind::Numeric:
        control.value = HeldValue(c, c.default_value);
        control.window = NewChild(panel, "EDIT", FormatNumeric(c, control.value),
                                  WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, id,
                                  at.body, at.font);
        control.arrows = NewChild(panel, UPDOWN_CLASSA, "", 0, 0, LabelId, at.arrows, at.font);
        if (control.window != nullptr && control.arrows != nullptr) {
            // Up-down controls take a width of their own when made: given theirs again.
            Place(control.arrows, at.arrows);
            SendMessageA(control.arrows, UDM_SETRANGE32, static_cast<WPARAM>(-1), 1);
            SetWindowSubclass(control.window, FieldProc, 1, reinterpret_cast<DWORD_PTR>(&whole));
        }
        break;
    case UiControlKind::Indicator:
        control.value = c.default_value;
        control.window =
            NewChild(panel, "EDIT", FormatNumeric(c, control.value),
                     WS_TABSTOP | ES_RIGHT | ES_READONLY, WS_EX_CLIENTEDGE, id, at.body, at.font);
        break;
    case UiControlKind::Command:
        control.window =
            NewChild(panel, "BUTTON", c.text, WS_TABSTOP | BS_PUSHBUTTON, 0, id, at.body, at.font);
        break;
    case UiControlKind::Toggle:
        control.window =
            NewChild(panel, "BUTTON", c.default_value != 0 ? c.on_text : c.off_text,
                     WS_TABSTOP | BS_AUTOCHECKBOX | BS_PUSHLIKE, 0, id, at.body, at.font);
        if (control.window != nullptr && c.default_value != 0)
            SendMessageA(control.window, BM_SETCHECK, BST_CHECKED, 0);
        break;
    case UiControlKind::Text:
        // Without SS_NOTIFY a static text is transparent to the mouse: a
        // click on it reaches what lies beneath.
        control.window =
            NewChild(panel, "STATIC", c.text,
                     (CentredText(c) ? SS_CENTER : SS_LEFT) | SS_CENTERIMAGE | SS_NOPREFIX, 0,
                     LabelId, at.body, at.font);
        break;
    case UiControlKind::Decoration: {
        // A group box is transparent to the mouse as well. Its text is the
        // frame's title, which its caption draws.
        const std::string title = AccessibleName(*panel.entry, c);
        control.window =
            NewChild(panel, "BUTTON", title, BS_GROUPBOX, 0, LabelId, at.body, at.font);
        if (control.window != nullptr && !title.empty()) DrawNoTitle(control.window);
        break;
    }
    }
    if (control.window == nullptr ||
        (c.kind == UiControlKind::Numeric && control.arrows == nullptr)) {
        error = c.constant + ": its window cannot be made";
        return false;
    }
    // Made showing its value (setting a field's text costs far more).
    if (c.kind == UiControlKind::Numeric || c.kind == UiControlKind::Indicator) ShowValue(whole);
    return true;
}

void Refont(HWND window, HFONT font)
{
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void LayOutControls(UiPanel& top, UiPanel& panel)
{
    for (UiControl& whole : panel.controls) {
        const Placement at = PlacementOf(top, *whole.entry);
        const UiToolkitControl& control = *whole.toolkit;
        Refont(control.window, at.font);
        Place(control.window, at.body);
        if (control.arrows != nullptr) Place(control.arrows, at.arrows);
        if (control.label != nullptr) {
            Refont(control.label, at.label_font);
            Place(control.label, at.label);
        }
    }
}

}  // namespace

RECT PanelPlace(const UiPanel& top, const UiPanelEntry& page)
{
    const Scaler s{top.toolkit->dpi};
    return Box(s(page.left), s(page.top), s(page.width), s(page.height));
}

namespace {

// What the system's client object of a control's window reads as its
// name, without the runtime's help: an edit the label just before it, a
// button or a group box its own text.
std::string NameSystemReads(const UiControl& control)
{
    const UiControlEntry& c = *control.entry;
    switch (c.kind) {
    case UiControlKind::Numeric:
    case UiControlKind::Indicator: return c.label;
    case UiControlKind::Toggle: return c.default_value != 0 ? c.on_text : c.off_text;
    case UiControlKind::Command:
    case UiControlKind::Text: return c.text;
    case UiControlKind::Tab:
    case UiControlKind::Decoration: break;
    }
    return {};
}

bool BuildLabel(UiPanel& panel, UiControl& control, const Placement& at, std::string& error)
{
    const UiControlEntry& c = *control.entry;
    if (c.label.empty()) return true;
    control.toolkit->label = NewChild(panel, "STATIC", c.label, SS_LEFT | SS_NOPREFIX, 0, LabelId,
                                      at.label, at.label_font);
    if (control.toolkit->label != nullptr) return true;
    error = c.constant + ": its label cannot be made";
    return false;
}

}  // namespace

bool UiToolkit_BuildControls(UiPanel& top, UiPanel& panel, std::string& error)
{
    // Every control's part is there before the first window is made, for
    // the messages the panel gets meanwhile.
    std::vector<Placement> places(panel.controls.size());
    for (std::size_t i = 0; i < panel.controls.size(); ++i) {
        panel.controls[i].toolkit = std::make_shared<UiToolkitControl>();
        places[i] = PlacementOf(top, *panel.controls[i].entry);
    }
    // Each window made lies beneath those made before it. The controls a
    // person uses come first, in their focus order, each with its label
    // just before it (a screen reader names a field by the static text
    // before it); then what only draws: texts, then frames (a caption
    // across a frame's edge hides the edge). Labels and texts take no
    // input: without SS_NOTIFY a static text is transparent to the mouse,
    // and nothing that draws lies over a control it surrounds or touches.
    std::vector<bool> built(panel.controls.size(), false);
    const auto build = [&](std::size_t i) {
        built[i] = true;
        UiControl& control = panel.controls[i];
        return BuildLabel(panel, control, places[i], error) &&
               BuildControl(panel, control, places[i], error);
    };
    for (UiControl* control : UiFocusOrder(panel))
        if (!build(static_cast<std::size_t>(control - panel.controls.data()))) return false;
    for (const bool only_draws : {false, true}) {
        for (std::size_t i = 0; i < panel.controls.size(); ++i) {
            const UiControlKind kind = panel.controls[i].entry->kind;
            if (built[i] || (kind == UiControlKind::Decoration) != only_draws) continue;
            if (!build(i)) return false;
        }
    }
    // Where the system would read another name than the panel gives the
    // control, the control's window says it.
    for (UiControl& control : panel.controls) {
        const UiControlKind kind = control.entry->kind;
        if (kind == UiControlKind::Decoration || kind == UiControlKind::Tab) continue;
        std::string name = AccessibleName(*panel.entry, *control.entry);
        if (name != NameSystemReads(control)) NameForScreenReaders(control, std::move(name));
    }
    return true;
}

void FitFrame(UiPanel& top_panel, unsigned dpi)
{
    UiToolkitPanel& top = *top_panel.toolkit;
    if (dpi == 0) dpi = GetDpiForWindow(top.window);
    if (dpi != 0 && dpi != top.dpi) {
        top.dpi = dpi;
        top.fonts.clear();  // made again at the new DPI on first use
    }
    const Scaler s{top.dpi};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(top.window, GWL_STYLE));
    const DWORD ex_style = static_cast<DWORD>(GetWindowLongPtrA(top.window, GWL_EXSTYLE));
    RECT frame{0, 0, s(top_panel.entry->width), s(top_panel.entry->height)};
    AdjustWindowRectExForDpi(&frame, style, FALSE, ex_style, top.dpi);
    SetWindowPos(top.window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOut(UiPanel& top, unsigned dpi)
{
    FitFrame(top, dpi);
    LayOutControls(top, top);
    for (UiControl& control : top.controls) {
        for (int handle : control.page_handles) {
            UiPanel* page = UiFindPanel(handle);
            if (page == nullptr) continue;
            Place(WindowOf(*page), PanelPlace(top, *page->entry));
            LayOutControls(top, *page);
        }
    }
    InvalidateRect(WindowOf(top), nullptr, TRUE);
}

void ShowPageInFront(UiControl& tab)
{
    HWND tabs = tab.toolkit->window;
    const auto front = SendMessageA(tabs, TCM_GETCURSEL, 0, 0);
    // The keyboard on a page that goes is given to the tab control.
    HWND focus = GetFocus();
    for (std::size_t i = 0; i < tab.page_handles.size(); ++i) {
        UiPanel* page = UiFindPanel(tab.page_handles[i]);
        if (page == nullptr) continue;
        HWND window = WindowOf(*page);
        const bool shown = static_cast<LRESULT>(i) == front;
        if (!shown && focus != nullptr && IsChild(window, focus)) SetFocus(tabs);
        ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
    }
}

// ---- numerics' fields -----------------------------------------------------

namespace {

bool filtering = false;  // the field's text is being set by the runtime

std::string FieldText(HWND field)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetFieldText(HWND field, const std::string& text)
{
    filtering = true;
    SetWindowTextA(field, text.c_str());
    filtering = false;
}

}  // namespace

void ShowValue(UiControl& whole)
{
    UiToolkitControl& control = *whole.toolkit;
    const std::string text = FormatNumeric(*whole.entry, control.value);
    if (FieldText(control.window) != text) SetFieldText(control.window, text);
    control.good_text = text;
}

void FilterField(UiControl& whole)
{
    if (filtering) return;
    const UiControlEntry& c = *whole.entry;
    UiToolkitControl& control = *whole.toolkit;
    const std::string text = FieldText(control.window);
    double number = 0.0;
    switch (ReadNumericText(c, text, number)) {
    case UiTextState::Invalid: {
        // Typed or pasted, it never was a value of this control: undone.
        const std::string& good = control.good_text;
        SetFieldText(control.window, good);
        const auto end = static_cast<WPARAM>(good.size());
        SendMessageA(control.window, EM_SETSEL, end, static_cast<LPARAM>(end));
        return;
    }
    case UiTextState::Value:
        control.value = HeldValue(c, number);
        if (number > c.maximum) {
            // Above the upper limit: the field shows the limit it holds.
            ShowValue(whole);
            const auto end = static_cast<WPARAM>(GetWindowTextLengthA(control.window));
            SendMessageA(control.window, EM_SETSEL, end, static_cast<LPARAM>(end));
            return;
        }
        break;
    case UiTextState::Partial: break;
    }
    control.good_text = text;
}

void CommitField(UiControl& control)
{
    if (control.entry->kind != UiControlKind::Numeric) return;
    double number = 0.0;
    UiToolkitControl& part = *control.toolkit;
    if (ReadNumericText(*control.entry, FieldText(part.window), number) == UiTextState::Value)
        part.value = HeldValue(*control.entry, number);
    ShowValue(control);
}

// ---- colours --------------------------------------------------------------

HBRUSH ColourControl(UiPanel& panel, HWND child, HDC dc)
{
    std::uint32_t colour = panel.entry->colour;
    for (const UiControl& control : panel.controls) {
        const UiControlKind kind = control.entry->kind;
        if (control.toolkit && control.toolkit->window == child &&
            (kind == UiControlKind::Numeric || kind == UiControlKind::Indicator))
            colour = control.entry->field_colour;
    }
    SetBkColor(dc, Colour(colour));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    UiToolkitPanel& part = *panel.toolkit;
    if (colour == panel.entry->colour) return part.background.get();
    auto& brush = part.field_brushes[colour];
    if (!brush) brush.reset(CreateSolidBrush(Colour(colour)));
    return brush.get();
}
