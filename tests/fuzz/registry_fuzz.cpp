// REGEDIT4 import (winbox reg import): the input is imported into an empty
// registry, which is then walked through the registry calls. What is
// exported imports again without a complaint and exports the same text.
#include <unistd.h>

#include <string>

#include "core/machine.h"
#include "fuzz_machine.h"
#include "registry/registry_text.h"
#include "windows_host.h"

namespace {

// Deepest level the walk goes down to: the walk is not what is tested.
const int kMaxWalkDepth = 64;

void EmptyRegistry() { unlink(host::StatePath("registry.reg").c_str()); }

void Walk(HKEY key, int depth) {
    char name[600];
    BYTE data[64];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, type = 0, dataSize = sizeof data;
        LONG error = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (error == ERROR_NO_MORE_ITEMS) break;
        if (error == ERROR_SUCCESS) RegQueryValueExA(key, name, nullptr, &type, nullptr, &dataSize);
    }
    if (depth >= kMaxWalkDepth) return;
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        HKEY sub;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        Walk(sub, depth + 1);
        RegCloseKey(sub);
    }
}

std::string ExportAll() {
    std::string text;
    fuzz::Check(host::ExportRegistryKey("", &text), "the whole registry exports");
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    std::string text((const char*)data, size), error;
    EmptyRegistry();
    host::ImportRegistryText(text, &error);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) Walk(root, 0);
    std::string exported = ExportAll();
    host::ExportRegistryKey("HKCU\\Software", &text);

    EmptyRegistry();
    fuzz::Check(host::ImportRegistryText(exported, &error), "an exported registry imports without complaint");
    fuzz::Check(ExportAll() == exported, "an exported registry imports as it was");
    return 0;
}
