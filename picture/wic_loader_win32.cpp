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
#include "picture/surround.h"
#include "picture/wic_decode_win32.h"
#include "common/text_win32.h"

namespace lumova::win32 {
namespace {

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

bool isOpaque(const DibPicture& picture) {
  const std::uint8_t* p = picture.bits();
  const std::size_t pixels = static_cast<std::size_t>(picture.width()) * picture.height();
  for (std::size_t i = 0; i < pixels; ++i)
    if (p[4 * i + 3] != 0xFF) return false;
  return true;
}

PixelBlock pixelsOf(DibPicture& picture) {
  return {picture.mutableBits(), picture.width(), picture.height(), picture.stride()};
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

// What the probe already settles for the formats it knows: a claimed size over
// the bound, or a damaged file. Other formats are left to whichever decoder
// claims them, within the same bounds once the frame tells its size.
PictureError probeError(const PictureProbe& probe) {
  if (probe.format == PictureFormat::Unknown) return PictureError::None;
  // A side of 0 is left for the decoder (a JPEG may give its height later).
  if (probe.width > kMaxPictureSide || probe.height > kMaxPictureSide ||
      (probe.width > 0 && probe.height > 0 && !pictureSizeAllowed(probe.width, probe.height))) {
    return PictureError::TooLarge;
  }
  return probe.intact ? PictureError::None : PictureError::NotAPicture;
}

// The decoder WIC picks by the bytes themselves, and its first frame.
struct OpenFrame {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
};

PictureError openFrame(const std::uint8_t* bytes, std::size_t length, PictureFormat probed, OpenFrame& open) {
  if (length == 0) return PictureError::NotAPicture;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              open.factory.putVoid()))) {
    return PictureError::Unreadable;
  }
  ComPtr<IWICStream> stream;
  if (FAILED(open.factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(length)))) {
    return PictureError::Unreadable;
  }
  HRESULT hr =
      open.factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, open.decoder.put());
  if (FAILED(hr)) return decodeError(hr);
  // The probe's checks hold for its own format's decoder only.
  GUID container{};
  if (probed != PictureFormat::Unknown &&
      (FAILED(open.decoder->GetContainerFormat(&container)) || container != containerFormat(probed))) {
    return PictureError::NotAPicture;
  }
  if (FAILED(hr = open.decoder->GetFrame(0, open.frame.put()))) return decodeError(hr);
  if (FAILED(open.frame->GetSize(&open.width, &open.height)) || open.width == 0 || open.height == 0) {
    return PictureError::NotAPicture;
  }
  return pictureSizeAllowed(open.width, open.height) ? PictureError::None : PictureError::TooLarge;
}

// Where the frame's pixels go: the picture's size as stored (a GIF's logical
// screen, where its first image may cover only part), the size they are
// decoded at to fit the box once turned upright, and the turn.
struct Layout {
  PictureSize natural;
  PictureSize decoded;
  int left = 0, top = 0;
  bool partOfCanvas = false;
  int orientation = 1;
};

Layout layoutOf(const PictureProbe& probe, const OpenFrame& open, int orientation, const PictureRequest& request) {
  Layout l;
  const PictureSize frame{static_cast<int>(open.width), static_cast<int>(open.height)};
  l.natural = frame;
  if (probe.format == PictureFormat::Gif && probe.frameWidth == open.width && probe.frameHeight == open.height) {
    l.natural = {static_cast<int>(probe.width), static_cast<int>(probe.height)};
    l.left = static_cast<int>(probe.frameLeft);
    l.top = static_cast<int>(probe.frameTop);
  }
  l.partOfCanvas = l.natural != frame;
  l.orientation = orientation;
  const bool sideways = turnsSideways(orientation);
  const PictureSize upright = sideways ? PictureSize{l.natural.height, l.natural.width} : l.natural;
  const PictureSize shown = requestedSize(upright, request);
  l.decoded = sideways ? PictureSize{shown.height, shown.width} : shown;
  return l;
}

// A GIF's first image on its logical screen, the rest transparent, composed
// at full size (GIFs are small) and then fitted.
HRESULT decodeOntoCanvas(const OpenFrame& open, const Layout& layout, DibPicture& picture) {
  const std::ptrdiff_t stride = std::ptrdiff_t{layout.natural.width} * 4;
  std::vector<std::uint8_t> canvas;
  std::uint8_t* origin = picture.mutableBits();
  if (layout.decoded != layout.natural) {
    canvas.assign(static_cast<std::size_t>(stride) * layout.natural.height, 0);
    origin = canvas.data();
  }
  const PixelBlock frame{origin + layout.top * stride + std::ptrdiff_t{layout.left} * 4, static_cast<int>(open.width),
                         static_cast<int>(open.height), stride};
  const HRESULT hr = decodeFrame(open.factory.get(), open.frame.get(), frame);
  if (FAILED(hr) || canvas.empty()) return hr;
  scaleByAreaAverage({canvas.data(), layout.natural.width, layout.natural.height, stride}, pixelsOf(picture));
  return S_OK;
}

// Made here, beside the decode, so it costs the window's thread nothing. A
// covering picture may still be shown whole (pan and zoom's fitted paths):
// the slideshow decides for those.
PicturePtr surroundOf(const DibPicture& picture, const PictureRequest& request) {
  if (request.surround.width <= 0 || request.surround.height <= 0) return nullptr;
  if (!request.cover && !surroundShows({picture.width(), picture.height()}, request.surround)) return nullptr;
  const PictureSize size = surroundSize(request.surround);
  std::shared_ptr<DibPicture> made = DibPicture::create(size.width, size.height);
  if (!made || !makeSurround({picture.bits(), picture.width(), picture.height(), picture.stride()}, pixelsOf(*made)))
    return nullptr;
  made->setOpaque(true);
  return made;
}

PictureLoad decode(std::vector<std::uint8_t>& bytes, const PictureRequest& request) {
  const PictureProbe probe = probePicture(bytes);
  if (const PictureError error = probeError(probe); error != PictureError::None) return failed(error);
  std::size_t length = bytes.size();
  if (probe.format == PictureFormat::Gif) {
    // End the file after the first image so the decoder reads no other frame.
    bytes[probe.firstFrameEnd] = 0x3B;
    length = probe.firstFrameEnd + 1;
  }
  ComScope com;
  OpenFrame open;
  if (const PictureError error = openFrame(bytes.data(), length, probe.format, open); error != PictureError::None) {
    return failed(error);
  }
  const Layout layout = layoutOf(probe, open, pictureOrientation(probe.format, bytes), request);
  std::shared_ptr<DibPicture> picture = DibPicture::create(layout.decoded.width, layout.decoded.height);
  if (!picture) return failed(PictureError::TooLarge);
  const HRESULT hr = layout.partOfCanvas ? decodeOntoCanvas(open, layout, *picture)
                                         : decodeFrame(open.factory.get(), open.frame.get(), pixelsOf(*picture));
  if (FAILED(hr)) return failed(decodeError(hr));
  picture = turnedUpright(std::move(picture), layout.orientation);
  if (!picture) return failed(PictureError::TooLarge);
  picture->setOpaque(isOpaque(*picture));
  PicturePtr surround = surroundOf(*picture, request);
  return PictureLoad{std::move(picture), PictureError::None, std::move(surround)};
}

}  // namespace

std::shared_ptr<DibPicture> DibPicture::create(int width, int height) {
  if (!pictureSizeAllowed(width, height)) return nullptr;
  void* bits = nullptr;
  HBITMAP bitmap = createTopDownDib(width, height, &bits);
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
