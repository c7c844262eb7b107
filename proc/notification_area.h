// Clearing the icons that programs ended by force leave in the taskbar's
// notification area: the shell drops such an icon once the mouse moves over it.
#pragma once

#include <windows.h>

// Sweeps the toolbar directly under the notification window, then the one
// inside its pager; either may be missing.
void RefreshNotificationArea();

// Sends a mouse movement to every point of the toolbar's client area, column
// by column, leaving out column 0, the last column and row 0. A toolbar wider
// or higher than 500 pixels is left alone.
void SweepToolbar(HWND toolbar);
