// The driver of kestrum.exe: loads one plug-in and runs it through commands, from a script file
// (--script, one command a line, '#' starts a comment line) and from the command line (one
// argument per command), in that order. Every command logs one line starting with "> " to the
// shell's log, between the lines of the shell functions the plug-in calls.
//
//   start free|slit|ex   load the plug-in if needed and call beginPlugin, beginSlitPlugin or
//                        beginPluginEx (the last two with the slit window)
//   stop                 endPlugin (the module stays loaded, so start may follow again)
//   load, unload         LoadLibrary / FreeLibrary (unload stops first if running)
//   info <code>          pluginInfo(code), logged and printed
//   wait <ms>            handle messages for that long (timers, paints, boxes keep running)
//   run                  handle messages until the process is asked to quit
//   broadcast <text>     HOST_MSG_BROADCAST with the rest of the line, verbatim, to every
//                        window registered for it; "nullbroadcast" sends a null text
//   show, hide           broadcast "@KSShowPlugins" / "@KSHidePlugins"
//   reconfigure          HOST_MSG_RECONFIGURE to every window registered for it
//   rightclick [x y]     send WM_RBUTTONUP to the plug-in window (client point, default centre)
//   choose <key>         play the user: choose the item of the last shown menu whose text or
//                        command is <key>; its command is broadcast
//   menu popup|record    ShowMenu pops up a real menu, or only records it (scripted default)
//   boxes close|keep     message boxes are logged and closed with IDOK (scripted default), or
//                        left to the user; "closeboxes" closes the open ones now
//   execute on|off       KSExecute runs the program, or only logs it (scripted default: off)
//   sendmessage <msg> [<wParam> [<lParam>]]
//                        SendMessageA to the plug-in window; numbers decimal or 0x hex, an
//                        lParam in double quotes passes the text between them
//   move <x> <y>         move the plug-in window (SetWindowPos, no size or z-order change)
//   ctrl-drag <dx> <dy>  drag the plug-in window with Ctrl and the left button (SendInput from a
//                        helper thread while this one handles messages)
//   hover [x y]          move the pointer by SendInput onto the plug-in window (client point,
//                        default centre); follow with wait for the window's tooltip to open
//   screenshot <file>    the plug-in window's client area as a 24-bit PNG
//   window               log the plug-in window's class, rectangle, styles and visibility
//   mark <text>          log "> mark <text>", to tell phases apart
//   quit                 end the run here
//
// An interactive run (no commands given) starts the plug-in and then reads further commands from
// standard input while it runs, until "quit", Ctrl+C or the end of the process.
//
// The plug-in window is the first live window registered with the host, else the first window in
// the slit. Boxes are found by a thread timer, which keeps running inside their modal loops, and
// logged as: > box "caption" "text" <style> owner <window>, the style rebuilt from the buttons,
// the icon and the topmost flag.
#include "driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host.h"
#include "plugin/shell.h"

namespace {

using PluginInfoEntry = const char* (*)(int);
using BeginPluginEntry = int (*)(HINSTANCE);
using BeginSlitEntry = int (*)(HINSTANCE, HWND);
using EndPluginEntry = void (*)();
using MessageBoxEntry = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

constexpr UINT kBoxTimerPeriod = 50;

struct DriverState {
    std::string pluginPath;
    HMODULE module = nullptr;
    bool started = false;
    bool closeBoxes = false;
    bool quit = false;
    int failures = 0;
    std::vector<HWND> handledBoxes;
    MessageBoxEntry originalMessageBox = nullptr; // what the plug-in's import pointed at
};
DriverState driver;

void fail(const char* format, const std::string& detail) {
    ++driver.failures;
    char line[1024];
    snprintf(line, sizeof line, format, detail.c_str());
    hostLog("> error: %s", line);
    fprintf(stderr, "kestrum: %s\n", line);
}

// --- words -------------------------------------------------------------------------------------

std::string firstWord(const std::string& text, std::string& rest) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        rest.clear();
        return "";
    }
    const size_t end = text.find_first_of(" \t", start);
    if (end == std::string::npos) {
        std::string word = text.substr(start);
        rest.clear();
        return word;
    }
    std::string word = text.substr(start, end - start);
    rest = text.substr(end + 1); // may be `text` itself
    return word;
}

std::string trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return "";
    const size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(start, end - start + 1);
}

bool parseNumber(const std::string& word, long long& value) {
    if (word.empty())
        return false;
    char* end = nullptr;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    value = hex ? static_cast<long long>(strtoull(word.c_str(), &end, 16))
                : strtoll(word.c_str(), &end, 10);
    return *end == '\0';
}

bool parseInts(const std::string& text, int* values, int count) {
    std::string rest = text;
    for (int i = 0; i < count; ++i) {
        long long value = 0;
        if (!parseNumber(firstWord(rest, rest), value) || value < INT32_MIN || value > INT32_MAX)
            return false;
        values[i] = static_cast<int>(value);
    }
    return trimmed(rest).empty();
}

// --- messages ----------------------------------------------------------------------------------

// A command typed while the shell runs: posted to this thread by the reader of standard input.
constexpr UINT kCommandMessage = WM_APP + 1;

void runCommand(const std::string& line);

void handleMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                driver.quit = true;
                return;
            }
            if (message.hwnd == nullptr && message.message == kCommandMessage) {
                std::unique_ptr<std::string> command(
                    reinterpret_cast<std::string*>(message.lParam));
                runCommand(*command);
                if (driver.quit)
                    return;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (milliseconds != INFINITE && elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  milliseconds == INFINITE ? INFINITE : milliseconds - elapsed,
                                  QS_ALLINPUT);
    }
}

// --- message boxes -----------------------------------------------------------------------------

struct BoxButtons {
    UINT style;
    int ids[3];
};
// MessageBox's button sets, the most specific first; 0 ends a list.
constexpr BoxButtons kBoxButtons[] = {
    {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
    {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
    {MB_YESNO, {IDYES, IDNO, 0}},
    {MB_RETRYCANCEL, {IDRETRY, IDCANCEL, 0}},
    {MB_OKCANCEL, {IDOK, IDCANCEL, 0}},
    {MB_OK, {IDOK, 0, 0}},
};

struct BoxIcon {
    UINT style;
    LPCSTR icon;
};
const BoxIcon kBoxIcons[] = {
    {MB_ICONHAND, IDI_HAND},
    {MB_ICONQUESTION, IDI_QUESTION},
    {MB_ICONEXCLAMATION, IDI_EXCLAMATION},
    {MB_ICONASTERISK, IDI_ASTERISK},
};

bool hasButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

UINT boxButtons(HWND box) {
    for (const BoxButtons& set : kBoxButtons) {
        bool all = true;
        for (int id : set.ids)
            all = all && (id == 0 || hasButton(box, id));
        if (all)
            return set.style;
    }
    return MB_OK;
}

BOOL CALLBACK findIcon(HWND child, LPARAM found) {
    char className[16] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HICON*>(found) =
            reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

UINT boxIcon(HWND box) {
    HICON icon = nullptr;
    EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&icon));
    if (!icon)
        return 0;
    for (const BoxIcon& known : kBoxIcons)
        if (icon == LoadIconA(nullptr, known.icon))
            return known.style;
    return 0;
}

void closeBox(HWND box) {
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    char text[2048] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    const UINT buttons = boxButtons(box);
    UINT style = buttons | boxIcon(box);
    if (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST)
        style |= MB_TOPMOST;
    hostLog("> box %s %s %s owner %s", hostQuote(caption).c_str(), hostQuote(text).c_str(),
            hostHex(static_cast<uintptr_t>(style)).c_str(),
            hostHex(GetWindow(box, GW_OWNER)).c_str());
    driver.handledBoxes.push_back(box);
    // The first button of the set answers; WM_CLOSE would answer IDCANCEL under Wine.
    int answer = IDOK;
    for (const BoxButtons& set : kBoxButtons)
        if (set.style == buttons)
            answer = set.ids[0];
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

BOOL CALLBACK findBox(HWND window, LPARAM found) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    for (HWND handled : driver.handledBoxes)
        if (handled == window)
            return TRUE;
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

void closeOpenBoxes() {
    // Handles of boxes that are gone may come back for new ones.
    auto& handled = driver.handledBoxes;
    for (size_t i = handled.size(); i-- > 0;)
        if (!IsWindow(handled[i]))
            handled.erase(handled.begin() + static_cast<ptrdiff_t>(i));
    std::vector<HWND> boxes;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes)
        closeBox(box);
}

void CALLBACK onBoxTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (driver.closeBoxes)
        closeOpenBoxes();
}

// --- the plug-in's own message boxes -------------------------------------------------------

// What the plug-in asked for exactly: a shown box's style cannot be read back whole (Wine sets no
// WS_EX_TOPMOST for MB_TOPMOST).
int WINAPI loggedMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    hostLog("> MessageBoxA %s %s %s %s", hostHex(owner).c_str(), hostQuote(text).c_str(),
            hostQuote(caption).c_str(), hostHex(static_cast<uintptr_t>(style)).c_str());
    const int answer = driver.originalMessageBox(owner, text, caption, style);
    hostLog("> MessageBoxA -> %d", answer);
    return answer;
}

// Points the module's imported MessageBoxA at loggedMessageBox.
void hookMessageBox(HMODULE module) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto original = reinterpret_cast<MessageBoxEntry>(
        reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxA")));
    if (!original)
        return;
    driver.originalMessageBox = original;
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return;
    for (auto* import =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), "user32.dll") != 0)
            continue;
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
             thunk->u1.Function != 0; ++thunk) {
            if (thunk->u1.Function != reinterpret_cast<uintptr_t>(original))
                continue;
            DWORD protection = 0;
            if (VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, PAGE_READWRITE,
                               &protection)) {
                thunk->u1.Function = reinterpret_cast<uintptr_t>(loggedMessageBox);
                VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, protection,
                               &protection);
            }
        }
    }
}

// --- the plug-in -------------------------------------------------------------------------------

HWND pluginWindow() {
    for (const HostRegistration& r : hostRegistrations())
        return r.window;
    const std::vector<HWND>& slit = hostSlitWindows();
    return slit.empty() ? nullptr : slit.front();
}

bool load() {
    if (driver.module)
        return true;
    driver.module = LoadLibraryA(driver.pluginPath.c_str());
    if (!driver.module) {
        fail("cannot load %s", hostQuote(driver.pluginPath.c_str()) + " (error " +
                                   std::to_string(GetLastError()) + ")");
        return false;
    }
    hostLog("> LoadLibrary %s -> %s", hostQuote(driver.pluginPath.c_str()).c_str(),
            hostHex(driver.module).c_str());
    hookMessageBox(driver.module);
    return true;
}

FARPROC entry(const char* name) {
    FARPROC address = GetProcAddress(driver.module, name);
    if (!address)
        fail("the plug-in has no entry %s", name);
    return address;
}

template <typename T> T entryAs(const char* name) {
    // Entry points are looked up by name; their types are the plug-in interface's.
    return reinterpret_cast<T>(reinterpret_cast<void*>(entry(name)));
}

void start(const std::string& how) {
    if (driver.started) {
        fail("%s", "already started: stop first");
        return;
    }
    if (how != "free" && how != "slit" && how != "ex") {
        fail("start takes free, slit or ex, not %s", hostQuote(how.c_str()));
        return;
    }
    if (!load())
        return;
    HINSTANCE instance = driver.module;
    HWND slit = hostSlitWindow();
    int result = 1;
    if (how == "free") {
        auto begin = entryAs<BeginPluginEntry>("beginPlugin");
        if (!begin)
            return;
        hostLog("> beginPlugin %s", hostHex(instance).c_str());
        result = begin(instance);
        hostLog("> beginPlugin -> %d", result);
    } else {
        const char* name = how == "slit" ? "beginSlitPlugin" : "beginPluginEx";
        auto begin = entryAs<BeginSlitEntry>(name);
        if (!begin)
            return;
        hostLog("> %s %s %s", name, hostHex(instance).c_str(), hostHex(slit).c_str());
        result = begin(instance, slit);
        hostLog("> %s -> %d", name, result);
    }
    driver.started = result == 0;
}

void stop() {
    if (!driver.started) {
        fail("%s", "not started");
        return;
    }
    auto end = entryAs<EndPluginEntry>("endPlugin");
    if (!end)
        return;
    hostLog("> endPlugin");
    end();
    hostLog("> endPlugin done");
    driver.started = false;
}

void unload() {
    if (driver.started)
        stop();
    if (!driver.module)
        return;
    hostLog("> FreeLibrary %s", hostHex(driver.module).c_str());
    FreeLibrary(driver.module);
    driver.module = nullptr;
}

void info(const std::string& argument) {
    int code = 0;
    if (!parseInts(argument, &code, 1)) {
        fail("info takes a number, not %s", hostQuote(argument.c_str()));
        return;
    }
    if (!load())
        return;
    auto pluginInfo = entryAs<PluginInfoEntry>("pluginInfo");
    if (!pluginInfo)
        return;
    const char* text = pluginInfo(code);
    hostLog("> info %d -> %s", code, hostQuote(text).c_str());
    printf("%s\n", text ? text : "(null)");
    fflush(stdout);
}

HWND needWindow(const char* command) {
    HWND window = pluginWindow();
    if (!window)
        fail("%s: the plug-in has no window", command);
    return window;
}

// The client point of a command's "[x y]": the window's centre when none is given.
bool clientPoint(HWND window, const char* command, const std::string& argument, int point[2]) {
    RECT client = {};
    GetClientRect(window, &client);
    if (trimmed(argument).empty()) {
        point[0] = client.right / 2;
        point[1] = client.bottom / 2;
    } else if (!parseInts(argument, point, 2)) {
        fail("%s", std::string(command) + " takes x y, not " + hostQuote(argument.c_str()));
        return false;
    }
    return true;
}

void rightClick(const std::string& argument) {
    HWND window = needWindow("rightclick");
    int point[2] = {};
    if (!window || !clientPoint(window, "rightclick", argument, point))
        return;
    hostLog("> rightclick %s %d %d", hostHex(window).c_str(), point[0], point[1]);
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(point[0], point[1]));
}

void choose(const std::string& key) {
    hostLog("> choose %s", hostQuote(key.c_str()).c_str());
    if (!hostChooseMenuItem(key.c_str()))
        fail("no menu item to choose for %s", hostQuote(key.c_str()));
}

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

void sendMessage(const std::string& arguments) {
    HWND window = needWindow("sendmessage");
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
    HWND window = needWindow("move");
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

struct Drag {
    POINT from;
    POINT by;
};

void sendMouse(DWORD flags, POINT at) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65535, width > 1 ? width - 1 : 1);
    input.mi.dy = MulDiv(at.y, 65535, height > 1 ? height - 1 : 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

void sendKey(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// The drag runs on a helper thread: the window's move loop runs on this one, inside the handling
// of the posted system command, and needs input arriving while it runs.
DWORD WINAPI dragThread(LPVOID parameter) {
    const Drag drag = *static_cast<const Drag*>(parameter);
    constexpr int kSteps = 8;
    sendMouse(0, drag.from);
    Sleep(50);
    sendKey(VK_CONTROL, false);
    sendMouse(MOUSEEVENTF_LEFTDOWN, drag.from);
    Sleep(150);
    for (int step = 1; step <= kSteps; ++step) {
        const POINT at = {drag.from.x + drag.by.x * step / kSteps,
                          drag.from.y + drag.by.y * step / kSteps};
        sendMouse(0, at);
        Sleep(30);
    }
    const POINT to = {drag.from.x + drag.by.x, drag.from.y + drag.by.y};
    sendMouse(MOUSEEVENTF_LEFTUP, to);
    Sleep(30);
    sendKey(VK_CONTROL, true);
    return 0;
}

void ctrlDrag(const std::string& arguments) {
    HWND window = needWindow("ctrl-drag");
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
    HANDLE thread = CreateThread(nullptr, 0, dragThread, &drag, 0, nullptr);
    if (!thread) {
        fail("%s", "ctrl-drag: cannot start the input thread");
        return;
    }
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        handleMessages(0);
        if (driver.quit)
            break;
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    handleMessages(100);
    GetWindowRect(window, &rect);
    hostLog("> ctrl-drag done at %ld %ld", rect.left, rect.top);
}

// The pointer moved by real input, as the user's hand would: the platform then tells whatever
// window lies under it, and the window's tooltip opens after the platform's delay.
void hover(const std::string& argument) {
    HWND window = needWindow("hover");
    int point[2] = {};
    if (!window || !clientPoint(window, "hover", argument, point))
        return;
    POINT at = {point[0], point[1]};
    ClientToScreen(window, &at);
    hostLog("> hover %s %d %d at %ld %ld", hostHex(window).c_str(), point[0], point[1], at.x, at.y);
    sendMouse(0, at);
}

void screenshot(const std::string& file) {
    HWND window = needWindow("screenshot");
    if (!window)
        return;
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

void describeWindow() {
    HWND window = needWindow("window");
    if (!window)
        return;
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    RECT rect = {};
    GetWindowRect(window, &rect);
    hostLog("> window %s class %s rect %ld %ld %ld %ld style %s exstyle %s visible %d topmost %d",
            hostHex(window).c_str(), hostQuote(className).c_str(), rect.left, rect.top, rect.right,
            rect.bottom,
            hostHex(static_cast<uintptr_t>(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE))))
                .c_str(),
            hostHex(static_cast<uintptr_t>(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE))))
                .c_str(),
            IsWindowVisible(window) ? 1 : 0,
            (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
}

bool setSwitch(const std::string& value, const char* on, const char* off, bool& result) {
    const std::string word = trimmed(value);
    if (word == on)
        result = true;
    else if (word == off)
        result = false;
    else
        return false;
    return true;
}

void runCommand(const std::string& line) {
    std::string rest;
    const std::string command = firstWord(line, rest);
    bool flag = false;
    if (command == "start") {
        start(trimmed(rest));
    } else if (command == "stop") {
        stop();
    } else if (command == "load") {
        load();
    } else if (command == "unload") {
        unload();
    } else if (command == "info") {
        info(rest);
    } else if (command == "wait") {
        int milliseconds = 0;
        if (parseInts(rest, &milliseconds, 1) && milliseconds >= 0)
            handleMessages(static_cast<DWORD>(milliseconds));
        else
            fail("wait takes milliseconds, not %s", hostQuote(rest.c_str()));
    } else if (command == "run") {
        handleMessages(INFINITE);
    } else if (command == "broadcast") {
        hostBroadcast(rest.c_str());
    } else if (command == "nullbroadcast") {
        hostBroadcast(nullptr);
    } else if (command == "show") {
        hostBroadcast("@KSShowPlugins");
    } else if (command == "hide") {
        hostBroadcast("@KSHidePlugins");
    } else if (command == "reconfigure") {
        hostSendToRegistered(HOST_MSG_RECONFIGURE, 0, 0);
    } else if (command == "rightclick") {
        rightClick(rest);
    } else if (command == "choose") {
        choose(rest);
    } else if (command == "menu" && setSwitch(rest, "popup", "record", flag)) {
        hostSetMenuMode(flag ? HostMenuMode::Popup : HostMenuMode::Record);
        hostLog("> menu %s", flag ? "popup" : "record");
    } else if (command == "boxes" && setSwitch(rest, "close", "keep", flag)) {
        driver.closeBoxes = flag;
        hostLog("> boxes %s", flag ? "close" : "keep");
    } else if (command == "closeboxes") {
        closeOpenBoxes();
    } else if (command == "execute" && setSwitch(rest, "on", "off", flag)) {
        hostSetExecuteEnabled(flag);
        hostLog("> execute %s", flag ? "on" : "off");
    } else if (command == "sendmessage") {
        sendMessage(rest);
    } else if (command == "move") {
        moveWindow(rest);
    } else if (command == "ctrl-drag") {
        ctrlDrag(rest);
    } else if (command == "hover") {
        hover(rest);
    } else if (command == "screenshot") {
        screenshot(trimmed(rest));
    } else if (command == "window") {
        describeWindow();
    } else if (command == "mark") {
        hostLog("> mark %s", rest.c_str());
    } else if (command == "quit") {
        driver.quit = true;
    } else {
        fail("unknown command %s", hostQuote(line.c_str()));
    }
}

// Reads standard input on a thread of its own and hands each line to the shell's thread. The
// thread ends at the end of input; the shell does not wait for it.
DWORD WINAPI readCommands(LPVOID parameter) {
    const DWORD shellThread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
    char line[4096];
    while (fgets(line, sizeof line, stdin)) {
        const std::string command = trimmed(line);
        if (command.empty() || command[0] == '#')
            continue;
        auto posted = std::make_unique<std::string>(command);
        if (PostThreadMessageA(shellThread, kCommandMessage, 0,
                               reinterpret_cast<LPARAM>(posted.get())))
            posted.release();
    }
    return 0;
}

} // namespace

void startCommandReader() {
    // A thread has a message queue only once it asks for messages; without one, the commands the
    // reader posts before the shell's loop runs would be lost.
    MSG none;
    PeekMessageA(&none, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    const auto shellThread = static_cast<uintptr_t>(GetCurrentThreadId());
    if (HANDLE thread = CreateThread(nullptr, 0, readCommands,
                                     reinterpret_cast<LPVOID>(shellThread), 0, nullptr))
        CloseHandle(thread);
}

std::vector<std::string> splitScript(const std::string& text) {
    std::vector<std::string> commands;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = trimmed(text.substr(start, end - start));
        if (!line.empty() && line[0] != '#')
            commands.push_back(line);
        start = end + 1;
    }
    return commands;
}

int runDriver(const DriverOptions& options) {
    driver = DriverState{};
    driver.pluginPath = options.plugin;
    driver.closeBoxes = options.scripted;
    hostSetMenuMode(options.scripted ? HostMenuMode::Record : HostMenuMode::Popup);
    hostSetExecuteEnabled(!options.scripted);
    if (!hostCreateWindows(GetModuleHandleA(nullptr))) {
        fail("%s", "cannot create the host windows");
        return 1;
    }
    const UINT_PTR boxTimer = SetTimer(nullptr, 0, kBoxTimerPeriod, onBoxTimer);
    for (const std::string& command : options.commands) {
        if (driver.quit)
            break;
        runCommand(command);
    }
    unload();
    if (boxTimer)
        KillTimer(nullptr, boxTimer);
    hostFreeMenus();
    hostDestroyWindows();
    return driver.failures == 0 ? 0 : 1;
}
