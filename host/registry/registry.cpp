// The registry calls over the machine's REGEDIT4 file. Every call takes the
// machine's registry lock, rereads the file only when another process has
// replaced it, and a call that changes something writes the whole file
// again (a temporary file renamed over it, so readers never see half).
// Subkeys enumerate sorted by their upper-case names, as on NT; values in
// the order they were made.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <map>

#include "core/codepage.h"
#include "core/machine.h"
#include "registry/registry_text.h"
#include "registry/registry_tree.h"
#include "windows_host.h"

#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif

namespace host {

namespace {

using reg::Key;
using reg::KeyPath;
using reg::Tree;
using reg::Value;

const char kRegistryFile[] = "registry.reg";
const char kLockFile[] = "registry.lock";

const REGSAM kMaximumAllowed = 0x02000000;
const REGSAM kGenericAll = 0x10000000;
const REGSAM kGenericExecute = 0x20000000;
const REGSAM kGenericWrite = 0x40000000;
const REGSAM kGenericRead = 0x80000000;

// What identifies one version of the registry file: a writer renames a new
// file over it, so the inode changes with every write.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    long long ctimeNs = 0;

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs;
    }
};

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.ctimeNs = (long long)st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    return stamp;
}

// The registry as last read from, or written to, the machine's file.
struct Store {
    bool valid = false;
    std::string path;
    FileStamp stamp;
    Tree tree;
};
Store gStore;

bool ReadWholeFile(const std::string& path, std::string* text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);  // the machine's own, never a link
    if (fd < 0) return false;
    text->clear();
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        text->append(buffer, (size_t)n);
    }
    close(fd);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        done += (size_t)n;
    }
    return close(fd) == 0;
}

// One call's hold on the registry: the lock (shared to read, exclusive to
// change) and the tree, up to date with the file.
class Session {
  public:
    explicit Session(bool write) {
        if (MachineDir().empty()) return;
        lockFd_ = open(StatePath(kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (lockFd_ < 0) return;
        while (flock(lockFd_, write ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) return;
        }
        status_ = Load() ? ERROR_SUCCESS : ERROR_BADDB;
    }
    ~Session() {
        if (lockFd_ >= 0) close(lockFd_);  // closing lets the lock go
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    LONG status() const { return status_; }
    Tree& tree() { return gStore.tree; }

    // Writes the whole registry; on failure the change is dropped by the
    // next call, which rereads the file.
    LONG Save() {
        std::string text = reg::FormatRegHeader();
        for (int root = 0; root < reg::kRootCount; ++root) {
            std::vector<std::string> names;
            reg::FormatKeyTree(gStore.tree.RootKey(root), root, &names, true, &text);
        }
        std::string temp = gStore.path + ".tmp";
        if (!WriteWholeFile(temp, text) || rename(temp.c_str(), gStore.path.c_str()) != 0) {
            unlink(temp.c_str());
            gStore.valid = false;
            return ERROR_CANTWRITE;
        }
        gStore.stamp = StampOf(gStore.path);
        return ERROR_SUCCESS;
    }

  private:
    bool Load() {
        std::string path = StatePath(kRegistryFile);
        FileStamp stamp = StampOf(path);
        if (gStore.valid && gStore.path == path && gStore.stamp == stamp) return true;
        gStore.valid = false;
        gStore.tree.Clear();
        gStore.path = path;
        if (stamp.exists) {
            std::string text, error;
            if (!ReadWholeFile(path, &text)) return false;
            // A line that cannot be read is let go; the rest still loads.
            reg::ApplyRegText(&gStore.tree, text, true, &error);
        }
        gStore.stamp = stamp;
        gStore.valid = true;
        return true;
    }

    int lockFd_ = -1;
    LONG status_ = ERROR_BADDB;
};

// An open key of this process. It names its key by path: a key deleted and
// made again by another process is the same key to it.
struct OpenKey {
    KeyPath path;
    REGSAM access = 0;
    bool deleted = false;  // deleted while this handle was open
};

std::map<uintptr_t, OpenKey> gHandles;
// Handle values are never reused, so a closed handle stays invalid.
uintptr_t gNextHandle = 0x1000;

bool PredefinedRoot(HKEY key, int* root) {
    if (key == HKEY_LOCAL_MACHINE) *root = reg::kLocalMachine;
    else if (key == HKEY_CURRENT_USER) *root = reg::kCurrentUser;
    else if (key == HKEY_CLASSES_ROOT) *root = reg::kClassesRoot;
    else return false;
    return true;
}

// Of the rights a handle is granted, only querying, setting and enumerating
// are checked; creating and deleting keys are always allowed.
REGSAM GrantedAccess(REGSAM desired) {
    if (desired & (kMaximumAllowed | kGenericAll)) return KEY_ALL_ACCESS;
    if (desired & (kGenericRead | kGenericExecute)) desired |= KEY_READ;
    if (desired & kGenericWrite) desired |= KEY_WRITE;
    return desired;
}

HKEY NewHandle(const KeyPath& path, REGSAM desired) {
    uintptr_t value = gNextHandle;
    gNextHandle += 4;
    OpenKey& open = gHandles[value];
    open.path = path;
    open.access = GrantedAccess(desired);
    return (HKEY)value;
}

// The key a handle stands for, with the access a call needs (0: none).
LONG KeyOfHandle(Tree& tree, HKEY handle, REGSAM needed, Key** key, KeyPath* path) {
    int root;
    if (PredefinedRoot(handle, &root)) {
        path->root = root;
        path->names.clear();
        *key = &tree.RootKey(root);
        return ERROR_SUCCESS;
    }
    auto it = gHandles.find((uintptr_t)handle);
    if (it == gHandles.end()) return ERROR_INVALID_HANDLE;
    OpenKey& open = it->second;
    if (!open.deleted && !(*key = tree.Resolve(open.path))) open.deleted = true;
    if (open.deleted) return ERROR_KEY_DELETED;
    if ((open.access & needed) != needed) return ERROR_ACCESS_DENIED;
    *path = open.path;
    return ERROR_SUCCESS;
}

// After a deletion: handles whose key is gone stay deleted, even when a key
// of the same name is made again.
void MarkDeletedHandles(Tree& tree) {
    for (auto& entry : gHandles)
        if (!entry.second.deleted && !tree.Resolve(entry.second.path)) entry.second.deleted = true;
}

// Splits a subkey path; NULL and "" name the key itself. A trailing
// backslash is allowed; a leading one is refused, as NT does.
LONG SplitSubKey(LPCSTR subKey, std::vector<std::string>* names) {
    names->clear();
    if (!subKey || !subKey[0]) return ERROR_SUCCESS;
    *names = SplitPath(subKey);
    if (names->size() > 1 && names->back().empty()) names->pop_back();
    for (const std::string& name : *names)
        if (name.empty()) return ERROR_BAD_PATHNAME;
    return ERROR_SUCCESS;
}

std::string NameOf(LPCSTR valueName) { return valueName ? valueName : ""; }

// Copies a name with its zero into a buffer of `size` chars.
bool CopyName(const std::string& name, LPSTR buffer, DWORD size) {
    if (name.size() + 1 > size) return false;
    memcpy(buffer, name.c_str(), name.size() + 1);
    return true;
}

// The key a handle names and the names of a subkey path below it.
LONG KeyAndSubKey(Tree& tree, HKEY handle, LPCSTR subKey, Key** key, KeyPath* path,
                  std::vector<std::string>* names) {
    LONG error = KeyOfHandle(tree, handle, 0, key, path);
    return error == ERROR_SUCCESS ? SplitSubKey(subKey, names) : error;
}

}  // namespace

}  // namespace host

using namespace host;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Session session(false);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* parent;
    KeyPath path;
    std::vector<std::string> names;
    LONG error = KeyAndSubKey(session.tree(), key, subKey, &parent, &path, &names);
    if (error != ERROR_SUCCESS) return error;
    Key* found = parent;
    for (const std::string& name : names) {
        if (!(found = found->Find(name))) return ERROR_FILE_NOT_FOUND;
        path.names.push_back(name);
    }
    *result = NewHandle(path, desired);
    return ERROR_SUCCESS;
}

// Volatile keys are kept like the others; the class and security are not kept.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Session session(true);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* parent;
    KeyPath path;
    std::vector<std::string> names;
    LONG error = KeyAndSubKey(session.tree(), key, subKey, &parent, &path, &names);
    if (error != ERROR_SUCCESS) return error;
    for (const std::string& name : names)
        if (!reg::IsValidKeyName(name)) return ERROR_INVALID_PARAMETER;
    Key* found = parent;
    bool created = false;
    for (const std::string& name : names) {
        bool made;
        found = found->Create(name, &made);
        created = created || made;
        path.names.push_back(name);
    }
    if (created && (error = session.Save()) != ERROR_SUCCESS) return error;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(path, desired);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    Session session(false);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* found;
    KeyPath path;
    LONG error = KeyOfHandle(session.tree(), key, KEY_QUERY_VALUE, &found, &path);
    if (error != ERROR_SUCCESS) return error;
    const Value* value = found->FindValue(NameOf(valueName));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    if (!dataSize) return ERROR_SUCCESS;
    DWORD size = (DWORD)value->data.size();
    if (data && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data) memcpy(data, value->data.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

// Value names that the REGEDIT4 file cannot hold (line breaks) are refused.
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (!data && dataSize) return ERROR_INVALID_PARAMETER;
    std::string name = NameOf(valueName);
    if (!reg::IsValidValueName(name)) return ERROR_INVALID_PARAMETER;
    Session session(true);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* found;
    KeyPath path;
    LONG error = KeyOfHandle(session.tree(), key, KEY_SET_VALUE, &found, &path);
    if (error != ERROR_SUCCESS) return error;
    found->SetValue(name, type, std::string((const char*)data, data ? dataSize : 0));
    return session.Save();
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
    if (!name) return ERROR_INVALID_PARAMETER;
    Session session(false);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* found;
    KeyPath path;
    LONG error = KeyOfHandle(session.tree(), key, KEY_ENUMERATE_SUB_KEYS, &found, &path);
    if (error != ERROR_SUCCESS) return error;
    if (index >= found->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = found->subkeys.begin();
    std::advance(it, index);
    return CopyName(it->second->name, name, nameSize) ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize,
                   LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (!valueName || !valueNameSize || reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    Session session(false);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* found;
    KeyPath path;
    LONG error = KeyOfHandle(session.tree(), key, KEY_QUERY_VALUE, &found, &path);
    if (error != ERROR_SUCCESS) return error;
    if (index >= found->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& value = found->values[index];
    if (!CopyName(value.name, valueName, *valueNameSize)) return ERROR_MORE_DATA;
    *valueNameSize = (DWORD)value.name.size();
    if (type) *type = value.type;
    if (!dataSize) return ERROR_SUCCESS;
    DWORD size = (DWORD)value.data.size();
    if (data && *dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data) memcpy(data, value.data.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (!subKey) return ERROR_INVALID_PARAMETER;
    Session session(true);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* found;
    KeyPath path;
    std::vector<std::string> names;
    LONG error = KeyAndSubKey(session.tree(), key, subKey, &found, &path, &names);
    if (error != ERROR_SUCCESS) return error;
    path.names.insert(path.names.end(), names.begin(), names.end());
    if (path.names.empty()) return ERROR_ACCESS_DENIED;  // a root
    std::string last = path.names.back();
    path.names.pop_back();
    Key* parent = session.tree().Resolve(path);
    Key* target = parent ? parent->Find(last) : nullptr;
    if (!target) return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys.empty() || target->undeletable) return ERROR_ACCESS_DENIED;
    parent->subkeys.erase(UpperAscii932(last));
    if ((error = session.Save()) != ERROR_SUCCESS) return error;
    MarkDeletedHandles(session.tree());
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    Session session(true);
    if (session.status() != ERROR_SUCCESS) return session.status();
    Key* found;
    KeyPath path;
    LONG error = KeyOfHandle(session.tree(), key, KEY_SET_VALUE, &found, &path);
    if (error != ERROR_SUCCESS) return error;
    if (!found->RemoveValue(NameOf(valueName))) return ERROR_FILE_NOT_FOUND;
    return session.Save();
}

LONG RegCloseKey(HKEY key) {
    int root;
    if (PredefinedRoot(key, &root)) return ERROR_SUCCESS;
    return gHandles.erase((uintptr_t)key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

namespace host {

bool ExportRegistryKey(const std::string& keyPath, std::string* text) {
    Session session(false);
    if (session.status() != ERROR_SUCCESS) return false;
    std::string out = reg::FormatRegHeader();
    std::vector<std::string> names;
    if (keyPath.empty()) {
        for (int root = 0; root < reg::kRootCount; ++root)
            reg::FormatKeyTree(session.tree().RootKey(root), root, &names, false, &out);
        *text = out;
        return true;
    }
    KeyPath path;
    if (!reg::ParseKeyPath(keyPath, true, &path)) return false;
    Key* key = &session.tree().RootKey(path.root);
    for (const std::string& name : path.names) {
        if (!(key = key->Find(name))) return false;
        names.push_back(key->name);  // as stored, not as asked
    }
    reg::FormatKeyTree(*key, path.root, &names, false, &out);
    *text = out;
    return true;
}

bool ImportRegistryText(const std::string& text, std::string* error) {
    if (!reg::IsRegText(text)) {
        *error = "not REGEDIT4 text";
        return false;
    }
    Session session(true);
    if (session.status() != ERROR_SUCCESS) {
        *error = "cannot read the machine's registry";
        return false;
    }
    bool applied = reg::ApplyRegText(&session.tree(), text, false, error);
    if (session.Save() != ERROR_SUCCESS) {
        *error = "cannot write the machine's registry";
        return false;
    }
    MarkDeletedHandles(session.tree());
    return applied;
}

bool SetKeyUndeletable(const std::string& keyPath, bool undeletable) {
    Session session(true);
    KeyPath path;
    if (session.status() != ERROR_SUCCESS || !reg::ParseKeyPath(keyPath, true, &path)) return false;
    Key* key = session.tree().Resolve(path);
    if (!key) return false;
    key->undeletable = undeletable;
    return session.Save() == ERROR_SUCCESS;
}

}  // namespace host
