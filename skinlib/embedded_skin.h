#pragma once
// What the build embeds in the program: our skin library's file image, built
// for the same architecture, and the skin it is given (qelvo.skin).
#include <span>

namespace qelvo {

std::span<const unsigned char> embeddedSkinLibrary();
std::span<const unsigned char> embeddedSkin();

}  // namespace qelvo
