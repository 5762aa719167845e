// Dialogs, the message queue and timers, the folder picker, and scripts
// that do not fit what is on screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform.h"
#include "support/machine_fixture.h"
#include "windows/templates.h"

namespace {

constexpr int kDialog = 9200;
constexpr int kEdit = 1001;
constexpr int kBox = 1005;
constexpr int kDisabledBox = 1006;
constexpr int kClose = IDCANCEL;  // disabled until the chain has run
constexpr UINT kStepMessage = WM_USER + 50;
constexpr int kChainSteps = 4;

// What the test dialog saw, and how it is told to behave.
struct DialogLog {
    HWND dialog = nullptr;      // the dialog, from WM_INITDIALOG
    bool chain = false;         // run a timer and posted-message chain first
    int steps = 0;              // steps the chain has run
    const char* preset = nullptr;  // text the program puts in the edit field
    int edits = 0;              // EN_CHANGE notifications
    int clicks = 0;             // BN_CLICKED from the check box
    std::string text;           // the edit field's text when OK was pressed
    UINT checked = 0;           // the check box when OK was pressed
};
DialogLog gLog;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            gLog.dialog = dialog;
            if (lParam) SendDlgItemMessageA(dialog, kEdit, EM_LIMITTEXT, lParam, 0);
            if (gLog.preset) SetDlgItemTextA(dialog, kEdit, gLog.preset);
            if (gLog.chain) SetTimer(dialog, 1, 300, nullptr);
            return TRUE;
        case WM_TIMER:
            KillTimer(dialog, wParam);
            PostMessageA(dialog, kStepMessage, 0, 0);
            return TRUE;
        case kStepMessage:
            if (++gLog.steps < kChainSteps) PostMessageA(dialog, kStepMessage, 0, 0);
            else EnableWindow(GetDlgItem(dialog, kClose), TRUE);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == kEdit && HIWORD(wParam) == EN_CHANGE) ++gLog.edits;
            if (LOWORD(wParam) == kBox && HIWORD(wParam) == BN_CLICKED) ++gLog.clicks;
            if (LOWORD(wParam) == IDOK) {
                char text[64];
                GetDlgItemTextA(dialog, kEdit, text, sizeof text);
                gLog.text = text;
                gLog.checked = IsDlgButtonChecked(dialog, kBox);
                EndDialog(dialog, 7);
            }
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 5);
            return TRUE;
        default:
            return FALSE;
    }
}

host::ControlTemplate Control(int id, const char* className, const char* text, DWORD style, int y) {
    return host::ControlTemplate{id, className, text, 10, y, 100, 12, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | style), 0};
}

class WindowsTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        gLog = DialogLog();
        host::AddDialogTemplateForTest(host::DialogTemplate{
            kDialog, 0, 0, 160, 100, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, "テスト", "ＭＳ Ｐゴシック", 9,
            {Control(-1, "static", "名前：", 0, 5), Control(kEdit, "edit", "", WS_TABSTOP, 15),
             Control(kBox, "button", "する", BS_AUTOCHECKBOX, 30),
             Control(kDisabledBox, "button", "しない", BS_AUTOCHECKBOX | WS_DISABLED, 45),
             Control(IDOK, "button", "OK", BS_DEFPUSHBUTTON, 60),
             Control(kClose, "button", "閉じる", WS_DISABLED, 75)}});
    }
    void TearDown() override {
        host::ClearDialogTemplatesForTest();
        MachineTest::TearDown();
    }

    INT_PTR RunDialog(LPARAM limit = 0) {
        return DialogBoxParamA(nullptr, MAKEINTRESOURCE(kDialog), nullptr, TestDialogProc, limit);
    }
};

TEST_F(WindowsTest, TimerChainRunsBeforeTheUserAndEndDialogSetsTheResult) {
    gLog.chain = true;
    Script("press cancel\n");  // refused while Close is still disabled
    EXPECT_EQ(RunDialog(), 5);
    EXPECT_EQ(gLog.steps, kChainSteps);
    EXPECT_FALSE(IsWindow(gLog.dialog));
    EXPECT_NE(Transcript().find(u8"dialog 9200 caption=\"テスト\" | -1 static \"名前：\" | 1001 edit \"\" | "
                                u8"1005 button \"する\" | 1006 button \"しない\" disabled | 1 button \"OK\" | "
                                u8"2 button \"閉じる\" disabled\n"
                                "enable 2\npress cancel\nend dialog 9200 result=5\n"),
              std::string::npos)
        << Transcript();
}

TEST_F(WindowsTest, EditLimitCutsTypedTextOnly) {
    struct Case {
        LPARAM limit;
        const char* preset;
        const char* script;  // UTF-8
        const char* kept;    // code page 932
    } cases[] = {
        {0, nullptr, "set 1001 ABCDEFGH\npress ok\n", "ABCDEFGH"},
        {5, nullptr, "set 1001 ABCDEFGH\npress ok\n", "ABCDE"},
        {5, nullptr, u8"set 1001 アイウ\npress ok\n", "アイ"},  // no half character
        {3, nullptr, u8"set 1001 aアイ\npress ok\n", "aア"},
        {4, nullptr, "set 1001  two  \npress ok\n", " two"},  // blanks are text
        {5, "1234567890", "press ok\n", "1234567890"},       // the program's own text is not cut
    };
    for (const Case& c : cases) {
        gLog = DialogLog();
        gLog.preset = c.preset;
        Script(c.script);
        EXPECT_EQ(RunDialog(c.limit), 7) << c.script;
        EXPECT_EQ(gLog.text, c.kept) << c.script;
        EXPECT_GE(gLog.edits, 1) << c.script;
    }
}

TEST_F(WindowsTest, CheckSetsTheBoxOnceAndTellsTheDialog) {
    Script("check 1005 on\ncheck 1005 on\npress ok\n");
    EXPECT_EQ(RunDialog(), 7);
    EXPECT_EQ(gLog.checked, (UINT)BST_CHECKED);
    EXPECT_EQ(gLog.clicks, 1);
    EXPECT_NE(Transcript().find("check 1005 on\ncheck 1005 on\npress ok\n"), std::string::npos) << Transcript();
}

TEST_F(WindowsTest, ScriptsThatDoNotFitTheScreenEndTheRun) {
    struct Case {
        const char* script;
        const char* reason;
    } cases[] = {
        {"press 2\n", "button 2 is disabled"},
        {"press 9999\n", "no button 9999"},
        {"set 9999 x\n", "no control 9999"},
        {"check 1001 on\n", "no check box"},
        {"check 1006 on\n", "control 1006 is disabled"},
        {"answer yes\n", "no message box"},
        {"folder C:\\\n", "no folder dialog"},
        {"press next\n", "no wizard buttons"},
        {"jump 3\n", "not an action"},
        {"", "script ran out while waiting at dialog 9200"},
    };
    for (const Case& c : cases) {
        gLog = DialogLog();
        Script(c.script);
        try {
            RunDialog();
            ADD_FAILURE() << "no abort for " << c.script;
        } catch (const host::RunAborted& aborted) {
            EXPECT_NE(std::string(aborted.what()).find(c.reason), std::string::npos) << aborted.what();
        }
        EXPECT_FALSE(IsWindow(gLog.dialog)) << c.script;
    }
}

class FolderDialogTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryA("C:\\Soft", nullptr));
        ASSERT_TRUE(CreateDirectoryA("C:\\Soft\\App", nullptr));
        ASSERT_TRUE(CreateDirectoryA("C:\\ソフト", nullptr));  // a trail byte 0x5C in the name
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    }

    // Browses as the destination page does: template 105, "dummy" as the file name.
    BOOL Browse(DWORD flags, DWORD size = MAX_PATH) {
        strcpy(file_, "dummy");
        memset(&record_, 0, sizeof record_);
        record_.lStructSize = 76;
        record_.lpstrFilter = "*.*\0*.*\0";
        record_.nFilterIndex = 1;
        record_.lpstrFile = file_;
        record_.nMaxFile = size;
        record_.Flags = OFN_ENABLETEMPLATE | flags;
        record_.lpTemplateName = MAKEINTRESOURCE(105);
        return GetSaveFileNameA(&record_);
    }
    std::string Current() {
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        return current;
    }

    char file_[MAX_PATH];
    OPENFILENAMEA record_;
};

TEST_F(FolderDialogTest, ReturnsTheFolderAndFileNameAndKeepsTheDirectoryWhenAsked) {
    struct Case {
        const char* script;  // UTF-8
        DWORD flags;
        BOOL result;
        const char* file;  // code page 932
        WORD offset;
        const char* current;
    } cases[] = {
        {"press ok\n", OFN_NOCHANGEDIR, TRUE, "C:\\dummy", 3, "C:\\"},
        {"folder C:\\Soft\\App\npress ok\n", OFN_NOCHANGEDIR, TRUE, "C:\\Soft\\App\\dummy", 12, "C:\\"},
        {"folder Soft\npress ok\n", 0, TRUE, "C:\\Soft\\dummy", 8, "C:\\Soft"},
        {u8"folder C:\\ソフト\npress ok\n", OFN_NOCHANGEDIR, TRUE, "C:\\ソフト\\dummy", 10, "C:\\"},
        {"folder C:\\Soft\npress cancel\n", OFN_NOCHANGEDIR, FALSE, "dummy", 0, "C:\\"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
        Script(c.script);
        EXPECT_EQ(Browse(c.flags), c.result) << c.script;
        EXPECT_STREQ(file_, c.file) << c.script;
        if (c.result) {
            EXPECT_EQ(record_.nFileOffset, c.offset) << c.script;
        }
        EXPECT_EQ(CommDlgExtendedError(), 0u) << c.script;
        EXPECT_EQ(Current(), c.current) << c.script;
    }
    EXPECT_NE(Transcript().find(u8"dialog 105 caption=\"参照\" | -1 static \"フォルダ(&D):\" | 1088 static \"C:\\\\\" | "),
              std::string::npos)
        << Transcript();
    EXPECT_NE(Transcript().find("folder \"C:\\\\Soft\\\\App\"\npress ok\nend dialog 105 result=1\n"), std::string::npos)
        << Transcript();
}

TEST_F(FolderDialogTest, RefusesAMissingFolderAndATooSmallBuffer) {
    Script("folder C:\\Nowhere\n");
    EXPECT_THROW(Browse(OFN_NOCHANGEDIR), host::RunAborted);
    EXPECT_EQ(Current(), "C:\\");

    Script("folder C:\\Soft\\App\npress ok\n");
    EXPECT_FALSE(Browse(OFN_NOCHANGEDIR, 12));
    EXPECT_EQ(CommDlgExtendedError(), (DWORD)FNERR_BUFFERTOOSMALL);
}

}  // namespace
