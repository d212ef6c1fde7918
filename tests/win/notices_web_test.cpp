// The web request, the page read and the start-up notices against the loopback
// notice server (tools/notice_server.py), which this program starts on a free
// port and stops again.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/hypertext_box_win.h"
#include "notices/page_read_win.h"
#include "notices/startup_notices_win.h"
#include "notices/web_request_win.h"

namespace qelvo {
namespace {

std::string utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

std::wstring windowsPath(const std::string& unixPath) {
  std::wstring out = L"Z:";
  for (char c : unixPath) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

std::string readFile(const std::string& unixPath) {
  std::ifstream in(windowsPath(unixPath).c_str(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string percentEncoded(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%%%02X", c);
    out += buf;
  }
  return out;
}

// The checkout this test program was built from, as a Unix path: the folder
// above the exe that holds tools/notice_server.py.
std::string sourceRoot() {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::string path;
  for (const wchar_t* p = module; *p; ++p) path += *p == L'\\' ? '/' : static_cast<char>(*p);
  if (path.size() > 2 && path[1] == ':') path.erase(0, 2);
  for (size_t cut = path.rfind('/'); cut != std::string::npos && cut > 0; cut = path.rfind('/', cut - 1)) {
    const std::string dir = path.substr(0, cut);
    if (GetFileAttributesW(windowsPath(dir + "/tools/notice_server.py").c_str()) != INVALID_FILE_ATTRIBUTES)
      return dir;
  }
  return {};
}

class NoticeServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = sourceRoot();
    ASSERT_FALSE(root_.empty());
    const std::string stem = root_ + "/build/notices-web-test-" + std::to_string(GetCurrentProcessId());
    log_ = stem + ".log";
    const std::string portFile = stem + ".port";
    DeleteFileW(windowsPath(portFile).c_str());
    // Wine starts Unix programs directly; their handle cannot be waited on, so
    // the server is stopped by its /quit page (or its idle time-out).
    std::wstring cmd = L"/usr/bin/python3 \"" + std::wstring(root_.begin(), root_.end()) +
          L"/tools/notice_server.py\" --port 0 --idle-exit 60 --port-file \"" +
          std::wstring(portFile.begin(), portFile.end()) + L"\" --log \"" + std::wstring(log_.begin(), log_.end()) +
          L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(L"Z:\\usr\\bin\\python3", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    for (int i = 0; i < 200 && port_ == 0; ++i) {
      Sleep(50);
      port_ = std::atoi(readFile(portFile).c_str());
    }
    DeleteFileW(windowsPath(portFile).c_str());
    ASSERT_NE(port_, 0) << "the notice server did not start";
    base_ = "http://127.0.0.1:" + std::to_string(port_);
  }

  static void TearDownTestSuite() {
    if (port_) readPageBytes(base_ + "/quit");
    DeleteFileW(windowsPath(log_).c_str());
  }

  static std::string page(const char* name) { return readFile(root_ + "/notices/pages/" + name); }

  // The requests the server has logged since the last call.
  static std::string newRequests() {
    const std::string all = readFile(log_);
    std::string fresh = all.substr(std::min(seen_, all.size()));
    seen_ = all.size();
    return fresh;
  }

  static inline std::string root_;
  static inline std::string log_;
  static inline std::string base_;
  static inline int port_ = 0;
  static inline size_t seen_ = 0;
};

// A closed port on the loopback: connections are refused at once.
int closedPort() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  int len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  closesocket(s);
  return ntohs(addr.sin_port);
}

// COM is balanced when this thread's apartment is gone again: a fresh
// CoInitialize then answers S_OK rather than S_FALSE.
bool comIsBalanced() {
  const HRESULT hr = CoInitialize(nullptr);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == S_OK;
}

TEST_F(NoticeServer, WebRequestSendsTheDefaultHeadersAsWritten) {
  newRequests();
  const std::string url = base_ + "/update-new.html?from=test";
  EXPECT_EQ(sendWebRequest(url), page("update-new.html"));
  const std::string log = newRequests();
  EXPECT_NE(log.find("GET /update-new.html?from=test HTTP/1.1\n"), std::string::npos) << log;
  // The Referer carries the whole address, its colons included (the request
  // object drops the blank that leads the value it was given).
  EXPECT_NE(log.find("\nReferer: " + url + "\n"), std::string::npos) << log;
  for (const char* line : {
           "\nAccept-Language: zh-cn\n",
           "\nUser-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1)\n",
           "\nAccept: image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, "
           "image/pjpeg, application/x-ms-xbap, application/x-shockwave-flash, application/vnd.ms-excel, "
           "application/vnd.ms-powerpoint, application/msword, */*\n",
           "\nContent-Type: application/x-www-form-urlencoded\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n--- log:\n" << log;
  EXPECT_TRUE(comIsBalanced());
}

TEST_F(NoticeServer, ErrorStatusStillYieldsItsBody) {
  EXPECT_EQ(sendWebRequest(base_ + "/status/404"), "status 404 body");
  EXPECT_EQ(sendWebRequest(base_ + "/status/500"), "status 500 body");
  EXPECT_EQ(readPageBytes(base_ + "/status/503"), "status 503 body");
}

TEST_F(NoticeServer, UnreachablePortGivesEmptyBytesAndBalancedCom) {
  const std::string url = "http://127.0.0.1:" + std::to_string(closedPort()) + "/update-new.html";
  EXPECT_EQ(sendWebRequest(url), "");
  EXPECT_TRUE(comIsBalanced());
  EXPECT_EQ(fetchPageText(url), "");
  EXPECT_TRUE(comIsBalanced());
  EXPECT_EQ(readPageBytes(url), "");
}

// Makes request objects impossible to create, inside one COM apartment held by
// the test: a class factory registered for the ProgID's class answers every
// creation with a failure and notes the attempt.
class RefusingFactory final : public IClassFactory {
 public:
  RefusingFactory(std::vector<int>& attempts, int index) : attempts_(attempts), index_(index) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** out) override {
    *out = nullptr;
    attempts_.push_back(index_);
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  std::vector<int>& attempts_;
  int index_;
};

constexpr const wchar_t* kRequestProgIds[] = {L"WinHttp.WinHttpRequest.5.1", L"MSXML2.ServerXMLHTTP.6.0",
                                              L"MSXML2.ServerXMLHTTP.5.0"};

class RefusedRequestObjects {
 public:
  explicit RefusedRequestObjects(size_t count) {
    CoInitialize(nullptr);
    factories_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      CLSID clsid;
      if (FAILED(CLSIDFromProgID(kRequestProgIds[i], &clsid))) continue;  // not installed: missing anyway
      factories_.emplace_back(attempts, static_cast<int>(i));
      DWORD cookie = 0;
      if (SUCCEEDED(CoRegisterClassObject(clsid, &factories_.back(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &cookie)))
        cookies_.push_back(cookie);
      registered.push_back(static_cast<int>(i));
    }
  }
  ~RefusedRequestObjects() {
    for (DWORD c : cookies_) CoRevokeClassObject(c);
    CoUninitialize();
  }
  RefusedRequestObjects(const RefusedRequestObjects&) = delete;
  RefusedRequestObjects& operator=(const RefusedRequestObjects&) = delete;

  std::vector<int> attempts;
  std::vector<int> registered;

 private:
  std::vector<RefusingFactory> factories_;
  std::vector<DWORD> cookies_;
};

TEST_F(NoticeServer, NoRequestObjectGivesEmptyBytesAndBalancedCom) {
  newRequests();
  {
    RefusedRequestObjects refused(3);
    ASSERT_FALSE(refused.registered.empty());
    EXPECT_EQ(sendWebRequest(base_ + "/status/200"), "");
    EXPECT_EQ(refused.attempts, refused.registered) << "each request object is tried once, in order";
  }
  EXPECT_TRUE(comIsBalanced());
  EXPECT_EQ(newRequests(), "");
}

TEST_F(NoticeServer, TheNextRequestObjectServesWhenTheFirstIsMissing) {
  newRequests();
  {
    RefusedRequestObjects refused(1);
    ASSERT_EQ(refused.registered, std::vector<int>{0});
    EXPECT_EQ(sendWebRequest(base_ + "/status/404"), "status 404 body");
    EXPECT_EQ(refused.attempts, std::vector<int>{0});
  }
  const std::string log = newRequests();
  EXPECT_NE(log.find("\nAccept-Language: zh-cn\n"), std::string::npos) << log;
  EXPECT_TRUE(comIsBalanced());
}

TEST_F(NoticeServer, ComStaysBalancedWhenTheCallerAlreadyInitialisedIt) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(sendWebRequest(base_ + "/status/200"), "status 200 body");
  CoUninitialize();
  EXPECT_TRUE(comIsBalanced());
}

TEST_F(NoticeServer, BodiesAreReadUpToTheCap) {
  const std::string url = base_ + "/big/" + std::to_string(kMaxPageBytes + 1000000);
  EXPECT_EQ(sendWebRequest(url).size(), kMaxPageBytes);
  EXPECT_EQ(readPageBytes(url).size(), kMaxPageBytes);
  EXPECT_EQ(readPageBytes(base_ + "/big/1000").size(), 1000u);
}

TEST_F(NoticeServer, FetchPageTextGivesGbkText) {
  EXPECT_NE(fetchPageText(base_ + "/update-new.html").find("Qelvo有更新"), std::string::npos);
  const std::string withNul = percentEncoded(utf8(u8"前") + std::string("\0", 1) + "after");
  EXPECT_EQ(fetchPageText(base_ + "/echo?b=" + withNul), "前");
}

TEST(ConvertCharset, ReencodesUtf8AsGbk) {
  EXPECT_EQ(convertCharset("", "UTF-8", "GBK"), "");
  EXPECT_EQ(convertCharset(utf8(u8"按键盘F1键一次"), "UTF-8", "GBK"), "按键盘F1键一次");
  EXPECT_EQ(convertCharset("按键", "GBK", "UTF-8"), utf8(u8"按键"));
  EXPECT_TRUE(comIsBalanced());
}

TEST_F(NoticeServer, PageReadSpeaksHttp10WithItsOwnUserAgent) {
  newRequests();
  EXPECT_EQ(readPageBytes(base_ + "/update-new.html"), page("update-new.html"));
  const std::string log = newRequests();
  EXPECT_EQ(log.rfind("GET /update-new.html HTTP/1.0\n", 0), 0u) << log;
  EXPECT_NE(log.find("\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("\nPragma: no-cache\n"), std::string::npos) << log;
  EXPECT_EQ(readPageBytes("ftp://127.0.0.1/x"), "");
  EXPECT_EQ(readPageBytes(""), "");
}

// Closes the update notice from inside its own message loop, noting what the
// thread's other window looked like meanwhile.
struct NoticeCloser {
  static inline HWND other = nullptr;
  static inline bool seen = false;
  static inline bool otherWasEnabled = true;

  static void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND notice = FindWindowW(L"QelvoUpdateNotice", nullptr);
    if (!notice) return;
    KillTimer(nullptr, id);
    seen = true;
    otherWasEnabled = IsWindowEnabled(other) != FALSE;
    PostMessageW(notice, WM_CLOSE, 0, 0);
  }
};

TEST_F(NoticeServer, UpdateNoticeOpensOnlyForTheMarker) {
  HWND other = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  NoticeCloser::other = other;
  NoticeCloser::seen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, NoticeCloser::tick);
  EXPECT_FALSE(checkForUpdateAt(base_ + "/update.html"));
  EXPECT_FALSE(checkForUpdateAt(base_ + "/echo?b=" + percentEncoded("GBK page Qelvo有更新")));
  EXPECT_FALSE(checkForUpdateAt("http://127.0.0.1:" + std::to_string(closedPort()) + "/update-new.html"));
  EXPECT_FALSE(checkForUpdateAt(""));
  EXPECT_FALSE(NoticeCloser::seen);

  EXPECT_TRUE(checkForUpdateAt(base_ + "/update-new.html"));
  EXPECT_TRUE(NoticeCloser::seen);
  EXPECT_FALSE(NoticeCloser::otherWasEnabled) << "the other window must wait for the notice";
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_EQ(FindWindowW(L"QelvoUpdateNotice", nullptr), nullptr);
  KillTimer(nullptr, timer);
  DestroyWindow(other);
}

struct BannerCase {
  const char* what;
  std::string page;  // UTF-8
  std::string shown;  // GBK, the pieces' texts joined
};

std::string shownText(HWND box) {
  std::string out;
  for (const HypertextPiece& p : hypertextLayout(box)) out += p.text;
  return out;
}

TEST_F(NoticeServer, BannerShowsTheTextBetweenTheMarkers) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 60, nullptr, nullptr, nullptr, nullptr);
  HWND box = createHypertextBox(parent, 8, 8, 390, 42, 100);
  const BannerCase cases[] = {
      {"plain", "xx guanggao Hello sguanggao yy", " Hello "},
      {"start marker in capitals", "GUANGGAO Hi sguanggao", " Hi "},
      {"end marker first", "a sguanggao b sguanggao c", " b "},
      {"no end marker", "guanggao only", ""},
      {"chinese and markup", utf8(u8"<p>guanggao<b>新品</b>上市 sguanggao</p>"), "新品上市 "},
  };
  for (const BannerCase& c : cases) {
    setHypertextContent(box, "stale");
    loadBannerFrom(box, base_ + "/echo?b=" + percentEncoded(c.page));
    EXPECT_EQ(shownText(box), c.shown) << c.what;
  }
  loadBannerFrom(box, base_ + "/banner.html");
  EXPECT_NE(shownText(box).find("新版本即将发布"), std::string::npos);
  setHypertextContent(box, "stale");
  loadBannerFrom(box, "http://127.0.0.1:" + std::to_string(closedPort()) + "/banner.html");
  EXPECT_EQ(shownText(box), "");
  DestroyWindow(parent);
}

}  // namespace
}  // namespace qelvo
