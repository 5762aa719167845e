// Short (8.3) names, made as Windows 95 made them: a name that already is a
// valid 8.3 name keeps it (upper-cased); any other gets the first six valid
// characters, "~N" and the first three of its extension, N counting up in a
// directory in sorted order of the long names. Once given, a short name is
// kept in the machine's state for as long as its file exists, so a file
// made later never takes another's name.
#pragma once

#include <string>

namespace host {

// True when a code page 932 name is a valid 8.3 name as it stands, in any
// case: 1-8 bytes, optionally '.' and 1-3 bytes, no spaces, no other dot,
// none of + , ; = [ ], double-byte characters whole.
bool IsShortName(const std::string& name932);

// The short name (code page 932) of an entry of a host directory, given by
// its host (UTF-8) name; empty when it has none.
std::string ShortNameOf(const std::string& hostDir, const std::string& hostName);
// What FindFirstFileA reports as the alternate name: the short name, or
// empty when the short name is the long name itself.
std::string AlternateNameOf(const std::string& hostDir, const std::string& hostName);
// For MapToHost: the host name of the entry of a host directory whose short
// name is `name932` (any case); false when there is none.
bool LongNameOfShort(const std::string& hostDir, const std::string& name932, std::string* hostName);

}  // namespace host
