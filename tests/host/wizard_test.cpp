// The property sheet in wizard form, driven by scripts: page order, the
// notifications that let pages steer it, and how it closes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"
#include "support/machine_fixture.h"
#include "windows/templates.h"

namespace {

// What the test pages saw, and how they are told to behave.
struct PageLog {
    std::vector<std::string> events;  // "INDEX:what" in order
    HWND frame = nullptr;             // the sheet, as GetParent reports it
    int refuseNext = 0;               // page 0 refuses this many Next presses, with a box
    bool jumpToLast = false;          // page 0's Next goes straight to page 2
    bool chain = false;               // page 2 runs a timer and posted-message chain
    int steps = 0;                    // steps the chain has run
};
PageLog gLog;

constexpr int kChainSteps = 5;
constexpr int kStatus = 1008;
constexpr int kBar = 1003;

void Stay(HWND page) {
    SetWindowLongA(page, DWL_MSGRESULT, -1);
}

INT_PTR OnNotify(HWND page, int index, const NMHDR& header) {
    static const struct {
        UINT code;
        const char* name;
    } kNames[] = {{PSN_SETACTIVE, "setactive"}, {PSN_KILLACTIVE, "kill"},   {PSN_WIZNEXT, "next"},
                  {PSN_WIZBACK, "back"},        {PSN_WIZFINISH, "finish"}, {PSN_QUERYCANCEL, "querycancel"},
                  {PSN_RESET, "reset"}};
    for (const auto& name : kNames)
        if (header.code == name.code) gLog.events.push_back(std::to_string(index) + ":" + name.name);
    EXPECT_EQ(header.hwndFrom, gLog.frame);
    switch (header.code) {
        case PSN_SETACTIVE: {
            LPARAM buttons = index == 0 ? PSWIZB_NEXT : index == 1 ? PSWIZB_BACK | PSWIZB_NEXT : 0;
            if (index == 2 && !gLog.chain) buttons = PSWIZB_BACK | PSWIZB_FINISH;
            PostMessageA(gLog.frame, PSM_SETWIZBUTTONS, 0, buttons);
            if (index == 2 && gLog.chain) SetTimer(page, 1, 300, nullptr);
            return FALSE;
        }
        case PSN_WIZNEXT:
            if (index == 0 && gLog.refuseNext > 0) {
                --gLog.refuseNext;
                MessageBoxA(page, "まだです。", nullptr, MB_ICONERROR);
                Stay(page);
                return TRUE;
            }
            if (index == 0 && gLog.jumpToLast) {
                EXPECT_TRUE(SendMessageA(gLog.frame, PSM_SETCURSEL, 2, 0));
                Stay(page);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

// Browse as the destination page does: the chosen folder into the edit field.
void Browse(HWND page) {
    char file[MAX_PATH] = "dummy";
    OPENFILENAMEA record;
    memset(&record, 0, sizeof record);
    record.lStructSize = 76;
    record.hwndOwner = page;
    record.lpstrFile = file;
    record.nMaxFile = sizeof file;
    record.Flags = OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    record.lpTemplateName = MAKEINTRESOURCE(105);
    if (!GetSaveFileNameA(&record)) return;
    file[record.nFileOffset] = 0;
    SetDlgItemTextA(page, 1001, file);
}

// One step of the chain per posted IDOK; Finish when all are done.
void RunStep(HWND page) {
    if (++gLog.steps < kChainSteps) {
        SendDlgItemMessageA(page, kBar, PBM_DELTAPOS, 1, 0);
        PostMessageA(page, WM_COMMAND, IDOK, 0);
        return;
    }
    SendDlgItemMessageA(page, kBar, PBM_DELTAPOS, 1, 0);
    ShowWindow(GetDlgItem(page, kBar), SW_HIDE);
    SetDlgItemTextA(page, kStatus, "終わりました。");
    PostMessageA(gLog.frame, PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
}

INT_PTR CALLBACK TestPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    int index = GetWindowLongA(page, DWL_USER);
    switch (message) {
        case WM_INITDIALOG:
            index = static_cast<int>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongA(page, DWL_USER, index);
            gLog.frame = GetParent(page);
            gLog.events.push_back(std::to_string(index) + ":init");
            if (index == 0) SetWindowTextA(gLog.frame, "テストのインストール");
            if (index == 2) SendDlgItemMessageA(page, kBar, PBM_SETRANGE, 0, MAKELPARAM(0, kChainSteps));
            return TRUE;
        case WM_NOTIFY:
            return OnNotify(page, index, *reinterpret_cast<const NMHDR*>(lParam));
        case WM_TIMER:
            KillTimer(page, wParam);
            PostMessageA(page, WM_COMMAND, IDOK, 0);
            return TRUE;
        case WM_COMMAND:
            if (wParam == IDOK) RunStep(page);
            if (LOWORD(wParam) == 1002 && HIWORD(wParam) == BN_CLICKED) Browse(page);
            return TRUE;
        default:
            return FALSE;
    }
}

host::ControlTemplate Control(int id, const char* className, const char* text, DWORD style, int y) {
    return host::ControlTemplate{id, className, text, 10, y, 150, 12, static_cast<DWORD>(WS_CHILD | WS_VISIBLE | style), 0};
}

host::DialogTemplate Page(int id, std::vector<host::ControlTemplate> controls) {
    return host::DialogTemplate{id, 0, 0, 200, 90, WS_CHILD | WS_CAPTION, "", "ＭＳ Ｐゴシック", 9, controls};
}

class WizardTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        gLog = PageLog();
        host::AddDialogTemplateForTest(Page(9100, {Control(1000, "static", "一頁目", 0, 10), Control(1001, "edit", "C:\\A", WS_TABSTOP, 30)}));
        host::AddDialogTemplateForTest(Page(9101, {Control(1005, "button", "する", BS_AUTOCHECKBOX, 10)}));
        host::AddDialogTemplateForTest(Page(9102, {Control(kStatus, "static", "コピー中", 0, 10),
                                                   Control(kBar, "msctls_progress32", "", 0, 30)}));
    }
    void TearDown() override {
        host::ClearDialogTemplatesForTest();
        MachineTest::TearDown();
    }

    // Runs a three-page wizard as the program sets it up, from these templates.
    INT_PTR RunWizard(const int (&templates)[3]) {
        PROPSHEETPAGEA pages[3];
        for (int i = 0; i < 3; ++i) {
            memset(&pages[i], 0, sizeof pages[i]);
            pages[i].dwSize = 48;
            pages[i].pszTemplate = MAKEINTRESOURCE(templates[i]);
            pages[i].pfnDlgProc = TestPageProc;
            pages[i].lParam = i;
        }
        PROPSHEETHEADERA header;
        memset(&header, 0, sizeof header);
        header.dwSize = 52;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
        header.nPages = 3;
        header.nStartPage = 0;
        header.ppsp = pages;
        return PropertySheetA(&header);
    }
    INT_PTR RunWizard() { return RunWizard({9100, 9101, 9102}); }

    using Events = std::vector<std::string>;
};

TEST_F(WizardTest, NextWalksThePagesInOrderAndFinishCloses) {
    Script("press next\npress next\npress finish\n");
    EXPECT_GT(RunWizard(), 0);
    EXPECT_EQ(gLog.events, (Events{"0:init", "0:setactive", "0:next", "0:kill", "1:init", "1:setactive", "1:next",
                                   "1:kill", "2:init", "2:setactive", "2:finish"}));
    EXPECT_FALSE(IsWindow(gLog.frame));
    std::string transcript = Transcript();
    EXPECT_NE(transcript.find(u8"page 9100 caption=\"テストのインストール\" buttons=next,cancel | 1000 static \"一頁目\" | 1001 edit \"C:\\\\A\"\n"),
              std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("press next\npage 9101 caption="), std::string::npos) << transcript;
    EXPECT_NE(transcript.find(u8"page 9102 caption=\"テストのインストール\" buttons=back,finish,cancel"), std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find("end wizard result="), std::string::npos) << transcript;
}

TEST_F(WizardTest, AnswerMinusOneKeepsThePage) {
    gLog.refuseNext = 1;
    Script("press next\nanswer ok\npress next\npress next\npress finish\n");
    EXPECT_GT(RunWizard(), 0);
    EXPECT_EQ(gLog.events, (Events{"0:init", "0:setactive", "0:next", "0:next", "0:kill", "1:init", "1:setactive",
                                   "1:next", "1:kill", "2:init", "2:setactive", "2:finish"}));
    EXPECT_NE(Transcript().find("messagebox owner=page 9100 caption="), std::string::npos) << Transcript();
}

TEST_F(WizardTest, SetCurSelFromNextSkipsAPage) {
    gLog.jumpToLast = true;
    Script("press next\npress finish\n");
    EXPECT_GT(RunWizard(), 0);
    EXPECT_EQ(gLog.events, (Events{"0:init", "0:setactive", "0:next", "0:kill", "2:init", "2:setactive", "2:finish"}));
    EXPECT_EQ(Transcript().find("page 9101"), std::string::npos);
}

TEST_F(WizardTest, BackReturnsToThePreviousPage) {
    Script("press next\npress back\npress next\npress next\npress finish\n");
    EXPECT_GT(RunWizard(), 0);
    EXPECT_EQ(gLog.events, (Events{"0:init", "0:setactive", "0:next", "0:kill", "1:init", "1:setactive", "1:back",
                                   "1:kill", "0:setactive", "0:next", "0:kill", "1:setactive", "1:next", "1:kill",
                                   "2:init", "2:setactive", "2:finish"}));
}

TEST_F(WizardTest, CancelAsksTheCurrentPageResetsAllAndReturnsZero) {
    Script("press next\npress cancel\n");
    EXPECT_EQ(RunWizard(), 0);
    EXPECT_EQ(gLog.events, (Events{"0:init", "0:setactive", "0:next", "0:kill", "1:init", "1:setactive",
                                   "1:querycancel", "0:reset", "1:reset"}));
}

// The buttons a page posts from PSN_SETACTIVE are in force when the user acts.
TEST_F(WizardTest, ButtonsPostedFromSetActiveTakeEffect) {
    const char* const kRefused[] = {"press back\n", "press finish\n", "press next\npress next\npress next\n"};
    for (const char* script : kRefused) {
        gLog = PageLog();
        Script(script);
        EXPECT_THROW(RunWizard(), host::RunAborted) << script;
        EXPECT_FALSE(IsWindow(gLog.frame)) << script;
    }
}

TEST_F(WizardTest, TimerAndPostedStepsRunToTheEndBeforeTheUserIsAsked) {
    gLog.chain = true;
    gLog.jumpToLast = true;
    Script("press next\npress finish\n");
    EXPECT_GT(RunWizard(), 0);
    EXPECT_EQ(gLog.steps, kChainSteps);
    std::string transcript = Transcript();
    EXPECT_NE(transcript.find(u8"buttons=cancel | 1008 static \"コピー中\" | 1003 msctls_progress32 \"\" pos=0 range=0..5\n"
                              "hide 1003 pos=5 range=0..5\n"
                              "text 1008 \"終わりました。\"\n"
                              "buttons finish,cancel\n"
                              "press finish\n"),
              std::string::npos)
        << transcript;
}

// The program's own templates make pages with the controls they describe.
TEST_F(WizardTest, ResourceScriptTemplatesMakeThePages) {
    Script("press next\npress next\npress finish\n");
    EXPECT_GT(RunWizard({100, 107, 103}), 0);
    std::string transcript = Transcript();
    EXPECT_NE(transcript.find("page 100 caption="), std::string::npos) << transcript;
    EXPECT_NE(transcript.find(u8"| 1001 edit \"\" | 1002 button \"参照(&B)...\""), std::string::npos) << transcript;
    EXPECT_NE(transcript.find(u8"| 1006 button \"スタートメニューに登録する\""), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("| 1003 msctls_progress32 \"Progress1\" pos=0 range=0..5 | 1012 static"), std::string::npos)
        << transcript;
    EXPECT_NE(transcript.find(u8"アプリケーションの追加と削除」を使ってください。\" hidden"), std::string::npos) << transcript;
}

// A page's own button opens the folder dialog over the page; the wizard
// carries on once it has closed.
TEST_F(WizardTest, FolderDialogRunsOverAPage) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Soft", nullptr));
    Script("press 1002\nfolder C:\\Soft\npress ok\npress next\npress next\npress finish\n");
    EXPECT_GT(RunWizard({100, 9101, 9102}), 0);
    EXPECT_NE(Transcript().find("press 1002\ndialog 105 caption="), std::string::npos) << Transcript();
    EXPECT_NE(Transcript().find("folder \"C:\\\\Soft\"\npress ok\nend dialog 105 result=1\n"
                                "text 1001 \"C:\\\\Soft\\\\\"\npress next\n"),
              std::string::npos)
        << Transcript();
}

}  // namespace
