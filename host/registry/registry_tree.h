// The registry in memory: the three roots, their keys and values, and the
// REGEDIT4 text that stores them and that regedit imports and exports.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostwin/types.h"

namespace host {
namespace reg {

struct Value {
    std::string name;  // "" is the key's default value
    DWORD type = 0;
    std::string data;  // exactly the bytes that were set
};

struct Key {
    std::string name;
    bool undeletable = false;
    std::vector<Value> values;  // in creation order, as NT enumerates them
    // By upper-case name: subkeys enumerate in NT's sorted order.
    std::map<std::string, std::unique_ptr<Key>> subkeys;

    Key* Find(const std::string& name) const;
    // The subkey of that name, made when missing (*created tells which).
    Key* Create(const std::string& name, bool* created);
    Value* FindValue(const std::string& name);
    void SetValue(const std::string& name, DWORD type, const std::string& data);
    bool RemoveValue(const std::string& name);
};

enum Root { kLocalMachine, kCurrentUser, kClassesRoot, kRootCount };

// The deepest key Windows keeps: this many names below its root. Deeper
// keys are never made, so that the walks of a subtree stay bounded.
constexpr size_t kMaxKeyDepth = 512;

// A key named from its root: the root and the names below it, as given.
struct KeyPath {
    int root = kLocalMachine;
    std::vector<std::string> names;
};

class Tree {
  public:
    Tree();
    Key& RootKey(int root) { return roots_[root]; }
    const Key& RootKey(int root) const { return roots_[root]; }
    // The key at a path, or null.
    Key* Resolve(const KeyPath& path);
    // Makes the key at a path with the keys above it.
    Key* CreatePath(const KeyPath& path);
    void Clear();

  private:
    Key roots_[kRootCount];
};

// The full name of a root ("HKEY_LOCAL_MACHINE").
const char* RootName(int root);
// Parses "HKEY_CURRENT_USER\Software\X" (root names without regard to case;
// with `abbreviations`, HKLM, HKCU and HKCR too). A trailing backslash is
// allowed. False for an unknown root or an empty name inside the path.
bool ParseKeyPath(const std::string& text, bool abbreviations, KeyPath* path);
// The path in REGEDIT4 spelling, with the key names as stored.
std::string FormatKeyPath(int root, const std::vector<std::string>& names);

// True when a key name can be stored: 1 to 255 characters, no control
// characters, no lone lead byte at its end.
bool IsValidKeyName(const std::string& name);
// True when a value name survives the REGEDIT4 file: no line breaks, no
// lone lead byte at its end.
bool IsValidValueName(const std::string& name);

// The "REGEDIT4" header and its blank line; lines end in LF.
std::string FormatRegHeader();
// Appends the REGEDIT4 blocks of a key and its subtree; `names` are the
// stored names of the keys from the root down to it. `withState` adds the
// marks that only the machine's own file keeps.
void FormatKeyTree(const Key& key, int root, std::vector<std::string>* names, bool withState,
                   std::string* out);

// Deletes a subkey with its subtree as far as it can: undeletable keys stay,
// and so do the keys above them. True when the subkey is gone.
bool DeleteSubtree(Key* parent, const std::string& name);

// True when the text starts with the "REGEDIT4" line (blank lines before it
// are let go).
bool IsRegText(const std::string& text);
// Applies REGEDIT4 text as regedit imports it. False with a message when
// the text is not REGEDIT4, or names the first line that could not be
// applied (the others are applied all the same).
bool ApplyRegText(Tree* tree, const std::string& text, std::string* error);
// Loads the machine's own file, with the marks only it carries. It must be
// read whole: false, with the line (counted from 1) and what is wrong with
// it, for a byte-order mark, a line that cannot be read or a value without
// its key, and a last line cut short (every line the file has ends in a
// line feed).
bool LoadRegState(Tree* tree, const std::string& text, size_t* line, std::string* what);

}  // namespace reg
}  // namespace host
