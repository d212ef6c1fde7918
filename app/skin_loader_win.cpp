#include "app/skin_loader_win.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box_win.h"
#include "platform/unique_handle_win.h"
#include "skinlib/embedded_skin.h"

namespace qelvo {
namespace {

constexpr wchar_t kLibraryName[] = L"\\SkinH_EL.dll";
// What the user sees when the library or one of its entry points is unusable;
// the process then ends with this code.
constexpr UINT kSkinLibraryFailure = 3;

using AttachRes = std::int32_t(WINAPI*)(const unsigned char*, std::int32_t, const char*, std::int32_t, std::int32_t,
                                        std::int32_t);
using SetAero = std::int32_t(WINAPI*)(std::int32_t);

// The program's folder without a trailing backslash, followed by "\SkinH_EL.dll".
std::wstring skinLibraryPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) {
      path.clear();
      break;
    }
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L'\\');
  path.resize(slash == std::wstring::npos ? 0 : slash);
  return path + kLibraryName;
}

[[noreturn]] void failEntryPoint(const char* entryPoint) {
  systemMessages().show(std::string("无法加载 SkinH_EL.dll 中的 ") + entryPoint + "，程序将退出。");
  ExitProcess(kSkinLibraryFailure);
}

// Loaded once, from the program's folder by full path: never through the search order.
HMODULE skinLibrary(const char* entryPoint) {
  static HMODULE library = nullptr;
  if (!library) {
    library = LoadLibraryExW(skinLibraryPath().c_str(), nullptr, 0);
    if (!library) failEntryPoint(entryPoint);
  }
  return library;
}

template <typename Function>
Function entryPoint(Function& cached, const char* name) {
  if (!cached) {
    FARPROC proc = GetProcAddress(skinLibrary(name), name);
    if (!proc) failEntryPoint(name);
    cached = reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
  }
  return cached;
}

}  // namespace

void placeSkinLibrary() {
  const std::wstring path = skinLibraryPath();
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;  // whatever is there stays

  const auto image = embeddedSkinLibrary();
  bool written = false;
  {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    if (!file) return;
    DWORD done = 0;
    written = WriteFile(file.get(), image.data(), static_cast<DWORD>(image.size()), &done, nullptr) &&
              done == image.size();
  }
  if (!written) {
    // A cut-short library would be "found" and fail at every later start.
    DeleteFileW(path.c_str());
    return;
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
}

void applySkin() {
  placeSkinLibrary();
  static AttachRes attach = nullptr;
  entryPoint(attach, "SkinH_AttachRes");
  const auto skin = embeddedSkin();
  {
    // The library copies what it needs during the call; our copy goes right after.
    std::vector<unsigned char> copy(skin.begin(), skin.end());
    attach(copy.data(), static_cast<std::int32_t>(copy.size()), "", 0, 0, 0);
  }
}

void enableSkinAero() {
  placeSkinLibrary();
  static SetAero setAero = nullptr;
  entryPoint(setAero, "SkinH_SetAero");
  setAero(1);
}

}  // namespace qelvo
