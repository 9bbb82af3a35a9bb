// ui_win32_loop.cpp - starting the runtime and running its event loop.
#include "ui_win32_state.h"
#include "../ui_test_hooks.h"

#include <commctrl.h>

UiWin32Runtime& Runtime()
{
    static UiWin32Runtime runtime;
    return runtime;
}

void UiTest_SetLoopObserver(std::function<void()> observer)
{
    Runtime().loop_observer = std::move(observer);
}

namespace {

void CALLBACK RunLoopObserver(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const auto observer = Runtime().loop_observer;  // may replace itself
    if (observer) observer();
}

// The window of a panel, top-level or page, that a message is for.
HWND PanelWindowOf(HWND window)
{
    HWND top = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
    return top != nullptr && PanelOfWindow(top) != nullptr ? top : nullptr;
}

}  // namespace

int InitCVIRTEEx(void* moduleHandle, char* /*argv*/[], void* /*reserved*/)
{
    UiWin32Runtime& rt = Runtime();
    if (rt.started) return 1;
    rt.instance = moduleHandle != nullptr ? static_cast<HINSTANCE>(moduleHandle) : GetModuleHandleA(nullptr);

    // Sharp at every DPI: the panel scales itself, the system does not
    // stretch it. The program's manifest says so too; this covers a driver
    // (a test, a benchmark) without one, and fails harmlessly when the
    // manifest has set it already.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    if (!InitCommonControlsEx(&controls)) return 0;

    WNDCLASSEXA panel_class{};
    panel_class.cbSize = sizeof(panel_class);
    panel_class.lpfnWndProc = PanelWindowProc;
    panel_class.hInstance = rt.instance;
    panel_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel_class.hIcon = LoadIconA(rt.instance, MAKEINTRESOURCEA(1));
    panel_class.lpszClassName = PanelWindowClass;
    if (RegisterClassExA(&panel_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 0;
    // No screen to show panels on.
    if (GetSystemMetrics(SM_CXSCREEN) <= 0) return 0;
    rt.started = true;
    return 1;
}

int RunUserInterface()
{
    UiWin32Runtime& rt = Runtime();
    if (!rt.started) return Refuse(UI_ERR_NOT_STARTED, "RunUserInterface before InitCVIRTEEx");
    UiWin32Loop loop;
    rt.loops.push_back(&loop);
    if (rt.loop_observer) SetTimer(nullptr, 0, 0, RunLoopObserver);
    MSG message;
    while (!loop.quit) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to whoever runs the outermost loop.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        // Tab, Space and Enter as in a dialog, on every panel window.
        if (HWND panel = PanelWindowOf(message.hwnd); panel != nullptr && IsDialogMessageA(panel, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    rt.loops.pop_back();
    return loop.code;
}

int QuitUserInterface(int returnCode)
{
    UiWin32Runtime& rt = Runtime();
    if (rt.loops.empty()) return Refuse(UI_ERR_NOT_RUNNING, "QuitUserInterface without a running RunUserInterface");
    rt.loops.back()->quit = true;
    rt.loops.back()->code = returnCode;
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);  // wakes the loop
    return 0;
}
