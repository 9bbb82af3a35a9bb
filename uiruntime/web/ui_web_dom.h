// ui_web_dom.h - the page's side of the web toolkit: elements named by
// number, the events the page queues for the program's loop, and the
// modal message box. Implemented in JavaScript (ui_web_dom.cpp).
#ifndef KX418_UIRUNTIME_WEB_UI_WEB_DOM_H
#define KX418_UIRUNTIME_WEB_UI_WEB_DOM_H

#include <span>
#include <string>

extern "C" {
// 1 when there is a page to show panels on.
int UiDom_Start();
// A window at the page's panel place: its title bar (close box) and its
// client area of that size and colour (RRGGBB). The window's number;
// UiDom_ClientOf gives its client area's.
int UiDom_NewWindow(int panel, const char* title, int width, int height, const char* colour);
int UiDom_ClientOf(int window);
// An element of `tag` in `parent`, with a class and inline style.
int UiDom_New(int parent, const char* tag, const char* class_name, const char* style);
void UiDom_SetText(int element, const char* text);
void UiDom_SetAttribute(int element, const char* name, const char* value);
void UiDom_Remove(int element);
// The width of `text` in the element's face, unnarrowed (0 for an element
// no longer on the page). Reads the page's style: a run of these calls
// with no change to the page between them costs one style update.
double UiDom_TextWidth(int element, const char* text);
// A command's clicks, a window's close box, and a toggle's presses.
void UiDom_OnCommit(int element, int panel, int control);
void UiDom_OnToggle(int element, const char* on_text, const char* off_text);
int UiDom_Pressed(int element);
void UiDom_SetPressed(int element, int pressed);
// A numeric's field and arrows: typing, taking, stepping (into the
// exported UiWeb_Numeric_* below).
void UiDom_OnNumeric(int field, int up, int down, int panel, int control);
// The field's text into `text` (zero-terminated); its length in bytes,
// which is `size` or more when it did not fit.
int UiDom_FieldText(int field, char* text, int size);
void UiDom_SetFieldText(int field, const char* text);
// Tab controls: a tab for a page; the tab in front.
void UiDom_AddTab(int strip, int page, const char* label);
void UiDom_SelectTab(int strip, int index);
int UiDom_TabIndex(int strip);
// Windows: show (made active by giving the window the focus), shown (0 no,
// 1 yes, 2 active).
void UiDom_Show(int window);
// Gives an element the keyboard focus.
void UiDom_Focus(int element);
// Gives an element its place in Tab's order (1 first); for a tab strip,
// the place of the tab in front, whichever it is.
void UiDom_SetTabOrder(int element, int place);
int UiDom_Shown(int window);
// The modal message box: up, then waited for until OK.
void UiDom_OpenBox(const char* title, const char* message);
void UiDom_CloseBox();
void UiDom_WaitBox();
// The loop's events: waits for the next (0 a wake-up, 1 a commit, 2 a
// close); its panel and control.
int UiDom_WaitEvent();
// The next event without waiting, as UiDom_WaitEvent gives it; -1 when
// none is queued.
int UiDom_NextEvent();
int UiDom_EventPanel();
int UiDom_EventControl();
void UiDom_Wake();
}

// An element of the page, removed with its owner.
class UiDomElement {
public:
    UiDomElement() = default;
    explicit UiDomElement(int id) : id_(id) {}
    UiDomElement(UiDomElement&& other) noexcept : id_(other.id_) { other.id_ = 0; }
    UiDomElement& operator=(UiDomElement&& other) noexcept
    {
        if (this != &other) {
            Reset();
            id_ = other.id_;
            other.id_ = 0;
        }
        return *this;
    }
    UiDomElement(const UiDomElement&) = delete;
    UiDomElement& operator=(const UiDomElement&) = delete;
    ~UiDomElement() { Reset(); }

    int id() const { return id_; }

private:
    void Reset()
    {
        if (id_ != 0) UiDom_Remove(id_);
        id_ = 0;
    }
    int id_ = 0;
};

#endif
