#include "notices/update_check.h"

#include "script/text.h"

namespace qelvo {

bool pageAnnouncesUpdate(std::string_view pageBytes) {
  const std::string converted = strictUtf8ToGbk(pageBytes);
  std::string_view text = converted;
  text = text.substr(0, text.find('\0'));
  return likeMatch("*Qelvo有更新*", text);
}

}  // namespace qelvo
