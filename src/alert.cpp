// lumosa-alert TEXT: a small window that shows why the disc cannot start, with an OK button, for
// a start by a double click, which shows no terminal. Run by the disc's launcher when it fails
// and there is a display. Plain Xlib and the X server's own "fixed" font: the start failed, so
// nothing else of the bundle (Qt, fonts) may be counted on.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kMargin = 16;
constexpr int kColumns = 64;  // characters a line, wrapped at blanks
constexpr int kButtonWidth = 80;

std::vector<std::string> wrap(const std::string& text) {
    std::vector<std::string> lines;
    std::string rest = text;
    while (rest.size() > size_t(kColumns)) {
        size_t cut = rest.rfind(' ', kColumns);
        if (cut == std::string::npos || cut == 0) {
            cut = kColumns;
        }
        lines.push_back(rest.substr(0, cut));
        rest.erase(0, rest[cut] == ' ' ? cut + 1 : cut);
    }
    lines.push_back(rest);
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    const int screen = DefaultScreen(display);
    XFontStruct* font = XLoadQueryFont(display, "fixed");
    if (font == nullptr) {
        return 1;
    }
    const int lineHeight = font->ascent + font->descent + 2;
    const std::vector<std::string> lines = wrap(argv[1]);
    int textWidth = 0;
    for (const std::string& line : lines) {
        textWidth = std::max(textWidth, XTextWidth(font, line.data(), int(line.size())));
    }
    const int buttonHeight = lineHeight + 10;
    const int width = std::max(textWidth, kButtonWidth) + 2 * kMargin;
    const int height = int(lines.size()) * lineHeight + buttonHeight + 3 * kMargin;
    const int left = (DisplayWidth(display, screen) - width) / 2;
    const int top = (DisplayHeight(display, screen) - height) / 2;
    const unsigned long white = WhitePixel(display, screen);
    const unsigned long black = BlackPixel(display, screen);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), left, top,
                                              unsigned(width), unsigned(height), 1, black, white);
    XStoreName(display, window, "Lumosa");
    // A dialog of fixed size, centred, closed by its window manager's close button too.
    XSizeHints size{};
    size.flags = PPosition | PMinSize | PMaxSize;
    size.x = left;
    size.y = top;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(display, window, &size);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display, window, type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dialog), 1);
    XSelectInput(display, window, ExposureMask | KeyPressMask | ButtonPressMask);
    XMapRaised(display, window);

    GC gc = XCreateGC(display, window, 0, nullptr);
    XSetFont(display, gc, font->fid);
    XSetForeground(display, gc, black);
    const int buttonLeft = (width - kButtonWidth) / 2;
    const int buttonTop = height - kMargin - buttonHeight;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose && event.xexpose.count == 0) {
            int baseline = kMargin + font->ascent;
            for (const std::string& line : lines) {
                XDrawString(display, window, gc, kMargin, baseline, line.data(), int(line.size()));
                baseline += lineHeight;
            }
            XDrawRectangle(display, window, gc, buttonLeft, buttonTop, kButtonWidth,
                           unsigned(buttonHeight));
            XDrawString(display, window, gc,
                        buttonLeft + (kButtonWidth - XTextWidth(font, "OK", 2)) / 2,
                        buttonTop + (buttonHeight + font->ascent - font->descent) / 2, "OK", 2);
        } else if (event.type == ButtonPress) {
            const int x = event.xbutton.x;
            const int y = event.xbutton.y;
            if (x >= buttonLeft && x < buttonLeft + kButtonWidth && y >= buttonTop &&
                y < buttonTop + buttonHeight) {
                break;
            }
        } else if (event.type == KeyPress) {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) {
                break;
            }
        } else if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == deleteWindow) {
            break;
        }
    }
    XCloseDisplay(display);
    // The start failed: the window only said why.
    return 1;
}
