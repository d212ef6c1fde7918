#pragma once
// The plain page read of the update check: one direct HTTP/1.0 GET through the
// Windows internet functions.
#include <string>
#include <string_view>

namespace qelvo {

inline constexpr wchar_t kPageReadUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// The body whatever the status, at most kMaxPageBytes of it; empty when the page
// cannot be read. No proxy, no cache, the system's default time-outs; only
// http and https addresses.
std::string readPageBytes(std::string_view url);

}  // namespace qelvo
