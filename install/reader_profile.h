// The document reader's profile: reset to the templates the payload carries.
#pragma once

#include <string>

// Removes the reader's local profile folder and its machine licence file,
// creates the profile folder anew and copies installFolder's
// "Reader_Pro\propertytemplate\" into it.
void ResetReaderProfile(const std::string& installFolder);
