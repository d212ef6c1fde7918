#include "notices/page_read_win.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

#include "notices/web_request_win.h"
#include "platform/gbk_text_win.h"
#include "platform/unique_handle_win.h"

namespace qelvo {
namespace {

struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { InternetCloseHandle(h); }
};
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;

}  // namespace

std::string readPageBytes(std::string_view url) {
  const std::wstring address = widen(url);
  wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  std::wstring path(INTERNET_MAX_URL_LENGTH + 1, L'\0');
  std::wstring extra(INTERNET_MAX_URL_LENGTH + 1, L'\0');
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (address.empty() || !InternetCrackUrlW(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts))
    return {};
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return {};
  std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
  object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty()) object = L"/";

  UniqueInternetHandle session(
      InternetOpenW(kPageReadUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return {};
  UniqueInternetHandle connection(InternetConnectW(session.get(), host, parts.nPort, nullptr, nullptr,
                                                   INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_UI;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  // The version is named here because the open-by-address call always speaks HTTP/1.1.
  UniqueInternetHandle request(HttpOpenRequestW(connection.get(), L"GET", object.c_str(), L"HTTP/1.0",
                                                nullptr, nullptr, flags, 0));
  if (!request || !HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return {};

  std::string body;
  char buffer[16384];
  while (body.size() < kMaxPageBytes) {
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, kMaxPageBytes - body.size()));
    if (!InternetReadFile(request.get(), buffer, want, &read) || read == 0) break;
    body.append(buffer, read);
  }
  return body;
}

}  // namespace qelvo
