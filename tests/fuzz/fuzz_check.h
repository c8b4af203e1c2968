// A failed property stops the fuzzer where it failed, with the input that broke it.
#pragma once

inline void check(bool ok) {
    if (!ok)
        __builtin_trap();
}
