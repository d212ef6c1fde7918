#pragma once
// The skin's text form (see skin_format.md): parsed and checked in full before
// any window is touched, so a damaged skin never half-applies.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qelvo::skin {

// 0x00BBGGRR, the layout GDI takes.
using Colour = std::uint32_t;

enum class ButtonFill { flat, gradient };

struct Skin {
  std::vector<std::string> fontFaces;  // UTF-8, most wanted first
  int fontSize = 0;                    // points
  Colour windowBackground = 0, windowText = 0;
  Colour groupBorder = 0, groupText = 0;
  Colour editBackground = 0, editText = 0, editBorder = 0, editFocus = 0;
  Colour listBackground = 0, listText = 0, listSelection = 0, listSelectionText = 0;
  ButtonFill buttonFill = ButtonFill::flat;
  int buttonRadius = 0;
  Colour buttonText = 0, buttonBorder = 0, buttonFocus = 0;
  Colour buttonTop = 0, buttonBottom = 0;
  Colour buttonHotTop = 0, buttonHotBottom = 0;
  Colour buttonPressedTop = 0, buttonPressedBottom = 0;
  Colour buttonDisabledFace = 0, buttonDisabledText = 0;
};

// Largest skin accepted; anything longer is not a skin of ours.
inline constexpr std::size_t kMaxSkinBytes = 64 * 1024;

// Never reads beyond size bytes; nullopt for anything that is not a complete,
// well-formed skin (unknown or repeated keys, bad values, no closing "end").
std::optional<Skin> parseSkin(const unsigned char* bytes, std::size_t size);

}  // namespace qelvo::skin
