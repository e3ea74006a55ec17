// One decoded frame's pixels into a block of 32-bit pixels, averaged down when
// the block is smaller: the step of the loader that talks to the decoder's
// frame, apart so that it can be driven by any frame, the loader's or a test's.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include "picture/area_scale.h"

// The decoder's own scaling, which MinGW's headers do not declare.
struct IWICBitmapSourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride, UINT size,
                                               BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};

namespace lumova::win32 {

inline constexpr GUID kIidBitmapSourceTransform = {
    0x3B16811B, 0x6A43, 0x4ec9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

// Fills `to` with the frame's pixels, premultiplied BGRA, each target pixel
// the average of the area it covers. A frame that decodes at a reduced size
// itself (IWICBitmapSourceTransform, as Windows' JPEG decoder does) is asked
// for the smallest size not below the target, and the averaging does the
// rest. `to` must not be larger than the frame.
HRESULT decodeFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const PixelBlock& to);

}  // namespace lumova::win32
