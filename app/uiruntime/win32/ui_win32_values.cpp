// ui_win32_values.cpp - control values by panel handle and control number.
//
// Each control has one value type; a read or write in any other type is
// refused, so a variable is only ever written with a value of its own type.
#include "ui_win32_state.h"

#include <commctrl.h>

namespace {

int CheckAccess(const char* operation, int panel, int control, int attribute, UiValueType type,
                UiWin32Control*& c)
{
    if (const int rc = ResolveControl(operation, panel, control, c); rc < 0) return rc;
    return CheckValueAccess(operation, *c->entry, attribute, type);
}

// The control's value, as its own type; called only for that type.
template <typename T> T Read(UiWin32Control& c)
{
    switch (c.entry->kind) {
    case UiControlKind::Numeric:
        // What the field shows now is the value: typed and not yet left,
        // it is taken as it stands.
        CommitField(c);
        return static_cast<T>(c.value);
    case UiControlKind::Indicator: return static_cast<T>(c.value);
    case UiControlKind::Tab: return static_cast<T>(SendMessageA(c.window, TCM_GETCURSEL, 0, 0));
    case UiControlKind::Toggle: return SendMessageA(c.window, BM_GETCHECK, 0, 0) == BST_CHECKED ? T(1) : T(0);
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return T(0);
}

template <typename T> int Get(const char* operation, int panel, int control, int attribute, T* value)
{
    UiWin32Control* c = nullptr;
    if (const int rc = CheckAccess(operation, panel, control, attribute, TypeOf<T>(), c); rc < 0) return rc;
    if (value == nullptr)
        return Refuse(UI_ERR_VALUE_TYPE, std::string(operation) + "(" + c->entry->constant + "): no variable given");
    *value = Read<T>(*c);
    return 0;
}

template <typename T> int Set(const char* operation, int panel, int control, int attribute, T value)
{
    UiWin32Control* c = nullptr;
    if (const int rc = CheckAccess(operation, panel, control, attribute, TypeOf<T>(), c); rc < 0) return rc;
    const UiControlEntry& d = *c->entry;
    const std::string where = std::string(operation) + "(" + d.constant + ")";
    const double v = static_cast<double>(value);
    switch (d.kind) {
    case UiControlKind::Numeric:
        // A numeric never holds a value outside its limits.
        if (const int rc = CheckWithinLimits(operation, d, v); rc < 0) return rc;
        c->value = HeldValue(d, v);
        ShowValue(*c);
        return 0;
    case UiControlKind::Indicator:
        c->value = v;
        SetWindowTextA(c->window, std::to_string(static_cast<std::uint32_t>(value)).c_str());
        return 0;
    case UiControlKind::Tab:
        if (v < 0 || v >= static_cast<double>(c->page_handles.size()))
            return Refuse(UI_ERR_OUT_OF_RANGE, where + ": no page " + std::to_string(v));
        SendMessageA(c->window, TCM_SETCURSEL, static_cast<WPARAM>(value), 0);
        ShowPageInFront(*c);
        return 0;
    case UiControlKind::Toggle:
        SendMessageA(c->window, BM_SETCHECK, value != T(0) ? BST_CHECKED : BST_UNCHECKED, 0);
        SetWindowTextA(c->window, (value != T(0) ? d.on_text : d.off_text).c_str());
        return 0;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return Refuse(UI_ERR_ATTRIBUTE, where + ": the value of this control cannot be set");
}

}  // namespace

template <typename T> int GetControlValue(int panel, int control, int attribute, T* value)
{
    return Get("GetCtrlAttribute", panel, control, attribute, value);
}
template <typename T> int SetControlValue(int panel, int control, int attribute, T value)
{
    return Set("SetCtrlAttribute", panel, control, attribute, value);
}
template int GetControlValue(int, int, int, double*);
template int GetControlValue(int, int, int, std::int32_t*);
template int GetControlValue(int, int, int, std::uint8_t*);
template int GetControlValue(int, int, int, std::uint32_t*);
template int SetControlValue(int, int, int, double);
template int SetControlValue(int, int, int, std::int32_t);
template int SetControlValue(int, int, int, std::uint8_t);
template int SetControlValue(int, int, int, std::uint32_t);
