#include "picture/wic_loader_win32.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <new>
#include <vector>

#include "picture/area_scale.h"
#include "picture/exif_orientation.h"
#include "common/gdi_win32.h"
#include "picture/picture_probe.h"
#include "picture/pixel_orientation.h"
#include "common/text_win32.h"

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
namespace {

constexpr GUID kIidBitmapSourceTransform = {
    0x3B16811B, 0x6A43, 0x4ec9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

PictureLoad failed(PictureError error) { return PictureLoad{nullptr, error}; }

PictureError openError(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NOT_READY:
    case ERROR_FILENAME_EXCED_RANGE:
      return PictureError::NotFound;
    default:
      return PictureError::Unreadable;
  }
}

// The whole file, or the error that stops it being read.
PictureError readWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return openError(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return PictureError::Unreadable;
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxPictureFileBytes) return PictureError::TooLarge;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 16u << 20));
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return PictureError::Unreadable;
    if (got == 0) break;  // shrank while being read: the probe sees a short file
    done += got;
  }
  bytes.resize(done);
  return PictureError::None;
}

const GUID& containerFormat(PictureFormat format) {
  switch (format) {
    case PictureFormat::Bmp:
      return GUID_ContainerFormatBmp;
    case PictureFormat::Gif:
      return GUID_ContainerFormatGif;
    case PictureFormat::Jpeg:
      return GUID_ContainerFormatJpeg;
    case PictureFormat::Png:
      return GUID_ContainerFormatPng;
    default:
      return GUID_ContainerFormatTiff;
  }
}

PictureError decodeError(HRESULT hr) {
  return hr == E_OUTOFMEMORY ? PictureError::TooLarge : PictureError::NotAPicture;
}

// Rows of 32-bit pixels straight into the picture, a band at a time so a
// converter that stages its source rows needs only a band.
HRESULT copyRows(IWICBitmapSource* source, UINT width, UINT height, std::uint8_t* origin, int stride) {
  const UINT band = std::max<UINT>(1, (4u << 20) / static_cast<UINT>(stride));
  for (UINT y = 0; y < height; y += band) {
    const UINT rows = std::min(band, height - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
    const HRESULT hr = source->CopyPixels(&rect, stride, stride * (rows - 1) + width * 4,
                                          origin + static_cast<std::size_t>(y) * stride);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// 24-bit rows (JPEG, most bitmaps) widened here: the platform's general
// converter takes about twice as long for the same result, alpha 255.
HRESULT copyOpaqueRows(IWICBitmapSource* source, UINT width, UINT height, std::uint8_t* origin, int stride) {
  const UINT sourceStride = (width * 3 + 3) & ~3u;
  const UINT band = std::max<UINT>(1, (1u << 20) / sourceStride);
  std::vector<std::uint8_t> staging(static_cast<std::size_t>(sourceStride) * std::min(band, height));
  for (UINT y = 0; y < height; y += band) {
    const UINT rows = std::min(band, height - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
    const HRESULT hr = source->CopyPixels(&rect, sourceStride, sourceStride * rows, staging.data());
    if (FAILED(hr)) return hr;
    for (UINT r = 0; r < rows; ++r) {
      const std::uint8_t* in = staging.data() + static_cast<std::size_t>(r) * sourceStride;
      std::uint8_t* out = origin + static_cast<std::size_t>(y + r) * stride;
      for (UINT x = 0; x < width; ++x, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 0xFF;
      }
    }
  }
  return S_OK;
}

bool isOpaque(const DibPicture& picture) {
  const std::uint8_t* p = picture.bits();
  const std::size_t pixels = static_cast<std::size_t>(picture.width()) * picture.height();
  for (std::size_t i = 0; i < pixels; ++i)
    if (p[4 * i + 3] != 0xFF) return false;
  return true;
}

// Rows handed to a scaler a band at a time, 32 bits a pixel: what the
// picture needs in memory is a band and the scaler's sums, not the decode.
// `readBand` fills `rows` rows of `width` pixels from row `y` on, at
// `stride` bytes a row, in 24-bit BGR (`bgr`) or 32-bit PBGRA, as the scaler
// was made to take them.
template <typename ReadBand>
HRESULT scaleBands(UINT width, UINT height, bool bgr, ReadBand&& readBand, AreaScaler& scaler) {
  const UINT stride = bgr ? (width * 3 + 3) & ~3u : width * 4;
  const UINT band = std::max<UINT>(1, (1u << 20) / stride);
  std::vector<std::uint8_t> staging(static_cast<std::size_t>(stride) * std::min(band, height));
  for (UINT y = 0; y < height; y += band) {
    const UINT rows = std::min(band, height - y);
    const HRESULT hr = readBand(y, rows, stride, staging.data());
    if (FAILED(hr)) return hr;
    for (UINT r = 0; r < rows; ++r) {
      const std::uint8_t* in = staging.data() + static_cast<std::size_t>(r) * stride;
      scaler.addRow(in);
    }
  }
  return S_OK;
}

// A frame decoded straight into a smaller picture of `target` size. A JPEG
// decoder that can decode at a reduced size (IWICBitmapSourceTransform)
// does so, at the smallest size not below the target; the averaging does the
// rest.
HRESULT decodeFitted(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT width, UINT height,
                     DibPicture& target) {
  WICPixelFormatGUID format{};
  const bool bgr = SUCCEEDED(frame->GetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR;
  ComPtr<IWICBitmapSourceTransform> transform;
  if (bgr && SUCCEEDED(frame->QueryInterface(kIidBitmapSourceTransform, transform.putVoid()))) {
    UINT w = static_cast<UINT>(target.width()), h = static_cast<UINT>(target.height());
    WICPixelFormatGUID wanted = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(transform->GetClosestSize(&w, &h)) && w >= static_cast<UINT>(target.width()) &&
        h >= static_cast<UINT>(target.height()) && (w < width || h < height) &&
        SUCCEEDED(transform->GetClosestPixelFormat(&wanted)) && wanted == GUID_WICPixelFormat24bppBGR) {
      AreaScaler reduced(static_cast<int>(w), static_cast<int>(h), target.width(), target.height(), 3);
      const HRESULT hr = scaleBands(
          w, h, true,
          [&](UINT y, UINT rows, UINT stride, BYTE* out) {
            const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(w), static_cast<INT>(rows)};
            WICPixelFormatGUID f = GUID_WICPixelFormat24bppBGR;
            return transform->CopyPixels(&rect, w, h, &f, WICBitmapTransformRotate0, stride, stride * rows, out);
          },
          reduced);
      if (SUCCEEDED(hr)) {
        reduced.finish({target.mutableBits(), target.width(), target.height(), target.stride()});
        return S_OK;
      }
      // Otherwise the full-size decode below.
    }
  }
  AreaScaler full(static_cast<int>(width), static_cast<int>(height), target.width(), target.height(), bgr ? 3 : 4);
  ComPtr<IWICFormatConverter> converter;
  IWICBitmapSource* source = frame;
  if (!bgr) {
    if (FAILED(factory->CreateFormatConverter(converter.put()))) return E_FAIL;
    const HRESULT hr = converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                             0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) return hr;
    source = converter.get();
  }
  const HRESULT hr = scaleBands(
      width, height, bgr,
      [&](UINT y, UINT rows, UINT stride, BYTE* out) {
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
        return source->CopyPixels(&rect, stride, stride * rows, out);
      },
      full);
  if (SUCCEEDED(hr)) full.finish({target.mutableBits(), target.width(), target.height(), target.stride()});
  return hr;
}

// The orientation the file's own mark gives its pixels. Only JPEG and TIFF
// files carry one that is honoured.
int pictureOrientation(PictureFormat format, const std::vector<std::uint8_t>& bytes) {
  if (format != PictureFormat::Jpeg && format != PictureFormat::Tiff) return 1;
  return exifOrientation(bytes.data(), bytes.size());
}

// The decoded pixels turned upright on our side: WIC's flip-rotator is not
// complete everywhere (Wine's does no mirroring). In place when the size
// stays, otherwise into a new picture; null when that cannot be made.
std::shared_ptr<DibPicture> turnedUpright(std::shared_ptr<DibPicture> picture, int orientation) {
  if (orientation == 1) return picture;
  const ConstPixelBlock stored{picture->bits(), picture->width(), picture->height(), picture->stride()};
  if (!turnsSideways(orientation)) {
    orientUprightInPlace({picture->mutableBits(), stored.width, stored.height, stored.stride}, orientation);
    return picture;
  }
  std::shared_ptr<DibPicture> turned = DibPicture::create(stored.height, stored.width);
  if (!turned) return nullptr;
  orientUpright(stored, orientation, {turned->mutableBits(), turned->width(), turned->height(), turned->stride()});
  return turned;
}

PictureLoad decode(std::vector<std::uint8_t>& bytes, const PictureRequest& request) {
  const PictureProbe probe = probePicture(bytes);
  if (probe.format == PictureFormat::Unknown) return failed(PictureError::NotAPicture);
  // A side of 0 is left for the decoder (a JPEG may give its height later).
  if (probe.width > kMaxPictureSide || probe.height > kMaxPictureSide ||
      (probe.width > 0 && probe.height > 0 && !pictureSizeAllowed(probe.width, probe.height))) {
    return failed(PictureError::TooLarge);
  }
  if (!probe.intact) return failed(PictureError::NotAPicture);
  std::size_t length = bytes.size();
  if (probe.format == PictureFormat::Gif) {
    // End the file after the first image so the decoder reads no other frame.
    bytes[probe.firstFrameEnd] = 0x3B;
    length = probe.firstFrameEnd + 1;
  }

  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.putVoid());
  if (FAILED(hr)) return failed(PictureError::Unreadable);
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(length)))) {
    return failed(PictureError::Unreadable);
  }
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(hr = factory->CreateDecoder(containerFormat(probe.format), nullptr, decoder.put()))) {
    return failed(PictureError::NotAPicture);
  }
  if (FAILED(hr = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) return failed(decodeError(hr));
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(hr = decoder->GetFrame(0, frame.put()))) return failed(decodeError(hr));
  UINT frameWidth = 0, frameHeight = 0;
  if (FAILED(frame->GetSize(&frameWidth, &frameHeight))) return failed(PictureError::NotAPicture);
  if (frameWidth == 0 || frameHeight == 0) return failed(PictureError::NotAPicture);
  if (!pictureSizeAllowed(frameWidth, frameHeight)) return failed(PictureError::TooLarge);

  // A GIF's first image may cover only part of its logical screen; the rest
  // stays transparent.
  std::int64_t canvasWidth = frameWidth, canvasHeight = frameHeight, left = 0, top = 0;
  if (probe.format == PictureFormat::Gif && probe.frameWidth == frameWidth && probe.frameHeight == frameHeight) {
    canvasWidth = probe.width;
    canvasHeight = probe.height;
    left = probe.frameLeft;
    top = probe.frameTop;
  }
  // The size it is shown at, upright, and that size in the file's own
  // orientation, which is the one the pixels are decoded in.
  const int orientation = pictureOrientation(probe.format, bytes);
  const bool sideways = turnsSideways(orientation);
  const PictureSize natural{static_cast<int>(canvasWidth), static_cast<int>(canvasHeight)};
  const PictureSize upright = sideways ? PictureSize{natural.height, natural.width} : natural;
  const PictureSize shown = requestedSize(upright, request);
  const PictureSize decoded = sideways ? PictureSize{shown.height, shown.width} : shown;
  // A GIF whose first image covers part of its logical screen is composed
  // at full size first (GIFs are small); every other picture is decoded
  // straight to its fitted size.
  const bool partOfCanvas = natural != PictureSize{static_cast<int>(frameWidth), static_cast<int>(frameHeight)};
  if (decoded != natural && !partOfCanvas) {
    std::shared_ptr<DibPicture> fitted = DibPicture::create(decoded.width, decoded.height);
    if (!fitted) return failed(PictureError::TooLarge);
    if (FAILED(hr = decodeFitted(factory.get(), frame.get(), frameWidth, frameHeight, *fitted)))
      return failed(decodeError(hr));
    fitted = turnedUpright(std::move(fitted), orientation);
    if (!fitted) return failed(PictureError::TooLarge);
    fitted->setOpaque(isOpaque(*fitted));
    return PictureLoad{std::move(fitted), PictureError::None};
  }

  std::shared_ptr<DibPicture> picture = DibPicture::create(natural.width, natural.height);
  if (!picture) return failed(PictureError::TooLarge);

  std::uint8_t* origin = picture->mutableBits() + top * picture->stride() + left * 4;
  WICPixelFormatGUID format{};
  if (SUCCEEDED(frame->GetPixelFormat(&format)) && format == GUID_WICPixelFormat24bppBGR) {
    hr = copyOpaqueRows(frame.get(), frameWidth, frameHeight, origin, picture->stride());
  } else {
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.put()))) return failed(PictureError::Unreadable);
    hr = converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(hr)) hr = copyRows(converter.get(), frameWidth, frameHeight, origin, picture->stride());
  }
  if (FAILED(hr)) return failed(decodeError(hr));
  if (decoded != natural) {
    std::shared_ptr<DibPicture> fitted = DibPicture::create(decoded.width, decoded.height);
    if (!fitted) return failed(PictureError::TooLarge);
    scaleByAreaAverage({picture->bits(), picture->width(), picture->height(), picture->stride()},
                       {fitted->mutableBits(), fitted->width(), fitted->height(), fitted->stride()});
    picture = std::move(fitted);
  }
  picture = turnedUpright(std::move(picture), orientation);
  if (!picture) return failed(PictureError::TooLarge);
  picture->setOpaque(isOpaque(*picture));
  return PictureLoad{std::move(picture), PictureError::None};
}

}  // namespace

std::shared_ptr<DibPicture> DibPicture::create(int width, int height) {
  if (!pictureSizeAllowed(width, height)) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  try {
    return std::shared_ptr<DibPicture>(new DibPicture(bitmap, static_cast<std::uint8_t*>(bits), width, height));
  } catch (const std::bad_alloc&) {
    DeleteObject(bitmap);
    return nullptr;
  }
}

DibPicture::~DibPicture() { DeleteObject(bitmap_); }

std::shared_ptr<DibPicture> DibPicture::overColour(std::uint32_t rgb) const {
  auto copy = create(width_, height_);
  if (!copy) return nullptr;
  GdiFlush();
  const unsigned background[3] = {(rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF};  // B, G, R
  const std::uint8_t* in = bits_;
  std::uint8_t* out = copy->mutableBits();
  const std::size_t pixels = static_cast<std::size_t>(width_) * height_;
  for (std::size_t i = 0; i < pixels; ++i, in += 4, out += 4) {
    // Premultiplied: what shows through is the background times the part
    // the pixel leaves uncovered.
    const unsigned uncovered = 255u - in[3];
    for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(in[c] + (background[c] * uncovered + 127) / 255);
    out[3] = 0xFF;
  }
  copy->setOpaque(true);
  return copy;
}

std::uint32_t DibPicture::pixel(int x, int y) const {
  const std::uint8_t* p = bits_ + static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * 4;
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

PictureLoad WicPictureLoader::load(const PictureRequest& request) {
  try {
    const std::wstring wide = toWide(request.path);
    if (wide.empty()) return failed(PictureError::NotFound);
    std::vector<std::uint8_t> bytes;
    if (const PictureError error = readWholeFile(wide, bytes); error != PictureError::None) return failed(error);
    return decode(bytes, request);
  } catch (const std::bad_alloc&) {
    return failed(PictureError::TooLarge);
  }
}

}  // namespace lumova::win32
