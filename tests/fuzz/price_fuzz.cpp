// Any text: a finite price, the same one for the text and its copy with trailing junk after a
// character that ends every number. The same text as a cap, a budget and a price: a cap that does
// not depend on letter case, a limit no larger than the cap, and texts that fit their buffers and
// say how long they are.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/cap.h"
#include "settings/price.h"

namespace {

void checkCap(const std::string& text, const std::uint8_t* data, std::size_t size) {
    const std::int64_t cap = parseCapBytes(text.c_str());
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (cap < 0 || parseCapBytes(upper.c_str()) != cap)
        __builtin_trap();
    const double amount = parsePrice(text.c_str());
    const CapLimit limit =
        capLimit(cap, amount, amount > 0 ? 1 / amount : amount, size > 0 ? data[0] : 80);
    if (limit.bytes < 0 || limit.warnBytes > limit.bytes || (cap > 0 && limit.bytes > cap) ||
        (limit.bytes > 0 && limit.warnBytes < 1))
        __builtin_trap();
    std::int64_t used = 0;
    std::memcpy(&used, data, size < sizeof used ? size : sizeof used);
    const CapClock clock{100, 130, 100 + static_cast<std::int32_t>(size % 31),
                         static_cast<std::int32_t>(size * 977 % 86400)};
    const CapFigures figures = capFigures(limit, used, clock);
    if (figures.left < 0 || figures.daily < 0 || figures.estimate < 0 || figures.percent < 0)
        __builtin_trap();
    char lines[400], title[64], warning[200], summary[160];
    const int length = formatCapLines(limit, figures, clock, lines, sizeof lines);
    if (length < 0 || static_cast<std::size_t>(length) != std::strlen(lines))
        __builtin_trap();
    formatCapWarning(limit, figures, capLevel(limit, used), title, sizeof title, warning,
                     sizeof warning);
    formatCapSummary(limit, figures, summary, sizeof summary);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    double price = parsePrice(text.c_str());
    if (std::isnan(price))
        __builtin_trap();
    std::string cut = text.substr(0, text.find('\0')) + ",9e9";
    if (parsePrice(cut.c_str()) != price && !(std::isinf(price)))
        __builtin_trap();
    checkCap(text.substr(0, text.find('\0')), data, size);
    return 0;
}
