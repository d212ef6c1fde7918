#pragma once
// The last two steps of the main window's start-up: the update check and the
// banner. Both run synchronously on the UI thread and report nothing on failure.
#include <windows.h>

#include <string_view>

namespace qelvo {

// Reads the update page; when it announces a new version, shows the update
// notice and returns once the user has closed it.
void checkForUpdate();

// Reads the banner page and sets the box's whole content to the text between
// "guanggao" and "sguanggao" (empty when the page or a marker is missing).
void loadBanner(HWND bannerBox);

// The same steps against any address; an empty address does nothing. The first
// returns whether the notice was shown.
bool checkForUpdateAt(std::string_view updateUrl);
void loadBannerFrom(HWND bannerBox, std::string_view bannerUrl);

}  // namespace qelvo
