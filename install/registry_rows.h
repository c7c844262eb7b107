// Writing one text value, and the command lines Windows runs.
#pragma once

#include <windows.h>

#include <string>

// The name of a predefined root key, for the log.
const char* RootName(HKEY root);

// Opens or creates root\key, sets the REG_SZ value (null name: the default
// value) with its terminating zero counted, and closes the key. A key that
// cannot be created loses only this value.
void WriteRegistryString(HKEY root, const char* key, const char* name, const std::string& data);

// A command line of a program in the installation folder with its path
// quoted: "programAndArguments" is the program's name, then optionally a
// blank and its arguments ("Tolvane.exe NoRunGUI" gives
// "\"C:\...\TolvaneKelm\Tolvane.exe\" NoRunGUI"), so that a blank in the
// folder can neither make Windows run another program nor split the
// arguments.
std::string QuotedProgramCommand(const std::string& installFolder, const std::string& programAndArguments);
