// ui_win32_popup.cpp - modal message boxes.
#include "ui_win32_state.h"
#include "ui_win32_access.h"

#include <string_view>

namespace {

std::string WindowText(HWND window)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char name[16];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) > 0 &&
        std::string_view(name) == "#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindMessage(HWND child, LPARAM text)
{
    char name[16];
    if (GetClassNameA(child, name, sizeof name) > 0 && lstrcmpiA(name, "Static") == 0) {
        std::string said = WindowText(child);
        if (!said.empty()) {
            *reinterpret_cast<std::string*>(text) = std::move(said);
            return FALSE;
        }
    }
    return TRUE;
}

// Runs inside the box's own modal loop until the box is up, then shows the
// observer its title and message once.
void CALLBACK WatchForBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    std::string title, message;
    HWND box = UiWin32_ShownBox(title, message);
    if (box == nullptr) return;
    KillTimer(nullptr, timer);
    if (UiBoxShown(title, message)) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

}  // namespace

HWND UiWin32_ShownBox(std::string& title, std::string& message)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return nullptr;
    title = WindowText(box);
    message.clear();
    EnumChildWindows(box, FindMessage, reinterpret_cast<LPARAM>(&message));
    return box;
}

void UiToolkit_ShowBox(const UiPanel* owner_panel, const std::string& title,
                       const std::string& message, bool observed)
{
    HWND owner = owner_panel != nullptr ? WindowOf(*owner_panel) : nullptr;
    const UINT_PTR watch = observed ? SetTimer(nullptr, 0, 20, WatchForBox) : 0;
    // The keyboard goes back where it was once the box is gone.
    HWND focus = GetFocus();
    MessageBoxA(owner, message.c_str(), title.c_str(),
                MB_OK | (owner != nullptr ? MB_APPLMODAL : MB_TASKMODAL));
    if (watch != 0) KillTimer(nullptr, watch);
    if (focus != nullptr && IsWindow(focus) && IsWindowVisible(focus)) SetFocus(focus);
}
