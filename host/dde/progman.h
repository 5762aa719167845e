// The machine's built-in Program Manager: the DDE server "PROGMAN" that the
// DDE client calls reach, with its groups and items kept in the machine
// folder so that every process of the machine sees the same ones.
#pragma once

#include <string>
#include <vector>

namespace host {

struct ProgmanItem {
    std::string caption;      // code page 932
    std::string commandLine;  // code page 932
};

struct ProgmanGroup {
    std::string name;                // code page 932
    std::vector<ProgmanItem> items;  // in the order they were added
};

// True when Program Manager runs on this machine and answers a conversation
// on the service and topic (a null pointer stands for any).
bool ProgmanAnswers(const std::string* service, const std::string* topic);
// Carries out an execute string of one or more bracketed commands, in order,
// stopping at the first that fails; records it in the transcript. True when
// every command succeeded.
bool ProgmanExecute(const std::string& text);
// The groups as they stand, in the order they were made.
std::vector<ProgmanGroup> ProgmanGroups();

}  // namespace host
