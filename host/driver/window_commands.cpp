#include "parts.h"
#include "support/input.h"

namespace {

// The lParam of sendmessage: a number, or the text between the first and the last double quote.
bool parseLParam(const std::string& text, LPARAM& value, std::string& quoted, bool& isText) {
    const std::string word = trimmed(text);
    isText = false;
    if (word.empty()) {
        value = 0;
        return true;
    }
    if (word.front() == '"') {
        if (word.size() < 2 || word.back() != '"')
            return false;
        quoted = word.substr(1, word.size() - 2);
        isText = true;
        return true;
    }
    long long number = 0;
    if (!parseNumber(word, number))
        return false;
    value = static_cast<LPARAM>(number);
    return true;
}

} // namespace

// The client point of a command's "[x y]": the window's centre when none is given.
bool clientPoint(HWND window, const char* command, const std::string& arguments, int point[2]) {
    RECT client = {};
    GetClientRect(window, &client);
    if (trimmed(arguments).empty()) {
        point[0] = client.right / 2;
        point[1] = client.bottom / 2;
    } else if (!parseInts(arguments, point, 2)) {
        fail("%s", std::string(command) + " takes x y, not " + hostQuote(arguments.c_str()));
        return false;
    }
    return true;
}

void rightClick(const std::string& arguments) {
    HWND window = needPluginWindow("rightclick");
    int point[2] = {};
    if (!window || !clientPoint(window, "rightclick", arguments, point))
        return;
    hostLog("> rightclick %s %d %d", hostHex(window).c_str(), point[0], point[1]);
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(point[0], point[1]));
}

// The pointer moved by real input, as the user's hand would: the platform then tells whatever
// window lies under it, and the window's tooltip opens after the platform's delay.
void hover(const std::string& arguments) {
    HWND window = needPluginWindow("hover");
    int point[2] = {};
    if (!window || !clientPoint(window, "hover", arguments, point))
        return;
    POINT at = {point[0], point[1]};
    ClientToScreen(window, &at);
    hostLog("> hover %s %d %d at %ld %ld", hostHex(window).c_str(), point[0], point[1], at.x, at.y);
    pointAt(at);
}

void sendMessage(const std::string& arguments) {
    HWND window = needPluginWindow("sendmessage");
    if (!window)
        return;
    std::string rest;
    long long message = 0;
    long long wParam = 0;
    const std::string messageWord = firstWord(arguments, rest);
    std::string afterWParam;
    const std::string wParamWord = firstWord(rest, afterWParam);
    LPARAM lParam = 0;
    std::string text;
    bool isText = false;
    if (!parseNumber(messageWord, message) ||
        (!wParamWord.empty() && !parseNumber(wParamWord, wParam)) ||
        !parseLParam(afterWParam, lParam, text, isText)) {
        fail("sendmessage takes <msg> [<wParam> [<lParam>]], not %s", hostQuote(arguments.c_str()));
        return;
    }
    if (isText)
        lParam = reinterpret_cast<LPARAM>(text.c_str());
    const std::string shownLParam =
        isText ? hostQuote(text.c_str()) : hostHex(static_cast<uintptr_t>(lParam));
    hostLog("> sendmessage %s %lld %s %s", hostHex(window).c_str(), message,
            hostHex(static_cast<uintptr_t>(wParam)).c_str(), shownLParam.c_str());
    const LRESULT result =
        SendMessageA(window, static_cast<UINT>(message), static_cast<WPARAM>(wParam), lParam);
    hostLog("> sendmessage -> %s", hostHex(static_cast<uintptr_t>(result)).c_str());
}

void moveWindow(const std::string& arguments) {
    HWND window = needPluginWindow("move");
    if (!window)
        return;
    int point[2] = {};
    if (!parseInts(arguments, point, 2)) {
        fail("move takes x y, not %s", hostQuote(arguments.c_str()));
        return;
    }
    hostLog("> move %s %d %d", hostHex(window).c_str(), point[0], point[1]);
    SetWindowPos(window, nullptr, point[0], point[1], 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ctrlDrag(const std::string& arguments) {
    HWND window = needPluginWindow("ctrl-drag");
    if (!window)
        return;
    int by[2] = {};
    if (!parseInts(arguments, by, 2)) {
        fail("ctrl-drag takes dx dy, not %s", hostQuote(arguments.c_str()));
        return;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    Drag drag = {{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, {by[0], by[1]}};
    hostLog("> ctrl-drag %s %d %d from %ld %ld", hostHex(window).c_str(), by[0], by[1], drag.from.x,
            drag.from.y);
    const bool dragged = ctrlDrag(drag, [] {
        handleMessages(0);
        return !quitRequested();
    });
    if (!dragged) {
        fail("%s", "ctrl-drag: cannot start the input thread");
        return;
    }
    handleMessages(100);
    GetWindowRect(window, &rect);
    hostLog("> ctrl-drag done at %ld %ld", rect.left, rect.top);
}

namespace {

// Splits `arguments` into what comes before a closing quoted title and the title; false when
// they end with none.
bool quotedTitle(const std::string& arguments, std::string& before, std::string& title) {
    const std::string text = trimmed(arguments);
    const std::size_t open = text.size() >= 2 && text.back() == '"'
                                 ? text.rfind('"', text.size() - 2)
                                 : std::string::npos;
    if (open == std::string::npos || (open > 0 && text[open - 1] != ' '))
        return false;
    title = text.substr(open + 1, text.size() - open - 2);
    before = trimmed(text.substr(0, open));
    return true;
}

// A top-level window of this process with exactly `title`, or null.
HWND titledWindow(const std::string& title) {
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, title.c_str()); window;
         window = FindWindowExA(nullptr, window, nullptr, title.c_str())) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return window;
    }
    return nullptr;
}

} // namespace

void screenshot(const std::string& arguments) {
    std::string file = trimmed(arguments), title;
    const bool titled = quotedTitle(arguments, file, title);
    HWND window = titled ? titledWindow(title) : needPluginWindow("screenshot");
    if (!window) {
        if (titled)
            fail("screenshot: no window titled %s", hostQuote(title.c_str()));
        return;
    }
    if (file.empty()) {
        fail("%s", "screenshot takes a file name");
        return;
    }
    // Whatever is pending is painted first, so the picture is what the user sees now.
    UpdateWindow(window);
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    if (!hostCaptureWindow(window, pixels, width, height)) {
        fail("screenshot: cannot read the pixels of %s", hostHex(window));
        return;
    }
    if (!hostWritePng(file.c_str(), pixels, width, height)) {
        fail("screenshot: cannot write %s", hostQuote(file.c_str()));
        return;
    }
    hostLog("> screenshot %s %s %dx%d", hostQuote(file.c_str()).c_str(), hostHex(window).c_str(),
            width, height);
}

void describeWindow(const std::string& arguments) {
    std::string before, title;
    const bool titled = quotedTitle(arguments, before, title);
    HWND window = titled ? titledWindow(title) : needPluginWindow("window");
    if (!window) {
        if (titled)
            hostLog("> window %s absent", hostQuote(title.c_str()).c_str());
        return;
    }
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    RECT rect = {};
    GetWindowRect(window, &rect);
    hostLog("> window %s class %s rect %ld %ld %ld %ld style %s exstyle %s visible %d topmost %d "
            "owner %s",
            hostHex(window).c_str(), hostQuote(className).c_str(), rect.left, rect.top, rect.right,
            rect.bottom,
            hostHex(static_cast<uintptr_t>(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE))))
                .c_str(),
            hostHex(static_cast<uintptr_t>(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE))))
                .c_str(),
            IsWindowVisible(window) ? 1 : 0,
            (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0,
            hostHex(GetWindow(window, GW_OWNER)).c_str());
}
