// Boxes are logged as they close, as
// > box "caption" "text" <style> owner <window>, the style rebuilt from the buttons, the icon and
// the topmost flag.
#include "parts.h"
#include "support/box_watcher.h"

#include <memory>

namespace {

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

struct BoxLogState {
    bool closing = false;
    std::unique_ptr<BoxWatcher> watcher;
};
BoxLogState boxes;

UINT iconStyle(HICON icon) {
    for (const BoxIcon& known : kBoxIcons)
        if (icon && icon == LoadIconA(nullptr, known.icon))
            return known.style;
    return 0;
}

bool closeNow(std::size_t index) {
    if (!boxes.closing)
        return false;
    const SeenBox& box = boxes.watcher->seen()[index];
    UINT style = (box.buttons == boxwatch::kUnknownButtons ? MB_OK : box.buttons) |
                 iconStyle(box.icon) | (box.topmost ? MB_TOPMOST : 0);
    hostLog("> box %s %s %s owner %s", hostQuote(box.caption.c_str()).c_str(),
            hostQuote(box.text.c_str()).c_str(), hostHex(static_cast<uintptr_t>(style)).c_str(),
            hostHex(box.owner).c_str());
    return true;
}

} // namespace

void startBoxWatcher(bool closing) {
    boxes.closing = closing;
    boxes.watcher = std::make_unique<BoxWatcher>(closeNow);
}

void stopBoxWatcher() {
    boxes.watcher.reset();
}

void setBoxClosing(bool closing) {
    boxes.closing = closing;
}

void closeOpenBoxes() {
    const bool closing = boxes.closing;
    boxes.closing = true;
    boxwatch::check();
    boxes.closing = closing;
}
