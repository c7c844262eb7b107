// The one way the installer starts an external program and waits for it.
#pragma once

#include <windows.h>

#include <string>

// How long RunAndWait waits for a started program.
constexpr DWORD kRunAndWaitTimeoutMs = 15000;

// The longest parameter text that is launched (the 260-byte buffer less its zero).
constexpr size_t kMaxParameterText = 259;

// The parameters of a launch: the template with its first "%s" replaced by
// folder, as text; every other character, percent signs included, stays as
// it is. False (out untouched) when the result would exceed
// kMaxParameterText bytes.
bool BuildParameterText(const std::string& parameterTemplate, const std::string& folder, std::string& out);

// Starts program through the shell ("open", no owner window, no error
// dialogs) with folder as its working folder, and waits until it ends or
// kRunAndWaitTimeoutMs have passed; a program still running then goes on on
// its own. Returns at once when nothing was started, or when the parameter
// text would not fit. Reports nothing.
void RunAndWait(const char* program, const char* parameterTemplate, const std::string& folder);

// A function that launches as RunAndWait does; the registration steps take
// one so that what they run can be seen.
using Launcher = void (*)(const char* program, const char* parameterTemplate, const std::string& folder);
