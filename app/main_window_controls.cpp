#include "app/main_window_controls.h"

namespace qelvo {

namespace {
using K = ControlKind;
using C = Control;
constexpr bool win = false;
constexpr bool grp = true;

constexpr std::string_view kHint =
    "提示：如果您不知道鼠标想要点击的位置坐标，可以按一下方法操作。\r\n"
    "      1.将鼠标移动到欲点击的位置上。\r\n"
    "      2.按下键盘上的HOME键。\r\n"
    "执行完以上两步就已经取到坐标了,坐标值在坐标编辑框里。直接插入\r\n"
    "脚本就可以使用。";
}  // namespace

const std::array<ControlSpec, 36> kMainWindowControls = {{
    {C::GroupBox1, L"分组框1", K::GroupBox, win, 9, 6, 390, 293, "脚本编辑区"},
    {C::TransparentLabel11, L"透明标签11", K::TransparentLabel, win, 407, 9, 100, 12, "脚本任务区"},
    {C::ListView1, L"超级列表框1", K::ListView, win, 405, 24, 248, 248, ""},
    {C::TransparentLabel6, L"透明标签6", K::TransparentLabel, win, 415, 280, 190, 24,
     "运行               次"},
    {C::Edit3, L"编辑框3", K::EditBox, win, 447, 282, 72, 20, "999999"},
    {C::Button8, L"按钮8", K::Button, win, 572, 281, 80, 24, "最小化到托盘"},
    {C::Button7, L"按钮7", K::Button, win, 332, 314, 62, 32, "停止脚本"},
    {C::Button6, L"按钮6", K::Button, win, 408, 314, 62, 32, "运行脚本"},
    {C::Button5, L"按钮5", K::Button, win, 466, 314, 62, 32, "删除脚本"},
    {C::Button9, L"按钮9", K::Button, win, 528, 314, 62, 32, "保存脚本"},
    {C::Button10, L"按钮10", K::Button, win, 591, 314, 62, 32, "读取脚本"},
    {C::HypertextBox1, L"简单超文本框1", K::HypertextBox, win, 8, 306, 390, 42, ""},

    {C::TransparentLabel1, L"透明标签1", K::TransparentLabel, grp, 17, 29, 24, 24, "按键"},
    {C::ComboBox1, L"组合框1", K::DropDownList, grp, 48, 33, 72, 20, ""},
    {C::TransparentLabel7, L"透明标签7", K::TransparentLabel, grp, 142, 31, 32, 24, "一次"},
    {C::Button1, L"按钮1", K::Button, grp, 275, 30, 72, 24, "插入脚本"},
    {C::TransparentLabel2, L"透明标签2", K::TransparentLabel, grp, 16, 60, 24, 32, "单击"},
    {C::ComboBox2, L"组合框2", K::DropDownList, grp, 48, 66, 72, 20, ""},
    {C::TransparentLabel8, L"透明标签8", K::TransparentLabel, grp, 134, 65, 100, 24, "鼠标一次"},
    {C::Button2, L"按钮2", K::Button, grp, 275, 63, 72, 24, "插入脚本"},
    {C::TransparentLabel3, L"透明标签3", K::TransparentLabel, grp, 17, 102, 23, 16, "延时"},
    {C::Edit1, L"编辑框1", K::EditBox, grp, 48, 100, 72, 20, "1000"},
    {C::TransparentLabel9, L"透明标签9", K::TransparentLabel, grp, 134, 97, 40, 24, "毫秒"},
    {C::Label1, L"标签1", K::Label, grp, 160, 97, 88, 24, "(1秒=1000毫秒)"},
    {C::Button3, L"按钮3", K::Button, grp, 275, 97, 72, 24, "插入脚本"},
    {C::TransparentLabel4, L"透明标签4", K::TransparentLabel, grp, 16, 132, 242, 24,
     "鼠标移动到                       坐标"},
    {C::Edit2, L"编辑框2", K::EditBox, grp, 87, 133, 120, 20, "坐标编辑框"},
    {C::Button4, L"按钮4", K::Button, grp, 275, 131, 72, 24, "插入脚本"},
    {C::TransparentLabel5, L"透明标签5", K::TransparentLabel, grp, 11, 177, 395, 63, kHint},
    {C::Label4, L"标签4", K::Label, grp, 11, 248, 363, 13,
     "运行状态中按下end键停止，停止状态中按下end键开始。"},
    // No contact address of our own to give: the line keeps only its leading text.
    {C::TransparentLabel12, L"透明标签12", K::TransparentLabel, grp, 12, 268, 284, 14,
     "有好的建议或者意见请发送邮件到"},

    {C::Label2, L"标签2", K::Label, grp, -349, 166, 32, 24, "按下"},
    {C::ComboBox3, L"组合框3", K::DropDownList, grp, -311, 168, 72, 20, ""},
    {C::Edit4, L"编辑框4", K::EditBox, grp, -226, 167, 80, 20, "1"},
    {C::Label3, L"标签3", K::Label, grp, -136, 167, 16, 20, "秒"},
    {C::Button11, L"按钮11", K::Button, grp, -88, 165, 72, 24, "插入脚本"},
}};

const ControlSpec& controlSpec(Control id) {
  for (const ControlSpec& c : kMainWindowControls) {
    if (c.id == id) return c;
  }
  return kMainWindowControls.front();  // every id is in the table
}

const std::string_view kMainWindowTitle = "Qelvo—自动点击鼠标键盘，解放您的双手";
const std::string_view kMenuShowText = "显示   ";
const std::string_view kMenuExitText = "退出   ";
const std::string_view kCaptureMessage = "取当前坐标成功，已复制到坐标编辑框。";

}  // namespace qelvo
