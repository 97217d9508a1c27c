#include "tests/session/X11Windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tarvex::testing {

namespace {

Display* xDisplay(void* display) {
    return static_cast<Display*>(display);
}

}  // namespace

X11Windows::X11Windows(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

X11Windows::~X11Windows() {
    if (display_ != nullptr) {
        XCloseDisplay(xDisplay(display_));
    }
}

unsigned long X11Windows::find(const std::string& title) {
    Display* display = xDisplay(display_);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return 0;
    }
    // Qt names its windows in UTF-8 (_NET_WM_NAME), which XFetchName does not read.
    const Atom nameAtom = XInternAtom(display, "_NET_WM_NAME", False);
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long length = 0;
        unsigned long remaining = 0;
        unsigned char* name = nullptr;
        if (XGetWindowProperty(display, children[i], nameAtom, 0, 1024, False, AnyPropertyType,
                               &type, &format, &length, &remaining, &name) == Success &&
            name != nullptr) {
            const bool named =
                format == 8 && title == std::string(reinterpret_cast<char*>(name), length);
            XWindowAttributes attributes;
            // Qt also gives its hidden leader window the application's name.
            found = named && XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                            attributes.map_state == IsViewable
                        ? children[i]
                        : 0;
            XFree(name);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

bool X11Windows::shown(const std::string& title) {
    return find(title) != 0;
}

bool X11Windows::requestClose(const std::string& title) {
    Display* display = xDisplay(display_);
    const Window window = find(title);
    if (window == 0) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
    XFlush(display);
    return sent;
}

}  // namespace tarvex::testing
