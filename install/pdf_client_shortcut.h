// The desktop shortcut of the PDF client selector.
#pragma once

#include <string>

// Only when the selector is installed: creates "通用PDF客户端.lnk" on the
// all-users desktop and deletes the older "可信电子签章客户端.lnk".
void CreatePdfClientShortcut(const std::string& installFolder);
