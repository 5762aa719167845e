// Directory-search patterns as FindFirstFileA reads them.
#pragma once

#include <string>

namespace host {

bool HasWildcards(const std::string& pattern);
// Matches a code page 932 name against a pattern of '*' and '?', without
// regard to ASCII case; "*.*" matches every name, with or without a dot.
bool MatchWildcard(const std::string& pattern, const std::string& name);

}  // namespace host
