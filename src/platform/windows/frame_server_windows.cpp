#if defined(_WIN32)
#include "platform/frame_server.h"

#include <windows.h>

namespace mivo::platform {

std::optional<std::string> searchFrameServerLibrary() {
    return std::string("avisynth.dll");
}

std::optional<std::string> frameServerLibraryPath() {
    if (!frameServerLibraryName()) return std::nullopt;
    char windir[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableA("windir", windir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    return std::string(windir, n) + "\\system32\\avisynth.dll";
}

std::optional<std::string> frameServerInstallation() {
    if (!frameServerLibraryName()) return std::nullopt;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\AviSynth", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    // The installers keep the folder in the key's default value; the enumeration order of values is the
    // registry's own, so the first enumerated value is only the fallback.
    char data[1024];
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    LONG r = ::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        char name[256];
        DWORD nameSize = sizeof name;
        size = sizeof data - 1;
        r = ::RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    }
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::string();
    data[size < sizeof data ? size : sizeof data - 1] = '\0';
    return std::string(data);
}

} // namespace mivo::platform
#endif
