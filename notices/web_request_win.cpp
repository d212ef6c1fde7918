#include "notices/web_request_win.h"

#include <windows.h>

#include <array>

#include "notices/com_dispatch_win.h"
#include "platform/gbk_text_win.h"

namespace qelvo {
namespace {

constexpr LONG kTimeoutMs = 15000;
constexpr LONG kAdTypeBinary = 1;
constexpr LONG kAdTypeText = 2;
constexpr LONG kAdReadAll = -1;

using M = DispatchKind;

// Each line is split at its first colon; the value keeps its leading blank and,
// for the Referer, every colon of the address.
void setDefaultHeaders(IDispatch* request, std::string_view url) {
  const std::array<std::string, 5> lines{
      "Referer: " + std::string(url),
      "Accept-Language: zh-cn",
      "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1)",
      "Accept: image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, "
      "image/pjpeg, application/x-ms-xbap, application/x-shockwave-flash, "
      "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*",
      "Content-Type: application/x-www-form-urlencoded"};
  for (const std::string& line : lines) {
    const size_t colon = line.find(':');
    const Variant name = Variant::text(widen(std::string_view(line).substr(0, colon)));
    const Variant value = Variant::text(widen(std::string_view(line).substr(colon + 1)));
    callByName(request, L"SetRequestHeader", M::method, {&name, &value});
  }
}

UINT codePageOf(std::string_view charset) {
  std::string name(charset);
  for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (name == "utf-8" || name == "utf8") return CP_UTF8;
  if (name == "gbk" || name == "gb2312" || name == "cp936") return 936;
  return 0;
}

Bytes convertByStream(std::string_view data, std::string_view fromCharset, std::string_view toCharset) {
  ComApartment com;
  ComPtr<IDispatch> stream = createByProgId({L"Adodb.Stream"});
  if (!stream) return {};
  IDispatch* s = stream.get();
  const Variant binary = Variant::int32(kAdTypeBinary);
  const Variant textType = Variant::int32(kAdTypeText);
  const Variant zero = Variant::int32(0);
  const Variant readAll = Variant::int32(kAdReadAll);
  const Variant from = Variant::text(widen(fromCharset));
  const Variant to = Variant::text(widen(toCharset));
  const Variant input = Variant::bytes(data);

  callByName(s, L"Type", M::put, {&binary});
  callByName(s, L"Open", M::method, {});
  callByName(s, L"Write", M::method, {&input});
  callByName(s, L"Position", M::put, {&zero});
  callByName(s, L"Type", M::put, {&textType});
  callByName(s, L"Charset", M::put, {&from});
  Variant text;
  callByName(s, L"ReadText", M::method, {&readAll}, &text);
  callByName(s, L"Close", M::method, {});
  callByName(s, L"Open", M::method, {});
  callByName(s, L"Charset", M::put, {&to});
  const Variant decoded = Variant::text(textOf(*text));
  callByName(s, L"WriteText", M::method, {&decoded});
  callByName(s, L"Position", M::put, {&zero});
  callByName(s, L"Type", M::put, {&binary});
  Variant out;
  callByName(s, L"Read", M::method, {&readAll}, &out);
  return bytesOf(*out, kMaxPageBytes * 2);
}

// Lenient like the stream: undecodable bytes and unmappable characters become
// replacement characters instead of failing the whole page.
Bytes convertByCodePages(std::string_view data, std::string_view fromCharset, std::string_view toCharset) {
  const UINT from = codePageOf(fromCharset);
  const UINT to = codePageOf(toCharset);
  if (!from || !to || data.empty()) return {};
  const int inLen = static_cast<int>(data.size());
  const int wideLen = MultiByteToWideChar(from, 0, data.data(), inLen, nullptr, 0);
  if (wideLen <= 0) return {};
  std::wstring wide(static_cast<size_t>(wideLen), L'\0');
  MultiByteToWideChar(from, 0, data.data(), inLen, wide.data(), wideLen);
  const int outLen = WideCharToMultiByte(to, 0, wide.data(), wideLen, nullptr, 0, nullptr, nullptr);
  if (outLen <= 0) return {};
  Bytes out(static_cast<size_t>(outLen), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wideLen, out.data(), outLen, nullptr, nullptr);
  return out;
}

}  // namespace

Bytes sendWebRequest(std::string_view url) {
  ComApartment com;
  ComPtr<IDispatch> request = createByProgId(
      {L"WinHttp.WinHttpRequest.5.1", L"MSXML2.ServerXMLHTTP.6.0", L"MSXML2.ServerXMLHTTP.5.0"});
  if (!request) return {};
  IDispatch* r = request.get();
  const Variant timeout = Variant::int32(kTimeoutMs);
  callByName(r, L"SetTimeouts", M::method, {&timeout, &timeout, &timeout, &timeout});
  const Variant get = Variant::text(L"GET");
  const Variant address = Variant::text(widen(url));
  const Variant synchronous = Variant::boolean(false);
  callByName(r, L"Open", M::method, {&get, &address, &synchronous});
  setDefaultHeaders(r, url);
  const Variant emptyBody = Variant::text(L"");
  callByName(r, L"Send", M::method, {&emptyBody});
  Variant body;
  callByName(r, L"ResponseBody", M::get, {}, &body);
  return bytesOf(*body, kMaxPageBytes);
}

Bytes convertCharset(std::string_view data, std::string_view fromCharset, std::string_view toCharset) {
  if (data.empty()) return {};
  Bytes out = convertByStream(data, fromCharset, toCharset);
  if (out.empty()) out = convertByCodePages(data, fromCharset, toCharset);
  return out;
}

std::string fetchPageText(std::string_view url) {
  std::string text = convertCharset(sendWebRequest(url), "UTF-8", "GBK");
  if (const size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace qelvo
