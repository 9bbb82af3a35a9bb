// ui_win32_loop.cpp - starting the Win32 toolkit and running its event
// loops.
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

}  // namespace

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
        // Tab, Space and Enter as in a dialog, on every panel window.
        if (HWND panel = PanelWindowOf(message.hwnd);
            panel != nullptr && IsDialogMessageA(panel, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
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
