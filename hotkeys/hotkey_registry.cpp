#include "hotkeys/hotkey_registry.h"

#include <cmath>

namespace qelvo {

int32_t HotkeyRegistry::registerHotkey(HotkeyCallback callback, int32_t keyCode, int32_t modifierSet,
                                       int32_t secondKey) {
  for (const auto& r : records_) {
    if (r->keyCode == keyCode && r->modifierSet == modifierSet && r->secondKey == secondKey) {
      return r->callback == callback ? r->id : 0;
    }
  }
  const auto id = static_cast<int32_t>(records_.size()) + kFirstId;
  records_.push_back(std::make_unique<HotkeyRecord>(HotkeyRecord{id, callback, keyCode, modifierSet, secondKey, 0}));
  if (id == kFirstId) platform_.startPollTimer();
  return id;
}

void HotkeyRegistry::pollHotkeys() noexcept {
  for (const auto& r : records_) {
    if (!down(r->keyCode)) {
      r->latch = 0;
      continue;
    }
    if (r->latch == 1) continue;
    // Latched before the modifier tests: a press that fails them must be released
    // and pressed again, never fire when the modifier is let go afterwards.
    r->latch = 1;
    const int32_t held = (down(kAlt) ? 1 : 0) + (down(kCtrl) ? 2 : 0) + (down(kShift) ? 4 : 0) +
                         (down(kLeftWindows) ? 8 : 0);
    if (std::fabs(static_cast<double>(r->modifierSet) - static_cast<double>(held)) > 1e-7) continue;
    if (r->secondKey != 0 && !down(r->secondKey)) continue;
    platform_.startThread(r->callback, r->id);
  }
}

}  // namespace qelvo
