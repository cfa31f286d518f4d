#ifndef DESKTOP_WINDOWS_INSTALLER_UI_IMAGE_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_IMAGE_UTIL_H_

#include <windows.h>

#include <objidl.h>
#include <wrl/client.h>

#include "desktop/windows/installer/ui/image_pair.h"

// Images of the installer window, looked up in the process's main module
// (the host executable).

// A stream over a copy of the resource's bytes; the memory goes with the
// stream. Null when the resource is missing or cannot be copied.
Microsoft::WRL::ComPtr<IStream> LoadResourceToStream(int id, const wchar_t* type);

// Decodes a "PNG" or "JPG" resource into a 32-bit bitmap whose transparent
// parts stay transparent (alpha 0), `scale` times its size (smoothly
// resampled). Null on any failure. The caller owns it.
HBITMAP LoadPngResourceBitmap(int id, const wchar_t* type, double scale = 1.0);

// Source-over blending with the source's per-pixel alpha.
bool AlphaBlendBitmap(HDC target, int x, int y, int width, int height, HBITMAP source,
                      int source_x, int source_y, int source_width, int source_height);

// Copies `rect` of `source` into a new bitmap compatible with `dc` and
// makes a pattern brush of it. An invalid pair on failure.
ImagePair RenderToCompatibleBitmap(HBITMAP source, HDC dc, const RECT& rect);

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_IMAGE_UTIL_H_
