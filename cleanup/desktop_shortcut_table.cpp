#include "cleanup/cleanup_tables.h"

const char* const EarlierDesktopShortcuts[] = {
    "Halvor数字证书和电子签章客户端.lnk",
    "Halvor数字证书客户端.lnk",
    "Halvor电子签章客户端.lnk",
};

const size_t EarlierDesktopShortcutsSize = sizeof(EarlierDesktopShortcuts) / sizeof(EarlierDesktopShortcuts[0]);
