// The install wizard's first two pages: validation of the destination, the
// trial creation, free space, the options and the resident skip.
#include <gtest/gtest.h>

#include <cstring>

#include "app/setup_state.h"
#include "platform.h"
#include "support/run_fixture.h"

class WizardTest : public RunTest {};

namespace {

std::string ErrorBox(const std::string& text) {
    return u8"messagebox owner=page 100 caption=\"エラー\" icon=error text=\"" + text + "\" answer=ok";
}

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void SetShellFolder(const char* name, const char* path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)path, (DWORD)strlen(path) + 1), ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace

TEST_F(WizardTest, NextWithoutChangesGoesThroughTheOptions) {
    EXPECT_EQ(Run("press next\npress next\npress cancel\n"), 1);
    EXPECT_TRUE(HasLine(u8"page 100 caption=\"Fooのインストール\" buttons=next,cancel | -1 static"));
    EXPECT_TRUE(HasLine(u8"page 100")) << Transcript();
    EXPECT_NE(Lines("page 100").find(u8"1000 static \"Fooのインストール先を指定してください\" | "
                                     u8"1001 edit \"C:\\\\Program Files\\\\Foo\\\\\""),
              std::string::npos)
        << Transcript();
    EXPECT_NE(Lines("page 107").find(u8"1006 button \"スタートメニューに登録する\" checked | "
                                     u8"1005 button \"デスクトップにショットカットを作成する\""),
              std::string::npos)
        << Transcript();
    EXPECT_TRUE(HasLine("page 103"));
    EXPECT_TRUE(setup.wantStartMenu);
    EXPECT_FALSE(setup.wantDesktop);
    EXPECT_STREQ(setup.installDir, "C:\\Program Files\\Foo\\");
}

TEST_F(WizardTest, BadDestinationsKeepThePageWithTheirMessage) {
    const std::string root = u8"ルートディレクトリにはインストールできません。";
    const std::string drive = u8"「C:\\\\Soft」のように、ドライブ名も含めた正しいパス名を指定してください。";
    struct Case {
        const char* entry;
        std::string message;
    } cases[] = {
        {"", root},
        {"D", root},
        {"D:", root},
        {"D:\\", root},
        {"Program Files\\Foo", drive},
        {"\\\\SERVER\\SHARE\\Foo", drive},
    };
    for (const Case& c : cases) {
        transcript_.str("");
        EXPECT_EQ(Run(std::string("set 1001 ") + c.entry + "\npress next\nanswer ok\npress cancel\n"), 1);
        EXPECT_TRUE(HasLine(ErrorBox(c.message))) << c.entry << "\n" << Transcript();
        EXPECT_FALSE(HasLine("page 107")) << c.entry;
    }
}

TEST_F(WizardTest, TheTrialCreationReportsLevelsThatCannotBeMade) {
    WriteFile("C:\\FILE", "x");
    struct Case {
        const char* entry;
        std::string message;
    } cases[] = {
        {"C:\\FILE\\SUB", u8"C:\\\\FILE - 同じ名前のファイルが既に存在するのでフォルダが作成できません。"},
    };
    for (const Case& c : cases) {
        transcript_.str("");
        EXPECT_EQ(Run(std::string("set 1001 ") + c.entry + "\npress next\nanswer ok\npress cancel\n"), 1);
        EXPECT_TRUE(HasLine(ErrorBox(c.message))) << Transcript();
        EXPECT_FALSE(HasLine("page 107"));
    }
}

TEST_F(WizardTest, TheTrialCreationLeavesTheShallowerLevels) {
    EXPECT_EQ(Run("set 1001 D:\\A\\B\\C\npress next\npress cancel\n"), 1);
    EXPECT_TRUE(Exists("D:\\A\\B"));
    EXPECT_FALSE(Exists("D:\\A\\B\\C"));
    EXPECT_STREQ(setup.installDir, "D:\\A\\B\\C\\");
    EXPECT_TRUE(HasLine("page 107"));
}

TEST_F(WizardTest, ADestinationWithNoRoomForTheSeparatorIsRefused) {
    std::string entry = "C:\\" + std::string(256, 'a');  // 259 bytes
    ASSERT_EQ(entry.size(), 259u);
    EXPECT_EQ(Run("set 1001 " + entry + "\npress next\nanswer ok\npress cancel\n"), 1);
    EXPECT_TRUE(HasLine(ErrorBox(u8"インストール先のパス名が長すぎます。短いパス名を指定してください。"))) << Transcript();
    EXPECT_FALSE(HasLine("page 107"));
    // One byte shorter fits with its separator and goes on to the trial
    // creation, which the platform refuses for a directory that long.
    transcript_.str("");
    EXPECT_EQ(Run("set 1001 " + entry.substr(0, 258) + "\npress next\nanswer ok\npress cancel\n"), 1);
    EXPECT_FALSE(HasLine(ErrorBox(u8"インストール先のパス名が長すぎます。短いパス名を指定してください。")));
    EXPECT_NE(Lines("messagebox").find(u8"のフォルダ作成に失敗しました。"), std::string::npos) << Transcript();
}

TEST_F(WizardTest, LowFreeSpaceAsksAndNoStays) {
    MountDrive('E', 50);
    const std::string question =
        u8"messagebox owner=page 100 caption=\"Foo\" icon=question text=\"指定されたドライブの残り容量が "
        u8"50メガバイトしかありません。かまわずにインストールしますか？\" answer=";
    EXPECT_EQ(Run("set 1001 E:\\Soft\npress next\nanswer no\npress next\nanswer yes\npress cancel\n"), 1);
    EXPECT_EQ(Lines(u8"messagebox"), question + "no\n" + question + "yes\n");
    EXPECT_TRUE(HasLine("page 107"));
}

TEST_F(WizardTest, PlentyOfSpaceAsksNothing) {
    EXPECT_EQ(Run("press next\npress cancel\n"), 1);
    EXPECT_FALSE(HasLine("messagebox"));
}

TEST_F(WizardTest, AResidentProgramSkipsTheOptionsPage) {
    Settings(std::string(kSampleSettings) + "TSR=1\r\n");
    EXPECT_EQ(Run("press next\npress cancel\n"), 1);
    EXPECT_TRUE(HasLine("page 103")) << Transcript();
    EXPECT_FALSE(HasLine("page 107"));
}

TEST_F(WizardTest, BrowsingPutsTheChosenFolderIntoTheField) {
    EXPECT_EQ(Run("press 1002\nfolder C:\\WINDOWS\npress ok\npress cancel\n"), 1);
    EXPECT_TRUE(HasLine(u8"text 1001 \"C:\\\\WINDOWS\\\\\"")) << Transcript();
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, "D:\\MEDIA");
}

TEST_F(WizardTest, BrowsingAndCancellingChangesNothing) {
    EXPECT_EQ(Run("press 1002\nfolder C:\\WINDOWS\npress cancel\npress next\npress cancel\n"), 1);
    EXPECT_FALSE(HasLine("text 1001")) << Transcript();
    EXPECT_STREQ(setup.installDir, "C:\\Program Files\\Foo\\");
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, "D:\\MEDIA");
}

TEST_F(WizardTest, TheOlderShellOffersNoDesktopShortcut) {
    host::Config().newShell = false;
    EXPECT_EQ(Run("press next\ncheck 1006 off\npress next\npress cancel\n"), 1);
    EXPECT_NE(Lines("page 107").find(u8"1005 button \"デスクトップにショットカットを作成する\" disabled"),
              std::string::npos)
        << Transcript();
    EXPECT_FALSE(setup.wantStartMenu);
    EXPECT_FALSE(setup.wantDesktop);
}

TEST_F(WizardTest, SystemFoldersAndTheirAncestorsAreRefused) {
    SetShellFolder("Personal", "C:\\Users\\Me\\Documents");
    // "表" is 0x95 0x5C: the folder's name ends in a trail byte equal to '\'.
    SetShellFolder("Favorites", "C:\\Users\\表");
    const std::string refused = u8"システムのフォルダにはインストールできません。別のフォルダを指定してください。";
    for (const char* entry : {
             "C:\\WINDOWS",
             "c:\\windows\\system\\",
             "C:\\Program Files",
             "C:\\PROGRA~1",
             "C:\\PROGRA~1\\",
             "C:\\Program Files\\..\\WINDOWS",
             u8"C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ",          // a shell folder
             u8"C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ",  // a shell folder that holds another
             "C:\\Users\\Me",                     // the parent of one
             "C:\\USERS",
             u8"C:\\Users\\表",
         }) {
        transcript_.str("");
        EXPECT_EQ(Run(std::string("set 1001 ") + entry + "\npress next\nanswer ok\npress cancel\n"), 1);
        EXPECT_EQ(Lines("messagebox"), ErrorBox(refused) + "\n") << entry << "\n" << Transcript();
        EXPECT_FALSE(HasLine("page 107")) << entry;
    }
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM"));
}

TEST_F(WizardTest, FoldersBesideAndBelowSystemFoldersAreAccepted) {
    // "表計算" begins with 0x95 0x5C: C:\表 is no ancestor of it.
    SetShellFolder("Personal", "C:\\表計算");
    for (const char* entry : {
             "C:\\Program Files\\Foo",
             "C:\\WIN",
             "C:\\WINDOWS\\Foo",
             "C:\\Program",
             u8"C:\\表",
             u8"C:\\ポ",  // 0x83 0x7C: its trail byte is '|'
             u8"C:\\Program Files\\表\\ポ",
         }) {
        transcript_.str("");
        EXPECT_EQ(Run(std::string("set 1001 ") + entry + "\npress next\npress cancel\n"), 1);
        EXPECT_FALSE(HasLine("messagebox")) << entry << "\n" << Transcript();
        EXPECT_TRUE(HasLine("page 107")) << entry;
    }
}

TEST_F(WizardTest, CharactersNoPathMayHoldAreRefused) {
    const std::string refused = u8"フォルダ名に使えない文字（* ? \\\" < > | など）が含まれています。";
    for (const char* entry : {
             "C:\\WIN*",
             "C:\\A?B",
             "C:\\A\"B",
             "C:\\A|B",
             "C:\\A<B",
             "C:\\A>B",
             "C:\\A\x01" "B",
             "C:\\A/B",
             "C:\\A:B",
             "C:\\bad|name\\SUB",
             u8"C:\\表|",
         }) {
        transcript_.str("");
        EXPECT_EQ(Run(std::string("set 1001 ") + entry + "\npress next\nanswer ok\npress cancel\n"), 1);
        EXPECT_EQ(Lines("messagebox"), ErrorBox(refused) + "\n") << entry << "\n" << Transcript();
        EXPECT_FALSE(HasLine("page 107")) << entry;
    }
    EXPECT_FALSE(Exists("C:\\bad|name"));
}
