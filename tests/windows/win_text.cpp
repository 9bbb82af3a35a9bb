// win_text.cpp - what a person sees on the screen under wine, for the
// end-to-end tests of KX418.exe (the program itself is driven by xdotool):
//
//   win_text box      the title and the message of the message box shown,
//                     one per line; exit status 1 when no box is shown
//   win_text at X Y   the text of the window at screen point X,Y
//   win_text client TITLE
//                     the client area's width and height of the window
//                     titled TITLE
//   win_text focus TITLE
//                     the class and the text of the control that has the
//                     keyboard in the window titled TITLE ("Edit: 10")
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string TextOf(HWND window)
{
    char text[512] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

bool IsClass(HWND window, const char* name)
{
    char found[64] = {};
    return GetClassNameA(window, found, sizeof found) > 0 && lstrcmpiA(found, name) == 0;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    if (IsWindowVisible(window) && IsClass(window, "#32770")) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindMessage(HWND child, LPARAM message)
{
    if (!IsClass(child, "Static")) return TRUE;
    std::string text = TextOf(child);
    if (text.empty()) return TRUE;
    *reinterpret_cast<std::string*>(message) = text;
    return FALSE;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "box") == 0) {
        HWND box = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr) return 1;
        std::string message;
        EnumChildWindows(box, FindMessage, reinterpret_cast<LPARAM>(&message));
        std::printf("%s\n%s\n", TextOf(box).c_str(), message.c_str());
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "at") == 0) {
        const POINT point{std::atoi(argv[2]), std::atoi(argv[3])};
        HWND window = WindowFromPoint(point);
        if (window == nullptr) return 1;
        std::printf("%s\n", TextOf(window).c_str());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "client") == 0) {
        HWND window = FindWindowA(nullptr, argv[2]);
        RECT area{};
        if (window == nullptr || !GetClientRect(window, &area)) return 1;
        std::printf("%ldx%ld\n", area.right - area.left, area.bottom - area.top);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "focus") == 0) {
        HWND window = FindWindowA(nullptr, argv[2]);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        if (window == nullptr ||
            !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) ||
            thread.hwndFocus == nullptr)
            return 1;
        char kind[64] = {};
        GetClassNameA(thread.hwndFocus, kind, sizeof kind);
        std::printf("%s: %s\n", kind, TextOf(thread.hwndFocus).c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: win_text box | win_text at X Y | win_text client TITLE | "
                         "win_text focus TITLE\n");
    return 2;
}
