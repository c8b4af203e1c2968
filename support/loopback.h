// The loopback interface from a Windows program under Wine: a TCP connection over 127.0.0.1
// within one process, and the kernel's own byte counters of an interface, which Wine shows as
// Z:\proc\net\dev. Link ws2_32 and call WSAStartup first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform.h"

// The two ends of a new connection; false (and nothing open) when it cannot be made.
inline bool connectLoopback(SOCKET& sender, SOCKET& receiver) {
    sender = receiver = INVALID_SOCKET;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bool ready = listener != INVALID_SOCKET &&
                 bind(listener, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                 listen(listener, 1) == 0 &&
                 getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    if (ready)
        sender = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sender != INVALID_SOCKET &&
        connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        receiver = accept(listener, nullptr, nullptr);
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    if (receiver == INVALID_SOCKET && sender != INVALID_SOCKET) {
        closesocket(sender);
        sender = INVALID_SOCKET;
    }
    return receiver != INVALID_SOCKET;
}

// The text of a file of the kernel's, as Wine shows it under Z:\proc; false when it cannot be read.
inline bool readProcFile(const char* path, char* text, DWORD size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD length = 0, read = 0;
    while (length + 1 < size && ReadFile(file, text + length, size - 1 - length, &read, nullptr) &&
           read > 0)
        length += read;
    CloseHandle(file);
    text[length] = '\0';
    return true;
}

// Bytes received and sent as the kernel counts them: by the interface named `name` (`lo`,
// `eth0`), or with `but` set, by every interface but that one added up (`interfaces` of them);
// false when the file or a named interface's line cannot be read.
inline bool readKernelCounts(const char* name, std::int64_t& received, std::int64_t& sent,
                             bool but = false, int* interfaces = nullptr) {
    char text[16384];
    if (!readProcFile("Z:\\proc\\net\\dev", text, sizeof text))
        return false;
    bool found = but;
    received = sent = 0;
    if (interfaces)
        *interfaces = 0;
    for (char* line = text; line != nullptr;) {
        char* end = std::strchr(line, '\n');
        if (end != nullptr)
            *end = '\0';
        char seen[64];
        unsigned long long field[9];
        if (std::sscanf(line, " %63[^:]: %llu %llu %llu %llu %llu %llu %llu %llu %llu", seen,
                        &field[0], &field[1], &field[2], &field[3], &field[4], &field[5], &field[6],
                        &field[7], &field[8]) == 10 &&
            (std::strcmp(seen, name) == 0) != but) {
            received += static_cast<std::int64_t>(field[0]);
            sent += static_cast<std::int64_t>(field[8]);
            found = true;
            if (interfaces)
                ++*interfaces;
        }
        line = end != nullptr ? end + 1 : nullptr;
    }
    return found;
}
