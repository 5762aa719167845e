// The shell link object: IShellLinkA for its fields, IPersistFile to save
// and load it as a .lnk file in the machine.
#include "shell/shell_link.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "core/codepage.h"
#include "core/drive_files.h"
#include "core/machine.h"
#include "kernel/disk_space.h"
#include "kernel/file_sharing.h"
#include "process/run_scope.h"
#include "shell/link_file.h"
#include "shell/wide_text.h"
#include "ui/frontend.h"

namespace host {

namespace {

// INFOTIPSIZE: the longest description, with its terminator.
constexpr size_t kMaxDescription = 1023;
constexpr size_t kMaxArguments = 1023;
constexpr size_t kMaxPathText = MAX_PATH - 1;

// Copies a field into a caller's buffer of cch bytes, cut without splitting
// a double-byte character and always terminated.
HRESULT CopyOut(const std::string& field, LPSTR buffer, int cch) {
    if (!buffer || cch <= 0) return E_INVALIDARG;
    size_t end = 0;
    while (end < field.size()) {
        size_t step = IsLeadByte932((unsigned char)field[end]) ? 2 : 1;
        if (end + step > (size_t)cch - 1) break;
        end += step;
    }
    memcpy(buffer, field.data(), end);
    buffer[end] = 0;
    return S_OK;
}

uint64_t Ticks(const FILETIME& time) { return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime; }

// Characters Windows refuses in a file name.
bool IsValidFileName(const std::string& name) {
    if (name.empty()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)name[i];
        if (IsLeadByte932(c)) {
            ++i;
            continue;
        }
        if (c < 0x20 || strchr("<>:\"/\\|?*", c)) return false;
    }
    return true;
}

// The volume serial number the machine reports for a drive: fixed per letter.
uint32_t DriveSerial(char letter) { return 0x1E0A0000u | (unsigned char)toupper((unsigned char)letter); }

class ShellLink;
// The link objects alive, each with whether the program's run made it.
std::map<ShellLink*, bool> gLinks;

class ShellLink final : public IShellLinkA, public IPersistFile {
  public:
    ShellLink() { gLinks[this] = InRun(); }
    // The links the program still held when its run ended go with it.
    static void DeleteRunLinks() {
        std::vector<ShellLink*> left;
        for (const auto& link : gLinks)
            if (link.second) left.push_back(link.first);
        for (ShellLink* link : left) delete link;
    }

    // IUnknown, shared by both interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IShellLinkA) {
            *ppvObject = static_cast<IShellLinkA*>(this);
        } else if (riid == IID_IPersistFile || riid == IID_IPersist) {
            *ppvObject = static_cast<IPersistFile*>(this);
        } else {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IShellLinkA.
    // Gives the long path whatever the flags ask.
    HRESULT STDMETHODCALLTYPE GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD) override {
        HRESULT result = CopyOut(link_.target, pszFile, cch);
        if (FAILED(result)) return result;
        if (pfd) {
            memset(pfd, 0, sizeof *pfd);
            HANDLE found = link_.target.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(link_.target.c_str(), pfd);
            if (found != INVALID_HANDLE_VALUE) FindClose(found);
        }
        return link_.target.empty() ? S_FALSE : S_OK;
    }
    // The host's links carry no item id list.
    HRESULT STDMETHODCALLTYPE GetIDList(LPITEMIDLIST* ppidl) override {
        if (!ppidl) return E_INVALIDARG;
        *ppidl = nullptr;
        return S_FALSE;
    }
    // Not served: a link is set by its path only.
    HRESULT STDMETHODCALLTYPE SetIDList(LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(LPSTR pszName, int cch) override {
        return CopyOut(link_.description, pszName, cch);
    }
    // Longer text than INFOTIPSIZE is refused.
    HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR pszName) override {
        return SetText(pszName, kMaxDescription, &link_.description);
    }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR pszDir, int cch) override {
        return CopyOut(link_.workingDir, pszDir, cch);
    }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR pszDir) override {
        return SetText(pszDir, kMaxPathText, &link_.workingDir);
    }
    HRESULT STDMETHODCALLTYPE GetArguments(LPSTR pszArgs, int cch) override {
        return CopyOut(link_.arguments, pszArgs, cch);
    }
    // Longer text than INFOTIPSIZE is refused.
    HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR pszArgs) override {
        return SetText(pszArgs, kMaxArguments, &link_.arguments);
    }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD* pwHotkey) override {
        if (!pwHotkey) return E_INVALIDARG;
        *pwHotkey = link_.hotkey;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD wHotkey) override {
        link_.hotkey = wHotkey;
        dirty_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int* piShowCmd) override {
        if (!piShowCmd) return E_INVALIDARG;
        *piShowCmd = (int)link_.showCommand;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int iShowCmd) override {
        link_.showCommand = (uint32_t)iShowCmd;
        dirty_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR pszIconPath, int cch, int* piIcon) override {
        if (!piIcon) return E_INVALIDARG;
        *piIcon = link_.iconIndex;
        return CopyOut(link_.iconPath, pszIconPath, cch);
    }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR pszIconPath, int iIcon) override {
        HRESULT result = SetText(pszIconPath ? pszIconPath : "", kMaxPathText, &link_.iconPath);
        if (SUCCEEDED(result)) link_.iconIndex = iIcon;
        return result;
    }
    // Accepted and not kept: the host's links carry no relative path.
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return S_OK; }
    // Does not search for a target that has moved.
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return S_OK; }
    // A relative path is made full against the current directory; a network
    // (UNC) path is refused, as the machine has no network.
    HRESULT STDMETHODCALLTYPE SetPath(LPCSTR pszFile) override {
        if (!pszFile || strnlen(pszFile, kMaxPathText + 1) > kMaxPathText) return E_INVALIDARG;
        std::string full;
        if (*pszFile && !FullWindowsPath(pszFile, &full)) return E_INVALIDARG;
        link_.target = full;
        dirty_ = true;
        return S_OK;
    }

    // IPersistFile.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override {
        if (!pClassID) return E_POINTER;
        *pClassID = CLSID_ShellLink;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    // The mode is not looked at: the file is read and let go at once.
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD) override {
        std::string full, hostPath;
        HRESULT result = MapFileName(pszFileName, &full, &hostPath);
        if (FAILED(result)) return result;
        struct stat st;
        if (StatInDrive(hostPath, &st) != 0 || !S_ISREG(st.st_mode))
            return LeadsOut(errno) ? E_ACCESSDENIED : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        LinkFile loaded;
        std::string error;
        if (!ReadLinkFile(hostPath, &loaded, &error)) return E_FAIL;
        link_ = loaded;
        currentFile_ = full;
        dirty_ = false;
        return S_OK;
    }
    // Saves without the target's item id list; the LinkInfo alone names it.
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override {
        std::string full, hostPath;
        if (pszFileName) {
            HRESULT result = MapFileName(pszFileName, &full, &hostPath);
            if (FAILED(result)) return result;
        } else if (currentFile_.empty() || !MapToHost(currentFile_, &hostPath)) {
            return E_INVALIDARG;
        } else {
            full = currentFile_;
        }
        HRESULT result = WriteLink(full, hostPath);
        if (FAILED(result)) return result;
        TranscriptLine("link " + Quoted(full) + " target=" + Quoted(link_.target) +
                       " arguments=" + Quoted(link_.arguments) + " description=" + Quoted(link_.description));
        if (!pszFileName || fRemember) {
            currentFile_ = full;
            dirty_ = false;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override {
        if (!ppszFileName) return E_POINTER;
        *ppszFileName = nullptr;
        std::u16string wide;
        if (!AnsiToWide(currentFile_.empty() ? "*.lnk" : currentFile_, &wide)) return E_FAIL;
        LPOLESTR copy = (LPOLESTR)CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR));
        if (!copy) return E_OUTOFMEMORY;
        memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(OLECHAR));
        *ppszFileName = copy;
        return currentFile_.empty() ? S_FALSE : S_OK;
    }

  private:
    ~ShellLink() { gLinks.erase(this); }

    HRESULT SetText(LPCSTR text, size_t limit, std::string* field) {
        if (!text) return E_INVALIDARG;
        size_t length = strnlen(text, limit + 1);
        if (length > limit) return E_INVALIDARG;
        field->assign(text, length);
        dirty_ = true;
        return S_OK;
    }

    // A wide file name to the full Windows path (code page 932) and the host
    // path. Names that have no code page 932 form cannot exist in the machine.
    static HRESULT MapFileName(LPCOLESTR name, std::string* full, std::string* hostPath) {
        std::string ansi;
        if (!name) return E_INVALIDARG;
        if (!WideToAnsi(name, &ansi)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        if (!FullWindowsPath(ansi, full)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        if (full->size() > kMaxPathText) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        if (!MapToHost(*full, hostPath)) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        return S_OK;
    }

    // Fills in what the header records of the target, then writes the file.
    HRESULT WriteLink(const std::string& full, const std::string& hostPath) {
        std::vector<std::string> levels = SplitPath(full);
        if (levels.empty() || !IsValidFileName(levels.back())) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        size_t slash = hostPath.rfind('/');
        struct stat st;
        if (slash == std::string::npos || StatInDrive(hostPath.substr(0, slash), &st) != 0 || !S_ISDIR(st.st_mode))
            return LeadsOut(errno) ? E_ACCESSDENIED : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        bool exists = StatInDrive(hostPath, &st) == 0;
        // A link that leads out of the drive is never written through.
        if (!exists && LeadsOut(errno)) return E_ACCESSDENIED;
        if (exists && (!S_ISREG(st.st_mode) || !(st.st_mode & 0222))) return E_ACCESSDENIED;
        // The file stream opens the file for writing without sharing.
        if (exists && !MayOpen(hostPath, kAccessWrite, 0)) return HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION);
        unsigned long long oldSize = exists ? (unsigned long long)st.st_size : 0;

        LinkFile saved = link_;
        WIN32_FIND_DATAA target;
        HANDLE found = saved.target.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA(saved.target.c_str(), &target);
        if (found != INVALID_HANDLE_VALUE) {
            FindClose(found);
            saved.fileAttributes = target.dwFileAttributes;
            saved.creationTime = Ticks(target.ftCreationTime);
            saved.accessTime = Ticks(target.ftLastAccessTime);
            saved.writeTime = Ticks(target.ftLastWriteTime);
            saved.fileSize = target.nFileSizeLow;
        }
        if (!saved.target.empty()) saved.driveSerial = DriveSerial(saved.target[0]);

        std::string bytes = EncodeLinkFile(saved);
        if (!ChargeFileSize(full[0], oldSize, bytes.size())) return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
        if (WriteDriveFile(hostPath, bytes)) return S_OK;
        ChargeFileSize(full[0], bytes.size(), exists ? oldSize : 0);
        return E_ACCESSDENIED;
    }

    ULONG references_ = 1;      // COM reference count
    LinkFile link_;             // the fields set so far
    std::string currentFile_;   // full Windows path remembered by Save or Load
    bool dirty_ = false;        // changed since the last remembered save or load
};

const RunRelease kDeleteRunLinks(ShellLink::DeleteRunLinks);

}  // namespace

IShellLinkA* NewShellLink() { return new (std::nothrow) ShellLink(); }

}  // namespace host
