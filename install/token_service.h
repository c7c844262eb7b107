// Starting the token service again after the installation.
#pragma once

#include <string>
#include <vector>

// For every entry of closedPrograms that contains "KSecServ.exe", in order
// (an entry listed twice is handled twice): stops every "KTPKIEgn.exe", then
// starts the entry's program. Other entries stay stopped.
void RestartTokenService(const std::vector<std::string>& closedPrograms);
