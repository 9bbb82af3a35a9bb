// ui_win32_loop.cpp - starting the Win32 toolkit and running its event
// loops.
#include "ui_win32_access.h"
#include "ui_win32_state.h"

#include <commctrl.h>

UiWin32Runtime& Runtime()
{
    static UiWin32Runtime runtime;
    return runtime;
}

namespace {

struct Loop {
    bool quit = false;
    int code = 0;
};
std::vector<Loop*> loops;  // running loops, innermost last

void CALLBACK RunLoopObserver(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    UiLoopRunning();
}

// The window of a panel, top-level or page, that a message is for.
HWND PanelWindowOf(HWND window)
{
    HWND top = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
    return top != nullptr && PanelOfWindow(top) != nullptr ? top : nullptr;
}

UiKey KeyOf(WPARAM key)
{
    switch (key) {
    case VK_TAB: return UiKey::Tab;
    case VK_NEXT: return UiKey::PageDown;
    case VK_PRIOR: return UiKey::PageUp;
    default: return UiKey::Other;
    }
}

bool Held(int key)
{
    return GetKeyState(key) < 0;
}

// Tab and Shift+Tab: the keyboard to the next or previous control of the
// window's focus order that is shown (the pages behind are not) and
// enabled, a field's text selected as dialogs do.
void MoveFocus(UiPanel& top, bool forward)
{
    std::vector<HWND> cycle;
    for (UiControl* control : UiWindowFocusOrder(top)) cycle.push_back(control->toolkit->window);
    const std::size_t count = cycle.size();
    if (count == 0) return;
    std::size_t at = forward ? count - 1 : 0;  // from nowhere: to the first, or the last
    for (std::size_t i = 0; i < count; ++i)
        if (cycle[i] == GetFocus()) at = i;
    for (std::size_t step = 1; step <= count; ++step) {
        HWND next = cycle[forward ? (at + step) % count : (at + count - step) % count];
        if (!IsWindowVisible(next) || !IsWindowEnabled(next)) continue;
        SetFocus(next);
        if ((SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
            SendMessageA(next, EM_SETSEL, 0, -1);
        return;
    }
}

// Enter on a push button presses it, once; false where the keyboard is on
// no push button.
bool PressFocusedButton()
{
    HWND focus = GetFocus();
    if (focus == nullptr || (SendMessageA(focus, WM_GETDLGCODE, 0, 0) &
                             (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0)
        return false;
    SendMessageA(GetParent(focus), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
    return true;
}

}  // namespace

void UiWin32_Dispatch(MSG& message)
{
    HWND panel_window = PanelWindowOf(message.hwnd);
    UiPanel* top = panel_window != nullptr ? PanelOfWindow(panel_window) : nullptr;
    if (top != nullptr && message.message == WM_KEYDOWN) {
        const UiKeyModifiers held{Held(VK_CONTROL), Held(VK_SHIFT)};
        const UiKey key = KeyOf(message.wParam);
        if (UiPageKey(*top, key, held)) return;
        if (key == UiKey::Tab && !held.control && !Held(VK_MENU)) {
            MoveFocus(*top, !held.shift);
            return;
        }
        if (message.wParam == VK_RETURN && !held.control && PressFocusedButton()) return;
    }
    // Space on a button, Escape and the arrows as in a dialog.
    if (panel_window != nullptr && IsDialogMessageA(panel_window, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

bool UiToolkit_Start(void* moduleHandle, char* /*argv*/[])
{
    UiWin32Runtime& rt = Runtime();
    rt.instance =
        moduleHandle != nullptr ? static_cast<HINSTANCE>(moduleHandle) : GetModuleHandleA(nullptr);

    // Sharp at every DPI: the panel scales itself, the system does not
    // stretch it. The program's manifest says so too; this covers a driver
    // (a test, a benchmark) without one, and fails harmlessly when the
    // manifest has set it already.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    if (!InitCommonControlsEx(&controls)) return false;

    WNDCLASSEXA panel_class{};
    panel_class.cbSize = sizeof(panel_class);
    panel_class.lpfnWndProc = PanelWindowProc;
    panel_class.hInstance = rt.instance;
    panel_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel_class.hIcon = LoadIconA(rt.instance, MAKEINTRESOURCEA(1));
    panel_class.lpszClassName = PanelWindowClass;
    if (RegisterClassExA(&panel_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    // No screen to show panels on.
    return GetSystemMetrics(SM_CXSCREEN) > 0;
}

int UiToolkit_RunLoop(bool observed)
{
    Loop loop;
    loops.push_back(&loop);
    if (observed) SetTimer(nullptr, 0, 0, RunLoopObserver);
    MSG message;
    while (!loop.quit) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to whoever runs the outermost loop.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        UiWin32_Dispatch(message);
    }
    loops.pop_back();
    return loop.code;
}

void UiToolkit_QuitLoop(int returnCode)
{
    loops.back()->quit = true;
    loops.back()->code = returnCode;
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);  // wakes the loop
}
