// Uninstalling: the hand-off from the installed copy, the removal run and
// its messages, and the deferred deletion of the copy.
#include <gtest/gtest.h>

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
    ASSERT_TRUE(host::LockFile("C:\\Program Files\\Foo\\FOO.EXE"));
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

TEST_F(UninstallTest, AnInstallationAtADriveRootNeverWalksTheDrive) {
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
