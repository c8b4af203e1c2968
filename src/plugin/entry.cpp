// The plug-in's exported entry points.
#include "platform.h"

namespace {

constexpr const char* kInfo[] = {
    "Velnor 0.0.4",               // any code without a field of its own
    "Velnor",                     // 1: name
    "0.0.4",                      // 2: version
    "Velnor developers",          // 3: author
    "2007-07-28",                 // 4: release date
    "https://velnor.example/",    // 5: link
    "developers@velnor.example",  // 6: e-mail
};

} // namespace

extern "C" const char* pluginInfo(int field) {
    return field >= 1 && field <= 6 ? kInfo[field] : kInfo[0];
}
