// The suite's shortcuts: the desktop pair and the program group.
#pragma once

#include <string>

#include "sysint/product.h"

// Where a shortcut goes.
enum class ShortcutPlace { CommonDesktop, ProgramGroup };

struct ProductShortcut {
    ShortcutPlace place;
    const char* linkName;
    const char* targetName;  // in the installation folder
};

// In the order of creation.
extern const ProductShortcut ProductShortcuts[];
extern const size_t ProductShortcutsSize;

// The program group's folder in the all-users programs menu.

// Creates the desktop shortcuts (only when onDesktop) and the program group
// with its shortcuts, and tells the shell of each. A missing target leaves
// out its shortcut alone.
void CreateProductShortcuts(const std::string& installFolder, bool onDesktop);
