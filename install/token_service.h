// Starting the token service again after the installation.
#pragma once

#include <string>
#include <vector>

// For every entry of closedPrograms that is the token service of the
// installation folder, installFolder + "KSecServ.exe" (compared without
// regard to case), in order (an entry listed twice is handled twice): stops
// every "KTPKIEgn.exe", then starts that program. Other entries stay stopped:
// a "KSecServ.exe" elsewhere, say a copy in a folder that users can write
// that had one of our libraries loaded, is never started with the
// installer's rights.
void RestartTokenService(const std::vector<std::string>& closedPrograms, const std::string& installFolder);
