// Any broadcast text and any interface count: matching never reads past the text, a taken
// position always lies inside the table, and the widget's words are found only behind its prefix.
#include <cstdint>
#include <cstring>
#include <string>

#include "plugin/command_words.h"
#include "fuzz_check.h"

namespace {

struct Word {
    const char* word;
    WordMatch match;
};
// The vocabulary's shape: two whole texts, an argument-taking word, plain words.
const Word kWords[] = {
    {"@KSShowPlugins", WordMatch::WholeText},
    {"@KSHidePlugins", WordMatch::WholeText},
    {"adapter.", WordMatch::OwnArgument},
    {"settings.read", WordMatch::Own},
    {"about", WordMatch::Own},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    std::int32_t count;
    std::memcpy(&count, data, sizeof count);
    // An exact-size heap copy, so that any read past the terminator is caught.
    std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);

    const bool own = std::strncmp(copy, kCommandPrefix, 8) == 0;
    int shellWords = 0;
    forEachAskedWord(copy, kWords, [&](const Word& word, const char* argument) {
        check(argument >= copy && argument <= copy + std::strlen(copy));
        if (word.match == WordMatch::WholeText) {
            ++shellWords;
            return;
        }
        check(own);
        int position = -1;
        if (parsePosition(argument, count, position))
            check(position >= 0 && position < count);
        else
            check(position == -1);
    });
    check(shellWords <= 1);
    delete[] copy;
    return 0;
}
