// ui_web_toolkit.cpp - the runtime's primitives on a web page: panels as
// windows of HTML elements at the panel file's places and sizes (CSS
// pixels), the program's event loop waiting on the page's events, and the
// message box as a modal dialog that holds the program until OK.
#include "../panel_file.h"
#include "../ui_layout.h"
#include "../ui_numeric.h"
#include "../ui_refusal.h"
#include "../ui_toolkit.h"
#include "ui_web_access.h"
#include "ui_web_dom.h"

#include <emscripten.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct UiToolkitControl {
    UiDomElement element;  // the control's body, at its place
    UiDomElement label;
    UiDomElement field;  // numerics: the text field ...
    UiDomElement up;     // ... and its arrows
    UiDomElement down;
    UiDomElement strip;  // tab controls: the tabs ...
    UiDomElement pages;  // ... and the pages' area
    double value = 0.0;  // a numeric's value, an indicator's number
    std::string text;    // a numeric's last text that its rules let stand
};

struct UiToolkitPanel {
    UiDomElement window;  // top-level panels own their window
    UiDomElement client;  // the window's client area, or the page
};

namespace {

std::string Colour(std::uint32_t rgb)
{
    const UiRgb parts = RgbOf(rgb);
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%02X%02X%02X", parts.red, parts.green, parts.blue);
    return text.data();
}

std::string Place(const UiRect& r)
{
    return "left:" + std::to_string(r.left) + "px;top:" + std::to_string(r.top) +
           "px;width:" + std::to_string(r.width) + "px;height:" + std::to_string(r.height) + "px;";
}

int NewElement(int parent, const char* tag, const char* class_name, const std::string& style)
{
    return UiDom_New(parent, tag, class_name, style.c_str());
}

// A text waiting for its narrowing: its span, the text as made (a
// toggle's span shows its pressed text by then), the room it has and the
// side it lies at.
struct PendingText {
    int span = 0;
    std::string text;
    int width = 0;
    bool centred = false;
};

// The texts of the windows built and not yet shown. They are measured all
// at once when a window is shown, before the page draws it: measuring
// reads the page's style, and reading it after every new element would
// bring the style up to date once per text.
std::vector<PendingText>& PendingTexts()
{
    static std::vector<PendingText> texts;
    return texts;
}

// A text in a span of its own, narrowed until it fits `width` (the shared
// rule), from the side it lies at, before its window is shown.
int NewNarrowedText(int parent, const std::string& text, int width, bool centred)
{
    const int span = NewElement(parent, "span", "", "");
    UiDom_SetText(span, text.c_str());
    PendingTexts().push_back({span, text, width, centred});
    return span;
}

// Every pending text narrowed: all measured first, then the narrowed ones
// scaled, so the page's style is brought up to date once.
void NarrowPendingTexts()
{
    std::vector<PendingText> texts;
    texts.swap(PendingTexts());
    std::vector<double> natural(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        natural[i] = UiDom_TextWidth(texts[i].span, texts[i].text.c_str());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const PendingText& t = texts[i];
        const int percent =
            NarrowingToFit([&](int p) { return natural[i] * p / 100.0 <= t.width; });
        if (percent >= 100) continue;
        const std::string scale = "transform:scaleX(" + std::to_string(percent / 100.0) +
                                  ");transform-origin:" + (t.centred ? "center" : "left") + ";";
        UiDom_SetAttribute(t.span, "style", scale.c_str());
    }
}

UiControl* Numeric(int panel, int control)
{
    UiControl* c = UiFindControl(panel, control);
    return c != nullptr && c->entry->kind == UiControlKind::Numeric ? c : nullptr;
}

std::string FieldText(const UiToolkitControl& part, bool& fits)
{
    std::array<char, 64> text{};
    const int length = UiDom_FieldText(part.field.id(), text.data(), text.size());
    fits = length >= 0 && static_cast<std::size_t>(length) < text.size();
    return fits ? std::string(text.data(), static_cast<std::size_t>(length)) : std::string();
}

void ShowNumeric(UiToolkitControl& part, const UiControlEntry& entry, double value)
{
    part.value = value;
    part.text = FormatNumeric(entry, value);
    UiDom_SetFieldText(part.field.id(), part.text.c_str());
}

// The field's text as its value: a number held within the limits, or
// what the field held before.
void TakeNumeric(UiControl& c)
{
    UiToolkitControl& part = *c.toolkit;
    bool fits = false;
    const std::string text = FieldText(part, fits);
    double number = 0.0;
    if (fits && ReadNumericText(*c.entry, text, number) == UiTextState::Value)
        ShowNumeric(part, *c.entry, HeldValue(*c.entry, number));
    else
        ShowNumeric(part, *c.entry, part.value);
}

}  // namespace

// ---- what the page calls while a person types ------------------------------

// A number above the upper limit, typed or pasted, becomes the limit at
// once; an edit that can never give a number is undone; a number within
// the limits is the value from now on; one below the lower limit waits
// until the field is taken (Enter, leaving the field).
extern "C" EMSCRIPTEN_KEEPALIVE void UiWeb_Numeric_Typed(int panel, int control)
{
    UiControl* c = Numeric(panel, control);
    if (c == nullptr) return;
    UiToolkitControl& part = *c->toolkit;
    bool fits = false;
    const std::string text = FieldText(part, fits);
    double number = 0.0;
    const UiTextState state =
        fits ? ReadNumericText(*c->entry, text, number) : UiTextState::Invalid;
    switch (state) {
    case UiTextState::Invalid: UiDom_SetFieldText(part.field.id(), part.text.c_str()); return;
    case UiTextState::Partial: part.text = text; return;
    case UiTextState::Value:
        if (number > c->entry->maximum) {
            ShowNumeric(part, *c->entry, c->entry->maximum);
            return;
        }
        part.text = text;
        if (number >= c->entry->minimum) part.value = HeldValue(*c->entry, number);
        return;
    }
}

extern "C" EMSCRIPTEN_KEEPALIVE void UiWeb_Numeric_Taken(int panel, int control)
{
    if (UiControl* c = Numeric(panel, control)) TakeNumeric(*c);
}

extern "C" EMSCRIPTEN_KEEPALIVE void UiWeb_Numeric_Step(int panel, int control, int steps)
{
    UiControl* c = Numeric(panel, control);
    if (c == nullptr) return;
    TakeNumeric(*c);
    ShowNumeric(*c->toolkit, *c->entry, StepNumeric(*c->entry, c->toolkit->value, steps));
}

// ---- the primitives --------------------------------------------------------

bool UiToolkit_Start(void* /*moduleHandle*/, char* /*argv*/[])
{
    if (UiDom_Start() != 0) return true;
    Refuse(0, "no window can be shown: no page to show it on");
    return false;
}

// Panel files travel inside the program as resources of type UIRFILETYPE,
// named by their file name in upper case: here files of the program's own
// file system, /UIRFILETYPE/<NAME>, embedded when the program is linked.
std::optional<std::string> UiToolkit_ReadPanelFile(const std::string& name)
{
    struct File_Close {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    const std::string path = "/" + std::string(UiPanelFileResourceType) + "/" + name;
    const std::unique_ptr<std::FILE, File_Close> file{std::fopen(path.c_str(), "rb")};
    if (!file) return std::nullopt;
    std::string text;
    std::array<char, 4096> chunk{};
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get()))
        text.append(chunk.data(), got);
    if (std::ferror(file.get())) return std::nullopt;
    return text;
}

bool UiToolkit_MakePanel(UiPanel& panel, UiPanel& /*top*/, UiControl* tab, std::string& /*error*/)
{
    auto part = std::make_shared<UiToolkitPanel>();
    const UiPanelEntry& e = *panel.entry;
    if (tab == nullptr) {
        part->window = UiDomElement(UiDom_NewWindow(panel.handle, e.title.c_str(), e.width,
                                                    e.height, Colour(e.colour).c_str()));
        part->client = UiDomElement(UiDom_ClientOf(part->window.id()));
    } else {
        const std::string style = "width:" + std::to_string(e.width) +
                                  "px;height:" + std::to_string(e.height) +
                                  "px;display:none;background:#" + Colour(e.colour) + ";";
        part->client =
            UiDomElement(NewElement(tab->toolkit->pages.id(), "div", "kx418-page", style));
        UiDom_SetAttribute(part->client.id(), "role", "tabpanel");
        UiDom_SetAttribute(part->client.id(), "aria-label", AccessibleName(e).c_str());
    }
    UiDom_SetAttribute(part->client.id(), "data-panel", e.constant.c_str());
    panel.toolkit = std::move(part);
    return true;
}

namespace {

void BuildTab(UiControl& control, const UiPanel& panel, int parent)
{
    const UiControlEntry& c = *control.entry;
    UiToolkitControl& part = *control.toolkit;
    // The file's check has seen pages there, alike and inside the control.
    const UiPanelEntry& first = *PagesOf(*panel.file, panel.entry->constant, c.constant).front();
    const int page_top = first.top - c.rect.top;
    const int page_left = first.left - c.rect.left;
    part.element = UiDomElement(NewElement(parent, "div", "kx418-tab", Place(c.rect)));
    const int holder = part.element.id();
    NewElement(holder, "div", "kx418-frame",
               Place({page_top - 1, 0, c.rect.width, c.rect.height - page_top + 1}));
    part.strip = UiDomElement(
        NewElement(holder, "div", "kx418-strip", Place({0, 0, c.rect.width, page_top})));
    UiDom_SetAttribute(part.strip.id(), "role", "tablist");
    part.pages = UiDomElement(
        NewElement(holder, "div", "", Place({page_top, page_left, first.width, first.height})));
}

void BuildNumeric(UiControl& control, const UiPanel& panel, int parent)
{
    const UiControlEntry& c = *control.entry;
    UiToolkitControl& part = *control.toolkit;
    part.element = UiDomElement(NewElement(parent, "div", "kx418-numeric", Place(c.rect)));
    // The arrows at the left of the field, as the other runtimes show them.
    const int arrows = NewElement(part.element.id(), "div", "kx418-arrows", "");
    part.up = UiDomElement(NewElement(arrows, "button", "", ""));
    UiDom_SetText(part.up.id(), "\u25B2");
    part.down = UiDomElement(NewElement(arrows, "button", "", ""));
    UiDom_SetText(part.down.id(), "\u25BC");
    part.field = UiDomElement(
        NewElement(part.element.id(), "input", "", "background:#" + Colour(c.field_colour) + ";"));
    UiDom_SetAttribute(part.field.id(), "type", "text");
    UiDom_SetAttribute(part.field.id(), "inputmode", "decimal");
    UiDom_SetAttribute(part.field.id(), "autocomplete", "off");
    UiDom_SetAttribute(part.field.id(), "aria-label", AccessibleName(*panel.entry, c).c_str());
    ShowNumeric(part, c, c.default_value);
    UiDom_OnNumeric(part.field.id(), part.up.id(), part.down.id(), panel.handle, c.number);
}

void BuildCommand(UiControl& control, const UiPanel& panel, int parent)
{
    const UiControlEntry& c = *control.entry;
    UiToolkitControl& part = *control.toolkit;
    part.element = UiDomElement(NewElement(parent, "button", "", Place(c.rect)));
    NewNarrowedText(part.element.id(), c.text, c.rect.width - 12, true);  // inside its frame
    UiDom_OnCommit(part.element.id(), panel.handle, c.number);
}

void BuildToggle(UiControl& control, const UiPanel& panel, int parent)
{
    const UiControlEntry& c = *control.entry;
    UiToolkitControl& part = *control.toolkit;
    part.element = UiDomElement(NewElement(parent, "button", "", Place(c.rect)));
    UiDom_SetAttribute(part.element.id(), "aria-label", AccessibleName(*panel.entry, c).c_str());
    NewNarrowedText(part.element.id(), c.off_text, c.rect.width - 12, true);
    UiDom_OnToggle(part.element.id(), c.on_text.c_str(), c.off_text.c_str());
    UiDom_SetPressed(part.element.id(), c.default_value != 0.0 ? 1 : 0);
}

void BuildText(UiControl& control, int parent, std::uint32_t panel_colour)
{
    const UiControlEntry& c = *control.entry;
    UiToolkitControl& part = *control.toolkit;
    // Texts lie on the panel's colour, so one laid across a frame's edge
    // (a caption) hides the edge behind it.
    std::string style = Place(c.rect) + "background:#" + Colour(panel_colour) + ";";
    if (c.font_size > 0) style += "font-size:" + std::to_string(c.font_size) + "px;";
    part.element = UiDomElement(
        NewElement(parent, "div", CentredText(c) ? "kx418-text centred" : "kx418-text", style));
    NewNarrowedText(part.element.id(), c.text, c.rect.width, CentredText(c));
}

void BuildLabel(UiControl& control, int parent)
{
    const UiControlEntry& c = *control.entry;
    UiToolkitControl& part = *control.toolkit;
    const std::string style =
        "left:" + std::to_string(c.label_left) + "px;top:" + std::to_string(c.label_top) + "px;";
    part.label = UiDomElement(NewElement(parent, "div", "kx418-label", style));
    const int room = LabelLeftOfControl(c) ? LabelRoom(c) : 1 << 20;
    NewNarrowedText(part.label.id(), c.label, room, false);
}

}  // namespace

bool UiToolkit_BuildControls(UiPanel& /*top*/, UiPanel& panel, std::string& /*error*/)
{
    const int parent = panel.toolkit->client.id();
    for (UiControl& control : panel.controls) {
        const UiControlEntry& c = *control.entry;
        control.toolkit = std::make_shared<UiToolkitControl>();
        UiToolkitControl& part = *control.toolkit;
        switch (c.kind) {
        case UiControlKind::Tab: BuildTab(control, panel, parent); break;
        case UiControlKind::Numeric: BuildNumeric(control, panel, parent); break;
        case UiControlKind::Indicator:
            part.element = UiDomElement(
                NewElement(parent, "input", "kx418-indicator",
                           Place(c.rect) + "background:#" + Colour(c.field_colour) + ";"));
            UiDom_SetAttribute(part.element.id(), "readonly", "");
            UiDom_SetAttribute(part.element.id(), "aria-label",
                               AccessibleName(*panel.entry, c).c_str());
            // A new result is told to a screen reader.
            UiDom_SetAttribute(part.element.id(), "aria-live", "polite");
            part.value = static_cast<std::uint32_t>(c.default_value);
            UiDom_SetFieldText(part.element.id(),
                               std::to_string(static_cast<std::uint32_t>(part.value)).c_str());
            break;
        case UiControlKind::Command: BuildCommand(control, panel, parent); break;
        case UiControlKind::Toggle: BuildToggle(control, panel, parent); break;
        case UiControlKind::Text: BuildText(control, parent, panel.entry->colour); break;
        case UiControlKind::Decoration:
            // Drawn beneath the controls it surrounds (the page's style).
            part.element = UiDomElement(NewElement(parent, "div", "kx418-deco", Place(c.rect)));
            UiDom_SetAttribute(part.element.id(), "role", "group");
            UiDom_SetAttribute(part.element.id(), "aria-label",
                               AccessibleName(*panel.entry, c).c_str());
            break;
        }
        UiDom_SetAttribute(part.element.id(), "data-constant", c.constant.c_str());
        if (!c.label.empty()) BuildLabel(control, parent);
    }
    return true;
}

void UiToolkit_AddPages(UiControl& tab)
{
    UiToolkitControl& t = *tab.toolkit;
    for (int handle : tab.page_handles) {
        const UiPanel& page = *UiFindPanel(handle);
        UiDom_AddTab(t.strip.id(), page.toolkit->client.id(), page.entry->tab_label.c_str());
    }
    UiDom_SelectTab(t.strip.id(), 0);
}

namespace {

// The element of a control that takes the keyboard: a tab control's strip
// (its tab in front), a numeric's field, else the control's body.
int FocusTarget(const UiToolkitControl& t)
{
    if (t.strip.id() != 0) return t.strip.id();
    return t.field.id() != 0 ? t.field.id() : t.element.id();
}

// The page's Tab order in the window's focus order (a page not in front
// is not shown, so Tab passes it by).
void NumberFocusOrder(UiPanel& top)
{
    int place = 1;
    for (UiControl* c : UiWindowFocusOrder(top))
        UiDom_SetTabOrder(FocusTarget(*c->toolkit), place++);
}

}  // namespace

void UiToolkit_Show(UiPanel& top)
{
    NumberFocusOrder(top);
    UiDom_Show(top.toolkit->window.id());
    // Measured once the window is shown: the style its texts are measured
    // in is then the one its first frame is drawn with, brought up to date
    // once for both.
    NarrowPendingTexts();
    UiDom_Focus(top.toolkit->window.id());
}

void UiToolkit_Focus(UiControl& control)
{
    if (const int target = FocusTarget(*control.toolkit); target != 0) UiDom_Focus(target);
}

UiShown UiToolkit_Shown(const UiPanel& top)
{
    switch (UiDom_Shown(top.toolkit->window.id())) {
    case 1: return UiShown::Yes;
    case 2: return UiShown::Active;
    default: return UiShown::No;
    }
}

double UiToolkit_Value(UiControl& control)
{
    const UiToolkitControl& c = *control.toolkit;
    switch (control.entry->kind) {
    case UiControlKind::Numeric:
    case UiControlKind::Indicator: return c.value;
    case UiControlKind::Tab: return UiDom_TabIndex(c.strip.id());
    case UiControlKind::Toggle: return UiDom_Pressed(c.element.id());
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return 0;
}

void UiToolkit_SetValue(UiControl& control, double value)
{
    UiToolkitControl& c = *control.toolkit;
    switch (control.entry->kind) {
    case UiControlKind::Numeric: ShowNumeric(c, *control.entry, value); break;
    case UiControlKind::Indicator:
        c.value = static_cast<std::uint32_t>(value);
        UiDom_SetFieldText(c.element.id(),
                           std::to_string(static_cast<std::uint32_t>(c.value)).c_str());
        break;
    case UiControlKind::Tab: UiDom_SelectTab(c.strip.id(), static_cast<int>(value)); break;
    case UiControlKind::Toggle: UiDom_SetPressed(c.element.id(), value != 0 ? 1 : 0); break;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
}

// The page's dialog is modal over the whole page, so it needs no owner.
void UiToolkit_ShowBox(const UiPanel* /*owner*/, const std::string& title,
                       const std::string& message, bool observed)
{
    UiDom_OpenBox(title.c_str(), message.c_str());
    if (observed && UiBoxShown(title, message)) UiDom_CloseBox();
    UiDom_WaitBox();
}

namespace {

struct Loop {
    bool ended = false;
    int code = 0;
};
std::vector<Loop*> loops;  // running loops, innermost last

// One event the page queued, to its callback (0 is a wake-up: nothing).
void Deliver(int kind)
{
    switch (kind) {
    case 1: UiDeliverCommit(UiDom_EventPanel(), UiDom_EventControl()); break;
    case 2: UiDeliverClose(UiDom_EventPanel()); break;
    default: break;
    }
}

}  // namespace

// The loop waits for the page's next event and delivers it, here on the
// program's own stack, so that a callback may wait on the browser in turn.
int UiToolkit_RunLoop(bool observed)
{
    Loop loop;
    loops.push_back(&loop);
    if (observed) UiLoopRunning();
    while (!loop.ended) Deliver(UiDom_WaitEvent());
    loops.pop_back();
    return loop.code;
}

void UiToolkit_QuitLoop(int returnCode)
{
    Loop& loop = *loops.back();
    loop.ended = true;
    loop.code = returnCode;
    UiDom_Wake();
}

// ---- for test drivers and benchmarks (ui_web_access.h) ----------------------

namespace {

const UiToolkitControl* PartOf(int panel, int control)
{
    const UiControl* c = UiFindControl(panel, control);
    return c != nullptr && c->toolkit ? c->toolkit.get() : nullptr;
}

}  // namespace

int UiWeb_PanelElement(int panel)
{
    const UiPanel* p = UiFindPanel(panel);
    if (p == nullptr || !p->toolkit) return 0;
    return p->toolkit->window.id() != 0 ? p->toolkit->window.id() : p->toolkit->client.id();
}

int UiWeb_ClientElement(int panel)
{
    const UiPanel* p = UiFindPanel(panel);
    return p != nullptr && p->toolkit ? p->toolkit->client.id() : 0;
}

int UiWeb_ControlElement(int panel, int control)
{
    const UiToolkitControl* part = PartOf(panel, control);
    return part != nullptr ? part->element.id() : 0;
}

int UiWeb_ControlField(int panel, int control)
{
    const UiToolkitControl* part = PartOf(panel, control);
    return part != nullptr ? part->field.id() : 0;
}

int UiWeb_ControlStrip(int panel, int control)
{
    const UiToolkitControl* part = PartOf(panel, control);
    return part != nullptr ? part->strip.id() : 0;
}

int UiWeb_ControlArrow(int panel, int control, bool up)
{
    const UiToolkitControl* part = PartOf(panel, control);
    if (part == nullptr) return 0;
    return up ? part->up.id() : part->down.id();
}

int UiWeb_ControlLabel(int panel, int control)
{
    const UiToolkitControl* part = PartOf(panel, control);
    return part != nullptr ? part->label.id() : 0;
}

void UiWeb_DeliverQueued()
{
    for (int kind = UiDom_NextEvent(); kind >= 0; kind = UiDom_NextEvent()) Deliver(kind);
}
