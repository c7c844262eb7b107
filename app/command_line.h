// The installer's one option, read from the whole command-line text.
#pragma once

struct CommandLineFlags {
    bool silent = false;  // "-s" or "-S": no window, a notification icon instead
    bool fix = false;     // "-fix" or "-fixfile": window shown, runs and ends by itself
};

// Each test compares the whole text with one literal, case-sensitively and
// without trimming, so at most one option is recognised and anything else
// (several options, quotes, blanks, other letter cases) is a normal run.
CommandLineFlags ParseCommandLine(const char* text);
