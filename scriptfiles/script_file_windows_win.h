#pragma once
// The modal save and load windows over the script list. The script folder "脚本"
// is resolved against the current directory.
#include <windows.h>

#include "script/messages.h"
#include "script/script_lines.h"

namespace qelvo {

// Each disables `owner` while open, enables it again after, and returns when the
// window has closed.
void openSaveScriptWindow(HWND owner, ScriptList& script, MessageSink& messages);
void openLoadScriptWindow(HWND owner, ScriptList& script, MessageSink& messages);

}  // namespace qelvo
