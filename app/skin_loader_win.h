#pragma once
// The skin loader: keeps our skinning library beside the program and hands it
// the program's skin. Both calls run on the user-interface thread during start-up.

namespace qelvo {

// Writes SkinH_EL.dll (hidden) into the program's folder unless something is
// already there; an existing file is used as it is.
void placeSkinLibrary();

// placeSkinLibrary, then attaches the embedded skin through SkinH_AttachRes.
void applySkin();

// placeSkinLibrary, then SkinH_SetAero(1).
void enableSkinAero();

}  // namespace qelvo
