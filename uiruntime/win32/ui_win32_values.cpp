// ui_win32_values.cpp - control values as the Win32 controls hold them.
#include "ui_win32_state.h"

#include <commctrl.h>

double UiToolkit_Value(UiControl& control)
{
    const UiToolkitControl& c = *control.toolkit;
    switch (control.entry->kind) {
    case UiControlKind::Numeric:
        // What the field shows now is the value: typed and not yet left,
        // it is taken as it stands.
        CommitField(control);
        return c.value;
    case UiControlKind::Indicator: return c.value;
    case UiControlKind::Tab:
        return static_cast<double>(SendMessageA(c.window, TCM_GETCURSEL, 0, 0));
    case UiControlKind::Toggle:
        return SendMessageA(c.window, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
    return 0;
}

void UiToolkit_SetValue(UiControl& control, double value)
{
    const UiControlEntry& d = *control.entry;
    UiToolkitControl& c = *control.toolkit;
    switch (d.kind) {
    case UiControlKind::Numeric:
        c.value = HeldValue(d, value);
        ShowValue(control);
        break;
    case UiControlKind::Indicator:
        c.value = value;
        SetWindowTextA(c.window, std::to_string(static_cast<std::uint32_t>(value)).c_str());
        // A screen reader says the new result.
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, c.window, OBJID_CLIENT, CHILDID_SELF);
        break;
    case UiControlKind::Tab:
        SendMessageA(c.window, TCM_SETCURSEL, static_cast<WPARAM>(value), 0);
        ShowPageInFront(control);
        break;
    case UiControlKind::Toggle:
        SendMessageA(c.window, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
        SetWindowTextA(c.window, (value != 0 ? d.on_text : d.off_text).c_str());
        break;
    case UiControlKind::Command:
    case UiControlKind::Text:
    case UiControlKind::Decoration: break;
    }
}
