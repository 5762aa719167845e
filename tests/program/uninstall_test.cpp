// Uninstalling: the hand-off from the installed copy, the removal run and
// its messages, and the deferred deletion of the copy.
#include <gtest/gtest.h>

#include <cstring>

#include "app/setup_state.h"
#include "dde/progman.h"
#include "kernel/file_sharing.h"
#include "platform.h"
#include "support/run_fixture.h"

namespace {

const char kInstalled[] = "C:\\Program Files\\Foo\\SETUP.EXE";
const char kCopy[] = "C:\\WINDOWS\\SYSTEM\\SETUP.EXE";
const char kRemovalCommand[] = "x C:\\Program Files\\Foo\\SETUP.EXE";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo";
const char kRemovedLine[] = u8"text 1010 \"Fooは正常に削除されました。\"";
const char kRemainLine[] =
    u8"text 1010 \"C:\\\\Program Files\\\\Foo\\\\ にはまだファイルが残っています。後で削除してください。\"";

bool KeyExists(HKEY root, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The pending deletions of an NT machine, as one line per file.
std::string PendingDeletions() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return "";
    char pending[1024] = "";
    DWORD size = sizeof pending - 2;
    LONG result = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, (LPBYTE)pending, &size);
    RegCloseKey(key);
    std::string lines;
    if (result != ERROR_SUCCESS) return lines;
    for (const char* p = pending; p < pending + size && *p; p += strlen(p) + 2) lines += std::string(p) + "\n";
    return lines;
}

void SetUninstallString(const char* value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "UninstallString", 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

const char kNotInstalled[] =
    u8"messagebox owner=none caption=\"エラー\" icon=error text=\"このプログラムはインストールされたものではありません。"
    u8"アンインストールはコントロールパネルの「アプリケーションの追加と削除」から行ってください。\" answer=ok\n";

void SetShellFolder(HKEY root, const char* name, const char* path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)path, (DWORD)strlen(path) + 1), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string Error(const std::string& text) {
    return u8"messagebox owner=dialog 101 caption=\"エラー\" icon=error text=\"" + text + "\" answer=ok\n";
}

}  // namespace

class UninstallTest : public RunTest {
  protected:
    // Installs the product (entries FOO.EXE and DATA\A.DAT, a group, a Reg
    // entry) and clears the transcript.
    void Install(const std::string& extra = "",
                 const std::string& script = "press next\ncheck 1005 on\npress next\npress finish\n") {
        Settings(std::string(kSampleSettings) + extra + "[Group]\r\n1=App,FOO.EXE\r\n2=Data,DATA\\A.DAT\r\n" +
                 "[Reg]\r\n1=HKEY_CURRENT_USER\\Software\\FooSoft\r\n");
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\FooSoft\\Settings", 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(Run(script), 1);
        ASSERT_TRUE(Exists(kInstalled));
        transcript_.str("");
    }
    // The removal run as the hand-off starts it.
    int Remove(const std::string& script) {
        if (!Exists(kCopy)) {
            EXPECT_TRUE(CopyFileA(kInstalled, kCopy, FALSE));
        }
        return RunAt(kCopy, script, kRemovalCommand);
    }
};

TEST_F(UninstallTest, TheRequestAsksCopiesAndStartsTheCopy) {
    Install();
    EXPECT_EQ(RunAt(kInstalled, "answer ok\n", "/r"), 1);
    EXPECT_EQ(Lines("messagebox"),
              u8"messagebox owner=none caption=\"Foo\" icon=information text=\"Fooを削除します。\" answer=ok\n");
    EXPECT_TRUE(HasLine(u8"start \"C:\\\\WINDOWS\\\\SYSTEM\\\\SETUP.EXE\" \"x C:\\\\Program Files\\\\Foo\\\\SETUP.EXE\""))
        << Transcript();
    EXPECT_TRUE(Exists(kCopy));
}

TEST_F(UninstallTest, CancelAtTheQuestionChangesNothing) {
    Install("TSR=1\r\n", "press next\npress finish\n");
    EXPECT_EQ(RunAt(kInstalled, "answer cancel\n", "/r"), 1);
    EXPECT_TRUE(HasLine(u8"messagebox owner=none caption=\"Foo\" icon=information text=\"Fooを削除します。"
                        u8"まだ常駐している場合は、今すぐ終了させてからOKボタンを押してください。\" answer=cancel"));
    EXPECT_FALSE(HasLine("start "));
    EXPECT_FALSE(Exists(kCopy));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(UninstallTest, TheRemovalTakesEverythingAndSchedulesItsOwnDeletion) {
    Install();
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_TRUE(HasLine(kRemovedLine)) << Transcript();
    EXPECT_FALSE(HasLine("messagebox"));
    EXPECT_FALSE(Exists("C:\\Program Files\\Foo"));
    EXPECT_TRUE(Exists("C:\\Program Files"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\FooSoft"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\Foo"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\Foo.lnk"));
    // The copy is gone at the next restart.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    char pending[512];
    DWORD size = sizeof pending;
    EXPECT_EQ(RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, (LPBYTE)pending, &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_STREQ(pending, "\\??\\C:\\WINDOWS\\SYSTEM\\SETUP.EXE");
}

TEST_F(UninstallTest, FilesTheUserAddedAreAskedAbout) {
    Install();
    WriteFile("C:\\Program Files\\Foo\\MINE.TXT", "mine");
    EXPECT_EQ(Remove("answer no\nanswer ok\npress 2\n"), 1);
    EXPECT_EQ(ReadFile("C:\\Program Files\\Foo\\MINE.TXT"), "mine");
    EXPECT_TRUE(HasLine(Error(u8"C:\\\\Program Files\\\\Foo - ディレクトリの削除に失敗しました").substr(0, 40)));
    EXPECT_TRUE(HasLine(kRemainLine)) << Transcript();
    // The registration and the shortcuts go all the same.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\Foo.lnk"));
}

TEST_F(UninstallTest, TheMainProgramStillRunningStopsTheRemoval) {
    Install();
    ASSERT_TRUE(host::HoldFileOpen("C:\\Program Files\\Foo\\FOO.EXE"));
    EXPECT_EQ(Remove("answer ok\nanswer ok\npress 2\n"), 1);
    EXPECT_EQ(Lines("messagebox"),
              Error(u8"C:\\\\Program Files\\\\Foo\\\\FOO.EXEの削除に失敗しました。このファイルをスキップして処理を続行します。") +
                  Error(u8"C:\\\\Program Files\\\\Foo\\\\FOO.EXE の削除に失敗しました。Fooを終了して、"
                        u8"もう一度アンインストールをやり直してください。"));
    EXPECT_TRUE(HasLine(kRemainLine));
    // What the next attempt needs is still there.
    EXPECT_FALSE(Exists("C:\\Program Files\\Foo\\DATA\\A.DAT"));
    EXPECT_TRUE(Exists("C:\\Program Files\\Foo\\SETUP.INF"));
    EXPECT_TRUE(Exists(kInstalled));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(Exists("C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\Foo.lnk"));
    // Once the product has ended, the uninstall runs again from the start.
    ASSERT_TRUE(host::ReleaseHeldFile("C:\\Program Files\\Foo\\FOO.EXE"));
    transcript_.str("");
    EXPECT_EQ(RunAt(kInstalled, "answer ok\n", "/r"), 1);
    EXPECT_TRUE(HasLine("start ")) << Transcript();
    transcript_.str("");
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_TRUE(HasLine(kRemovedLine)) << Transcript();
    EXPECT_FALSE(Exists("C:\\Program Files\\Foo"));
}

TEST_F(UninstallTest, AnotherFileThatStaysIsSkippedAskedAboutAndReported) {
    Install();
    ASSERT_TRUE(SetFileAttributesA("C:\\Program Files\\Foo\\DATA\\A.DAT", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Remove("answer ok\nanswer yes\nanswer ok\nanswer ok\npress 2\n"), 1);
    const std::string skipped =
        u8"C:\\\\Program Files\\\\Foo\\\\DATA\\\\A.DATの削除に失敗しました。このファイルをスキップして処理を続行します。";
    EXPECT_EQ(Lines("messagebox"),
              Error(skipped) +
                  u8"messagebox owner=dialog 101 caption=\"Foo\" icon=question text=\"C:\\\\Program Files\\\\Foo\\\\"
                  u8"DATA\\\\A.DAT - このファイルを削除してもいいですか？\" answer=yes\n" +
                  Error(skipped) + Error(u8"C:\\\\Program Files\\\\Foo\\\\DATA - ディレクトリの削除に失敗しました"));
    EXPECT_TRUE(HasLine(kRemainLine));
    EXPECT_FALSE(Exists(kInstalled));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(UninstallTest, RegEntriesThatNameNoKeyOfOursAreRefused) {
    Settings(std::string(kSampleSettings) +
             "[Reg]\r\n1=HKEY_USERS\\Software\\Foo\r\n2=HKEY_CURRENT_USER\r\n3=HKEY_LOCAL_MACHINE\\\r\n"
             "4=hkey_current_user\\Software\\FooSoft\r\n5=HKEY_CURRENT_USER\\Software\\FooSoft\\Sub\r\n");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\FooSoft\\Sub\\Deeper", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(Run("press next\npress next\npress finish\n"), 1);
    transcript_.str("");
    EXPECT_EQ(Remove("answer ok\nanswer ok\nanswer ok\nanswer ok\npress 2\n"), 1);
    std::string wrong = Error(u8"Regセクションがおかしいです。");
    EXPECT_EQ(Lines("messagebox"), wrong + wrong + wrong + wrong);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\FooSoft\\Sub"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\FooSoft"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM"));
}

TEST_F(UninstallTest, KeysThatOthersShareAreNeverDeleted) {
    struct Case {
        HKEY root;
        const char* rootName;
        const char* subkey;
    } shared[] = {
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "software\\"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SYSTEM"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Control Panel"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Control Panel\\Desktop"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\\\Microsoft\\Windows"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER",
         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Control\\Session Manager"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes\\CLSID"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "CLSID"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "Interface"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "*"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "Directory"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "exefile"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "txtfile"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", ".txt"},
    }, own[] = {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software\\FooSoft"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\FOO.EXE"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", ".foo"},
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "CLSID\\{F0000000-0000-0000-0000-000000000001}"},
    };
    std::string list = "[Reg]\r\n";
    int n = 0;
    for (const Case& c : shared) list += std::to_string(++n) + "=" + c.rootName + "\\" + c.subkey + "\r\n";
    for (const Case& c : own) list += std::to_string(++n) + "=" + c.rootName + "\\" + c.subkey + "\r\n";
    // The key a value names, with its empty levels left out.
    auto marker = [](const Case& c) {
        std::string path;
        for (const char* p = c.subkey; *p; ++p)
            if (*p != '\\' || (!path.empty() && path.back() != '\\')) path += *p;
        if (!path.empty() && path.back() == '\\') path.pop_back();
        return path + "\\Marker";
    };
    // Each key holds a subkey of its own, which the deletion would take along.
    auto make = [&](const Case& c) {
        HKEY key;
        std::string path = marker(c);
        ASSERT_EQ(RegCreateKeyExA(c.root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS) << path;
        RegCloseKey(key);
    };
    for (const Case& c : shared) make(c);
    for (const Case& c : own) make(c);
    Settings(std::string(kSampleSettings) + list);
    ASSERT_EQ(Run("press next\npress next\npress finish\n"), 1);
    transcript_.str("");
    std::string answers;
    for (size_t i = 0; i < sizeof shared / sizeof shared[0]; ++i) answers += "answer ok\n";
    EXPECT_EQ(Remove(answers + "press 2\n"), 1);
    std::string wrong;
    for (size_t i = 0; i < sizeof shared / sizeof shared[0]; ++i) wrong += Error(u8"Regセクションがおかしいです。");
    EXPECT_EQ(Lines("messagebox"), wrong);
    for (const Case& c : shared)
        EXPECT_TRUE(KeyExists(c.root, marker(c).c_str())) << c.rootName << "\\" << c.subkey;
    for (const Case& c : own) EXPECT_FALSE(KeyExists(c.root, c.subkey)) << c.rootName << "\\" << c.subkey;
    EXPECT_TRUE(HasLine(kRemovedLine)) << Transcript();
}

// A file entry's destination stays inside the destination directory: a
// vendor's "..\..\WINDOWS\WIN.INI" neither writes over it nor, on removal,
// deletes it.
TEST_F(UninstallTest, FileEntriesNeverReachOutsideTheDestination) {
    const char kWinIni[] = "C:\\WINDOWS\\WIN.INI";
    WriteFile(kWinIni, "[windows]\r\n");
    const char* outside[] = {
        "..\\..\\WINDOWS\\WIN.INI",      "DATA\\..\\..\\..\\WINDOWS\\WIN.INI", "../../WINDOWS/WIN.INI",
        "C:\\WINDOWS\\WIN.INI",           ". .\\WINDOWS\\WIN.INI",              "...\\WINDOWS\\WIN.INI",
        "..\\..\\WINDOWS\\WIN?.INI",    "WIN.INI:stream",
    };
    std::string entries, answers, errors;
    int n = 2;
    for (const char* destination : outside) {
        entries += std::to_string(++n) + "=FOO.EXE," + destination + "\r\n";
        answers += "answer ok\n";
        errors += u8"messagebox owner=page 103 caption=\"エラー\" icon=error text=\"FOO.EXE - "
                  u8"インストール先のフォルダの外を指しているため処理できません。\" answer=ok\n";
    }
    Settings(std::string(kSampleSettings) + entries);
    ASSERT_EQ(Run("press next\npress next\n" + answers + "press finish\n"), 1);
    EXPECT_EQ(Lines("messagebox"), errors);
    EXPECT_TRUE(HasLine(u8"text 1008 \"エラーがありました。")) << Transcript();
    EXPECT_EQ(ReadFile(kWinIni), "[windows]\r\n");
    transcript_.str("");
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_FALSE(HasLine("messagebox")) << Transcript();
    EXPECT_EQ(ReadFile(kWinIni), "[windows]\r\n");
    EXPECT_FALSE(Exists("C:\\Program Files\\Foo"));
}

TEST_F(UninstallTest, AnInstallationAtADriveRootNeverWalksTheDrive) {
    SetUninstallString("\"C:\\SETUP.EXE\" /r");
    WriteFile("C:\\SETUP.EXE", "");
    ASSERT_TRUE(CopyFileA("D:\\MEDIA\\SETUP.EXE", "C:\\SETUP.EXE", FALSE));
    ASSERT_TRUE(CopyFileA("D:\\MEDIA\\SETUP.INF", "C:\\SETUP.INF", FALSE));
    ASSERT_TRUE(CopyFileA("D:\\MEDIA\\SETUP.EXE", kCopy, FALSE));
    WriteFile("C:\\AUTOEXEC.BAT", "");
    EXPECT_EQ(RunAt(kCopy, "press 2\n", "x C:\\SETUP.EXE"), 1);
    EXPECT_FALSE(HasLine("messagebox")) << Transcript();
    EXPECT_TRUE(HasLine(u8"text 1010 \"C:\\\\ にはまだファイルが残っています。後で削除してください。\""));
    EXPECT_TRUE(Exists("C:\\AUTOEXEC.BAT"));
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM"));
}

TEST_F(UninstallTest, AShellFolderInsideTheProductsFolderIsNeverWalked) {
    struct Case {
        HKEY root;
        const char* name;
        const char* folder;
        bool withFile;
    } cases[] = {
        {HKEY_CURRENT_USER, "Personal", "C:\\Program Files\\Foo\\DOCS", true},
        {HKEY_CURRENT_USER, "Personal", "C:\\Program Files\\Foo\\EMPTY", false},  // not taken silently either
        {HKEY_LOCAL_MACHINE, "Common Documents", "C:\\Program Files\\Foo\\SHARED", true},
    };
    for (const Case& c : cases) {
        Install();
        const std::string folder = c.folder;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        if (c.withFile) WriteFile(folder + "\\LETTER.TXT", "the user's");
        SetShellFolder(c.root, c.name, c.folder);
        EXPECT_EQ(Remove("press 2\n"), 1);
        EXPECT_FALSE(HasLine("messagebox")) << folder << "\n" << Transcript();
        EXPECT_TRUE(HasLine(kRemainLine)) << folder;
        EXPECT_TRUE(Exists(folder));
        if (c.withFile) {
            EXPECT_EQ(ReadFile(folder + "\\LETTER.TXT"), "the user's");
        }
        // The product's own files, registration and shortcuts go as always.
        EXPECT_FALSE(Exists(kInstalled));
        EXPECT_FALSE(Exists("C:\\Program Files\\Foo\\FOO.EXE"));
        EXPECT_FALSE(Exists("C:\\Program Files\\Foo\\DATA\\A.DAT"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(Exists("C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\Foo.lnk"));
        SetShellFolder(c.root, c.name, "C:\\ELSEWHERE");
    }
}

TEST_F(UninstallTest, AnInstallationInASystemFolderNeverWalksIt) {
    struct Case {
        const char* dir;
        const char* shown;
    } cases[] = {
        {"C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\", u8"C:\\\\WINDOWS\\\\ﾃﾞｽｸﾄｯﾌﾟ\\\\"},
        {"C:\\WINDOWS\\", "C:\\\\WINDOWS\\\\"},
        {"C:\\PROGRA~1\\", "C:\\\\PROGRA~1\\\\"},
    };
    for (const Case& c : cases) {
        transcript_.str("");
        const std::string dir = c.dir, installed = dir + "SETUP.EXE";
        SetUninstallString(("\"" + installed + "\" /r").c_str());
        ASSERT_TRUE(CopyFileA("D:\\MEDIA\\SETUP.EXE", installed.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA("D:\\MEDIA\\SETUP.INF", (dir + "SETUP.INF").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA("D:\\MEDIA\\SETUP.EXE", kCopy, FALSE));
        WriteFile(dir + "MINE.TXT", "the user's");
        EXPECT_EQ(RunAt(kCopy, "press 2\n", "x " + installed), 1);
        EXPECT_FALSE(HasLine("messagebox")) << dir << "\n" << Transcript();
        EXPECT_TRUE(HasLine(std::string(u8"text 1010 \"") + c.shown +
                            u8" にはまだファイルが残っています。後で削除してください。\""))
            << Transcript();
        EXPECT_FALSE(Exists(installed)) << dir;
        EXPECT_EQ(ReadFile(dir + "MINE.TXT"), "the user's") << dir;
    }
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM"));
    EXPECT_TRUE(Exists("C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ"));
}

TEST_F(UninstallTest, ARemovalWithoutItsSettingsFileEndsAtOnce) {
    Install();
    ASSERT_TRUE(DeleteFileA("C:\\Program Files\\Foo\\SETUP.INF"));
    EXPECT_EQ(Remove("answer ok\n"), 1);
    EXPECT_EQ(Lines("messagebox"), u8"messagebox owner=none caption=\"エラー\" icon=error "
                                   u8"text=\"設定ファイルが壊れているか、または見つかりません。\" answer=ok\n");
    EXPECT_TRUE(Exists(kInstalled));
}

TEST_F(UninstallTest, UnderTheOlderShellTheGroupsGoOverDde) {
    host::Config().newShell = false;
    Install("", "press next\npress next\npress finish\n");
    EXPECT_EQ(host::ProgmanGroups().size(), 2u);  // Program Manager's Startup group and the product's
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_EQ(Lines("dde "),
              u8"dde \"[DeleteGroup(\\\"Foo\\\",0)]\" result=ok\n"
              u8"dde \"[DeleteGroup(\\\"Foo\\\",0)]\" result=failed\n"
              u8"dde \"[ShowGroup(\\\"スタートアップ\\\",1)]\" result=ok\n"
              u8"dde \"[DeleteItem(\\\"Foo\\\")]\" result=failed\n")
        << Transcript();
    EXPECT_TRUE(HasLine(kRemovedLine));
    for (const host::ProgmanGroup& group : host::ProgmanGroups()) EXPECT_NE(group.name, "Foo");
}

// Program Manager acts on its active group: after the Startup group cannot
// be shown, that is another product's group, whose item of the same caption
// stays.
TEST_F(UninstallTest, WithoutAStartupGroupNoItemIsDeletedAnywhere) {
    host::Config().newShell = false;
    Install("", "press next\npress next\npress finish\n");
    ASSERT_TRUE(host::ProgmanExecute("[DeleteGroup(\"スタートアップ\")][CreateGroup(Bar)][AddItem(BAR.EXE,Foo)]"));
    transcript_.str("");
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_EQ(Lines("dde "),
              u8"dde \"[DeleteGroup(\\\"Foo\\\",0)]\" result=ok\n"
              u8"dde \"[DeleteGroup(\\\"Foo\\\",0)]\" result=failed\n"
              u8"dde \"[ShowGroup(\\\"スタートアップ\\\",1)]\" result=failed\n")
        << Transcript();
    EXPECT_FALSE(HasLine("messagebox"));
    EXPECT_TRUE(HasLine(kRemovedLine));
    ASSERT_EQ(host::ProgmanGroups().size(), 1u);
    EXPECT_EQ(host::ProgmanGroups()[0].name, "Bar");
    EXPECT_EQ(host::ProgmanGroups()[0].items.size(), 1u);
}

TEST_F(UninstallTest, AnAbsentProgramManagerIsNoError) {
    host::Config().newShell = false;
    Install("", "press next\npress next\npress finish\n");
    host::Config().progman = false;
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_TRUE(HasLine(kRemovedLine)) << Transcript();
}

TEST_F(UninstallTest, TheStartMenuFolderLosesWhatCanGoAndStaysSilentlyOtherwise) {
    Install();
    const std::string folder = "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\Foo\\";
    WriteFile(folder + "MINE.LNK", "the user's own");
    ASSERT_TRUE(CreateDirectoryA((folder + "SUB").c_str(), nullptr));
    EXPECT_EQ(Remove("press 2\n"), 1);
    EXPECT_FALSE(HasLine("messagebox")) << Transcript();
    EXPECT_FALSE(Exists(folder + "MINE.LNK"));
    EXPECT_FALSE(Exists(folder + "App.lnk"));
    EXPECT_TRUE(Exists(folder + "SUB"));
    EXPECT_TRUE(HasLine(kRemovedLine));
}

// Windows NT keeps a SETUP.EXE of its own in the system directory.
TEST_F(UninstallTest, AnotherProgramOfTheCopysNameIsNeverOverwrittenNorDeleted) {
    Install();
    WriteFile(kCopy, "another vendor's setup");
    EXPECT_EQ(RunAt(kInstalled, "answer ok\n", "/r"), 1);
    EXPECT_EQ(ReadFile(kCopy), "another vendor's setup");
    const char kFreeName[] = "C:\\WINDOWS\\SYSTEM\\SETUP1.EXE";
    ASSERT_TRUE(Exists(kFreeName));
    EXPECT_TRUE(HasLine(u8"start \"C:\\\\WINDOWS\\\\SYSTEM\\\\SETUP1.EXE\" \"x C:\\\\Program Files\\\\Foo\\\\SETUP.EXE\""))
        << Transcript();
    transcript_.str("");
    EXPECT_EQ(RunAt(kFreeName, "press 2\n", kRemovalCommand), 1);
    EXPECT_TRUE(HasLine(kRemovedLine)) << Transcript();
    EXPECT_EQ(PendingDeletions(), "\\??\\C:\\WINDOWS\\SYSTEM\\SETUP1.EXE\n");
    EXPECT_EQ(ReadFile(kCopy), "another vendor's setup");
}

TEST_F(UninstallTest, ACopyOfThisProgramLeftFromAnEarlierRemovalIsReused) {
    Install();
    ASSERT_TRUE(CopyFileA(kInstalled, kCopy, FALSE));
    EXPECT_EQ(RunAt(kInstalled, "answer ok\n", "/r"), 1);
    EXPECT_TRUE(HasLine(u8"start \"C:\\\\WINDOWS\\\\SYSTEM\\\\SETUP.EXE\"")) << Transcript();
    EXPECT_FALSE(Exists("C:\\WINDOWS\\SYSTEM\\SETUP1.EXE"));
}

TEST_F(UninstallTest, ACopyThatCannotBeWrittenStartsNothing) {
    Install();
    host::Config().drives['C'].freeMb = 0;
    ASSERT_TRUE(host::SaveConfig());
    EXPECT_EQ(RunAt(kInstalled, "answer ok\nanswer ok\n", "/r"), 1);
    EXPECT_FALSE(HasLine("start ")) << Transcript();
    EXPECT_TRUE(HasLine(u8"messagebox owner=none caption=\"エラー\" icon=error text=\"アンインストール用プログラムの"
                        u8"起動に失敗しました。手動で削除してください。\""))
        << Transcript();
    EXPECT_FALSE(Exists(kCopy));
}

// Only the program file the uninstall registration names may remove the
// product: the media's copy, or any other, must not delete what is beside it.
TEST_F(UninstallTest, OnlyTheRegisteredProgramFileUninstalls) {
    EXPECT_EQ(Run("answer ok\n", "/r"), 1);  // nothing installed at all
    EXPECT_EQ(Lines("messagebox"), kNotInstalled);
    Install();
    struct Case {
        const char* program;
        const char* commandLine;
    } refused[] = {
        {"D:\\MEDIA\\SETUP.EXE", "/r"},
        {"D:\\MEDIA\\SETUP.EXE", "x D:\\MEDIA\\SETUP.EXE"},
        {kCopy, "x D:\\MEDIA\\SETUP.EXE"},
    };
    ASSERT_TRUE(CopyFileA(kInstalled, kCopy, FALSE));
    for (const Case& c : refused) {
        transcript_.str("");
        EXPECT_EQ(RunAt(c.program, "answer ok\n", c.commandLine), 1);
        EXPECT_EQ(Lines("messagebox"), kNotInstalled) << c.program << " " << c.commandLine;
        EXPECT_FALSE(HasLine("start ")) << Transcript();
        EXPECT_FALSE(HasLine("dialog ")) << Transcript();
    }
    EXPECT_EQ(ReadFile("D:\\MEDIA\\FOO.EXE"), "foo program");
    EXPECT_TRUE(Exists("D:\\MEDIA\\SETUP.INF"));
    EXPECT_EQ(PendingDeletions(), "");
    // Letter case does not matter, as on Windows.
    SetUninstallString("\"c:\\PROGRAM FILES\\foo\\setup.exe\" /r");
    transcript_.str("");
    EXPECT_EQ(RunAt(kInstalled, "answer ok\n", "/r"), 1);
    EXPECT_TRUE(HasLine("start ")) << Transcript();
}

// A removal run from anywhere but the system directory is no hand-off copy:
// it never schedules its own file for deletion.
TEST_F(UninstallTest, OnlyTheHandOffCopyDeletesItself) {
    Install();
    EXPECT_EQ(Run("press 2\n", kRemovalCommand), 1);
    EXPECT_TRUE(HasLine(kRemovedLine)) << Transcript();
    EXPECT_EQ(PendingDeletions(), "");
    EXPECT_TRUE(Exists("D:\\MEDIA\\SETUP.EXE"));
}
