// Copying a file over another without ever writing through what has the
// target's name.
#pragma once

#include <string>

// Copies source to target: the copy is made under a new name beside target
// (target + ".~new", made anew and never opened through a link), flushed and
// moved over target in one step. A link or a file with other hard links at
// target is replaced, not written through, and until the move target keeps
// its old bytes. False, with nothing left beside target, when any of it fails.
bool CopyFileReplacing(const std::string& source, const std::string& target);
