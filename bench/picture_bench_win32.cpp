// Picture loading figures for the saver's changes, under Windows or Wine.
//
//   picture_bench_win32 [interval-seconds]
//
// For JPEGs of about 2, 17 and 38 megapixels (written once to the temporary
// folder with WIC's encoder, photo-like: gradients, texture and noise):
//   decode      time of one WicPictureLoader::load
//   plain       change tick to first transition step, decoding at the change
//   preloaded   the same after the picture was prefetched one interval earlier
//   memory      private bytes and working set while one picture is shown and
//               the next is held, beyond the baseline (which already has the
//               screen surface), against two decoded pictures; under Wine
//               also the host's resident size and its peak so far
// The 0.3 s pause of a change is not part of either change figure.
// Then the same JPEGs shrunk to fit a 1024 x 768 screen, as the saver asks
// for them with picFit: decode + fit time against the plain decode, the
// memory held between changes (the shown and the next fitted picture), the
// peak while one decodes, and what the JPEG decoder offers for decoding at a
// reduced size.
// Last, the peak while the largest JPEG is shrunk to a 1920 x 1080 and a
// 3840 x 2160 target, against the target picture itself (the scaler may hold
// the target and a band of rows, not sums per target pixel). "peak" as the
// only argument runs just that part.
#include <objbase.h>
#include <psapi.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/clock_win32.h"
#include "common/text_win32.h"
#include "picture/area_scale.h"
#include "picture/wic_loader_win32.h"
#include "picture/preloader.h"
#include "picture/preloader_win32.h"

namespace lumova::win32 {
namespace {

struct Size {
  const char* label;
  int width, height;
};
constexpr Size kSizes[] = {{"2 MP", 1728, 1152}, {"16.8 MP", 5016, 3344}, {"37.7 MP", 7520, 5016}};

double now() { return win32::SystemClock().monotonicSeconds(); }

std::uint64_t fileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// Committed private bytes (PagefileUsage: Wine leaves PrivateUsage at 0) and
// the working set.
struct Memory {
  double privateMb, workingSetMb;
};
Memory memory() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  const double mb = 1024.0 * 1024.0;
  return {c.PagefileUsage / mb, c.WorkingSetSize / mb};
}

// Photo-like rows: smooth colour gradients, a texture and some noise, so the
// file has the entropy (and the decode the work) of a real photograph.
bool writeJpeg(const std::string& path, int width, int height) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())))
    return false;
  const std::wstring wide = toWide(path);
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromFilename(wide.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put())) ||
      FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put())))
    return false;
  PROPBAG2 option{};
  option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
  VARIANT quality;
  VariantInit(&quality);
  quality.vt = VT_R4;
  quality.fltVal = 0.9f;
  options->Write(1, &option, &quality);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->Initialize(options.get())) || FAILED(frame->SetSize(width, height)) ||
      FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR)
    return false;
  const UINT stride = (width * 3 + 3) & ~3u;
  const int band = 256;
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * band);
  std::uint32_t seed = 12345;
  for (int y0 = 0; y0 < height; y0 += band) {
    const int n = std::min(band, height - y0);
    for (int r = 0; r < n; ++r) {
      const int y = y0 + r;
      BYTE* p = &rows[static_cast<std::size_t>(r) * stride];
      for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 27) - 16;
        const int texture = ((x * 7 + y * 3) % 23) + ((x / 5 + y / 9) % 11) * 2;
        const int base[3] = {x * 200 / width, y * 200 / height, (x + y) * 100 / (width + height) + 60};
        for (int c = 0; c < 3; ++c) p[x * 3 + c] = static_cast<BYTE>(std::clamp(base[c] + texture + noise, 0, 255));
      }
    }
    if (FAILED(frame->WritePixels(n, stride, stride * n, rows.data()))) return false;
  }
  return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// The first step of a transition: the picture selected into a memory DC and
// one screen's worth of it copied to the screen surface.
void firstStep(const Picture& picture, HDC screen, int screenWidth, int screenHeight) {
  const auto& dib = static_cast<const DibPicture&>(picture);
  HDC source = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(source, dib.bitmap());
  BitBlt(screen, 0, 0, screenWidth, screenHeight, source, (dib.width() - screenWidth) / 2,
         (dib.height() - screenHeight) / 2, SRCCOPY);
  GdiFlush();
  SelectObject(source, old);
  DeleteDC(source);
}

// Under Wine the decoders keep their buffers on the host side, out of the
// counters above; the host's view of this process (resident now, and its
// peak) comes from /proc. "self" there would be Wine's server, so the entry
// is found by this program's name. Nothing on Windows.
struct HostMemory {
  double residentMb = -1, peakResidentMb = -1;
};
std::string hostStatusPath() {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
  if (find == INVALID_HANDLE_VALUE) return "";
  std::string path;
  do {
    if (found.cFileName[0] < '1' || found.cFileName[0] > '9') continue;
    const std::string dir = std::string("Z:\\proc\\") + found.cFileName;
    FILE* f = std::fopen((dir + "\\cmdline").c_str(), "rb");
    if (!f) continue;
    char cmdline[512] = {};
    std::fread(cmdline, 1, sizeof cmdline - 1, f);
    std::fclose(f);
    // The program itself is the process whose first argument names it; the
    // launchers (a shell, start.exe) only carry it further along.
    const std::string first = cmdline;
    const std::size_t slash = first.find_last_of("/\\");
    if (first.substr(slash == std::string::npos ? 0 : slash + 1) == "picture_bench_win32.exe") path = dir + "\\status";
  } while (path.empty() && FindNextFileA(find, &found));
  FindClose(find);
  return path;
}
HostMemory hostMemory(const std::string& statusPath) {
  HostMemory m;
  FILE* f = statusPath.empty() ? nullptr : std::fopen(statusPath.c_str(), "r");
  if (!f) return m;
  char line[256];
  while (std::fgets(line, sizeof line, f)) {
    double kb = 0;
    if (std::sscanf(line, "VmRSS: %lf", &kb) == 1) m.residentMb = kb / 1024;
    if (std::sscanf(line, "VmHWM: %lf", &kb) == 1) m.peakResidentMb = kb / 1024;
  }
  std::fclose(f);
  return m;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
double least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// The JPEG decoder's own reduced sizes: the closest it offers to 1024 x 683
// (IWICBitmapSourceTransform), or nothing.
struct SourceTransform : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect*, UINT, UINT, WICPixelFormatGUID*,
                                               WICBitmapTransformOptions, UINT, UINT, BYTE*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
};
std::string reducedDecoding(const std::string& path) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<SourceTransform> transform;
  const GUID iid = {0x3B16811B, 0x6A43, 0x4ec9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())) ||
      FAILED(factory->CreateDecoderFromFilename(toWide(path).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())))
    return "no decoder";
  if (FAILED(frame->QueryInterface(iid, transform.putVoid()))) return "not offered";
  UINT w = 1024, h = 683;
  if (FAILED(transform->GetClosestSize(&w, &h))) return "offered, no sizes";
  return "offered, closest to 1024x683: " + std::to_string(w) + "x" + std::to_string(h);
}

// The most private memory seen while `work` runs, sampled every 2 ms.
template <typename Work>
double peakPrivateMb(Work&& work) {
  std::atomic<bool> done{false};
  std::atomic<double> peak{memory().privateMb};
  std::thread sampler([&] {
    while (!done) {
      const double now = memory().privateMb;
      if (now > peak) peak = now;
      Sleep(2);
    }
  });
  work();
  done = true;
  sampler.join();
  return std::max(peak.load(), memory().privateMb);
}

// The peak beyond the target picture while the largest JPEG is fitted to
// screens of today's sizes.
void scalerPeaks(WicPictureLoader& wic, const std::string& path, const Size& s) {
  std::printf("\n%s shrunk to a target (memory in MB beyond what was held before)\n", s.label);
  std::printf("%-10s %9s %9s %9s %14s\n", "target", "fitted", "picture", "peak", "peak-picture");
  const PictureSize targets[] = {{1920, 1080}, {3840, 2160}};
  for (const PictureSize& box : targets) {
    const PictureSize shown = fitWithin({s.width, s.height}, box);
    const double pictureMb = shown.width * double(shown.height) * 4 / (1024.0 * 1024.0);
    const Memory before = memory();
    bool loaded = false;
    const double peak = peakPrivateMb([&] { loaded = static_cast<bool>(wic.load(PictureRequest{path, box})); });
    const std::string target = std::to_string(box.width) + "x" + std::to_string(box.height);
    const std::string fitted = std::to_string(shown.width) + "x" + std::to_string(shown.height);
    std::printf("%-10s %9s %9.1f %9.1f %14.1f%s\n", target.c_str(), fitted.c_str(), pictureMb, peak - before.privateMb,
                peak - before.privateMb - pictureMb, loaded ? "" : " (load failed)");
    // The scaler alone, fed the same number of 24-bit rows, into a target
    // made beforehand: what it holds itself, with the target's pages it
    // writes (Wine counts a page once it is touched).
    std::vector<std::uint8_t> row(static_cast<std::size_t>(s.width) * 3, 0x80);
    std::shared_ptr<DibPicture> picture = DibPicture::create(shown.width, shown.height);
    const Memory scalerBefore = memory();
    const double scalerPeak = peakPrivateMb([&] {
      AreaScaler scaler(s.width, s.height,
                        {picture->mutableBits(), picture->width(), picture->height(), picture->stride()}, 3);
      for (int y = 0; y < s.height; ++y) scaler.addRow(row.data());
    });
    std::printf(
        "%-10s %9s %9s %9s %14.1f  (the scaler writing the target: %.1f bytes a target pixel, its 4 included)\n", "",
        "", "", "", scalerPeak - scalerBefore.privateMb,
        (scalerPeak - scalerBefore.privateMb) * 1024 * 1024 / (double(shown.width) * shown.height));
  }
}

int run(int intervalMs, bool peakOnly) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "lumova-bench\\";
  CreateDirectoryA(dir.c_str(), nullptr);

  std::string paths[3];
  for (int i = 0; i < 3; ++i) {
    paths[i] = dir + "photo-" + std::to_string(kSizes[i].width) + "x" + std::to_string(kSizes[i].height) + ".jpg";
    if (fileSize(paths[i]) == 0) {
      const double t = now();
      if (!writeJpeg(paths[i], kSizes[i].width, kSizes[i].height)) {
        std::printf("could not write %s\n", paths[i].c_str());
        return 1;
      }
      std::printf("wrote %s in %.1f s\n", paths[i].c_str(), now() - t);
    }
  }

  if (peakOnly) {
    WicPictureLoader wic;
    scalerPeaks(wic, paths[2], kSizes[2]);
    CoUninitialize();
    return 0;
  }

  // The screen surface the transitions draw on.
  HDC desktop = GetDC(nullptr);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = CreateCompatibleDC(desktop);
  HBITMAP screenBitmap = CreateCompatibleBitmap(desktop, screenWidth, screenHeight);
  HGDIOBJ oldScreen = SelectObject(screen, screenBitmap);
  const double screenMb = screenWidth * screenHeight * 4 / (1024.0 * 1024.0);
  std::printf("%d-bit process, screen %dx%d, interval %d ms\n\n", static_cast<int>(sizeof(void*) * 8), screenWidth,
              screenHeight, intervalMs);

  WicPictureLoader wic;
  Win32FileStamps stamps;
  const Memory base = memory();
  const std::string statusPath = hostStatusPath();
  const HostMemory hostBase = hostMemory(statusPath);
  std::printf("times in ms, median (least) of %d; memory in MB beyond the baseline\n", 3);
  std::printf("%-8s %6s %7s %15s %15s %13s %8s %8s %8s %8s %8s\n", "size", "file", "bits/px", "decode", "plain",
              "preloaded", "private", "working", "expected", "host", "host pk");
  const int reps = 3;
  for (int i = 0; i < 3; ++i) {
    const Size& s = kSizes[i];
    std::vector<double> decode, plain, preloaded;
    for (int r = 0; r < reps; ++r) {
      double t = now();
      PictureLoad load = wic.load(paths[i]);
      decode.push_back(now() - t);
      if (!load) {
        std::printf("%s: load failed (%d)\n", s.label, static_cast<int>(load.error));
        return 1;
      }
      load = {};
      t = now();
      load = wic.load(paths[i]);
      firstStep(*load.picture, screen, screenWidth, screenHeight);
      plain.push_back(now() - t);
    }
    Memory held{};
    HostMemory hostHeld;
    {
      PreloadingLoader preloader(wic, stamps);
      PicturePtr shown;
      for (int r = 0; r < reps; ++r) {
        preloader.prefetch(paths[i]);
        Sleep(intervalMs);  // the picture on the screen for one interval
        const double t = now();
        PictureLoad load = preloader.load(paths[i]);
        firstStep(*load.picture, screen, screenWidth, screenHeight);
        preloaded.push_back(now() - t);
        shown = load.picture;  // the commit shares the bitmap
      }
      // Steady state between changes: the shown picture plus the next one.
      preloader.prefetch(paths[i]);
      Sleep(intervalMs);
      held = memory();
      hostHeld = hostMemory(statusPath);
    }
    const double pictureMb = static_cast<double>(s.width) * s.height * 4 / (1024.0 * 1024.0);
    std::printf("%-8s %6.1f %7.2f %7.0f (%5.0f) %7.0f (%5.0f) %6.1f (%4.1f) %8.1f %8.1f %8.1f %8.1f %8.1f\n", s.label,
                fileSize(paths[i]) / (1024.0 * 1024.0), fileSize(paths[i]) * 8.0 / (double(s.width) * s.height),
                median(decode) * 1000, least(decode) * 1000, median(plain) * 1000, least(plain) * 1000,
                median(preloaded) * 1000, least(preloaded) * 1000, held.privateMb - base.privateMb,
                held.workingSetMb - base.workingSetMb, 2 * pictureMb, hostHeld.residentMb - hostBase.residentMb,
                hostHeld.peakResidentMb - hostBase.residentMb);
  }
  std::printf("\nbaseline: private %.1f MB, working set %.1f MB, with the screen surface (%.1f MB)\n", base.privateMb,
              base.workingSetMb, screenMb);

  // Fitted to a 1024 x 768 screen.
  const PictureSize screenBox{1024, 768};
  std::printf("\nfitted to 1024x768 (times in ms, median of %d; memory in MB beyond the baseline)\n", reps);
  std::printf("%-8s %9s %9s %6s %9s %9s %9s %s\n", "size", "decode", "+fit", "ratio", "held", "budget", "peak",
              "JPEG decoder at a reduced size");
  for (int i = 0; i < 3; ++i) {
    const Size& s = kSizes[i];
    std::vector<double> plainDecode, fitted;
    for (int r = 0; r < reps; ++r) {
      double t = now();
      PictureLoad load = wic.load(paths[i]);
      plainDecode.push_back(now() - t);
      load = {};
      t = now();
      load = wic.load(PictureRequest{paths[i], screenBox});
      fitted.push_back(now() - t);
      if (!load) return 1;
    }
    const Memory before = memory();
    const double peak = peakPrivateMb([&] { PictureLoad load = wic.load(PictureRequest{paths[i], screenBox}); });
    Memory held{};
    {
      PreloadingLoader preloader(wic, stamps);
      PicturePtr shown = preloader.load(PictureRequest{paths[i], screenBox}).picture;
      preloader.prefetch(PictureRequest{paths[i], screenBox});
      Sleep(intervalMs);
      held = memory();
    }
    const PictureSize shownSize = fitWithin({s.width, s.height}, screenBox);
    const double budgetMb = 2 * shownSize.width * shownSize.height * 4 / (1024.0 * 1024.0) + screenMb + 30;
    std::printf("%-8s %9.0f %9.0f %6.2f %9.1f %9.1f %9.1f %s\n", s.label, median(plainDecode) * 1000,
                median(fitted) * 1000, median(fitted) / median(plainDecode), held.privateMb - base.privateMb, budgetMb,
                peak - before.privateMb, reducedDecoding(paths[i]).c_str());
  }
  scalerPeaks(wic, paths[2], kSizes[2]);
  if (hostBase.residentMb >= 0) {
    std::printf("host: resident %.1f MB at the baseline, peak %.1f MB before it (e.g. writing the pictures)\n",
                hostBase.residentMb, hostBase.peakResidentMb);
  }
  SelectObject(screen, oldScreen);
  DeleteObject(screenBitmap);
  DeleteDC(screen);
  ReleaseDC(nullptr, desktop);
  CoUninitialize();
  return 0;
}

}  // namespace
}  // namespace lumova::win32

int main(int argc, char** argv) {
  const bool peakOnly = argc > 1 && std::strcmp(argv[1], "peak") == 0;
  const int seconds = argc > 1 && !peakOnly ? std::atoi(argv[1]) : 3;
  return lumova::win32::run(std::max(1, seconds) * 1000, peakOnly);
}
