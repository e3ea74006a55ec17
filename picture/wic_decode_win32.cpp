#include "picture/wic_decode_win32.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/com_win32.h"

namespace lumova::win32 {
namespace {

// Rows of 32-bit pixels straight into the target, a band at a time so a
// converter that stages its source rows needs only a band.
HRESULT copyRows(IWICBitmapSource* source, UINT width, UINT height, const PixelBlock& to) {
  const auto stride = static_cast<UINT>(to.stride);
  const UINT band = std::max<UINT>(1, (4u << 20) / stride);
  for (UINT y = 0; y < height; y += band) {
    const UINT rows = std::min(band, height - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
    const HRESULT hr = source->CopyPixels(&rect, stride, stride * (rows - 1) + width * 4,
                                          to.bits + static_cast<std::size_t>(y) * stride);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Rows handed to the scaler a band at a time: what a picture needs in memory
// is a band and the scaler's open rows, not the decode. `readBand` fills
// `rows` rows from row `y` on, at `stride` bytes a row, in 24-bit BGR (`bgr`)
// or 32-bit PBGRA.
template <typename ReadBand>
HRESULT scaleBands(UINT width, UINT height, bool bgr, ReadBand&& readBand, const PixelBlock& to) {
  AreaScaler scaler(static_cast<int>(width), static_cast<int>(height), to, bgr ? 3 : 4);
  const UINT stride = bgr ? (width * 3 + 3) & ~3u : width * 4;
  const UINT band = std::max<UINT>(1, (1u << 20) / stride);
  std::vector<std::uint8_t> staging(static_cast<std::size_t>(stride) * std::min(band, height));
  for (UINT y = 0; y < height; y += band) {
    const UINT rows = std::min(band, height - y);
    const HRESULT hr = readBand(y, rows, stride, staging.data());
    if (FAILED(hr)) return hr;
    for (UINT r = 0; r < rows; ++r) scaler.addRow(staging.data() + static_cast<std::size_t>(r) * stride);
  }
  return S_OK;
}

// The decoder's own reduced decode, when it offers one between the target and
// the full size in 24-bit BGR; S_FALSE when it does not (nothing written).
HRESULT decodeReduced(IWICBitmapFrameDecode* frame, UINT width, UINT height, const PixelBlock& to) {
  ComPtr<IWICBitmapSourceTransform> transform;
  if (FAILED(frame->QueryInterface(kIidBitmapSourceTransform, transform.putVoid()))) return S_FALSE;
  UINT w = static_cast<UINT>(to.width), h = static_cast<UINT>(to.height);
  WICPixelFormatGUID wanted = GUID_WICPixelFormat24bppBGR;
  if (FAILED(transform->GetClosestSize(&w, &h)) || w < static_cast<UINT>(to.width) ||
      h < static_cast<UINT>(to.height) || (w >= width && h >= height) ||
      FAILED(transform->GetClosestPixelFormat(&wanted)) || wanted != GUID_WICPixelFormat24bppBGR) {
    return S_FALSE;
  }
  return scaleBands(
      w, h, true,
      [&](UINT y, UINT rows, UINT stride, BYTE* out) {
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(w), static_cast<INT>(rows)};
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        return transform->CopyPixels(&rect, w, h, &format, WICBitmapTransformRotate0, stride, stride * rows, out);
      },
      to);
}

}  // namespace

HRESULT decodeFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const PixelBlock& to) {
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width < static_cast<UINT>(to.width) ||
      height < static_cast<UINT>(to.height)) {
    return E_INVALIDARG;
  }
  // 24-bit rows (JPEG, most bitmaps) are widened by the scaler: the platform's
  // general converter takes about twice as long for the same result, alpha 255.
  WICPixelFormatGUID format{};
  const bool bgr = SUCCEEDED(frame->GetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR;
  const bool smaller = width != static_cast<UINT>(to.width) || height != static_cast<UINT>(to.height);
  // A reduced decode that fails halfway leaves the full-size one to overwrite it.
  if (bgr && smaller && decodeReduced(frame, width, height, to) == S_OK) return S_OK;

  ComPtr<IWICFormatConverter> converter;
  IWICBitmapSource* source = frame;
  if (!bgr) {
    if (FAILED(factory->CreateFormatConverter(converter.put()))) return E_FAIL;
    const HRESULT hr = converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                             0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) return hr;
    source = converter.get();
    if (!smaller) return copyRows(source, width, height, to);
  }
  return scaleBands(
      width, height, bgr,
      [&](UINT y, UINT rows, UINT stride, BYTE* out) {
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
        return source->CopyPixels(&rect, stride, stride * rows, out);
      },
      to);
}

}  // namespace lumova::win32
