#pragma once
// One move-only owner for every kind of Windows handle: the traits say what an
// invalid value is and how to close a valid one.
#include <windows.h>

#include <utility>

namespace qelvo {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Type h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::invalid(); }
  Type release() noexcept { return std::exchange(h_, Traits::invalid()); }
  void reset(Type h = Traits::invalid()) noexcept {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }

 private:
  Type h_ = Traits::invalid();
};

struct KernelHandleTraits {  // events, timers, threads, mutexes: null when invalid
  using Type = HANDLE;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile and FindFirstFile style: INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Type h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Type h) noexcept { ::FindClose(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::FreeLibrary(h); }
};
struct IconTraits {
  using Type = HICON;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::DestroyIcon(h); }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::DeleteObject(h); }
};
struct WindowTraits {
  using Type = HWND;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::DestroyWindow(h); }
};
struct HookTraits {
  using Type = HHOOK;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::UnhookWindowsHookEx(h); }
};
struct MenuTraits {
  using Type = HMENU;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type h) noexcept { ::DestroyMenu(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueHook = UniqueHandle<HookTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;

}  // namespace qelvo
