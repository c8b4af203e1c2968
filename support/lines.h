// The search of log lines: the shell's log, read back by the tests, the rigs and the benchmark.
#pragma once

#include <string>
#include <vector>

// The text's lines without their CR LF or LF; a last line without one counts too.
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

inline bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Index of the first line at or after `from` that starts with `prefix`, or -1.
inline int findLine(const std::vector<std::string>& lines, const std::string& prefix,
                    int from = 0) {
    for (int i = from < 0 ? 0 : from; i < static_cast<int>(lines.size()); ++i)
        if (startsWith(lines[static_cast<std::size_t>(i)], prefix))
            return i;
    return -1;
}

// The lines of `lines` that start with `prefix`, in order.
inline std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                                  const std::string& prefix) {
    std::vector<std::string> selected;
    for (const std::string& line : lines)
        if (startsWith(line, prefix))
            selected.push_back(line);
    return selected;
}

inline int countLinesStartingWith(const std::vector<std::string>& lines,
                                  const std::string& prefix) {
    return static_cast<int>(linesStartingWith(lines, prefix).size());
}
