// Removes what an earlier installation left: its programs, shortcuts, start-up
// values, controls, listed system files, its folder and its registry keys.
#pragma once

// Runs the whole plan in its fixed order; every step is best effort and
// nothing is reported. Leaves Program Files as the current folder when an
// earlier installation folder existed.
void CleanupEarlierInstallation();
