#pragma once
// Where the system's user-facing messages go. The program shows each in a
// task-modal box captioned "信息："; tests record them instead.
#include <string_view>

namespace qelvo {

class MessageSink {
 public:
  // Returns when the user has closed the message.
  virtual void show(std::string_view gbkText) = 0;

 protected:
  ~MessageSink() = default;
};

}  // namespace qelvo
