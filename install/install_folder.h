// The two target folders of the installation.
#pragma once

#include <string>

// Program Files + "\TolvaneKelm\": makes Program Files + "\" the current
// folder, creates "TolvaneKelm" there (an existing one is fine) and returns
// the folder with its trailing backslash.
std::string PrepareInstallFolder();

// The system folder + "\".
std::string SystemFolder();
