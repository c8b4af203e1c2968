// An Iphlpapi.dll that loads but has no GetIfTable: the start's other failing lookup.
#include "platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI GetIfEntry(void*) {
    return ERROR_NOT_SUPPORTED;
}
