#include "hotkeys/hotkey_registry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace qelvo {
namespace {

constexpr int32_t kHome = 36, kEnd = 35, kA = 65, kRightWindows = 92;
constexpr int32_t kAlt = 18, kCtrl = 17, kShift = 16, kLeftWindows = 91;
constexpr int16_t kDown = static_cast<int16_t>(0x8000);
constexpr int16_t kDownAndPressed = static_cast<int16_t>(0x8001);
constexpr int16_t kPressedSinceLastQuery = 0x0001;  // went down and up between two reads

// Distinct bodies so that no optimiser folds them into one address.
volatile int touched = 0;
void homeCallback() { touched = 1; }
void endCallback() { touched = 2; }
void otherCallback() { touched = 3; }

struct Firing {
  int poll;
  HotkeyCallback callback;
  int32_t id;
  bool operator==(const Firing&) const = default;
};

void PrintTo(const Firing& f, std::ostream* os) {
  const char* name = f.callback == homeCallback ? "home" : f.callback == endCallback ? "end" : "other";
  *os << "{poll " << f.poll << ", " << name << ", id " << f.id << "}";
}

// Key state scripted poll by poll; thread starts and timer starts recorded.
class ScriptedPlatform final : public HotkeyPlatform {
 public:
  std::map<int32_t, int16_t> keys;
  int poll = 0;
  int reads = 0;
  int timersStarted = 0;
  std::vector<Firing> firings;

  int16_t asyncKeyState(int32_t virtualKey) override {
    ++reads;
    const auto it = keys.find(virtualKey);
    return it == keys.end() ? int16_t{0} : it->second;
  }
  void startThread(HotkeyCallback callback, int32_t id) override { firings.push_back({poll, callback, id}); }
  void startPollTimer() override { ++timersStarted; }
};

struct Key {
  int32_t code;
  int16_t state = kDown;
};
using Poll = std::vector<Key>;

struct Registration {
  HotkeyCallback callback;
  int32_t keyCode;
  int32_t modifierSet = 0;
  int32_t secondKey = 0;
};

struct PollCase {
  std::string name;
  std::vector<Registration> registrations;
  std::vector<Poll> polls;
  std::vector<Firing> expected;
};

const Registration home{homeCallback, kHome};
const Registration end{endCallback, kEnd};
constexpr int32_t kEndId = 1000001;  // End registered alone
const Poll up{};

TEST(PollHotkeys, SequencesOfPolls) {
  const PollCase cases[] = {
      {"a key held over many polls fires once", {end},
       {{{kEnd}}, {{kEnd}}, {{kEnd}}, {{kEnd}}, {{kEnd}}}, {{0, endCallback, kEndId}}},
      {"fires again after a release", {end},
       {{{kEnd}}, {{kEnd}}, up, {{kEnd}}, {{kEnd}}}, {{0, endCallback, kEndId}, {3, endCallback, kEndId}}},
      {"the press bit alone is not down", {end},
       {{{kEnd, kDownAndPressed}}, {{kEnd, kPressedSinceLastQuery}}, {{kEnd, kDown}}},
       {{0, endCallback, kEndId}, {2, endCallback, kEndId}}},
      {"a press between two polls is not seen", {end},
       {up, {{kEnd, kPressedSinceLastQuery}}, up}, {}},
      {"Ctrl held at the press: nothing, even when Ctrl goes up while the key stays down", {end},
       {{{kEnd}, {kCtrl}}, {{kEnd}}, {{kEnd}}, up, {{kEnd}}}, {{4, endCallback, kEndId}}},
      {"Alt held at the press", {end}, {{{kEnd}, {kAlt, kDownAndPressed}}}, {}},
      {"Shift held at the press", {end}, {{{kEnd}, {kShift}}}, {}},
      {"left Windows key held at the press", {home}, {{{kHome}, {kLeftWindows}}}, {}},
      {"the right Windows key does not count", {home},
       {{{kHome}, {kRightWindows}}}, {{0, homeCallback, 1000001}}},
      {"a modifier pressed after the key changes nothing", {end},
       {{{kEnd}}, {{kEnd}, {kCtrl}}, up, {{kEnd}, {kCtrl}}}, {{0, endCallback, kEndId}}},
      {"registered modifiers must all be held, no more", {{endCallback, kEnd, 2 + 4}},
       {{{kEnd}, {kCtrl}}, up, {{kEnd}, {kCtrl}, {kShift}, {kAlt}}, up, {{kEnd}, {kCtrl}, {kShift}}},
       {{4, endCallback, kEndId}}},
      {"left Windows key as a registered modifier", {{endCallback, kEnd, 8}},
       {{{kEnd}, {kRightWindows}}, up, {{kEnd}, {kLeftWindows}}}, {{2, endCallback, kEndId}}},
      {"second key required, and held at the press", {{endCallback, kEnd, 0, kA}},
       {{{kEnd}}, {{kEnd}, {kA}}, up, {{kA}}, {{kEnd}, {kA}}}, {{4, endCallback, kEndId}}},
      {"second key with a modifier", {{endCallback, kEnd, 1, kA}},
       {{{kEnd}, {kA}}, up, {{kEnd}, {kA}, {kAlt}}}, {{2, endCallback, kEndId}}},
      {"Home and End first seen in the same poll: table order", {home, end},
       {{{kEnd}, {kHome}}}, {{0, homeCallback, 1000001}, {0, endCallback, 1000002}}},
      {"each record keeps its own latch", {home, end},
       {{{kHome}}, {{kHome}, {kEnd}}, {{kEnd}}, {{kHome}, {kEnd}}},
       {{0, homeCallback, 1000001}, {1, endCallback, 1000002}, {3, homeCallback, 1000001}}},
      {"same key with and without a modifier are two hotkeys", {end, {otherCallback, kEnd, 2}},
       {{{kEnd}}, up, {{kEnd}, {kCtrl}}}, {{0, endCallback, 1000001}, {2, otherCallback, 1000002}}},
      {"no registrations, no polls fire", {}, {{{kEnd}}, {{kHome}}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPlatform platform;
    HotkeyRegistry registry(platform);
    for (const auto& r : c.registrations) {
      ASSERT_NE(registry.registerHotkey(r.callback, r.keyCode, r.modifierSet, r.secondKey), 0);
    }
    for (const auto& poll : c.polls) {
      platform.keys.clear();
      for (const auto& k : poll) platform.keys[k.code] = k.state;
      registry.pollHotkeys();
      ++platform.poll;
    }
    EXPECT_EQ(platform.firings, c.expected);
  }
}

TEST(PollHotkeys, IdlePollReadsOneKeyStatePerRecord) {
  ScriptedPlatform platform;
  HotkeyRegistry registry(platform);
  registry.registerHotkey(homeCallback, kHome);
  registry.registerHotkey(endCallback, kEnd, 0, kA);
  registry.pollHotkeys();
  EXPECT_EQ(platform.reads, 2);

  platform.reads = 0;
  platform.keys[kEnd] = kDown;
  registry.pollHotkeys();  // End's press adds the four modifiers and the second key
  EXPECT_EQ(platform.reads, 2 + 4 + 1);

  platform.reads = 0;
  registry.pollHotkeys();  // latched: back to one read each
  EXPECT_EQ(platform.reads, 2);
}

TEST(PollHotkeys, LatchFollowsTheKeyWhateverTheModifiers) {
  ScriptedPlatform platform;
  HotkeyRegistry registry(platform);
  registry.registerHotkey(endCallback, kEnd);
  ASSERT_EQ(registry.record(0).latch, 0);
  platform.keys = {{kEnd, kDown}, {kCtrl, kDown}};
  registry.pollHotkeys();
  EXPECT_EQ(registry.record(0).latch, 1);
  platform.keys = {};
  registry.pollHotkeys();
  EXPECT_EQ(registry.record(0).latch, 0);
  EXPECT_TRUE(platform.firings.empty());
}

struct RegisterCase {
  Registration registration;
  int32_t expectedId;
  std::size_t recordsAfter;
};

TEST(RegisterHotkey, ReturnValuesAndTable) {
  const RegisterCase cases[] = {
      {{homeCallback, kHome}, 1000001, 1},         // first: starts the poll timer
      {{endCallback, kEnd}, 1000002, 2},           // next id, no second timer
      {{homeCallback, kHome}, 1000001, 2},         // same keys, same callback: its id
      {{otherCallback, kHome}, 0, 2},              // same keys, another callback: taken
      {{endCallback, kHome}, 0, 2},                // another registered callback is no better
      {{homeCallback, kHome, 2}, 1000003, 3},      // a modifier makes other keys
      {{otherCallback, kHome, 0, kA}, 1000004, 4}, // so does a second key
      {{otherCallback, kHome, 0, kA}, 1000004, 4},
      {{homeCallback, kHome, 2, 0}, 1000003, 4},
  };
  ScriptedPlatform platform;
  HotkeyRegistry registry(platform);
  EXPECT_EQ(registry.size(), 0u);
  for (const auto& c : cases) {
    const auto& r = c.registration;
    SCOPED_TRACE(testing::Message() << "key " << r.keyCode << " modifiers " << r.modifierSet << " second "
                                    << r.secondKey);
    EXPECT_EQ(registry.registerHotkey(r.callback, r.keyCode, r.modifierSet, r.secondKey), c.expectedId);
    EXPECT_EQ(registry.size(), c.recordsAfter);
    EXPECT_EQ(platform.timersStarted, 1);
  }
  const HotkeyRecord& last = registry.record(3);
  EXPECT_EQ(last.id, 1000004);
  EXPECT_EQ(last.callback, otherCallback);
  EXPECT_EQ(last.keyCode, kHome);
  EXPECT_EQ(last.modifierSet, 0);
  EXPECT_EQ(last.secondKey, kA);
  EXPECT_EQ(last.latch, 0);
  EXPECT_TRUE(platform.firings.empty());
}

TEST(RegisterHotkey, NothingStartsBeforeTheFirstRegistration) {
  ScriptedPlatform platform;
  HotkeyRegistry registry(platform);
  registry.pollHotkeys();
  EXPECT_EQ(platform.timersStarted, 0);
  EXPECT_EQ(registry.registerHotkey(endCallback, kEnd, 0, 0), 1000001);
  EXPECT_EQ(platform.timersStarted, 1);
}

}  // namespace
}  // namespace qelvo
