// runtime_driver_web.cpp - the shared runtime cases' input on the page
// toolkit's elements. The cases run inside the page; what a person does
// goes out to the browser's own input (the DevTools protocol's mouse and
// keyboard, driven from outside by runtime_cases.js through the page's
// function kx418Input) and arrives at the page as a person's input does.
// What the page shows is read from its elements, and names as the
// browser's accessibility tree gives them to a screen reader.
#include "runtime_driver.h"

#include "ui_runtime.h"
#include "web/ui_web_access.h"

#include <emscripten.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// clang-format off

// A page behind the one in front is not laid out. Where a case asks where
// something is drawn or what it is named, the page it lies on is put in
// front for that moment, measured or named as it is there, and put back.
EM_JS(void, Driver_Start, (), {
    if (Module.kx418Driver) return;
    Module.kx418Driver = {
        reveal(e) {
            const behind = [];
            for (let a = e; a; a = a.parentElement)
                if (a.style && a.style.display === 'none') { behind.push(a); a.style.display = 'block'; }
            return () => behind.forEach((a) => { a.style.display = 'none'; });
        },
        rect(e, client) {
            const back = Module.kx418Driver.reveal(e);
            const r = e.getBoundingClientRect();
            const c = client.getBoundingClientRect();
            back();
            return [Math.round(r.left - c.left), Math.round(r.top - c.top), Math.round(r.width),
                    Math.round(r.height)];
        },
    };
});

// An element's place in the client area of a panel, into out[0..3] (left,
// top, width, height), rounded to whole pixels. For a text, the place of
// what it draws (its text narrowed to fit).
EM_JS(void, Driver_Place, (int element, int client, int* out), {
    const ui = Module.kx418Ui;
    let e = ui.get(element);
    if (e.classList.contains('kx418-label') && e.firstElementChild) e = e.firstElementChild;
    HEAP32.set(Module.kx418Driver.rect(e, ui.get(client)), out >> 2);
});

// A page's place in the client area of the window that holds it.
EM_JS(void, Driver_Place_In_Window, (int page, int* out), {
    const e = Module.kx418Ui.get(page);
    HEAP32.set(Module.kx418Driver.rect(e, e.parentElement.closest('.kx418-client')), out >> 2);
});

// The middle of a window's close box in the page's viewport.
EM_JS(void, Driver_Close_Box, (int window, int* out), {
    const r = Module.kx418Ui.get(window).querySelector('.kx418-title button').getBoundingClientRect();
    HEAP32.set([Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)], out >> 2);
});

// A point of a panel's client area in the page's viewport.
EM_JS(void, Driver_Viewport_Point, (int client, int x, int y, int* out), {
    const c = Module.kx418Ui.get(client).getBoundingClientRect();
    HEAP32.set([Math.round(c.left + x), Math.round(c.top + y)], out >> 2);
});

// What a person does, carried out by the browser's own input; resolves
// once the page has handled it.
EM_ASYNC_JS(char*, Driver_Input, (const char* json), {
    if (typeof kx418Input !== 'function') return 0;
    const answer = String(await kx418Input(UTF8ToString(json)));
    return allocateUTF8(answer);
});

EM_JS(char*, Driver_Text, (int element), {
    const e = Module.kx418Ui.get(element);
    if (!e) return allocateUTF8("");
    const text = e.tagName === 'INPUT' ? e.value
               : e.classList.contains('kx418-window') ? e.querySelector('.kx418-title span').textContent
               : e.textContent;
    return allocateUTF8(text);
});

EM_JS(int, Driver_Shown, (int element), {
    const e = Module.kx418Ui.get(element);
    return e && e.isConnected && e.checkVisibility() ? 1 : 0;
});

EM_JS(int, Driver_Parent_Is, (int element, int parent), {
    const ui = Module.kx418Ui;
    return ui.get(element).parentElement === ui.get(parent) ? 1 : 0;
});

EM_JS(int, Driver_Read_Only, (int element), {
    return Module.kx418Ui.get(element).readOnly ? 1 : 0;
});

// An element's computed background colour as 0xRRGGBB, its font's pixels.
EM_JS(int, Driver_Colour, (int element), {
    const m = getComputedStyle(Module.kx418Ui.get(element)).backgroundColor.match(/[0-9.]+/g);
    return m ? (Number(m[0]) << 16) | (Number(m[1]) << 8) | Number(m[2]) : -1;
});

EM_JS(int, Driver_Font_Pixels, (int element), {
    return Math.round(parseFloat(getComputedStyle(Module.kx418Ui.get(element)).fontSize));
});

// A tab strip's tabs: how many; a tab's element marked for the others.
EM_JS(int, Driver_Tab_Count, (int strip), {
    return Module.kx418Ui.get(strip).querySelectorAll('[role=tab]').length;
});

EM_JS(char*, Driver_Tab_Label, (int strip, int index), {
    const tab = Module.kx418Ui.get(strip).querySelectorAll('[role=tab]')[index];
    return allocateUTF8(tab ? tab.textContent : "");
});

EM_JS(void, Driver_Tab_Place, (int strip, int index, int client, int* out), {
    const ui = Module.kx418Ui;
    const tab = ui.get(strip).querySelectorAll('[role=tab]')[index];
    HEAP32.set(Module.kx418Driver.rect(tab, ui.get(client)), out >> 2);
});

// What lies at a viewport point: 1 when the element holds it; else its
// description.
EM_JS(char*, Driver_At_Point, (int element, int x, int y), {
    const hit = document.elementFromPoint(x, y);
    const e = Module.kx418Ui.get(element);
    if (hit && e.contains(hit)) return 0;
    if (!hit) return allocateUTF8('nothing');
    const holder = hit.closest('[data-constant]');
    return allocateUTF8(hit.tagName.toLowerCase() + (holder ? ' of ' +
        holder.getAttribute('data-constant') : "") + ' "' + hit.textContent.slice(0, 40) + '"');
});

EM_JS(int, Driver_Looks_Pressed, (int element), {
    const e = Module.kx418Ui.get(element);
    return e.matches(':active') ? 1 : 0;
});

EM_JS(int, Driver_Has_Focus, (int element), {
    const e = Module.kx418Ui.get(element);
    return e && document.activeElement && e.contains(document.activeElement) ? 1 : 0;
});

EM_JS(void, Driver_Blur, (), {
    if (document.activeElement && document.activeElement !== document.body)
        document.activeElement.blur();
});

EM_JS(char*, Driver_Selected, (int element), {
    const e = Module.kx418Ui.get(element);
    return allocateUTF8(e.value.substring(e.selectionStart, e.selectionEnd));
});

// The message box up now: its title and message, and whether it is modal
// (the page behind it takes no input), as "title\nmessage\nmodal".
EM_JS(char*, Driver_Box, (), {
    const box = document.querySelector('dialog[open]');
    if (!box) return 0;
    return allocateUTF8(box.querySelector('h2').textContent + '\n' +
                           box.querySelector('p').textContent + '\n' +
                           (box.matches(':modal') ? '1' : '0'));
});

// Marks the element a question to the accessibility tree is about.
EM_JS(void, Driver_Mark, (int element, int marked), {
    const e = Module.kx418Ui.get(element);
    if (marked) {
        e.setAttribute('data-kx418-asked', "");
        Module.kx418Driver.back = Module.kx418Driver.reveal(e);
    } else {
        e.removeAttribute('data-kx418-asked');
        Module.kx418Driver.back();
    }
});

// Gives the tab in front of a strip the keyboard.
EM_JS(void, Driver_Focus_Front_Tab, (int strip), {
    const front = Module.kx418Ui.get(strip).querySelector('[role=tab][aria-selected=true]');
    if (front) front.focus();
});

// clang-format on

std::string Taken(char* text)
{
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    return copy;
}

// A request to the browser's input, as JSON; the browser's answer.
std::string Input(const std::string& json)
{
    const std::string answer = Taken(Driver_Input(json.c_str()));
    Settle();
    return answer;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

struct Point {
    int x = 0, y = 0;
};

Point Viewport(int panel, int x, int y)
{
    std::array<int, 2> at{};
    Driver_Viewport_Point(UiWeb_ClientElement(panel), x, y, at.data());
    return {at[0], at[1]};
}

Panel_Rect PlaceIn(int element, int panel)
{
    std::array<int, 4> r{};
    if (element != 0) Driver_Place(element, UiWeb_ClientElement(panel), r.data());
    return {r[0], r[1], r[2], r[3]};
}

void MouseInput(const char* action, Point at, int count = 1)
{
    Input(std::string("{\"kind\":\"mouse\",\"action\":\"") + action +
          "\",\"x\":" + std::to_string(at.x) + ",\"y\":" + std::to_string(at.y) +
          ",\"count\":" + std::to_string(count) + "}");
}

// A click at the middle of an element, with `count` clicks in a row.
void ClickMiddle(int element, int panel, int count = 1)
{
    ASSERT_NE(element, 0);
    ASSERT_TRUE(Driver_Shown(element)) << "not shown";
    const Panel_Rect r = PlaceIn(element, panel);
    MouseInput("click", Viewport(panel, r.left + r.width / 2, r.top + r.height / 2), count);
}

void Key(const char* key)
{
    Input(std::string("{\"kind\":\"key\",\"key\":\"") + key + "\"}");
}

int Element(int panel, int control)
{
    const int element = UiWeb_ControlElement(panel, control);
    EXPECT_NE(element, 0) << "panel " << panel << " control " << control;
    return element;
}

// The element that shows a control's text and takes its keyboard: a
// numeric's field, a tab control's strip, else the body.
int FocusElement(int panel, int control)
{
    if (const int strip = UiWeb_ControlStrip(panel, control)) return strip;
    if (const int field = UiWeb_ControlField(panel, control)) return field;
    return UiWeb_ControlElement(panel, control);
}

// Selects all of a numeric's text as a person does: a triple click.
void SelectField(int panel, int control)
{
    const int field = UiWeb_ControlField(panel, control);
    ASSERT_NE(field, 0) << "panel " << panel << " control " << control << " has no field";
    ClickMiddle(field, panel, 3);
}

std::string AskName(int element)
{
    if (element == 0) return "(no element)";
    Driver_Mark(element, 1);
    const std::string name = Input("{\"kind\":\"name\"}");
    Driver_Mark(element, 0);
    return name;
}

}  // namespace

void StartUiForTests()
{
    Driver_Start();
    ASSERT_EQ(InitCVIRTEEx(nullptr, nullptr, nullptr), 1);
}

void Settle()
{
    // The page's own tasks first (a dialog's close, a focus change), then
    // what it queued for the loop, as the loop delivers it.
    emscripten_sleep(0);
    UiWeb_DeliverQueued();
}

void Press(int panel, int control)
{
    ClickMiddle(Element(panel, control), panel);
}

void Click_Arrow(int panel, int control, bool up)
{
    const int arrow = UiWeb_ControlArrow(panel, control, up);
    ASSERT_NE(arrow, 0) << "panel " << panel << " control " << control << " has no arrows";
    ClickMiddle(arrow, panel);
}

void Type_Into(int panel, int control, const std::string& text, bool commit)
{
    SelectField(panel, control);
    Input("{\"kind\":\"type\",\"text\":" + Quoted(text) + "}");
    if (commit) Key("Enter");
}

void Paste_Into(int panel, int control, const std::string& text)
{
    SelectField(panel, control);
    Input("{\"kind\":\"paste\",\"text\":" + Quoted(text) + "}");
    Key("Enter");
}

void Click_Tab(int panel, int tab_control, int index)
{
    const Panel_Rect tab = Tab_Place(panel, tab_control, index);
    MouseInput("click", Viewport(panel, tab.left + tab.width / 2, tab.top + tab.height / 2));
}

std::string Shown_Text(int panel, int control)
{
    const int element = FocusElement(panel, control);
    EXPECT_NE(element, 0) << "panel " << panel << " control " << control;
    return element != 0 ? Taken(Driver_Text(element)) : std::string();
}

void Close_Window(int panel)
{
    // The close box at the right of the window's title bar.
    const int window = UiWeb_PanelElement(panel);
    ASSERT_NE(window, 0);
    std::array<int, 2> at{};
    Driver_Close_Box(window, at.data());
    MouseInput("click", {at[0], at[1]});
}

bool Has_Window(int panel)
{
    return UiWeb_PanelElement(panel) != 0;
}

bool Is_Shown(int panel)
{
    const int element = UiWeb_PanelElement(panel);
    return element != 0 && Driver_Shown(element) != 0;
}

Shown_Box Box_Now()
{
    Shown_Box seen;
    const std::string box = Taken(Driver_Box());
    if (box.empty()) return seen;
    seen.shown = true;
    const std::size_t first = box.find('\n');
    const std::size_t second = box.find('\n', first + 1);
    seen.title = box.substr(0, first);
    seen.message = box.substr(first + 1, second - first - 1);
    seen.modal = box.substr(second + 1) == "1";
    return seen;
}

// ---- what is drawn where -----------------------------------------------------

Panel_Rect Place_Of(int panel, int control)
{
    return PlaceIn(Element(panel, control), panel);
}

bool Has_Control(int panel, int control)
{
    return UiWeb_ControlElement(panel, control) != 0;
}

bool In_Own_Panel(int panel, int control)
{
    const int element = Element(panel, control);
    return element != 0 && Driver_Parent_Is(element, UiWeb_ClientElement(panel)) != 0;
}

bool Is_Read_Only(int panel, int control)
{
    const int element = FocusElement(panel, control);
    return element != 0 && Driver_Read_Only(element) != 0;
}

Panel_Rect Arrow_Place(int panel, int control, bool up)
{
    const int arrow = UiWeb_ControlArrow(panel, control, up);
    EXPECT_NE(arrow, 0) << "panel " << panel << " control " << control << " has no arrows";
    return PlaceIn(arrow, panel);
}

int Fixed_Arrows_Width()
{
    // The arrows lie inside the field's frame at the width the page's
    // style gives them; only their side, the left, is the runtime's.
    return 0;
}

Shown_Label Label_Of(int panel, int control)
{
    Shown_Label seen;
    const int label = UiWeb_ControlLabel(panel, control);
    if (label == 0) return seen;
    seen.shown = true;
    seen.text = Taken(Driver_Text(label));
    const Panel_Rect r = PlaceIn(label, panel);
    seen.left = r.left;
    seen.top = r.top;
    seen.width = r.width;
    return seen;
}

int Font_Pixels(int panel, int control)
{
    const int element = Element(panel, control);
    return element != 0 ? Driver_Font_Pixels(element) : 0;
}

std::uint32_t Field_Colour(int panel, int control)
{
    const int element = FocusElement(panel, control);
    return element != 0 ? static_cast<std::uint32_t>(Driver_Colour(element)) : 0;
}

std::uint32_t Panel_Colour(int panel)
{
    const int client = UiWeb_ClientElement(panel);
    EXPECT_NE(client, 0);
    return client != 0 ? static_cast<std::uint32_t>(Driver_Colour(client)) : 0;
}

std::string Window_Title(int panel)
{
    const int window = UiWeb_PanelElement(panel);
    EXPECT_NE(window, UiWeb_ClientElement(panel)) << "a window of its own";
    return window != 0 ? Taken(Driver_Text(window)) : std::string();
}

Panel_Rect Panel_Place(int panel)
{
    const int window = UiWeb_PanelElement(panel);
    const int client = UiWeb_ClientElement(panel);
    EXPECT_NE(client, 0);
    if (client == 0) return {};
    std::array<int, 4> r{};
    if (window != client) {
        // A top-level panel: its client area in the page's viewport.
        const Point origin = Viewport(panel, 0, 0);
        Driver_Place(client, client, r.data());
        return {origin.x, origin.y, r[2], r[3]};
    }
    // A page: its place in its window's client area.
    Driver_Place_In_Window(client, r.data());
    return {r[0], r[1], r[2], r[3]};
}

int Tab_Count(int panel, int tab_control)
{
    const int strip = UiWeb_ControlStrip(panel, tab_control);
    return strip != 0 ? Driver_Tab_Count(strip) : 0;
}

std::string Tab_Label(int panel, int tab_control, int index)
{
    const int strip = UiWeb_ControlStrip(panel, tab_control);
    return strip != 0 ? Taken(Driver_Tab_Label(strip, index)) : std::string();
}

Panel_Rect Tab_Place(int panel, int tab_control, int index)
{
    const int strip = UiWeb_ControlStrip(panel, tab_control);
    EXPECT_NE(strip, 0);
    std::array<int, 4> r{};
    if (strip != 0) Driver_Tab_Place(strip, index, UiWeb_ClientElement(panel), r.data());
    return {r[0], r[1], r[2], r[3]};
}

// ---- reach --------------------------------------------------------------------

bool Reaches(int panel, int x, int y, int control, std::string& found)
{
    const int element = UiWeb_ControlElement(panel, control);
    if (element == 0) return false;
    const Point at = Viewport(panel, x, y);
    found = Taken(Driver_At_Point(element, at.x, at.y));
    return found.empty();
}

void Mouse_At(int panel, int x, int y, Mouse action)
{
    const Point at = Viewport(panel, x, y);
    switch (action) {
    case Mouse::Down: MouseInput("down", at); break;
    case Mouse::Up: MouseInput("up", at); break;
    case Mouse::Click: MouseInput("click", at); break;
    case Mouse::Double_Click: MouseInput("click", at, 2); break;
    }
}

bool Looks_Pressed(int panel, int control)
{
    const int element = Element(panel, control);
    return element != 0 && Driver_Looks_Pressed(element) != 0;
}

bool Has_Keyboard(int panel, int control)
{
    const int element = FocusElement(panel, control);
    return element != 0 && Driver_Has_Focus(element) != 0;
}

void Drop_Keyboard(int)
{
    Driver_Blur();
    Settle();
}

std::string Selected_Text(int panel, int control)
{
    const int element = FocusElement(panel, control);
    return element != 0 ? Taken(Driver_Selected(element)) : std::string();
}

// ---- what the keyboard and a screen reader meet -------------------------------

std::string Accessible_Name(int panel, int control)
{
    return AskName(FocusElement(panel, control));
}

std::string Accessible_Panel_Name(int panel)
{
    return AskName(UiWeb_PanelElement(panel));
}

namespace {

// The top-level panel's pages, found through its tab control.
std::vector<int> PanelsOf(int top_panel, int& tab_control)
{
    std::vector<int> panels{top_panel};
    tab_control = 0;
    for (int control = 2; control < 64 && tab_control == 0; ++control)
        if (UiWeb_ControlStrip(top_panel, control) != 0) tab_control = control;
    for (int index = 0; tab_control != 0; ++index) {
        int page = 0;
        if (GetPanelHandleFromTabPage(top_panel, tab_control, index, &page) != 0) break;
        panels.push_back(page);
    }
    return panels;
}

// The control whose element has the keyboard: a page's before the window's
// own (the tab control's body holds its pages); none when the keyboard is
// outside the panels.
Stop StopOf(const std::vector<int>& panels)
{
    for (auto p = panels.rbegin(); p != panels.rend(); ++p)
        for (int control = 2; control < 64; ++control) {
            if (UiWeb_ControlElement(*p, control) == 0) continue;
            if (Driver_Has_Focus(FocusElement(*p, control)) != 0) return {*p, control};
        }
    return {};
}

}  // namespace

std::vector<Stop> Tab_Stops(int top_panel)
{
    std::vector<Stop> stops;
    int tab_control = 0;
    const std::vector<int> panels = PanelsOf(top_panel, tab_control);
    if (tab_control == 0) return stops;
    Driver_Focus_Front_Tab(UiWeb_ControlStrip(top_panel, tab_control));
    Settle();
    stops.push_back(StopOf(panels));
    bool left_page = false;
    for (int press = 0; press < 64; ++press) {
        Key("Tab");
        const Stop reached = StopOf(panels);
        if (reached == stops.front()) break;
        // After its last control Tab leaves the page for the browser's own
        // controls once, as from any page, and comes back to the first.
        if (reached == Stop{} && !left_page) {
            left_page = true;
            continue;
        }
        stops.push_back(reached);
        if (reached == Stop{}) break;
    }
    return stops;
}
