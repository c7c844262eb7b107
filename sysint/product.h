// Who the product is: the names under which it is installed, registered,
// started and shown. The setup window, the install steps, the shortcuts and
// the cleanup of earlier installations all take them from here.
#pragma once

// As macros as well, for tables whose literals are made from them.
#define PRODUCT_NAME "Halvor数字证书和电子签章客户端"
#define PRODUCT_FOLDER_NAME "TolvaneKelm"

// The window's title, the uninstall entry's name and key, and the program group.
constexpr char kProductName[] = PRODUCT_NAME;
// The installation folder's name below Program Files; also the prefix of the
// start-up values and the name of the client's own registry key.
constexpr char kInstallFolderName[] = PRODUCT_FOLDER_NAME;
// The program group in the all-users start menu.
constexpr char kProgramGroupName[] = PRODUCT_NAME;

// Below HKEY_LOCAL_MACHINE.
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" PRODUCT_NAME;
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
