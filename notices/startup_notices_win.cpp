#include "notices/startup_notices_win.h"

#include "app/hypertext_box_win.h"
#include "notices/notice_addresses.h"
#include "notices/page_read_win.h"
#include "notices/page_text.h"
#include "notices/update_check.h"
#include "notices/update_notice_window_win.h"
#include "notices/web_request_win.h"

namespace qelvo {

bool checkForUpdateAt(std::string_view updateUrl) {
  if (updateUrl.empty()) return false;
  if (!pageAnnouncesUpdate(readPageBytes(updateUrl))) return false;
  showUpdateNotice(kDownloadSiteName, kDownloadUrl);
  return true;
}

void loadBannerFrom(HWND bannerBox, std::string_view bannerUrl) {
  if (bannerUrl.empty()) return;
  setHypertextContent(bannerBox, textBetween(fetchPageText(bannerUrl), "guanggao", "sguanggao"));
}

void checkForUpdate() { checkForUpdateAt(kUpdatePageUrl); }

void loadBanner(HWND bannerBox) { loadBannerFrom(bannerBox, kBannerPageUrl); }

}  // namespace qelvo
