#pragma once

// A window of another program on an X display, seen and closed as a window manager would.
// Kept apart because Xlib's macros clash with Qt's and GoogleTest's names.

#include <string>

namespace tarvex::testing {

class X11Windows {
public:
    explicit X11Windows(const std::string& display);
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    bool connected() const { return display_ != nullptr; }
    // Whether a top-level window titled `title` is on screen.
    bool shown(const std::string& title);
    // Asks the window titled `title` to close (WM_DELETE_WINDOW); false when none is shown.
    bool requestClose(const std::string& title);

private:
    unsigned long find(const std::string& title);  // the shown one, or 0

    void* display_ = nullptr;
};

}  // namespace tarvex::testing
