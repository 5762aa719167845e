// System information: version, Windows and system directories, module path.
#include <cstring>
#include <string>

#include "core/machine.h"
#include "windows_host.h"

namespace {

UINT CopyOut(const std::string& text, LPSTR buffer, UINT size) {
    if (text.size() + 1 > size) return (UINT)text.size() + 1;
    memcpy(buffer, text.c_str(), text.size() + 1);
    return (UINT)text.size();
}

}  // namespace

// The newer shell reports Windows 95 (4.0, high bit set as on Windows 9x);
// the older one NT 3.51, whose shell is Program Manager.
DWORD GetVersion(void) { return host::Config().newShell ? 0xC0000004u : 0x04213303u; }

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) { return CopyOut(host::Config().windowsDir, buffer, size); }

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return CopyOut(host::Config().windowsDir + "\\SYSTEM", buffer, size);
}

// As on Windows 95/NT 4: a path that does not fit is cut and terminated.
DWORD GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size) {
    if (size == 0) return 0;
    const std::string& path = host::CurrentProcess().modulePath;
    size_t length = path.size() < size - 1 ? path.size() : size - 1;
    memcpy(fileName, path.data(), length);
    fileName[length] = 0;
    return (DWORD)length;
}
