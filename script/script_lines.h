#pragma once
// Script lines: the five line forms, their builders, the key-name table, the
// editing operations on the script list, and the recognition of a line again.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "script/messages.h"

namespace qelvo {

struct KeyName {
  std::string_view name;   // GBK, compared byte for byte
  int32_t code;            // Windows virtual-key code
  bool holdExtended;       // a hold sends its key-down with the extended flag
  int listPosition;        // 1-based place in the editor's key lists
};

// In the order in which the runner asks the rows.
extern const std::array<KeyName, 55> KeyNameTable;

// The 55 names in the order the editor's key lists offer them (keyboard order).
std::array<std::string_view, 55> keyListNames();

const KeyName* findKey(std::string_view name);

std::string buildTapLine(std::string_view keyName);
std::string buildHoldLine(std::string_view keyName, std::string_view seconds);
std::string buildClickLine(std::string_view buttonName);
std::string buildDelayLine(std::string_view milliseconds);
// Refuses an empty coordinates text with a message and builds nothing.
std::optional<std::string> buildMoveLine(std::string_view coordinates, MessageSink& messages);

extern const std::string_view kMoveNeedsCoordinatesMessage;

// The script list as the editor and the file windows see it: the rows are the
// script, with at most one selected row.
class ScriptList {
 public:
  virtual int rowCount() const = 0;
  // The empty text for a row that does not exist.
  virtual std::string rowText(int row) const = 0;
  // -1 when no row is selected.
  virtual int selectedRow() const = 0;
  // Inserting at or before the selected row moves the selection down with its row.
  virtual void insertRow(int index, std::string_view text) = 0;
  virtual void removeRow(int index) = 0;
  virtual void removeAllRows() = 0;

 protected:
  ~ScriptList() = default;
};

void insertLine(ScriptList& list, std::string_view line);
void appendLine(ScriptList& list, std::string_view line);
void deleteSelectedLine(ScriptList& list);

enum class LineForm { None, Hold, Tap, Click, Delay, Move };
enum class MouseButton { Left = 1, Right = 2 };

// What a line means to the runner. A line that passes a form's test but lacks a
// member its extraction needs is `complete == false` and does nothing.
struct RecognisedLine {
  LineForm form = LineForm::None;
  bool complete = false;
  std::string keyName;              // Hold, Tap
  int32_t seconds = 0;              // Hold
  MouseButton button = MouseButton::Right;  // Click
  int32_t milliseconds = 0;         // Delay
  bool badCoordinates = false;      // Move
  int32_t x = 0;                    // Move
  int32_t y = 0;                    // Move
};

RecognisedLine recogniseLine(std::string_view line);

}  // namespace qelvo
