#include "platform/message_box_win.h"

#include <windows.h>

#include "platform/gbk_text_win.h"

namespace qelvo {

void TaskModalMessages::show(std::string_view gbkText) {
  MessageBoxW(nullptr, widen(gbkText).c_str(), L"信息：", MB_OK | MB_TASKMODAL);
}

TaskModalMessages& systemMessages() {
  static TaskModalMessages instance;
  return instance;
}

}  // namespace qelvo
