// A path cut to its folder.
#pragma once

#include <string>

// Ends the text at its last "\" or "/" that stands after the first character
// (a double-byte character's second byte is no separator); a text without
// one stays whole. "C:\a\\b.exe" gives "C:\a\".
std::string FolderOf(const std::string& path);
