// Properties of the text operations and line recognition that hold for any bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "script/script_lines.h"
#include "script/text.h"

using namespace qelvo;

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    __builtin_printf("property failed: %s\n", what);
    std::abort();
  }
}

std::string join(const std::vector<std::string>& members, std::string_view sep) {
  std::string s;
  for (size_t i = 0; i < members.size(); ++i) {
    if (i) s += sep;
    s += members[i];
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: where the input splits into a first and a second text.
  const size_t cut = 1 + data[0] % (size - 1);
  const std::string_view a(reinterpret_cast<const char*>(data + 1), cut - 1);
  const std::string_view b(reinterpret_cast<const char*>(data + cut), size - cut);

  // A pattern always fits itself; "*" fits everything.
  check(likeMatch(a, a), "likeMatch(p, p)");
  check(likeMatch("*", b), "likeMatch(*, t)");
  (void)likeMatch(a, b);

  if (!a.empty()) {
    const auto members = splitText(b, a);
    const std::string joined = join(members, a);
    const bool whole = joined == b;
    const bool lessTrailing = joined + std::string(a) == b;
    check(b.empty() ? members.empty() : (whole || lessTrailing), "splitText members join back");
  }

  int32_t v = 0;
  std::memcpy(&v, data, size < sizeof v ? size : sizeof v);
  check(leadingInt(decimalText(v)) == v, "leadingInt(decimalText(v)) == v");
  (void)leadingInt(b);

  const RecognisedLine r = recogniseLine(b);
  check(r.form != LineForm::None || !r.complete, "a line of no form is never complete");
  if (const KeyName* k = findKey(b)) check(k->name == b, "findKey is exact");
  return 0;
}
