// MachineTest on the real platform: the machine is the real C: drive and
// registry. Each test starts with the shell folders a Japanese Windows 95 has,
// C:\ as the current directory, and ends with everything it added to the
// folders and registry keys the tests use removed again.
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "kernel/file_sharing.h"
#include "support/machine_fixture.h"

namespace {

// The folders whose new entries a test may leave behind.
const char* const kWatchedFolders[] = {
    "C:\\", "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\Program Files",
    "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ", "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ",
};
// Folders the host layer's fresh machine has, made here when missing.
const char* const kMachineFolders[] = {
    "C:\\WINDOWS\\SYSTEM", "C:\\Program Files", "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ",
    "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ", "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ",
};

struct WatchedKey {
    HKEY root;
    const char* path;
};
// The keys whose new subkeys a test may leave behind.
const WatchedKey kWatchedKeys[] = {
    {HKEY_CURRENT_USER, ""},
    {HKEY_CURRENT_USER, "Software"},
    {HKEY_LOCAL_MACHINE, "SOFTWARE"},
    {HKEY_CLASSES_ROOT, ""},
};

std::set<std::string> FolderEntries(const std::string& folder) {
    std::set<std::string> names;
    std::string pattern = folder + (folder.back() == '\\' ? "*" : "\\*");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    for (const std::string& name : FolderEntries(path)) RemoveTree(path + "\\" + name);
    RemoveDirectoryA(path.c_str());
}

std::set<std::string> Subkeys(HKEY root, const char* path) {
    std::set<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.insert(name);
    RegCloseKey(key);
    return names;
}

// NT deletes only keys without subkeys: the leaves first.
void DeleteKeyTree(HKEY parent, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[256];
    std::vector<std::string> children;
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) children.push_back(name);
    for (const std::string& child : children) DeleteKeyTree(key, child);
    RegCloseKey(key);
    RegDeleteKeyA(parent, path.c_str());
}

std::map<std::string, std::set<std::string>> folderSnapshot;
std::vector<std::set<std::string>> keySnapshot;
std::set<char> mounted;
std::map<std::string, HANDLE> locks;

std::string Upper(std::string text) {
    CharUpperBuffA(&text[0], (DWORD)text.size());
    return text;
}

}  // namespace

bool RunningOnWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

namespace host {

bool HoldFileOpen(const std::string& windowsPath) {
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HANDLE& held = locks[Upper(windowsPath)];
    if (held) CloseHandle(held);
    held = file;
    return true;
}

bool ReleaseHeldFile(const std::string& windowsPath) {
    auto lock = locks.find(Upper(windowsPath));
    if (lock == locks.end()) return false;
    CloseHandle(lock->second);
    locks.erase(lock);
    return true;
}

void ReleaseAllHeldFiles() {
    for (auto& lock : locks) CloseHandle(lock.second);
    locks.clear();
}

}  // namespace host

void MachineTest::SetUp() {
    for (const char* folder : kMachineFolders) CreateDirectoryA(folder, nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    folderSnapshot.clear();
    for (const char* folder : kWatchedFolders) folderSnapshot[folder] = FolderEntries(folder);
    keySnapshot.clear();
    for (const WatchedKey& watched : kWatchedKeys) keySnapshot.push_back(Subkeys(watched.root, watched.path));
}

void MachineTest::TearDown() {
    host::ReleaseAllHeldFiles();
    SetCurrentDirectoryA("C:\\");
    for (char letter : mounted) {
        char drive[3] = {letter, ':', '\0'};
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, drive, nullptr);
    }
    mounted.clear();
    // The deepest folders first, so that a watched folder a test made goes last.
    for (auto folder = folderSnapshot.rbegin(); folder != folderSnapshot.rend(); ++folder)
        for (const std::string& name : FolderEntries(folder->first))
            if (!folder->second.count(name))
                RemoveTree(folder->first + (folder->first.back() == '\\' ? "" : "\\") + name);
    for (size_t i = 0; i < keySnapshot.size(); ++i) {
        const WatchedKey& watched = kWatchedKeys[i];
        HKEY key;
        if (RegOpenKeyExA(watched.root, watched.path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) continue;
        for (const std::string& name : Subkeys(watched.root, watched.path))
            if (!keySnapshot[i].count(name)) DeleteKeyTree(key, name);
        RegCloseKey(key);
    }
}

std::string MachineTest::Host(const std::string& windowsPath) { return windowsPath; }

void MachineTest::WriteFile(const std::string& windowsPath, const std::string& content) {
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << windowsPath << " error " << GetLastError();
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, content.data(), (DWORD)content.size(), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == content.size()) << windowsPath;
}

std::string MachineTest::ReadFile(const std::string& windowsPath) {
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    // A file held open without sharing is read through the handle that holds it.
    auto lock = locks.find(Upper(windowsPath));
    if (lock != locks.end()) {
        SetFilePointer(lock->second, 0, nullptr, FILE_BEGIN);
        while (::ReadFile(lock->second, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
        return content;
    }
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return content;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

bool MachineTest::Exists(const std::string& windowsPath) {
    return GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string MachineTest::MountDrive(char letter, unsigned long long) {
    std::string dir = std::string("C:\\DRIVE_") + letter;
    CreateDirectoryA(dir.c_str(), nullptr);
    char drive[3] = {letter, ':', '\0'};
    EXPECT_TRUE(DefineDosDeviceA(0, drive, dir.c_str())) << drive << " error " << GetLastError();
    mounted.insert(letter);
    return dir;
}
