#pragma once
#include "script/messages.h"

namespace qelvo {

// The system's one kind of message: no owner, caption "信息：", OK only,
// task-modal for the showing thread.
class TaskModalMessages final : public MessageSink {
 public:
  void show(std::string_view gbkText) override;
};

// Process-wide instance, usable from any thread.
TaskModalMessages& systemMessages();

}  // namespace qelvo
