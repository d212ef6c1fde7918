#pragma once
// The main window's controls as the window design lays them out: one row per
// control, created in this order (later rows lie above earlier ones).
#include <array>
#include <string_view>

namespace qelvo {

// Control ids. Names follow the window design (按钮6 is Button6, 编辑框3 Edit3...).
enum class Control : int {
  GroupBox1 = 1001,   // 分组框1
  TransparentLabel11,
  ListView1,          // 超级列表框1, the script list
  TransparentLabel6,
  Edit3,              // the repeat box
  Button8,            // tray
  Button7,            // Stop
  Button6,            // Run
  Button5,            // Delete
  Button9,            // Save
  Button10,           // Load
  HypertextBox1,      // 简单超文本框1, the banner box
  // Inside the group box.
  TransparentLabel1,
  ComboBox1,          // the key box
  TransparentLabel7,
  Button1,            // insert tap
  TransparentLabel2,
  ComboBox2,          // the button box
  TransparentLabel8,
  Button2,            // insert click
  TransparentLabel3,
  Edit1,              // the delay box
  TransparentLabel9,
  Label1,
  Button3,            // insert delay
  TransparentLabel4,
  Edit2,              // the coordinate box
  Button4,            // insert move
  TransparentLabel5,
  Label4,
  TransparentLabel12,
  // The hold row, left of the group box's visible area.
  Label2,
  ComboBox3,          // the hold-key box
  Edit4,              // the hold-seconds box
  Label3,
  Button11,           // insert hold
};

enum class ControlKind {
  GroupBox,
  Label,
  TransparentLabel,
  EditBox,
  DropDownList,
  ListView,
  Button,
  HypertextBox,
};

struct ControlSpec {
  Control id;
  std::wstring_view name;  // the window design's name
  ControlKind kind;
  bool inGroupBox;         // x, y relative to 分组框1 instead of the window
  int x, y, width, height;
  std::string_view text;   // GBK starting text; the item lists are filled separately
};

extern const std::array<ControlSpec, 36> kMainWindowControls;

const ControlSpec& controlSpec(Control id);

// The window itself.
extern const std::string_view kMainWindowTitle;
inline constexpr int kMainWindowWidth = 670;
inline constexpr int kMainWindowHeight = 384;

// The two items of the notification-area menu 菜单, and their command ids.
inline constexpr int kMenuShowId = 2001;
inline constexpr int kMenuExitId = 2002;
extern const std::string_view kMenuShowText;
extern const std::string_view kMenuExitText;

extern const std::string_view kCaptureMessage;

}  // namespace qelvo
