// Pictures written by WIC's own encoders, for tests.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/text_win32.h"
#include "picture/wic_loader_win32.h"

namespace lumova::testing {

// Encodes 32-bit BGRA pixels (0xAARRGGBB) with one of WIC's encoders, in the
// nearest format the encoder takes. With a palette (at most 256 colours),
// 8 bits a pixel: each pixel's index in it.
inline HRESULT encodeWithWic(const std::string& path, const GUID& container, int width, int height,
                             const std::vector<std::uint32_t>& argb, std::span<const std::uint32_t> palette = {}) {
  using win32::ComPtr;
  const bool indexed = !palette.empty();
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.putVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmap> source;
  ComPtr<IWICPalette> wicPalette;
  if (indexed) {
    std::vector<std::uint8_t> indices(argb.size());
    for (std::size_t i = 0; i < argb.size(); ++i) {
      for (std::size_t c = 0; c < palette.size() && c < 256; ++c) {
        if (palette[c] == argb[i]) indices[i] = static_cast<std::uint8_t>(c);
      }
    }
    if (FAILED(hr = factory->CreatePalette(wicPalette.put()))) return hr;
    std::vector<WICColor> colours(palette.begin(), palette.end());
    if (FAILED(hr = wicPalette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size())))) return hr;
    if (FAILED(hr = factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat8bppIndexed, width,
                                                    static_cast<UINT>(indices.size()), indices.data(), source.put())))
      return hr;
    if (FAILED(hr = source->SetPalette(wicPalette.get()))) return hr;
  } else {
    std::vector<std::uint32_t> pixels = argb;
    if (FAILED(hr = factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGRA, width * 4,
                                                    static_cast<UINT>(pixels.size() * 4),
                                                    reinterpret_cast<BYTE*>(pixels.data()), source.put())))
      return hr;
  }
  const std::wstring wide = win32::toWide(path);
  ComPtr<IWICStream> stream;
  if (FAILED(hr = factory->CreateStream(stream.put()))) return hr;
  if (FAILED(hr = stream->InitializeFromFilename(wide.c_str(), GENERIC_WRITE))) return hr;
  ComPtr<IWICBitmapEncoder> encoder;
  if (FAILED(hr = factory->CreateEncoder(container, nullptr, encoder.put()))) return hr;
  if (FAILED(hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache))) return hr;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (FAILED(hr = encoder->CreateNewFrame(frame.put(), options.put()))) return hr;
  if (container == GUID_ContainerFormatJpeg) {
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = 0.95f;
    options->Write(1, &option, &value);  // a default quality would do too
  }
  if (FAILED(hr = frame->Initialize(options.get()))) return hr;
  if (FAILED(hr = frame->SetSize(width, height))) return hr;
  WICPixelFormatGUID format = indexed ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat32bppBGRA;
  if (FAILED(hr = frame->SetPixelFormat(&format))) return hr;
  if (indexed && FAILED(hr = frame->SetPalette(wicPalette.get()))) return hr;
  ComPtr<IWICFormatConverter> converter;
  IWICBitmapSource* input = source.get();
  if (!indexed && format != GUID_WICPixelFormat32bppBGRA) {
    if (FAILED(hr = factory->CreateFormatConverter(converter.put()))) return hr;
    if (FAILED(hr = converter->Initialize(source.get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                          WICBitmapPaletteTypeCustom)))
      return hr;
    input = converter.get();
  }
  if (FAILED(hr = frame->WriteSource(input, nullptr))) return hr;
  if (FAILED(hr = frame->Commit())) return hr;
  return encoder->Commit();
}

}  // namespace lumova::testing
