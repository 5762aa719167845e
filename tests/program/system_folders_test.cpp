// Telling the system's own folders, and the folders that hold them, from the
// folders a product may use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform.h"
#include "support/machine_fixture.h"
#include "text/system_folders.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

void SetValue(HKEY root, const char* path, const char* name, const std::string& data, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, (const BYTE*)data.c_str(), (DWORD)data.size() + 1), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string ShortPath(const char* path) {
    char out[MAX_PATH];
    DWORD length = GetShortPathNameA(path, out, sizeof out);
    EXPECT_TRUE(length > 0 && length < sizeof out) << path;
    return length > 0 && length < sizeof out ? out : "";
}

struct Case {
    std::string path;
    bool isSystem;
};

void ExpectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(IsSystemFolderOrAncestor(c.path.c_str()) != FALSE, c.isSystem) << c.path;
}

}  // namespace

class SystemFoldersTest : public MachineTest {};

TEST_F(SystemFoldersTest, WindowsSystemAndProgramFilesDirectoriesAndTheirAncestors) {
    ExpectAll({
        {"C:\\", true},
        {"C:\\WINDOWS", true},
        {"c:\\windows\\", true},
        {"C:\\WINDOWS\\SYSTEM", true},
        {"C:\\WINDOWS\\.\\SYSTEM\\", true},
        {"C:\\Program Files\\", true},
        {"C:\\Program Files\\Foo\\..", true},
        {"C:\\WIN", false},
        {"C:\\WINDOWS\\SYSTEM\\Foo", false},
        {"C:\\WINDOWSX", false},
        {"C:\\Program Files\\Foo\\", false},
        {"D:\\", false},
        {"D:\\WINDOWS", false},
    });
}

TEST_F(SystemFoldersTest, ProgramFilesIsTakenFromTheRegistryAndFromTheWindowsDrive) {
    SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", "E:\\Apps");
    ExpectAll({
        {"E:\\Apps\\", true},
        {"E:\\", true},
        {"C:\\Program Files", true},
        {"E:\\Apps\\Foo\\", false},
        {"E:\\Program Files", false},
    });
}

TEST_F(SystemFoldersTest, EveryShellFolderOfTheUserAndOfAllUsersCounts) {
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Fonts", "C:\\FONTS");
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Personal", "E:\\My Documents\\");
    SetValue(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop", "F:\\All Users\\Desktop");
    // Neither a path nor a text: they name no folder.
    SetValue(HKEY_CURRENT_USER, kShellFolders, "!Do not use this registry key", "Use the shell functions");
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Binary", "G:\\BINARY", REG_BINARY);
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Network", "\\\\SERVER\\SHARE\\Docs");
    ExpectAll({
        {"C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ", true},
        {"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\ｽﾀｰﾄｱｯﾌﾟ\\", true},
        {"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\Foo", false},
        {"C:\\fonts", true},
        {"E:\\My Documents", true},
        {"E:\\My Documents\\Letters", false},
        {"E:\\My", false},
        {"F:\\ALL USERS", true},
        {"F:\\All Users\\Desktop\\", true},
        {"F:\\All Users\\Start Menu", false},
        {"G:\\BINARY", false},
        {"C:\\Use the shell functions", false},
        {"D:\\", false},
    });
}

TEST_F(SystemFoldersTest, LevelsAreWholeCharactersOfCodePage932) {
    // 表 is 0x95 0x5C and ソ 0x83 0x5C: their second byte is the backslash's value.
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Personal", "E:\\文書\\表");
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Favorites", "E:\\表計算");
    ExpectAll({
        {"E:\\文書\\表", true},
        {"E:\\文書\\表\\", true},
        {"E:\\文書", true},
        {"E:\\表計算\\", true},
        {"E:\\表", false},
        {"E:\\表\\", false},
        {"E:\\文書\\表ソ", false},
    });
}

TEST_F(SystemFoldersTest, ShortFormsOfExistingLevelsDoNotGetAroundTheCheck) {
    ASSERT_TRUE(CreateDirectoryA("C:\\My Stuff", nullptr));
    SetValue(HKEY_CURRENT_USER, kShellFolders, "Personal", "C:\\My Stuff\\Documents");  // not made yet
    const std::string programFiles = ShortPath("C:\\Program Files");
    const std::string startMenu = ShortPath("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ");
    const std::string myStuff = ShortPath("C:\\My Stuff");
    ASSERT_NE(programFiles, "C:\\Program Files");
    ASSERT_NE(myStuff, "C:\\My Stuff");
    ExpectAll({
        {programFiles, true},
        {programFiles + "\\", true},
        {startMenu, true},
        {myStuff, true},
        {myStuff + "\\Documents", true},
        {myStuff + "\\Other", false},
    });
}
