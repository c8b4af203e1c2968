// Any text: a finite price, the same one for the text and its copy with trailing junk after a
// character that ends every number.
#include <cmath>
#include <cstdint>
#include <string>

#include "settings/price.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    double price = parsePrice(text.c_str());
    if (std::isnan(price))
        __builtin_trap();
    std::string cut = text.substr(0, text.find('\0')) + ",9e9";
    if (parsePrice(cut.c_str()) != price && !(std::isinf(price)))
        __builtin_trap();
    return 0;
}
