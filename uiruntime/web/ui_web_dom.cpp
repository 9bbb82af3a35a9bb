// ui_web_dom.cpp - the page's side of the web toolkit (ui_web_dom.h).
//
// Every element the toolkit makes has a number; the page keeps the
// elements by number. A panel's window is a box on the page with a title
// bar and a client area of the panel's size, in CSS pixels; controls are
// placed absolutely in it. What a person does that runs the program's
// callbacks (a command's click, the close box) is queued for the program's
// event loop, which waits for it (UiDom_WaitEvent): the program runs its
// callbacks inside its own loop, as on every platform, and may wait on
// the browser there (ASYNCIFY). Typing in a numeric and its arrows are
// checked at once by the numerics' rules, through the program's exported
// UiWeb_Numeric_* functions, which never wait.
#include <emscripten.h>

#include "ui_web_dom.h"

// clang-format off

EM_JS(int, UiDom_Start_Page, (), {
    if (typeof document === 'undefined') return 0;
    if (Module.kx418Ui) return 1;
    const ui = {elements: new Map(), next: 1, queue: [], waiter: null, current: null, box: null};
    ui.add = (element) => { const id = ui.next++; ui.elements.set(id, element); return id; };
    ui.get = (id) => ui.elements.get(id);
    ui.push = (event) => {
        ui.queue.push(event);
        if (ui.waiter) { const w = ui.waiter; ui.waiter = null; w(); }
    };
    ui.screen = document.getElementById('kx418-screen') || document.body;
    const style = document.createElement('style');
    style.textContent = `
.kx418-window { display: none; position: relative; width: max-content; border: 1px solid #0a246a;
  background: #0a246a; font: 13px "DejaVu Sans", "Segoe UI", sans-serif; color: #000;
  box-shadow: 2px 2px 6px rgba(0,0,0,.35); }
.kx418-window:focus { outline: none; }
.kx418-title { display: flex; align-items: center; height: 22px; padding: 0 2px 0 6px;
  color: #fff; font-weight: bold; user-select: none; }
.kx418-title span { flex: 1; white-space: nowrap; overflow: hidden; }
.kx418-title button { width: 20px; height: 18px; padding: 0; font: bold 12px sans-serif; }
.kx418-client { position: relative; overflow: hidden; }
.kx418-client * { box-sizing: border-box; font: inherit; }
.kx418-client > *, .kx418-tab > *, .kx418-page > * { position: absolute; margin: 0; z-index: 1; }
.kx418-deco { border: 1px solid; border-color: #aca899 #fff #fff #aca899; z-index: 0 !important;
  pointer-events: none; }
.kx418-text, .kx418-label { display: flex; align-items: center; white-space: nowrap;
  pointer-events: none; }
.kx418-label { height: auto; }
.kx418-text.centred { justify-content: center; }
.kx418-text span, .kx418-label span, .kx418-client button span { display: inline-block;
  white-space: nowrap; }
.kx418-client button { padding: 0; display: flex; align-items: center; justify-content: center;
  white-space: nowrap; overflow: hidden; }
.kx418-numeric { display: flex; border: 1px solid #7f9db9; }
.kx418-numeric input, .kx418-indicator { flex: 1; min-width: 0; height: 100%; border: 0;
  padding: 0 3px; text-align: right; }
.kx418-indicator { border: 1px solid #7f9db9; }
.kx418-arrows { display: flex; flex-direction: column; width: 13px; }
.kx418-arrows button { flex: 1; font-size: 6px; line-height: 1; padding: 0; }
.kx418-strip { display: flex; align-items: flex-end; }
.kx418-strip button { position: static; height: calc(100% - 1px); padding: 0 8px;
  border: 1px solid #919b9c; border-bottom: 0; background: #f4f3ee; }
.kx418-strip button[aria-selected=true] { height: 100%; background: inherit; }
.kx418-frame { border: 1px solid #919b9c; pointer-events: none; z-index: 0 !important; }
.kx418-page { position: absolute; left: 0; top: 0; }
.kx418-box { padding: 0; border: 1px solid #0a246a; min-width: 220px; max-width: 480px;
  font: 13px "DejaVu Sans", "Segoe UI", sans-serif; }
.kx418-box h2 { margin: 0; padding: 3px 6px; background: #0a246a; color: #fff; font-size: 13px; }
.kx418-box p { margin: 18px 16px; white-space: pre-wrap; }
.kx418-box form { display: flex; justify-content: center; margin: 0 0 12px; }
.kx418-box button { min-width: 75px; height: 23px; }
`;
    document.head.appendChild(style);
    Module.kx418Ui = ui;
    return 1;
});

EM_JS(int, UiDom_NewWindow, (int panel, const char* title, int width, int height,
                             const char* colour), {
    const ui = Module.kx418Ui;
    const window = document.createElement('div');
    window.className = 'kx418-window';
    window.tabIndex = -1;
    window.setAttribute('role', 'dialog');
    window.setAttribute('aria-label', UTF8ToString(title));
    const bar = document.createElement('div');
    bar.className = 'kx418-title';
    const caption = document.createElement('span');
    caption.textContent = UTF8ToString(title);
    const close = document.createElement('button');
    close.type = 'button';
    close.textContent = '\u00d7';
    close.title = close.ariaLabel = 'Schlie\u00dfen';
    close.tabIndex = -1;  // as a window's close box, not one of its Tab stops
    close.addEventListener('click', () => ui.push({kind: 2, panel, control: 0}));
    bar.append(caption, close);
    const client = document.createElement('div');
    client.className = 'kx418-client';
    client.style.width = width + 'px';
    client.style.height = height + 'px';
    client.style.background = '#' + UTF8ToString(colour);
    window.append(bar, client);
    ui.screen.appendChild(window);
    return ui.add(window);
});

EM_JS(int, UiDom_ClientOf, (int window), {
    const ui = Module.kx418Ui;
    return ui.add(ui.get(window).querySelector('.kx418-client'));
});

EM_JS(int, UiDom_New, (int parent, const char* tag, const char* class_name, const char* style), {
    const ui = Module.kx418Ui;
    const element = document.createElement(UTF8ToString(tag));
    element.className = UTF8ToString(class_name);
    element.style.cssText = UTF8ToString(style);
    if (element.tagName === 'BUTTON') element.type = 'button';
    ui.get(parent).appendChild(element);
    return ui.add(element);
});

EM_JS(void, UiDom_SetText, (int element, const char* text), {
    Module.kx418Ui.get(element).textContent = UTF8ToString(text);
});

EM_JS(void, UiDom_SetAttribute, (int element, const char* name, const char* value), {
    Module.kx418Ui.get(element).setAttribute(UTF8ToString(name), UTF8ToString(value));
});

EM_JS(void, UiDom_Focus, (int element), {
    const e = Module.kx418Ui.get(element);
    if (!e) return;
    if (e.tabs) e.tabs[e.current || 0].focus();
    else e.focus();
});

EM_JS(void, UiDom_SetTabOrder, (int element, int place), {
    const e = Module.kx418Ui.get(element);
    if (!e) return;
    if (!e.tabs) {
        e.tabIndex = place;
        return;
    }
    e.tabPlace = place;
    e.tabs.forEach((t, n) => { t.tabIndex = n === (e.current || 0) ? place : -1; });
});

EM_JS(void, UiDom_Remove, (int element), {
    const ui = Module.kx418Ui;
    const e = ui && ui.get(element);
    if (!e) return;
    e.remove();
    ui.elements.delete(element);
});

EM_JS(double, UiDom_TextWidth, (int element, const char* text), {
    const ui = Module.kx418Ui;
    const e = ui.get(element);
    if (!e || !e.isConnected) return 0;
    ui.canvas = ui.canvas || document.createElement('canvas');
    const context = ui.canvas.getContext('2d');
    const style = getComputedStyle(e);
    const font = style.fontWeight + ' ' + style.fontSize + ' ' + style.fontFamily;
    if (ui.font !== font) context.font = ui.font = font;
    return context.measureText(UTF8ToString(text)).width;
});

EM_JS(void, UiDom_OnCommit, (int element, int panel, int control), {
    const ui = Module.kx418Ui;
    ui.get(element).addEventListener('click', () => ui.push({kind: 1, panel, control}));
});

EM_JS(void, UiDom_OnToggle, (int element, const char* on_text, const char* off_text), {
    const e = Module.kx418Ui.get(element);
    e.dataset.on = UTF8ToString(on_text);
    e.dataset.off = UTF8ToString(off_text);
    e.addEventListener('click', () => {
        const pressed = e.getAttribute('aria-pressed') !== 'true';
        e.setAttribute('aria-pressed', String(pressed));
        e.firstChild.textContent = pressed ? e.dataset.on : e.dataset.off;
    });
});

EM_JS(int, UiDom_Pressed, (int element), {
    return Module.kx418Ui.get(element).getAttribute('aria-pressed') === 'true' ? 1 : 0;
});

EM_JS(void, UiDom_SetPressed, (int element, int pressed), {
    const e = Module.kx418Ui.get(element);
    e.setAttribute('aria-pressed', String(pressed !== 0));
    e.firstChild.textContent = pressed !== 0 ? e.dataset.on : e.dataset.off;
});

EM_JS(void, UiDom_OnNumeric, (int field, int up, int down, int panel, int control), {
    const ui = Module.kx418Ui;
    const f = ui.get(field);
    f.addEventListener('input', () => Module._UiWeb_Numeric_Typed(panel, control));
    f.addEventListener('change', () => Module._UiWeb_Numeric_Taken(panel, control));
    f.addEventListener('keydown', (event) => {
        if (event.key === 'Enter') Module._UiWeb_Numeric_Taken(panel, control);
        else if (event.key === 'ArrowUp') Module._UiWeb_Numeric_Step(panel, control, 1);
        else if (event.key === 'ArrowDown') Module._UiWeb_Numeric_Step(panel, control, -1);
        else return;
        event.preventDefault();
    });
    const arrow = (button, steps) => {
        button.tabIndex = -1;
        button.addEventListener('mousedown', (event) => {
            event.preventDefault();  // the field keeps the focus
            Module._UiWeb_Numeric_Step(panel, control, steps);
        });
    };
    arrow(ui.get(up), 1);
    arrow(ui.get(down), -1);
});

EM_JS(int, UiDom_FieldText, (int field, char* text, int size), {
    const value = Module.kx418Ui.get(field).value;
    stringToUTF8(value, text, size);
    return lengthBytesUTF8(value);
});

EM_JS(void, UiDom_SetFieldText, (int field, const char* text), {
    Module.kx418Ui.get(field).value = UTF8ToString(text);
});

EM_JS(void, UiDom_AddTab, (int strip, int page, const char* label), {
    const ui = Module.kx418Ui;
    const s = ui.get(strip);
    const tab = document.createElement('button');
    tab.type = 'button';
    tab.setAttribute('role', 'tab');
    tab.textContent = UTF8ToString(label);
    s.tabs = s.tabs || [];
    s.pages = s.pages || [];
    const index = s.tabs.length;
    s.tabs.push(tab);
    s.pages.push(ui.get(page));
    s.appendChild(tab);
    tab.addEventListener('click', () => s.select(index));
    // The arrows move between the tabs, as on a native tab strip.
    tab.addEventListener('keydown', (event) => {
        const step = {ArrowRight: 1, ArrowLeft: -1}[event.key];
        if (!step) return;
        event.preventDefault();
        const next = (s.current + step + s.tabs.length) % s.tabs.length;
        s.select(next);
        s.tabs[next].focus();
    });
    s.select = s.select || ((i) => {
        s.current = i;
        s.tabs.forEach((t, n) => {
            t.setAttribute('aria-selected', String(n === i));
            if (s.tabPlace !== undefined) t.tabIndex = n === i ? s.tabPlace : -1;
        });
        s.pages.forEach((p, n) => { p.style.display = n === i ? 'block' : 'none'; });
    });
});

EM_JS(void, UiDom_SelectTab, (int strip, int index), {
    Module.kx418Ui.get(strip).select(index);
});

EM_JS(int, UiDom_TabIndex, (int strip), {
    return Module.kx418Ui.get(strip).current || 0;
});

EM_JS(void, UiDom_Show, (int window), {
    Module.kx418Ui.get(window).style.display = 'block';
});

EM_JS(int, UiDom_Shown, (int window), {
    const w = Module.kx418Ui.get(window);
    if (!w || w.style.display !== 'block') return 0;
    return document.hasFocus() && w.contains(document.activeElement) ? 2 : 1;
});

EM_JS(void, UiDom_OpenBox, (const char* title, const char* message), {
    const ui = Module.kx418Ui;
    const box = document.createElement('dialog');
    box.className = 'kx418-box';
    box.setAttribute('aria-label', UTF8ToString(title));
    const heading = document.createElement('h2');
    heading.textContent = UTF8ToString(title);
    const text = document.createElement('p');
    text.textContent = UTF8ToString(message);
    const form = document.createElement('form');
    form.method = 'dialog';
    const ok = document.createElement('button');
    ok.textContent = 'OK';
    form.appendChild(ok);
    box.append(heading, text, form);
    document.body.appendChild(box);
    box.closed = new Promise((resolve) => box.addEventListener('close', resolve, {once: true}));
    box.showModal();
    ok.focus();
    ui.box = box;
});

EM_JS(void, UiDom_CloseBox, (), {
    const box = Module.kx418Ui.box;
    if (box && box.open) box.close();
});

EM_ASYNC_JS(void, UiDom_WaitBox_Page, (), {
    const ui = Module.kx418Ui;
    const box = ui.box;
    if (!box) return;
    await box.closed;
    box.remove();
    if (ui.box === box) ui.box = null;
});

EM_ASYNC_JS(int, UiDom_WaitEvent_Page, (), {
    const ui = Module.kx418Ui;
    while (ui.queue.length === 0) await new Promise((resolve) => { ui.waiter = resolve; });
    ui.current = ui.queue.shift();
    return ui.current.kind;
});

EM_JS(int, UiDom_NextEvent, (), {
    const ui = Module.kx418Ui;
    if (!ui || ui.queue.length === 0) return -1;
    ui.current = ui.queue.shift();
    return ui.current.kind;
});

EM_JS(int, UiDom_EventPanel, (), { return Module.kx418Ui.current.panel; });
EM_JS(int, UiDom_EventControl, (), { return Module.kx418Ui.current.control; });

EM_JS(void, UiDom_Wake, (), {
    Module.kx418Ui.push({kind: 0, panel: 0, control: 0});
});

// clang-format on

// A function of this file's own, so that the linker takes the file (and
// with it the page's side above) from the runtime's library.
int UiDom_Start()
{
    return UiDom_Start_Page();
}

// The waits: a wait's import carries its name as the browser's side gives
// it (asynchronous), which only this file sees.
void UiDom_WaitBox()
{
    UiDom_WaitBox_Page();
}

int UiDom_WaitEvent()
{
    return UiDom_WaitEvent_Page();
}
