#include <cstdarg>
#include <cstdio>

#include "host.h"

namespace {

struct LogState {
    std::vector<std::string> lines;
    std::string file;
};
LogState logState;

} // namespace

void hostLog(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    logState.lines.emplace_back(line);
    if (logState.file.empty())
        return;
    if (FILE* out = fopen(logState.file.c_str(), "ab")) {
        fprintf(out, "%s\n", line);
        fclose(out);
    }
}

std::vector<std::string>& hostLogLines() { return logState.lines; }

void hostSetLogFile(const char* path) { logState.file = path ? path : ""; }
