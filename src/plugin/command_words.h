// Win32-free matching of broadcast texts against the command vocabulary.
#pragma once

#include <cstddef>
#include <cstring>

// The widget's own commands are this and a dotted word ("@Velnor.settings.read").
constexpr char kCommandPrefix[] = "@Velnor.";

// How a broadcast text asks for one command word. Letter case always counts.
enum class WordMatch {
    WholeText,   // the text is the word itself ("@KSShowPlugins")
    Own,         // the text is kCommandPrefix, the word and anything after it
    OwnArgument, // the same, and what follows is the word's argument: the words after this one
                 // are tried on that argument, so one text may ask for several
};

// Walks `rows` (records with members `word` and `match`) in order and calls asked(row, argument)
// for each word that `text` asks for; the argument is the text after the word.
template <typename Row, std::size_t N, typename Asked>
void forEachAskedWord(const char* text, const Row (&rows)[N], Asked asked) {
    if (text == nullptr)
        return;
    const std::size_t prefixLength = sizeof kCommandPrefix - 1;
    const bool own = std::strncmp(text, kCommandPrefix, prefixLength) == 0;
    const char* rest = text + (own ? prefixLength : 0);
    for (const Row& row : rows) {
        if (row.match == WordMatch::WholeText) {
            if (std::strcmp(text, row.word) == 0)
                asked(row, text + std::strlen(text));
            continue;
        }
        const std::size_t length = std::strlen(row.word);
        if (!own || std::strncmp(rest, row.word, length) != 0)
            continue;
        asked(row, rest + length);
        if (row.match == WordMatch::OwnArgument)
            rest += length;
    }
}

// A plain decimal position below `count` at the start of `text` ("12", "12 and more");
// false for anything else: a sign, no digits, an overflow, a position at or beyond `count`.
bool parsePosition(const char* text, int count, int& position);
