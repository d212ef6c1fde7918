#pragma once
// The update notice: a small modal window naming the download site and showing
// the download address as a link.
#include <string_view>

namespace qelvo {

// Opens the notice centred on the primary screen, with every other window of
// this thread disabled, and returns when the user has closed it.
void showUpdateNotice(std::string_view gbkSiteName, std::string_view downloadUrl);

}  // namespace qelvo
