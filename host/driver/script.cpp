#include "driver.h"
#include "parts.h"

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
