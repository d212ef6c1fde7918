#pragma once
#include <string>
#include <vector>

#include "script/messages.h"

namespace qelvo::test {

class RecordingMessages final : public MessageSink {
 public:
  void show(std::string_view gbkText) override { shown.emplace_back(gbkText); }
  std::vector<std::string> shown;
};

}  // namespace qelvo::test
