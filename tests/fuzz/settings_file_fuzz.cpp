// Any settings file and any key: lookups stay inside the file, conversions never fault, and a
// write changes exactly the one value it names, so that reading the key back yields it.
#include <cstdint>
#include <cstring>
#include <string>

#include "settings_syntax.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how long the key is; the key comes next, the file is the rest.
    if (size < 1)
        return 0;
    std::size_t keyLength = data[0] % 24;
    if (size < 1 + keyLength)
        return 0;
    std::string key(reinterpret_cast<const char*>(data + 1), keyLength);
    key = key.substr(0, key.find('\0'));
    key.erase(0, key.find_first_not_of(" \t!#"));
    for (char& c : key)
        if (c == '\r' || c == '\n')
            c = '_';
    key += ':';
    const char* file = reinterpret_cast<const char*>(data + 1 + keyLength);
    std::size_t fileSize = size - 1 - keyLength;

    SettingValue value{};
    if (findSetting(file, fileSize, key.c_str(), value)) {
        check(value.begin <= value.end && value.end <= value.lineEnd && value.lineEnd <= fileSize);
        std::int32_t number;
        bool flag;
        std::uint32_t colour;
        parseSettingInt(file + value.begin, value.end - value.begin, number);
        parseSettingBool(file + value.begin, value.end - value.begin, flag);
        if (parseSettingColor(file + value.begin, value.end - value.begin, colour))
            check(colour <= 0xFFFFFF);
    }

    SettingEdit edit = planSettingWrite(file, fileSize, key.c_str(), "-2147483648");
    check(edit.begin <= edit.end && edit.end <= fileSize);
    std::string written(file, edit.begin);
    written += edit.text;
    written.append(file + edit.end, fileSize - edit.end);
    SettingValue back{};
    check(findSetting(written.data(), written.size(), key.c_str(), back));
    check(written.compare(back.begin, back.end - back.begin, "-2147483648") == 0);
    std::int32_t number = 0;
    check(parseSettingInt(written.data() + back.begin, back.end - back.begin, number));
    check(number == INT32_MIN);
    return 0;
}
