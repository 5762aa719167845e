// The dialog templates the host builds from setup.rc, and the reading of
// resource scripts behind them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/dialog_template.h"
#include "resources/rc_parser.h"

namespace {

// Style bits, by their documented values.
const DWORD kPopup = 0x80000000, kChild = 0x40000000, kVisible = 0x10000000, kDisabled = 0x08000000,
            kCaption = 0x00C00000, kBorder = 0x00800000, kVScroll = 0x00200000, kSysMenu = 0x00080000,
            kGroup = 0x00020000, kTabStop = 0x00010000, kSetFont = 0x40, kModalFrame = 0x80;
const DWORD kPage = kSetFont | kChild | kDisabled | kCaption;
const DWORD kModal = kSetFont | kModalFrame | kPopup | kCaption | kSysMenu;
const DWORD kShown = kChild | kVisible, kHidden = kChild;

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;  // code page 932, as the literals of this file are compiled
    int x, y, width, height;
    DWORD style;
};

struct ExpectedDialog {
    int id;
    int x, y, width, height;
    DWORD style;
    const char* caption;
    std::vector<ExpectedControl> controls;  // in tab order
};

const std::vector<ExpectedDialog>& ProgramDialogs() {
    static const std::vector<ExpectedDialog> dialogs = {
        {100, 0, 0, 227, 101, kPage, "",
         {
             {-1, "static", "古いバージョンが起動されている場合は終了させてから「次へ」を押してください。", 43, 54,
              133, 16, kShown | kGroup},
             {1000, "static", "", 14, 11, 167, 8, kShown | kGroup},
             {1001, "edit", "", 13, 27, 168, 12, kShown | kBorder | kTabStop | 0x80 /* ES_AUTOHSCROLL */},
             {1002, "button", "参照(&B)...", 185, 25, 35, 15, kShown | kTabStop},
             {-1, "static", "注意：", 18, 54, 21, 8, kShown | kGroup},
         }},
        {101, 0, 0, 187, 73, kModal, "",
         {
             {1010, "static", "削除しています...", 9, 16, 168, 16, kShown | kGroup},
             {2, "button", "終了", 67, 48, 50, 15, kShown | kDisabled | kTabStop | 0x1 /* BS_DEFPUSHBUTTON */},
         }},
        {103, 0, 0, 227, 95, kPage, "",
         {
             {1008, "static", "ファイルをコピーしています...", 18, 12, 203, 8, kShown | kGroup},
             {1003, "msctls_progress32", "Progress1", 17, 36, 195, 14, kShown | kBorder},
             {1012, "static",
              "このソフトを削除するにはコントロールパネルの「アプリケーションの追加と削除」を使ってください。", 25,
              59, 177, 16, kHidden | kGroup},
         }},
        {105, 36, 24, 179, 162, kModal, "参照",
         {
             {-1, "static", "フォルダ(&D):", 10, 5, 92, 9, kShown | kGroup},
             {1088, "static", "", 15, 15, 92, 9, kShown | kGroup | 0x80 /* SS_NOPREFIX */},
             {1121, "listbox", "", 10, 31, 92, 76, kShown | kBorder | kVScroll | kTabStop | 0x1053},
             {1091, "static", "ドライブ(&V):", 10, 125, 92, 9, kShown | kGroup},
             {1137, "combobox", "", 10, 135, 92, 68, kShown | kBorder | kVScroll | kTabStop | 0x353},
             {1, "button", "OK", 115, 11, 50, 15, kShown | kGroup | kTabStop | 0x1},
             {2, "button", "ｷｬﾝｾﾙ", 115, 29, 50, 15, kShown | kGroup | kTabStop},
             {1090, "static", "ファイル名(&N):", 110, 81, 15, 9, kHidden | kGroup},
             {1152, "edit", "", 135, 85, 20, 12, kHidden | kBorder | kTabStop | 0x480},
             {1120, "listbox", "", 110, 91, 15, 4, kHidden | kBorder | kVScroll | kTabStop | 0x43},
             {1089, "static", "ファイルの種類(&T):", 110, 105, 20, 9, kHidden | kGroup},
             {1136, "combobox", "", 135, 105, 25, 62, kHidden | kBorder | kVScroll | kTabStop | 0x43},
             {1038, "button", "ﾍﾙﾌﾟ(&H)", 110, 121, 50, 15, kHidden | kGroup | kTabStop},
             {1040, "button", "上書き禁止(&R)", 110, 141, 50, 12, kHidden | kGroup | kTabStop | 0x3},
         }},
        {107, 0, 0, 227, 95, kPage, "",
         {
             {1006, "button", "スタートメニューに登録する", 16, 13, 95, 10, kShown | kTabStop | 0x3},
             {1005, "button", "デスクトップにショットカットを作成する", 16, 32, 125, 10, kShown | kTabStop | 0x3},
         }},
    };
    return dialogs;
}

TEST(ProgramDialogs, AreTheFiveTemplatesWithTheirSizesCaptionsAndFont) {
    ASSERT_EQ(host::DialogTemplates().size(), ProgramDialogs().size());
    for (const ExpectedDialog& expected : ProgramDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        const host::DialogTemplate* dialog = host::FindDialogTemplate(expected.id);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->id, expected.id);
        EXPECT_EQ(dialog->x, expected.x);
        EXPECT_EQ(dialog->y, expected.y);
        EXPECT_EQ(dialog->width, expected.width);
        EXPECT_EQ(dialog->height, expected.height);
        EXPECT_EQ(dialog->style, expected.style);
        EXPECT_EQ(dialog->caption, expected.caption);
        EXPECT_EQ(dialog->fontName, "ＭＳ Ｐゴシック");
        EXPECT_EQ(dialog->fontSize, 9);
    }
    EXPECT_EQ(host::FindDialogTemplate(102), nullptr);  // the icon's number
    EXPECT_EQ(host::FindDialogTemplate(0), nullptr);
}

TEST(ProgramDialogs, ControlsAreThoseDocumentedInTabOrder) {
    for (const ExpectedDialog& expected : ProgramDialogs()) {
        const host::DialogTemplate* dialog = host::FindDialogTemplate(expected.id);
        ASSERT_NE(dialog, nullptr) << expected.id;
        ASSERT_EQ(dialog->controls.size(), expected.controls.size()) << "dialog " << expected.id;
        for (size_t i = 0; i < expected.controls.size(); ++i) {
            const ExpectedControl& want = expected.controls[i];
            const host::ControlTemplate& got = dialog->controls[i];
            SCOPED_TRACE("dialog " + std::to_string(expected.id) + ", control " + std::to_string(i) + " (" +
                         std::to_string(want.id) + ")");
            EXPECT_EQ(got.id, want.id);
            EXPECT_EQ(got.className, want.className);
            EXPECT_EQ(got.text, want.text);
            EXPECT_EQ(got.x, want.x);
            EXPECT_EQ(got.y, want.y);
            EXPECT_EQ(got.width, want.width);
            EXPECT_EQ(got.height, want.height);
            EXPECT_EQ(got.style, want.style) << std::hex << got.style << " != " << want.style;
            EXPECT_EQ(got.exStyle, 0u);
        }
    }
}

TEST(ProgramDialogs, TextsAreCodePage932) {
    const host::DialogTemplate* browse = host::FindDialogTemplate(105);
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->caption, "\x8e\x51\x8f\xc6");                   // 参照
    EXPECT_EQ(browse->controls.at(6).text, "\xb7\xac\xdd\xbe\xd9");  // half-width ｷｬﾝｾﾙ, a byte each
    EXPECT_EQ(browse->fontName, "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
}

// Reads a script whose one include is "ids.h".
bool Parse(const std::string& script, std::vector<host::DialogTemplate>* dialogs, std::string* error,
           const std::string& header = "") {
    auto include = [&](const std::string& name, std::string* text) {
        if (name != "ids.h") return false;
        *text = header;
        return true;
    };
    return host::ParseResourceScript("test.rc", script, include, dialogs, error);
}

// One control statement in a dialog of its own; its style, or 0 on an error.
DWORD StyleOf(const std::string& statement, std::string* className = nullptr) {
    std::vector<host::DialogTemplate> dialogs;
    std::string error;
    if (!Parse("1 DIALOG 0, 0, 10, 10\nBEGIN\n" + statement + "\nEND\n", &dialogs, &error)) {
        ADD_FAILURE() << statement << ": " << error;
        return 0;
    }
    if (dialogs.size() != 1 || dialogs[0].controls.size() != 1) {
        ADD_FAILURE() << statement << ": not one control";
        return 0;
    }
    if (className) *className = dialogs[0].controls[0].className;
    return dialogs[0].controls[0].style;
}

TEST(ResourceScript, ControlStatementsGetTheirDefaultStyles) {
    struct Case {
        const char* statement;
        const char* className;
        DWORD style;
    } cases[] = {
        {"LTEXT \"t\", 5, 1, 2, 3, 4", "static", kShown | kGroup},
        {"RTEXT \"t\", 5, 1, 2, 3, 4", "static", kShown | kGroup | 0x2},
        {"CTEXT \"t\", 5, 1, 2, 3, 4", "static", kShown | kGroup | 0x1},
        {"PUSHBUTTON \"t\", 5, 1, 2, 3, 4", "button", kShown | kTabStop},
        {"DEFPUSHBUTTON \"t\", 5, 1, 2, 3, 4", "button", kShown | kTabStop | 0x1},
        {"CHECKBOX \"t\", 5, 1, 2, 3, 4", "button", kShown | kTabStop | 0x2},
        {"AUTOCHECKBOX \"t\", 5, 1, 2, 3, 4", "button", kShown | kTabStop | 0x3},
        {"GROUPBOX \"t\", 5, 1, 2, 3, 4", "button", kShown | 0x7},
        {"EDITTEXT 5, 1, 2, 3, 4", "edit", kShown | kBorder | kTabStop},
        {"LISTBOX 5, 1, 2, 3, 4", "listbox", kShown | kBorder | 0x1},
        {"COMBOBOX 5, 1, 2, 3, 4", "combobox", kShown | kTabStop | 0x1},
        {"ICON 102, 5, 1, 2", "static", kShown | 0x3},
        {"CONTROL \"t\", 5, \"Msctls_Progress32\", 0, 1, 2, 3, 4", "msctls_progress32", kShown},
        {"CONTROL \"t\", 5, BUTTON, 0x3, 1, 2, 3, 4", "button", kShown | 0x3},
    };
    for (const Case& c : cases) {
        std::string className;
        EXPECT_EQ(StyleOf(c.statement, &className), c.style) << c.statement;
        EXPECT_EQ(className, c.className) << c.statement;
    }
}

// As windres builds them into SETUP.EXE: given styles add to the defaults,
// except that text statements then lose WS_GROUP and COMBOBOX its defaults.
TEST(ResourceScript, GivenStylesAddToTheDefaultsAndNotRemovesBits) {
    struct Case {
        const char* statement;
        DWORD style;
    } cases[] = {
        {"EDITTEXT 5, 1, 2, 3, 4, ES_AUTOHSCROLL", kShown | kBorder | kTabStop | 0x80},
        {"EDITTEXT 5, 1, 2, 3, 4, ES_AUTOHSCROLL | NOT WS_BORDER", kShown | kTabStop | 0x80},
        {"LTEXT \"t\", 5, 1, 2, 3, 4, NOT WS_VISIBLE", kHidden},
        {"LTEXT \"t\", 5, 1, 2, 3, 4, WS_GROUP | NOT WS_VISIBLE", kHidden | kGroup},
        {"LTEXT \"t\", 5, 1, 2, 3, 4, SS_NOPREFIX", kShown | 0x80},
        {"COMBOBOX 5, 1, 2, 3, 4, CBS_DROPDOWN", kShown | 0x2},
        {"DEFPUSHBUTTON \"t\", 5, 1, 2, 3, 4, WS_DISABLED", kShown | kDisabled | kTabStop | 0x1},
        {"AUTOCHECKBOX \"t\", 5, 1, 2, 3, 4, NOT WS_TABSTOP | WS_GROUP", kShown | kGroup | 0x3},
        {"LISTBOX 5, 1, 2, 3, 4, NOT LBS_NOTIFY | WS_VSCROLL", kShown | kBorder | kVScroll},
        {"CONTROL \"t\", 5, \"static\", NOT WS_VISIBLE | SS_NOPREFIX, 1, 2, 3, 4", kHidden | 0x80},
        {"CONTROL \"t\", 5, \"static\", (0x10 | 0x20) | 0x1, 1, 2, 3, 4", kShown | 0x31},
    };
    for (const Case& c : cases) EXPECT_EQ(StyleOf(c.statement), c.style) << c.statement;
}

TEST(ResourceScript, DialogHeadsGiveStyleCaptionAndFont) {
    std::vector<host::DialogTemplate> dialogs;
    std::string error;
    ASSERT_TRUE(Parse(u8"1 DIALOG 1, 2, 3, 4\nBEGIN\nEND\n"
                      u8"2 DIALOG MOVEABLE PURE DISCARDABLE 0, 0, 5, 5\nSTYLE WS_CHILD\nCAPTION \"a\"\"b\"\n"
                      u8"FONT 8, \"Tahoma\"\nBEGIN\nEND\n"
                      u8"3 DIALOGEX 0, 0, 5, 5, 77\nSTYLE WS_POPUP | WS_CAPTION | NOT WS_POPUP\n"
                      u8"FONT 9, \"ＭＳ ゴシック\", 400, 0, 0x80\n"
                      u8"{\n LTEXT \"x\", 1, 0, 0, 1, 1, NOT WS_GROUP, WS_EX_CLIENTEDGE, 5\n}\n",
                      &dialogs, &error))
        << error;
    ASSERT_EQ(dialogs.size(), 3u);
    // Without STYLE, a bordered popup with a system menu; no FONT, no DS_SETFONT.
    EXPECT_EQ(dialogs[0].style, kPopup | kBorder | kSysMenu);
    EXPECT_EQ(dialogs[0].x + dialogs[0].y + dialogs[0].width + dialogs[0].height, 10);
    EXPECT_EQ(dialogs[0].fontSize, 0);
    // CAPTION adds WS_CAPTION and FONT adds DS_SETFONT to what STYLE says.
    EXPECT_EQ(dialogs[1].style, kChild | kCaption | kSetFont);
    EXPECT_EQ(dialogs[1].caption, "a\"b");
    EXPECT_EQ(dialogs[1].fontName, "Tahoma");
    EXPECT_EQ(dialogs[1].fontSize, 8);
    EXPECT_EQ(dialogs[2].style, kCaption | kSetFont);
    EXPECT_EQ(dialogs[2].fontName, "ＭＳ ゴシック");
    ASSERT_EQ(dialogs[2].controls.size(), 1u);
    EXPECT_EQ(dialogs[2].controls[0].style, kShown);
    EXPECT_EQ(dialogs[2].controls[0].exStyle, 0x200u);
}

TEST(ResourceScript, NamesComeFromDefinesAndTheIncludedHeader) {
    std::vector<host::DialogTemplate> dialogs;
    std::string error;
    ASSERT_TRUE(Parse("#pragma code_page(65001)\n#include <windows.h>\n#include \"ids.h\"\n"
                      "#define LOCAL_ID (IDD_FIRST + 1) // a comment\n"
                      "#ifdef IDD_FIRST\n#define SEEN 1\n#else\n#define SEEN 2\n#endif\n"
                      "#ifndef IDOK\n#define SEEN_OK 0\n#else\n#define SEEN_OK 9\n#endif\n"
                      "/* a comment\n over lines */\n"
                      "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n"
                      "IDI_ICON ICON \"setup.ico\"\n"
                      "LOCAL_ID DIALOG 0, 0, 5, 5\nBEGIN\n"
                      "  PUSHBUTTON \"t\", IDC_BUTTON, SEEN, SEEN_OK, 1, 1\n"
                      "  PUSHBUTTON \"t\", IDCANCEL, -1, 0x10, 1, 1\n"
                      "  LTEXT \"t\", IDC_STATIC, 0, 0, 1, 1\n"
                      "END\n",
                      &dialogs, &error,
                      "#pragma once\n// ids\n#define IDD_FIRST 200\n#define IDC_BUTTON 0x3E9L\n#define IDI_ICON 7\n"))
        << error;
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].id, 201);
    ASSERT_EQ(dialogs[0].controls.size(), 3u);
    EXPECT_EQ(dialogs[0].controls[0].id, 1001);
    EXPECT_EQ(dialogs[0].controls[0].x, 1);
    EXPECT_EQ(dialogs[0].controls[0].y, 9);
    EXPECT_EQ(dialogs[0].controls[1].id, 2);
    EXPECT_EQ(dialogs[0].controls[1].x, -1);
    EXPECT_EQ(dialogs[0].controls[1].y, 16);
    EXPECT_EQ(dialogs[0].controls[2].id, -1);
}

TEST(ResourceScript, AnythingNotReadIsAnErrorWithItsLine) {
    struct Case {
        const char* script;
        const char* error;
    } cases[] = {
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  LTEXT \"t\", 1, 0, 0, 1, 1, WS_NOSUCH\nEND\n", "test.rc:3: unknown name WS_NOSUCH"},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  RADIOBUTTON \"t\", 1, 0, 0, 1, 1\nEND\n", "test.rc:3: control statement RADIOBUTTON"},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  LTEXT \"t\", 1, 0, 0, 1, 1\n", "test.rc:4: "},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  LTEXT \"t\", 1, 0, 0, 1\nEND\n", "test.rc:4: ',' expected before END"},
        {"1 DIALOG 0, 0, 5, 5\nEXSTYLE WS_EX_TOPMOST\nBEGIN\nEND\n", "test.rc:2: EXSTYLE is not read"},
        {"1 DIALOG 0, 0, 5, 5\nMENU 3\nBEGIN\nEND\n", "test.rc:2: MENU is not read"},
        {"1 MENU\nBEGIN\nEND\n", "test.rc:1: resource type MENU is not read"},
        {"STRINGTABLE\nBEGIN\nEND\n", "test.rc:1: unknown name STRINGTABLE"},
        {"#include \"missing.h\"\n", "test.rc:1: cannot read missing.h"},
        {"#if 1\n#endif\n", "test.rc:1: #if is not read"},
        {"#pragma code_page(932)\n", "test.rc:1: only #pragma code_page(65001)"},
        {"#define F(x) x\n", "test.rc:1: macros with parameters"},
        {"#ifdef X\n", "#ifdef without #endif"},
        {"1 DIALOG 0, 0, 5, 5\nCAPTION \"open\nBEGIN\nEND\n", "test.rc:2: text without its closing quote"},
        {"1 DIALOG 0, 0, 5, 5\nCAPTION \"\\q\"\nBEGIN\nEND\n", "test.rc:2: unknown escape"},
        {u8"1 DIALOG 0, 0, 5, 5\nCAPTION \"\U0001F600\"\nBEGIN\nEND\n", "test.rc:2: a text with no code page 932 form"},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\nEND\n1 DIALOG 0, 0, 5, 5\nBEGIN\nEND\n", "test.rc:4: dialog 1 given twice"},
        {"0 DIALOG 0, 0, 5, 5\nBEGIN\nEND\n", "test.rc:1: resource number out of range"},
        {"1 DIALOG 0, 0, 5, 5 /* open\nBEGIN\nEND\n", "test.rc:1: comment without its end"},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  LTEXT \"t\", 1, 0, 0, 1, 1, NOT\nEND\n", "test.rc:4: "},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  LTEXT \"t\", 1, 0, 0, 1, 1; x\nEND\n", "test.rc:3: unexpected character ';'"},
        {"1 DIALOG 0, 0, 5, 5\nBEGIN\n  EDITTEXT 1, 0, 0, 1, 1, ES_LEFT\n  TEXT\nEND\n", "test.rc:4: control statement TEXT"},
        {"#include \"ids.h\"\n", "ids.h:1: only preprocessor lines are read from a header"},
        {"#define LOOP LOOP\n1 DIALOG 0, 0, 5, 5\nBEGIN\n  LTEXT \"t\", LOOP, 0, 0, 1, 1\nEND\n", "refers to itself"},
    };
    for (const Case& c : cases) {
        std::vector<host::DialogTemplate> dialogs;
        std::string error;
        EXPECT_FALSE(Parse(c.script, &dialogs, &error, "int x;\n")) << c.script;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.script << "\ngave: " << error;
        EXPECT_TRUE(dialogs.empty()) << c.script;
    }
}

}  // namespace
