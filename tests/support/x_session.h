// x_session.h - what the tests that drive a real program need around it: a
// private X server (Xvfb), and the desktop as a user sees it: windows found
// by their titles, mouse and keyboard through xdotool (real input events,
// XTEST), the clipboard through xclip. The program itself runs as a
// process::Child (process.h).
#ifndef KX418_SUPPORT_X_SESSION_H
#define KX418_SUPPORT_X_SESSION_H

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process.h"

namespace support {

// Why no private X server can run here (no Xvfb), or "".
std::string X_Unavailable_Reason();
// Tools the tests drive the desktop with that are missing, or "".
std::string Missing_Desktop_Tools();

// An X server of its own (Xvfb, 1024x768, no TCP) on a free display, so
// that several can run side by side; a client has got in before the
// constructor returns. Stopped at the end. Given a cookie (hex, as xauth
// takes it), the server lets in only clients that hold it: the authority
// file then holds it for the server's display.
class X_Server {
public:
    explicit X_Server(const std::string& log_file, const std::string& authority_file = "",
                      const std::string& cookie = "");
    const std::string& Display() const { return display_; }

private:
    std::unique_ptr<process::Child> server_;
    std::string display_;
};

// A window manager (openbox) on the display, as a user's desktop has one:
// it gives the keyboard to the window that comes up and back to the window
// a message box belonged to. Running once it has taken the display; ended
// with its owner.
class Window_Manager {
public:
    Window_Manager(const std::string& display, const std::string& log_file);

private:
    std::unique_ptr<process::Child> manager_;
};

// The desktop of one display as a user works it.
class Desktop {
public:
    explicit Desktop(std::string display) : display_(std::move(display)) {}

    // Visible windows whose title matches the regular expression, as
    // xdotool search --name takes it.
    std::vector<std::string> Windows(const std::string& title_pattern) const;
    // The first such window to appear within `limit`, or "".
    std::string Wait_For_Window(const std::string& title_pattern,
                                std::chrono::milliseconds limit) const;
    // True when no visible window matches any more, within `limit`.
    bool Wait_Until_Gone(const std::string& title_pattern, std::chrono::milliseconds limit) const;
    std::string Title(const std::string& window) const;

    // Moves the pointer to (x, y) within the window and presses `button`
    // (1 left, 4 and 5 the wheel's up and down) `count` times.
    void Click(const std::string& window, int x, int y, int button = 1, int count = 1) const;
    // Keys as xdotool names them ("ctrl+a", "Tab", "Return").
    void Key(const std::string& keys) const;
    void Type(const std::string& text) const;
    // Gives the window the keyboard, with the pointer over it.
    void Focus(const std::string& window) const;
    // The clipboard's text, "" when it holds none.
    std::string Clipboard() const;
    // The text last selected with the mouse (the primary selection), ""
    // when none is.
    std::string Selection() const;

    // The text of the message box `window` titled `title`, as the user
    // copies it (Ctrl+C puts the title and the text on the clipboard); ""
    // when the copy did not arrive within 10 s.
    std::string Box_Message(const std::string& window, const std::string& title) const;
    // Dismisses the box `window` with Enter, as a user would (keys that
    // went astray before the box had the keyboard are given again); true
    // when no window matching `title_pattern` is left.
    bool Dismiss_Box(const std::string& window, const std::string& title_pattern) const;

private:
    friend class Window_Manager;
    std::string Selection_Text(const char* selection) const;
    // Runs a tool on this display; its output.
    std::string Run(const std::vector<std::string>& arguments, int* status = nullptr) const;
    std::string display_;
};

}  // namespace support

#endif  // KX418_SUPPORT_X_SESSION_H
