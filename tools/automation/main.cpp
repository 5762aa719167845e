// AUTOMATE.EXE SCRIPT: runs the script's steps against the programs on this
// desktop and prints a transcript in UTF-8. Exit code 0 when every step was
// done, 2 when one failed (after an "error:" line and the screen's windows),
// 1 for a script that cannot be read.
#include <windows.h>

#include <string>
#include <vector>

#include "steps.h"
#include "text.h"

namespace {

bool ReadFileBytes(const wchar_t* path, std::string* bytes) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) bytes->append(buffer, got);
    CloseHandle(file);
    return ok;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    size_t at = 0;
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
        } else if (text[at] == L'"') {
            size_t end = text.find(L'"', at + 1);
            if (end == std::wstring::npos) end = text.size();
            words.push_back(text.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            size_t end = at;
            while (end < text.size() && !IsBlank(text[end])) ++end;
            words.push_back(text.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

std::vector<Step> Parse(const std::wstring& script) {
    std::vector<Step> steps;
    size_t start = 0;
    int number = 0;
    while (start <= script.size()) {
        size_t end = script.find(L'\n', start);
        if (end == std::wstring::npos) end = script.size();
        std::wstring line = script.substr(start, end - start);
        start = end + 1;
        ++number;
        while (!line.empty() && (line.back() == L'\r' || IsBlank(line.back()))) line.pop_back();
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size() || line[first] == L'#') continue;
        size_t nameEnd = first;
        while (nameEnd < line.size() && !IsBlank(line[nameEnd])) ++nameEnd;
        size_t restStart = nameEnd;
        while (restStart < line.size() && IsBlank(line[restStart])) ++restStart;
        Step step;
        step.line = number;
        step.name = line.substr(first, nameEnd - first);
        step.rest = line.substr(restStart);
        step.args = Words(step.rest);
        steps.push_back(step);
    }
    return steps;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        Print(L"usage: AUTOMATE.EXE SCRIPT");
        return 1;
    }
    std::string bytes;
    if (!ReadFileBytes(argv[1], &bytes)) {
        Print(L"error: cannot read the script " + std::wstring(argv[1]));
        return 1;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    for (const Step& step : Parse(FromUtf8(bytes))) {
        try {
            RunStep(step);
        } catch (const StepError& error) {
            Print(L"error: line " + std::to_wstring(step.line) + L" (" + step.name +
                  (step.rest.empty() ? L"" : L" " + step.rest) + L"): " + error.what);
            PrintScreen();
            return 2;
        }
    }
    return 0;
}
