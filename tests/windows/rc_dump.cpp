// Prints the dialog templates as the host reads them from setup.rc, in the
// form pe_check.py prints those compiled into SETUP.EXE, to compare the two.
// With a file argument it reads that script instead (to try the reader
// against windres on other scripts).
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/codepage.h"
#include "program_resources.h"
#include "resources/dialog_template.h"
#include "resources/rc_parser.h"

namespace {

std::string Utf8(const std::string& cp932) {
    std::string out;
    if (!host::Cp932ToUtf8(cp932, &out)) return "<not code page 932>";
    return out;
}

bool ReadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    *text = content.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    host::RegisterProgram(program_host::ProgramDialogs());
    std::vector<host::DialogTemplate> fromFile;
    const std::vector<host::DialogTemplate>* dialogs = &host::DialogTemplates();
    if (argc > 1) {
        std::string path = argv[1], text, error;
        std::string folder = path.find('/') == std::string::npos ? "" : path.substr(0, path.rfind('/') + 1);
        auto include = [&](const std::string& name, std::string* content) { return ReadFile(folder + name, content); };
        if (!ReadFile(path, &text) || !host::ParseResourceScript(path, text, include, &fromFile, &error)) {
            fprintf(stderr, "rc_dump: %s\n", error.empty() ? "cannot read the file" : error.c_str());
            return 1;
        }
        dialogs = &fromFile;
    }
    for (const host::DialogTemplate& dialog : *dialogs) {
        printf("dialog %d %d,%d,%d,%d style=0x%08x caption=\"%s\" font=\"%s\" %d\n", dialog.id, dialog.x,
               dialog.y, dialog.width, dialog.height, (unsigned)dialog.style, Utf8(dialog.caption).c_str(),
               Utf8(dialog.fontName).c_str(), dialog.fontSize);
        for (const host::ControlTemplate& control : dialog.controls)
            printf("  control %d %s %d,%d,%d,%d style=0x%08x ex=0x%08x text=\"%s\"\n", control.id,
                   control.className.c_str(), control.x, control.y, control.width, control.height,
                   (unsigned)control.style, (unsigned)control.exStyle, Utf8(control.text).c_str());
    }
    return 0;
}
