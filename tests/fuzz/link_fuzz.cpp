// Shortcut (.lnk) files: the input is read as winbox lnk reads it and loaded
// into a link object that hands its fields out into buffers large and small.
// What decodes encodes and decodes again to the same fields.
#include <string>

#include "core/codepage.h"
#include "fuzz_machine.h"
#include "shell/link_file.h"
#include "windows_host.h"

namespace {

const int kBufferSizes[] = {1, 2, 3, 16, MAX_PATH, 4096};

// The fields the link writer keeps; the volume's only with a target, as the
// writer adds its LinkInfo only then.
bool SameKeptFields(const host::LinkFile& a, const host::LinkFile& b) {
    return a.target == b.target && a.description == b.description && a.workingDir == b.workingDir &&
           a.arguments == b.arguments && a.iconPath == b.iconPath && a.iconIndex == b.iconIndex &&
           a.showCommand == b.showCommand && a.hotkey == b.hotkey && a.fileAttributes == b.fileAttributes &&
           a.creationTime == b.creationTime && a.accessTime == b.accessTime && a.writeTime == b.writeTime &&
           a.fileSize == b.fileSize && (a.target.empty() || a.driveSerial == b.driveSerial);
}

bool FitsStrings(const host::LinkFile& link) {
    for (const std::string* text : {&link.description, &link.workingDir, &link.arguments, &link.iconPath})
        if (text->size() > host::kMaxLinkString) return false;
    return true;
}

void Decode(const std::string& hostPath) {
    host::LinkFile link, again;
    std::string error;
    if (!host::ReadLinkFile(hostPath, &link, &error)) return;
    host::DisplayUtf8(link.target);
    host::DisplayUtf8(link.arguments);
    host::DisplayUtf8(link.description);
    if (!FitsStrings(link)) return;  // longer strings are cut on writing
    fuzz::Check(host::DecodeLinkFile(host::EncodeLinkFile(link), &again, &error), "an encoded link decodes");
    fuzz::Check(SameKeptFields(link, again), "an encoded link decodes to its fields");
}

void Load() {
    static const HRESULT initialized = CoInitialize(nullptr);
    fuzz::Check(SUCCEEDED(initialized), "COM starts");
    IShellLinkA* link = nullptr;
    fuzz::Check(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           (void**)&link)),
                "a link object is made");
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        static const WCHAR kPath[] = {'C', ':', '\\', 'F', 'U', 'Z', 'Z', '.', 'L', 'N', 'K', 0};
        if (SUCCEEDED(file->Load(kPath, STGM_READ))) {
            for (int size : kBufferSizes) {
                std::string buffer(size, '\xEE');
                WIN32_FIND_DATAA found;
                int icon;
                link->GetPath(&buffer[0], size, &found, 0);
                link->GetDescription(&buffer[0], size);
                link->GetWorkingDirectory(&buffer[0], size);
                link->GetArguments(&buffer[0], size);
                link->GetIconLocation(&buffer[0], size, &icon);
            }
        }
        file->Release();
    }
    link->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::UseMachine();
    static const std::string hostPath = fuzz::HostPath("C:\\FUZZ.LNK");
    fuzz::WriteHostFile(hostPath, std::string((const char*)data, size));
    Decode(hostPath);
    Load();
    return 0;
}
