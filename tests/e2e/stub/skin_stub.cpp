// A skin library that skins nothing: placed as SkinH_EL.dll beside the program,
// where any file is used as it stands, it shows the windows in the system's look.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI SkinH_AttachRes(const unsigned char*, int, const char*,
                                                            int, int, int) {
  return 1;
}

extern "C" __declspec(dllexport) int WINAPI SkinH_SetAero(int) { return 1; }
