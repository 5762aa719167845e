// The host's reading of setup.rc: dialog templates in the form windres, which
// builds SETUP.EXE, gives them, so that both builds show the same dialogs.
//
// Read: #pragma code_page(65001) and once, #include, #define (object-like),
// #undef, #ifdef/#ifndef/#else/#endif; LANGUAGE; ICON resources (skipped);
// DIALOG and DIALOGEX with STYLE, CAPTION, FONT, LANGUAGE, CHARACTERISTICS,
// VERSION; the controls LTEXT, RTEXT, CTEXT, PUSHBUTTON, DEFPUSHBUTTON,
// CHECKBOX, AUTOCHECKBOX, GROUPBOX, EDITTEXT, LISTBOX, COMBOBOX, ICON and
// CONTROL. Anything else is an error, never skipped.
#include "resources/rc_parser.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "core/codepage.h"
#include "program_registration.h"

namespace host {

namespace {

// Names a script may use without defining them: documented values of the
// platform headers.
struct Constant {
    const char* name;
    DWORD value;
};

const Constant kConstants[] = {
    {"WS_OVERLAPPED", 0x00000000}, {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000},
    {"WS_MINIMIZE", 0x20000000}, {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000},
    {"WS_CLIPSIBLINGS", 0x04000000}, {"WS_CLIPCHILDREN", 0x02000000},
    {"WS_MAXIMIZE", 0x01000000}, {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000},
    {"WS_DLGFRAME", 0x00400000}, {"WS_VSCROLL", 0x00200000}, {"WS_HSCROLL", 0x00100000},
    {"WS_SYSMENU", 0x00080000}, {"WS_THICKFRAME", 0x00040000}, {"WS_GROUP", 0x00020000},
    {"WS_TABSTOP", 0x00010000}, {"WS_MINIMIZEBOX", 0x00020000}, {"WS_MAXIMIZEBOX", 0x00010000},
    {"WS_EX_DLGMODALFRAME", 0x00000001}, {"WS_EX_NOPARENTNOTIFY", 0x00000004},
    {"WS_EX_TOPMOST", 0x00000008}, {"WS_EX_TRANSPARENT", 0x00000020},
    {"WS_EX_TOOLWINDOW", 0x00000080}, {"WS_EX_WINDOWEDGE", 0x00000100},
    {"WS_EX_CLIENTEDGE", 0x00000200}, {"WS_EX_CONTROLPARENT", 0x00010000},
    {"WS_EX_STATICEDGE", 0x00020000},
    {"DS_ABSALIGN", 0x0001}, {"DS_SYSMODAL", 0x0002}, {"DS_3DLOOK", 0x0004},
    {"DS_FIXEDSYS", 0x0008}, {"DS_NOFAILCREATE", 0x0010}, {"DS_LOCALEDIT", 0x0020},
    {"DS_SETFONT", 0x0040}, {"DS_MODALFRAME", 0x0080}, {"DS_NOIDLEMSG", 0x0100},
    {"DS_SETFOREGROUND", 0x0200}, {"DS_CONTROL", 0x0400}, {"DS_CENTER", 0x0800},
    {"DS_CENTERMOUSE", 0x1000}, {"DS_CONTEXTHELP", 0x2000},
    {"SS_LEFT", 0x0000}, {"SS_CENTER", 0x0001}, {"SS_RIGHT", 0x0002}, {"SS_ICON", 0x0003},
    {"SS_BLACKRECT", 0x0004}, {"SS_GRAYRECT", 0x0005}, {"SS_WHITERECT", 0x0006},
    {"SS_BLACKFRAME", 0x0007}, {"SS_GRAYFRAME", 0x0008}, {"SS_WHITEFRAME", 0x0009},
    {"SS_SIMPLE", 0x000B}, {"SS_LEFTNOWORDWRAP", 0x000C}, {"SS_ETCHEDHORZ", 0x0010},
    {"SS_ETCHEDVERT", 0x0011}, {"SS_ETCHEDFRAME", 0x0012}, {"SS_NOPREFIX", 0x0080},
    {"SS_NOTIFY", 0x0100}, {"SS_CENTERIMAGE", 0x0200}, {"SS_SUNKEN", 0x1000},
    {"ES_LEFT", 0x0000}, {"ES_CENTER", 0x0001}, {"ES_RIGHT", 0x0002}, {"ES_MULTILINE", 0x0004},
    {"ES_UPPERCASE", 0x0008}, {"ES_LOWERCASE", 0x0010}, {"ES_PASSWORD", 0x0020},
    {"ES_AUTOVSCROLL", 0x0040}, {"ES_AUTOHSCROLL", 0x0080}, {"ES_NOHIDESEL", 0x0100},
    {"ES_OEMCONVERT", 0x0400}, {"ES_READONLY", 0x0800}, {"ES_WANTRETURN", 0x1000},
    {"ES_NUMBER", 0x2000},
    {"BS_PUSHBUTTON", 0x0000}, {"BS_DEFPUSHBUTTON", 0x0001}, {"BS_CHECKBOX", 0x0002},
    {"BS_AUTOCHECKBOX", 0x0003}, {"BS_RADIOBUTTON", 0x0004}, {"BS_3STATE", 0x0005},
    {"BS_AUTO3STATE", 0x0006}, {"BS_GROUPBOX", 0x0007}, {"BS_AUTORADIOBUTTON", 0x0009},
    {"BS_OWNERDRAW", 0x000B}, {"BS_LEFTTEXT", 0x0020}, {"BS_ICON", 0x0040},
    {"BS_BITMAP", 0x0080}, {"BS_LEFT", 0x0100}, {"BS_RIGHT", 0x0200}, {"BS_CENTER", 0x0300},
    {"BS_TOP", 0x0400}, {"BS_BOTTOM", 0x0800}, {"BS_VCENTER", 0x0C00},
    {"BS_PUSHLIKE", 0x1000}, {"BS_MULTILINE", 0x2000}, {"BS_NOTIFY", 0x4000},
    {"BS_FLAT", 0x8000},
    {"LBS_NOTIFY", 0x0001}, {"LBS_SORT", 0x0002}, {"LBS_NOREDRAW", 0x0004},
    {"LBS_MULTIPLESEL", 0x0008}, {"LBS_OWNERDRAWFIXED", 0x0010},
    {"LBS_OWNERDRAWVARIABLE", 0x0020}, {"LBS_HASSTRINGS", 0x0040},
    {"LBS_USETABSTOPS", 0x0080}, {"LBS_NOINTEGRALHEIGHT", 0x0100},
    {"LBS_MULTICOLUMN", 0x0200}, {"LBS_WANTKEYBOARDINPUT", 0x0400},
    {"LBS_EXTENDEDSEL", 0x0800}, {"LBS_DISABLENOSCROLL", 0x1000}, {"LBS_NODATA", 0x2000},
    {"LBS_NOSEL", 0x4000}, {"LBS_STANDARD", 0x00A00003},
    {"CBS_SIMPLE", 0x0001}, {"CBS_DROPDOWN", 0x0002}, {"CBS_DROPDOWNLIST", 0x0003},
    {"CBS_OWNERDRAWFIXED", 0x0010}, {"CBS_OWNERDRAWVARIABLE", 0x0020},
    {"CBS_AUTOHSCROLL", 0x0040}, {"CBS_OEMCONVERT", 0x0080}, {"CBS_SORT", 0x0100},
    {"CBS_HASSTRINGS", 0x0200}, {"CBS_NOINTEGRALHEIGHT", 0x0400},
    {"CBS_DISABLENOSCROLL", 0x0800}, {"CBS_UPPERCASE", 0x2000}, {"CBS_LOWERCASE", 0x4000},
    {"PBS_SMOOTH", 0x01}, {"PBS_VERTICAL", 0x04},
    {"IDOK", 1}, {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4}, {"IDIGNORE", 5},
    {"IDYES", 6}, {"IDNO", 7}, {"IDC_STATIC", 0xFFFFFFFF},
    {"LANG_NEUTRAL", 0x00}, {"LANG_ENGLISH", 0x09}, {"LANG_JAPANESE", 0x11},
    {"SUBLANG_NEUTRAL", 0x00}, {"SUBLANG_DEFAULT", 0x01}, {"SUBLANG_ENGLISH_US", 0x01},
};

const DWORD kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsPopup = 0x80000000,
            kWsBorder = 0x00800000, kWsSysMenu = 0x00080000, kWsCaption = 0x00C00000,
            kDsSetFont = 0x0040, kWsGroup = 0x00020000, kWsTabStop = 0x00010000;

// A control statement. With no styles of its own a control gets `defaults`;
// with styles, `base` | styles, as windres builds them. The two differ for
// the text statements (no WS_GROUP) and COMBOBOX (nothing) only. Every
// control is WS_CHILD | WS_VISIBLE unless NOT says otherwise.
struct ControlKind {
    const char* keyword;
    const char* className;
    bool hasText;  // a text before the id
    DWORD defaults;
    DWORD base;
};

const ControlKind kControlKinds[] = {
    {"LTEXT", "static", true, 0x0000 | kWsGroup, 0x0000},
    {"RTEXT", "static", true, 0x0002 | kWsGroup, 0x0002},
    {"CTEXT", "static", true, 0x0001 | kWsGroup, 0x0001},
    {"PUSHBUTTON", "button", true, 0x0000 | kWsTabStop, 0x0000 | kWsTabStop},
    {"DEFPUSHBUTTON", "button", true, 0x0001 | kWsTabStop, 0x0001 | kWsTabStop},
    {"CHECKBOX", "button", true, 0x0002 | kWsTabStop, 0x0002 | kWsTabStop},
    {"AUTOCHECKBOX", "button", true, 0x0003 | kWsTabStop, 0x0003 | kWsTabStop},
    {"GROUPBOX", "button", true, 0x0007, 0x0007},
    {"EDITTEXT", "edit", false, kWsBorder | kWsTabStop, kWsBorder | kWsTabStop},
    {"LISTBOX", "listbox", false, 0x0001 | kWsBorder, 0x0001 | kWsBorder},
    {"COMBOBOX", "combobox", false, 0x0001 | kWsTabStop, 0},
};

// Class names CONTROL may give without quotes.
const char* const kBareClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX", "SCROLLBAR"};

const char* const kMemoryOptions[] = {"MOVEABLE", "FIXED",      "PURE",       "IMPURE",
                                      "PRELOAD",  "LOADONCALL", "DISCARDABLE"};

const int kMaxIncludeDepth = 8;
const int kMaxMacroDepth = 16;

struct ParseError {
    std::string message;
};

std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return out;
}

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return out;
}

struct Token {
    enum Kind { kEnd, kName, kNumber, kString, kPunct } kind = kEnd;
    std::string text;  // the name, the punctuation, or a string's UTF-8 contents
    DWORD number = 0;
    int line = 0;

    bool Is(const char* punct) const { return kind == kPunct && text == punct; }
    // Keywords are not case-sensitive.
    bool IsKeyword(const char* keyword) const { return kind == kName && Upper(text) == keyword; }
};

// What the files of one script share: its #defines and the include reader.
struct Context {
    const IncludeReader* include;
    std::map<std::string, std::string> macros;  // name -> replacement text
    int includeDepth = 0;
    int macroDepth = 0;
};

// Splits a text into tokens, carrying out the preprocessor lines on the way.
class Lexer {
  public:
    // With `directives` false the text is a macro body: no # lines. With
    // `headerOnly`, the text may hold nothing but # lines.
    Lexer(std::string name, std::string text, Context* context, bool directives, bool headerOnly,
          int line = 1)
        : name_(std::move(name)),
          text_(std::move(text)),
          context_(context),
          directives_(directives),
          headerOnly_(headerOnly),
          line_(line) {}

    Token Next() {
        for (;;) {
            SkipBlanks();
            if (pos_ >= text_.size()) {
                if (!conditions_.empty()) Fail(line_, "#ifdef without #endif");
                return Token{Token::kEnd, "", 0, line_};
            }
            if (atLineStart_ && text_[pos_] == '#' && directives_) {
                Directive();
                continue;
            }
            if (Skipping()) {
                SkipLine();
                continue;
            }
            atLineStart_ = false;
            Token token = Lex();
            if (headerOnly_) Fail(token.line, "only preprocessor lines are read from a header");
            return token;
        }
    }

    const std::string& name() const { return name_; }

    [[noreturn]] void Fail(int line, const std::string& what) const {
        throw ParseError{name_ + ":" + std::to_string(line) + ": " + what};
    }

  private:
    bool Skipping() const {
        for (bool active : conditions_)
            if (!active) return true;
        return false;
    }

    // Spaces, line ends and comments; notes when a new line starts.
    void SkipBlanks() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                atLineStart_ = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (text_.compare(pos_, 2, "//") == 0) {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else if (text_.compare(pos_, 2, "/*") == 0) {
                SkipBlockComment();
            } else {
                return;
            }
        }
    }

    void SkipBlockComment() {
        int start = line_;
        size_t end = text_.find("*/", pos_ + 2);
        if (end == std::string::npos) Fail(start, "comment without its end");
        for (size_t i = pos_; i < end; ++i)
            if (text_[i] == '\n') ++line_;
        pos_ = end + 2;
    }

    void SkipLine() {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
    }

    // The rest of a # line, comments removed, blanks trimmed.
    std::string RestOfLine() {
        std::string out;
        while (pos_ < text_.size() && text_[pos_] != '\n') {
            if (text_.compare(pos_, 2, "//") == 0) {
                SkipLine();
                break;
            }
            if (text_.compare(pos_, 2, "/*") == 0) {
                SkipBlockComment();
                out += ' ';
                continue;
            }
            if (text_[pos_] == '\\' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
                Fail(line_, "continued # lines are not read");
            out += text_[pos_++];
        }
        size_t first = out.find_first_not_of(" \t\r");
        if (first == std::string::npos) return "";
        size_t last = out.find_last_not_of(" \t\r");
        return out.substr(first, last - first + 1);
    }

    static std::string Word(const std::string& text, size_t* pos) {
        size_t start = *pos;
        while (*pos < text.size() && (isalnum((unsigned char)text[*pos]) || text[*pos] == '_'))
            ++*pos;
        return text.substr(start, *pos - start);
    }

    static void SkipSpaces(const std::string& text, size_t* pos) {
        while (*pos < text.size() && (text[*pos] == ' ' || text[*pos] == '\t')) ++*pos;
    }

    void Directive() {
        int line = line_;
        ++pos_;  // '#'
        std::string rest = RestOfLine();
        size_t at = 0;
        SkipSpaces(rest, &at);
        std::string word = Word(rest, &at);
        SkipSpaces(rest, &at);
        std::string argument = rest.substr(at);
        if (word == "ifdef" || word == "ifndef") {
            size_t p = 0;
            std::string name = Word(argument, &p);
            if (name.empty()) Fail(line, "#" + word + " without a name");
            bool defined = context_->macros.count(name) != 0;
            for (const Constant& constant : kConstants)
                if (name == constant.name) defined = true;
            conditions_.push_back(word == "ifdef" ? defined : !defined);
            return;
        }
        if (word == "else") {
            if (conditions_.empty()) Fail(line, "#else without #ifdef");
            conditions_.back() = !conditions_.back();
            return;
        }
        if (word == "endif") {
            if (conditions_.empty()) Fail(line, "#endif without #ifdef");
            conditions_.pop_back();
            return;
        }
        if (Skipping()) return;
        if (word == "pragma") {
            std::string compact;
            for (char c : argument)
                if (c != ' ' && c != '\t') compact += c;
            if (compact == "once") return;
            if (compact == "code_page(65001)") return;
            Fail(line, "only #pragma code_page(65001) and #pragma once are read");
        }
        if (word == "define") {
            size_t p = 0;
            std::string name = Word(argument, &p);
            if (name.empty()) Fail(line, "#define without a name");
            if (p < argument.size() && argument[p] == '(') Fail(line, "macros with parameters are not read");
            SkipSpaces(argument, &p);
            context_->macros[name] = argument.substr(p);
            return;
        }
        if (word == "undef") {
            context_->macros.erase(argument);
            return;
        }
        if (word == "include") {
            Include(line, argument);
            return;
        }
        Fail(line, "#" + word + " is not read");
    }

    // A platform header (<...>) gives only names the constant table has.
    void Include(int line, const std::string& argument) {
        if (argument.size() >= 2 && argument.front() == '<' && argument.back() == '>') return;
        if (argument.size() < 2 || argument.front() != '"' || argument.back() != '"')
            Fail(line, "#include needs a quoted name");
        std::string file = argument.substr(1, argument.size() - 2);
        std::string content;
        if (!(*context_->include) || !(*context_->include)(file, &content))
            Fail(line, "cannot read " + file);
        if (context_->includeDepth >= kMaxIncludeDepth) Fail(line, "#include nested too deep");
        ++context_->includeDepth;
        Lexer header(file, content, context_, true, true);
        header.Next();
        --context_->includeDepth;
    }

    Token Lex() {
        Token token;
        token.line = line_;
        unsigned char c = (unsigned char)text_[pos_];
        if ((c == 'L' || c == 'l') && pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
            ++pos_;  // wide strings read as the narrow ones: the script is UTF-8 either way
            c = '"';
        }
        if (c == '"') {
            token.kind = Token::kString;
            token.text = LexString();
            return token;
        }
        if (isalpha(c) || c == '_') {
            token.kind = Token::kName;
            token.text = Word(text_, &pos_);
            return token;
        }
        if (isdigit(c)) {
            token.kind = Token::kNumber;
            token.number = LexNumber(&token.text);
            return token;
        }
        const char* puncts = ",|()-~{}+";
        for (const char* p = puncts; *p; ++p) {
            if (c == (unsigned char)*p) {
                token.kind = Token::kPunct;
                token.text = std::string(1, *p);
                ++pos_;
                return token;
            }
        }
        Fail(line_, std::string("unexpected character '") + (char)c + "'");
    }

    DWORD LexNumber(std::string* spelling) {
        size_t start = pos_;
        unsigned long long value = 0;
        bool hex = text_.compare(pos_, 2, "0x") == 0 || text_.compare(pos_, 2, "0X") == 0;
        if (hex) {
            pos_ += 2;
            if (pos_ >= text_.size() || !isxdigit((unsigned char)text_[pos_])) Fail(line_, "bad number");
        }
        while (pos_ < text_.size() && isalnum((unsigned char)text_[pos_])) {
            char d = text_[pos_];
            int digit;
            if (d >= '0' && d <= '9')
                digit = d - '0';
            else if (hex && isxdigit((unsigned char)d))
                digit = (tolower(d) - 'a') + 10;
            else
                break;
            value = value * (hex ? 16 : 10) + digit;
            if (value > 0xFFFFFFFFull) Fail(line_, "number out of range");
            ++pos_;
        }
        while (pos_ < text_.size() && (text_[pos_] == 'L' || text_[pos_] == 'l' || text_[pos_] == 'U' ||
                                       text_[pos_] == 'u'))
            ++pos_;
        if (pos_ < text_.size() && (isalnum((unsigned char)text_[pos_]) || text_[pos_] == '_'))
            Fail(line_, "bad number");
        *spelling = text_.substr(start, pos_ - start);
        return (DWORD)value;
    }

    // A quoted text: "" is a quote mark, and \\ \" \n \r \t are escapes.
    std::string LexString() {
        int start = line_;
        ++pos_;
        std::string out;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n') Fail(start, "text without its closing quote");
            char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    out += '"';
                    ++pos_;
                    continue;
                }
                return out;
            }
            if (c == '\\') {
                char e = pos_ < text_.size() ? text_[pos_++] : '\0';
                switch (e) {
                    case '\\': out += '\\'; break;
                    case '"': out += '"'; break;
                    case 'n': out += '\n'; break;
                    case 'r': out += '\r'; break;
                    case 't': out += '\t'; break;
                    default: Fail(line_, std::string("unknown escape \\") + e);
                }
                continue;
            }
            out += c;
        }
    }

    std::string name_;
    std::string text_;
    Context* context_;
    bool directives_;
    bool headerOnly_;
    int line_;
    size_t pos_ = 0;
    bool atLineStart_ = true;
    std::vector<bool> conditions_;  // one a #ifdef level: whether its lines count
};

// Styles as a script writes them: bits set, and bits cleared by NOT.
struct StyleBits {
    DWORD on = 0;
    DWORD off = 0;
    DWORD Over(DWORD base) const { return (base | on) & ~off; }
};

class Parser {
  public:
    Parser(Lexer* lexer, Context* context) : lexer_(lexer), context_(context) {}

    void Script(std::vector<DialogTemplate>* dialogs) {
        for (;;) {
            Token token = Take();
            if (token.kind == Token::kEnd) return;
            if (token.IsKeyword("LANGUAGE")) {
                Language();
                continue;
            }
            if (token.kind != Token::kName && token.kind != Token::kNumber && !token.Is("-"))
                Fail(token, "a resource statement was expected");
            DWORD id = ResourceId(token);
            Token type = Take();
            if (type.IsKeyword("DIALOG") || type.IsKeyword("DIALOGEX")) {
                DialogTemplate dialog = Dialog(id, type.IsKeyword("DIALOGEX"));
                for (const DialogTemplate& other : *dialogs)
                    if (other.id == dialog.id) Fail(type, "dialog " + std::to_string(id) + " given twice");
                dialogs->push_back(dialog);
            } else if (type.IsKeyword("ICON")) {
                MemoryOptions();
                if (Take().kind != Token::kString) Fail(type, "ICON needs a file name");
            } else {
                Fail(type, "resource type " + type.text + " is not read");
            }
        }
    }

    // A value for a macro body: the whole text, one value.
    DWORD WholeValue() {
        DWORD value = Value();
        Token rest = Take();
        if (rest.kind != Token::kEnd) Fail(rest, "unexpected " + rest.text);
        return value;
    }

  private:
    [[noreturn]] void Fail(const Token& at, const std::string& what) { lexer_->Fail(at.line, what); }

    Token Take() {
        if (hasPeek_) {
            hasPeek_ = false;
            return peek_;
        }
        return lexer_->Next();
    }

    const Token& Peek() {
        if (!hasPeek_) {
            peek_ = lexer_->Next();
            hasPeek_ = true;
        }
        return peek_;
    }

    void Expect(const char* punct) {
        Token token = Take();
        if (!token.Is(punct)) Fail(token, std::string("'") + punct + "' expected" + Near(token));
    }

    static std::string Near(const Token& token) {
        if (token.kind == Token::kEnd) return " at the end";
        if (token.kind == Token::kString) return " before a text";
        return " before " + token.text;
    }

    bool TakeComma() {
        if (!Peek().Is(",")) return false;
        Take();
        return true;
    }

    DWORD ResourceId(const Token& first) {
        hasPeek_ = true;  // give the first token back
        peek_ = first;
        DWORD id = Value();
        if (id == 0 || id > 0xFFFF) Fail(first, "resource number out of range");
        return id;
    }

    void Language() {
        Value();
        Expect(",");
        Value();
    }

    void MemoryOptions() {
        for (;;) {
            bool found = false;
            for (const char* option : kMemoryOptions)
                if (Peek().IsKeyword(option)) found = true;
            if (!found) return;
            Take();
        }
    }

    // value: primary ('|' primary | '+' primary)*
    DWORD Value() {
        DWORD value = Primary();
        for (;;) {
            if (Peek().Is("|")) {
                Take();
                value |= Primary();
            } else if (Peek().Is("+")) {
                Take();
                value += Primary();
            } else {
                return value;
            }
        }
    }

    // primary: number | name | '(' value ')' | '-' primary | '~' primary
    DWORD Primary() {
        Token token = Take();
        if (token.kind == Token::kNumber) return token.number;
        if (token.Is("-")) return (DWORD)(0u - Primary());
        if (token.Is("~")) return ~Primary();
        if (token.Is("(")) {
            DWORD value = Value();
            Expect(")");
            return value;
        }
        if (token.kind == Token::kName) {
            if (token.IsKeyword("NOT")) Fail(token, "NOT is read only in styles");
            return NameValue(token);
        }
        Fail(token, "a number was expected" + Near(token));
    }

    DWORD NameValue(const Token& token) {
        auto macro = context_->macros.find(token.text);
        if (macro != context_->macros.end()) {
            if (context_->macroDepth >= kMaxMacroDepth) Fail(token, token.text + " refers to itself");
            // The body is read as if it stood where the name is used.
            struct Depth {
                int* depth;
                ~Depth() { --*depth; }
            } depth{&++context_->macroDepth};
            Lexer body(lexer_->name(), macro->second, context_, false, false, token.line);
            Parser parser(&body, context_);
            return parser.WholeValue();
        }
        for (const Constant& constant : kConstants)
            if (token.text == constant.name) return constant.value;
        Fail(token, "unknown name " + token.text);
    }

    // style: term ('|' term)*, term: NOT primary | primary
    StyleBits Style() {
        StyleBits bits;
        for (;;) {
            if (Peek().IsKeyword("NOT")) {
                Take();
                bits.off |= Primary();
            } else {
                bits.on |= Primary();
            }
            if (!Peek().Is("|")) return bits;
            Take();
        }
    }

    std::string Text(const Token& token) {
        std::string cp932;
        if (!Utf8ToCp932(token.text, &cp932)) Fail(token, "a text with no code page 932 form");
        return cp932;
    }

    std::string TakeText(const char* what) {
        Token token = Take();
        if (token.kind != Token::kString) Fail(token, std::string(what) + " needs a quoted text");
        return Text(token);
    }

    // A control's text: quoted, or a resource number written "#n".
    std::string ControlText() {
        if (Peek().kind == Token::kString) return Text(Take());
        return "#" + std::to_string(Value());
    }

    int Signed(DWORD value) { return (int)(int32_t)value; }

    void Rect(int* x, int* y, int* width, int* height) {
        *x = Signed(Value());
        Expect(",");
        *y = Signed(Value());
        Expect(",");
        *width = Signed(Value());
        Expect(",");
        *height = Signed(Value());
    }

    DialogTemplate Dialog(DWORD id, bool extended) {
        DialogTemplate dialog;
        dialog.id = (int)id;
        dialog.fontSize = 0;
        MemoryOptions();
        Rect(&dialog.x, &dialog.y, &dialog.width, &dialog.height);
        if (extended && TakeComma()) Value();  // help id
        bool hasStyle = false, hasCaption = false, hasFont = false;
        StyleBits style;
        for (;;) {
            Token token = Take();
            if (token.IsKeyword("BEGIN") || token.Is("{")) break;
            if (token.IsKeyword("STYLE")) {
                style = Style();
                hasStyle = true;
            } else if (token.IsKeyword("CAPTION")) {
                dialog.caption = TakeText("CAPTION");
                hasCaption = true;
            } else if (token.IsKeyword("FONT")) {
                dialog.fontSize = Signed(Value());
                hasFont = true;
                Expect(",");
                dialog.fontName = TakeText("FONT");
                if (extended && TakeComma()) {  // weight, italic, character set
                    Value();
                    Expect(",");
                    Value();
                    Expect(",");
                    Value();
                }
            } else if (token.IsKeyword("LANGUAGE")) {
                Language();
            } else if (token.IsKeyword("CHARACTERISTICS") || token.IsKeyword("VERSION")) {
                Value();
            } else {
                Fail(token, (token.kind == Token::kName ? token.text : std::string("this")) +
                                " is not read in a dialog's head");
            }
        }
        // Without STYLE a dialog is a bordered popup with a system menu.
        dialog.style = hasStyle ? style.Over(0) : (kWsPopup | kWsBorder | kWsSysMenu);
        if (hasCaption) dialog.style |= kWsCaption;
        if (hasFont) dialog.style |= kDsSetFont;
        for (;;) {
            Token token = Take();
            if (token.IsKeyword("END") || token.Is("}")) return dialog;
            dialog.controls.push_back(Control(token, extended));
        }
    }

    ControlTemplate Control(const Token& keyword, bool extended) {
        ControlTemplate control;
        control.exStyle = 0;
        if (keyword.IsKeyword("CONTROL")) {
            control.text = ControlText();
            Expect(",");
            control.id = Signed(Value());
            Expect(",");
            control.className = ClassName();
            Expect(",");
            control.style = Style().Over(kWsChild | kWsVisible);
            Expect(",");
            Rect(&control.x, &control.y, &control.width, &control.height);
            Trailer(&control, extended, false, 0);
            return control;
        }
        if (keyword.IsKeyword("ICON")) {
            // The icon sizes itself: a width and height are read and ignored.
            // A named icon is looked up by its upper-case name.
            control.className = "static";
            control.text = Upper(ControlText());
            Expect(",");
            control.id = Signed(Value());
            Expect(",");
            control.x = Signed(Value());
            Expect(",");
            control.y = Signed(Value());
            control.width = control.height = 0;
            if (TakeComma()) {
                Value();
                Expect(",");
                Value();
                Trailer(&control, extended, true, 0x0003);
            } else {
                control.style = kWsChild | kWsVisible | 0x0003;
            }
            return control;
        }
        for (const ControlKind& kind : kControlKinds) {
            if (!keyword.IsKeyword(kind.keyword)) continue;
            control.className = kind.className;
            if (kind.hasText) {
                control.text = ControlText();
                Expect(",");
            }
            control.id = Signed(Value());
            Expect(",");
            Rect(&control.x, &control.y, &control.width, &control.height);
            control.style = kWsChild | kWsVisible | kind.defaults;
            Trailer(&control, extended, true, kind.base);
            return control;
        }
        Fail(keyword, keyword.kind == Token::kName ? "control statement " + keyword.text + " is not read"
                                                    : "a control statement was expected" + Near(keyword));
    }

    // What may follow a control's rectangle: [, style] [, exstyle] [, help id].
    void Trailer(ControlTemplate* control, bool extended, bool styleFirst, DWORD base) {
        if (styleFirst && TakeComma()) control->style = Style().Over(kWsChild | kWsVisible | base);
        if (!TakeComma()) return;
        control->exStyle = Style().Over(0);
        if (extended && TakeComma()) Value();
    }

    std::string ClassName() {
        Token token = Take();
        if (token.kind == Token::kString) return Lower(token.text);
        if (token.kind == Token::kName)
            for (const char* bare : kBareClasses)
                if (Upper(token.text) == bare) return Lower(token.text);
        Fail(token, "a window class was expected" + Near(token));
    }

    Lexer* lexer_;
    Context* context_;
    Token peek_;
    bool hasPeek_ = false;
};

// The registered program's script, read once; a script the host cannot read
// ends the process at once rather than showing dialogs with controls missing.
std::vector<DialogTemplate> LoadProgramTemplates() {
    if (!HasRegisteredProgram()) {
        fprintf(stderr, "host: no program is registered\n");
        abort();
    }
    const ProgramRegistration& program = RegisteredProgram();
    std::string text, error;
    std::vector<DialogTemplate> dialogs;
    if (program.resourceScript.empty()) return dialogs;
    if (!program.readFile || !program.readFile(program.resourceScript, &text)) {
        fprintf(stderr, "host: %s is not built in\n", program.resourceScript.c_str());
        abort();
    }
    if (!ParseResourceScript(program.resourceScript, text, program.readFile, &dialogs, &error)) {
        fprintf(stderr, "host: cannot read the dialogs: %s\n", error.c_str());
        abort();
    }
    return dialogs;
}

}  // namespace

bool ParseResourceScript(const std::string& name, const std::string& text, const IncludeReader& include,
                         std::vector<DialogTemplate>* dialogs, std::string* error) {
    Context context;
    context.include = &include;
    std::vector<DialogTemplate> parsed;
    try {
        Lexer lexer(name, text, &context, true, false);
        Parser parser(&lexer, &context);
        parser.Script(&parsed);
    } catch (const ParseError& failure) {
        if (error) *error = failure.message;
        return false;
    }
    *dialogs = std::move(parsed);
    return true;
}

const std::vector<DialogTemplate>& DialogTemplates() {
    static const std::vector<DialogTemplate> dialogs = LoadProgramTemplates();
    return dialogs;
}

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialog : DialogTemplates())
        if (dialog.id == id) return &dialog;
    return nullptr;
}

}  // namespace host
