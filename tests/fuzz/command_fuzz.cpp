// Any broadcast text and any interface count: matching never reads past the text, a taken
// position always lies inside the table, and the widget's words are found only behind "@Velnor.".
#include <cstdint>
#include <cstring>
#include <string>

#include "plugin/command_words.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    std::int32_t count;
    std::memcpy(&count, data, sizeof count);
    // An exact-size heap copy, so that any read past the terminator is caught.
    std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);

    const CommandMatch match = matchCommand(copy);
    const bool own = std::strncmp(copy, "@Velnor.", 8) == 0;
    check(own || !(match.adapterNumber || match.read || match.write || match.edit || match.about));
    check(!(match.show && match.hide));
    if (match.adapterNumber) {
        check(match.adapterNumber >= copy && match.adapterNumber <= copy + std::strlen(copy));
        int position = -1;
        if (parsePosition(match.adapterNumber, count, position))
            check(position >= 0 && position < count);
        else
            check(position == -1);
    }
    delete[] copy;
    return 0;
}
