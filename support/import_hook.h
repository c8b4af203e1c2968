// Redirects calls that a module makes through its import table. Everything the tests link
// statically (the widget's code and the stand-in shell's) calls the platform through this
// executable's table, so a patched entry sees every call they make; the platform's own internal
// calls are not seen. The shell patches the plug-in's table the same way.
#pragma once

#include <cstring>

#include "platform.h"

// Returns the previous target of `function` imported by `module` from `dll`, or null when not
// imported.
inline void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<unsigned char*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return nullptr;
    FARPROC real = GetProcAddress(GetModuleHandleA(dll), function);
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
            continue;
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        auto* names = d->OriginalFirstThunk
                          ? reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk)
                          : nullptr;
        for (std::size_t i = 0; slots[i].u1.Function; ++i) {
            bool match;
            if (names && !IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) {
                auto* byName =
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
                match = std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0;
            } else {
                match = reinterpret_cast<FARPROC>(slots[i].u1.Function) == real;
            }
            if (!match)
                continue;
            DWORD protection;
            VirtualProtect(&slots[i], sizeof slots[i], PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slots[i].u1.Function);
            slots[i].u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots[i], sizeof slots[i], protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

// Points this executable's import of `function` from `dll` at `replacement` and keeps the previous
// target in `original`, which stays null when the function is not imported.
template <typename F>
void hookImport(F& original, const char* dll, const char* function, F replacement,
                HMODULE module = GetModuleHandleA(nullptr)) {
    original = reinterpret_cast<F>(
        patchImport(module, dll, function, reinterpret_cast<void*>(replacement)));
}

// `function` of `dll` redirected to `replacement` while the hook lives; `real` is what it replaced,
// null when the function is not imported.
template <typename F> struct ImportHook {
    ImportHook(const char* fromDll, const char* name, F replacement)
        : dll(fromDll), function(name) {
        hookImport(real, dll, function, replacement);
    }
    ~ImportHook() {
        F replaced = nullptr;
        if (real)
            hookImport(replaced, dll, function, real);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    const char* dll;
    const char* function;
    F real = nullptr;
};
