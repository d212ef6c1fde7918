#pragma once
// The process's global hotkeys, polled every 10 ms on the UI thread; a firing
// starts the callback on a new thread with the record's id as its argument.
#include <windows.h>

#include <cstdint>

namespace qelvo {

// Creates the empty table at program start, before the main window exists.
void createHotkeyRegistry();
// Frees every record and the table at program end.
void releaseHotkeyRegistry();
// UI thread only. The first registration starts the poll timer.
// Returns the record's id, or 0 when the keys are taken by another callback.
int32_t registerHotkey(LPTHREAD_START_ROUTINE callback, int32_t keyCode, int32_t modifiers = 0,
                       int32_t secondKey = 0);

}  // namespace qelvo
