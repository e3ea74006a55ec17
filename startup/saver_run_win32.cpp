#include "startup/saver_run_win32.h"

#include <chrono>
#include <optional>
#include <vector>

#include "common/clock_win32.h"
#include "common/message_box_win32.h"
#include "common/random.h"
#include "common/random_win32.h"
#include "common/text_win32.h"
#include "effects/d3d11_renderer_win32.h"
#include "picture/picture_formats.h"
#include "picture/picture_formats_win32.h"
#include "picture/preloader.h"
#include "picture/preloader_win32.h"
#include "picture/upright_size_win32.h"
#include "picture/wic_loader_win32.h"
#include "saver/background_file_store.h"
#include "saver/folder_source_win32.h"
#include "saver/saver_options.h"
#include "settings/file_store_win32.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "startup/host_win32.h"

namespace lumova::startup {

namespace {

// What the system runs on now; an unknown source counts as the mains.
saver::PowerSource powerSourceNow() {
  SYSTEM_POWER_STATUS status{};
  return GetSystemPowerStatus(&status) && status.ACLineStatus == 0 ? saver::PowerSource::Battery
                                                                   : saver::PowerSource::Mains;
}

}  // namespace

std::string executableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return win32::fromWide(folder);
}

struct SaverRun::Own {
  Win32Host host;
  settings::Win32FileStore files;
  win32::SystemClock clock;
  win32::Win32MessageBoxes messages;
  win32::WicPictureLoader decoder;
  win32::Win32FileStamps stamps;
  std::optional<PreloadingLoader> preloader;
  // The shuffled order's state and the hidden pictures, saved on a worker
  // through a store of its own.
  settings::Win32FileStore stateStore;
  saver::BackgroundFileStore stateFiles{stateStore};
  win32::SystemRandom systemRandom;
  std::optional<ClockSeededRandom> random;
  std::optional<saver::Win32FolderSource> folders;
};

SaverRun::SaverRun(HINSTANCE instance, SaverParts parts)
    : own_(std::make_unique<Own>()),
      host_(parts.host ? *parts.host : own_->host),
      files_(parts.files ? *parts.files : own_->files),
      clock_(parts.clock ? *parts.clock : own_->clock),
      messages_(parts.messages ? *parts.messages : own_->messages),
      pictures_(parts.preload ? static_cast<PictureLoader&>(own_->preloader.emplace(
                                    parts.decoder ? *parts.decoder : own_->decoder, own_->stamps))
                              : (parts.decoder ? *parts.decoder : own_->decoder)) {
  own_->random.emplace(clock_);
  const std::string exeFolder = parts.settingsFolder.empty() ? executableFolder() : parts.settingsFolder;
  if (!parts.window.renderer) {
    // The window draws from its first frame, before the show reads the
    // settings: the one option it needs is read here.
    const settings::SettingsStore store(files_, settings::settingsPath(exeFolder));
    const bool useGpu = saver::saverOptions(settings::readOptions(store)).useGpu;
    parts.window.renderer = [useGpu](HWND h) { return effects::makeWindowRenderer(h, useGpu); };
  }
  // The window's effects are timed by the show's clock when it is the
  // system's; a clock handed in for the show leaves the window real time.
  if (!parts.window.clock) parts.window.clock = parts.clock ? &own_->clock : &clock_;
  window_ = std::make_unique<saver::SaverWindow>(
      instance,
      [this](TimerId id) {
        if (slideshow_) slideshow_->onTimer(id);
      },
      windowInput(), std::move(parts.window));
  if (parts.scanFolders)
    own_->folders.emplace(instance, pictureExtensions(win32::decoderExtensionLists()),
                          saver::FolderSourceCalls{
                              [this](std::vector<std::string> found) { slideshow_->foldersFound(std::move(found)); },
                              [this] { slideshow_->foldersScanned(); }});
  std::function<void(const std::vector<PictureRequest>&)> prefetch;
  if (own_->preloader) prefetch = [this](const std::vector<PictureRequest>& next) { own_->preloader->prefetch(next); };
  slideshow_ = std::make_unique<saver::Slideshow>(saver::SlideshowDeps{
      .view = *window_,
      .events = *window_,
      .host = host_,
      .timers = *window_,
      .clock = clock_,
      .random = *own_->random,
      .pictures = pictures_,
      .messages = messages_,
      .protection = protection_,
      .files = files_,
      .exeFolder = exeFolder,
      .prefetch = std::move(prefetch),
      // Read at a change, once a picture (the show keeps the shape).
      .uprightSize = [](const std::string& path) { return win32::readUprightSize(path); },
      .orderRandom = &own_->systemRandom,
      // Beside settings handed in, the state goes to the same store.
      .stateFiles = parts.files ? nullptr : &own_->stateFiles,
      .folders = own_->folders ? &*own_->folders : nullptr,
  });
  session_ = std::make_unique<SaverSession>(
      SaverSessionDeps{protection_, host_, clock_, *window_, slideshow_->state(), slideshow_.get()});
  promptWindow_ = std::make_unique<password::PasswordWindow>(
      instance, window_->twipsPerPixelX(), window_->twipsPerPixelY(),
      password::PasswordKeys{[this](int key) { prompt_->onPasswordKey(key); },
                             [this](int key) { prompt_->onNotesKey(key); }, [this] { prompt_->onClose(); }});
  prompt_ = std::make_unique<password::PasswordPrompt>(*promptWindow_, protection_.password, *session_);
  session_->attachPrompt(*prompt_);
  if (!parts.host) {
    own_->host.attach(window_->hwnd());
    // ExitProcess would take the worker down with saves still waiting.
    own_->host.beforeEnd([this] { own_->stateFiles.flush(std::chrono::milliseconds(500)); });
  }
  window_->watchDisplay([this] { slideshow_->displayChanged(); });
  window_->watchPower([this](saver::DisplayPower power) { slideshow_->displayPowerChanged(power); },
                      [this](saver::PowerSource source) { slideshow_->powerSourceChanged(source); });
}

saver::SaverInput SaverRun::windowInput() {
  saver::SaverInput input;
  input.onKey = [this](const saver::KeyPress& key) { session_->onKey(key); };
  input.onBackgroundButton = [this] { session_->onButton(); };
  input.onBackgroundMove = [this](float x, float y) { session_->onWindowMove(x, y); };
  input.onPictureMove = [this](int x, int y) {
    session_->onPictureMove(static_cast<float>(x), static_cast<float>(y));
  };
  input.onEnd = [this] { session_->unlockAndEnd(); };
  return input;
}

SaverRun::~SaverRun() {
  // The scan's results reach the show until its worker has ended.
  own_->folders.reset();
}

void SaverRun::start() {
  // Windows starts a screen saver at a low base priority. The process keeps
  // that class, so the user's background work still comes first; within it
  // the drawing takes the highest level, and decoding stays at the normal
  // level on its worker, where threads start.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  slideshow_->powerSourceChanged(powerSourceNow());
  slideshow_->start();
  host_.parkPointer();
  ShowWindow(window_->hwnd(), SW_SHOW);
  SetForegroundWindow(window_->hwnd());
  host_.raiseSaverWindow();
}

int SaverRun::run() {
  start();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace lumova::startup
