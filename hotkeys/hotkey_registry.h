#pragma once
// The global-hotkey table and its poll, free of any system call: the key state,
// the thread start and the poll timer come in through HotkeyPlatform.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qelvo {

// An opaque routine, only ever compared by identity and handed back to the
// platform to start; the Windows side stores its thread entry point here.
using HotkeyCallback = void (*)();

struct HotkeyRecord {
  int32_t id;               // 1000000 + 1-based position in the table
  HotkeyCallback callback;  // started on a new thread with the id as its argument
  int32_t keyCode;          // virtual-key code of the main key
  int32_t modifierSet;      // Alt 1, Ctrl 2, Shift 4, left Windows 8; 0 = none may be held
  int32_t secondKey;        // virtual-key code that must be held too; 0 = none
  int32_t latch;            // 1 from the poll that sees the key down until one sees it up
};

class HotkeyPlatform {
 public:
  // The async key state of a virtual key: negative while the key is down.
  virtual int16_t asyncKeyState(int32_t virtualKey) = 0;
  // Starts the callback on a new thread with the id as its argument; not tracked.
  virtual void startThread(HotkeyCallback callback, int32_t id) = 0;
  // Starts the 10 ms timer that calls pollHotkeys on the registering thread.
  virtual void startPollTimer() = 0;

 protected:
  ~HotkeyPlatform() = default;
};

class HotkeyRegistry {
 public:
  static constexpr int32_t kFirstId = 1000001;
  static constexpr int32_t kAlt = 18, kCtrl = 17, kShift = 16, kLeftWindows = 91;

  explicit HotkeyRegistry(HotkeyPlatform& platform) : platform_(platform) {}

  // The id of the record for these keys, or 0 when another callback holds them.
  int32_t registerHotkey(HotkeyCallback callback, int32_t keyCode, int32_t modifierSet = 0,
                         int32_t secondKey = 0);
  // One tick of the poll timer; allocates nothing.
  void pollHotkeys() noexcept;

  std::size_t size() const noexcept { return records_.size(); }
  const HotkeyRecord& record(std::size_t index) const { return *records_.at(index); }

 private:
  bool down(int32_t virtualKey) noexcept { return platform_.asyncKeyState(virtualKey) < 0; }

  HotkeyPlatform& platform_;
  // Records never move or disappear, so a record's position and id stay fixed.
  std::vector<std::unique_ptr<HotkeyRecord>> records_;
};

}  // namespace qelvo
