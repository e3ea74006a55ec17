// A dialog model on fakes, a settings file to open it on, and the file as a
// fresh reader sees it after a save: what the native dialog tests share.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dialog/form2_model.h"
#include "dialog/tests/form2_fakes.h"
#include "settings/ini_document.h"

namespace lumova::dialog::testing {

// A complete, well-formed file as our own save writes it; `overrides` are
// "section/key=value" lines applied on top.
inline std::string fullIni(const std::string& overrides = "") {
  std::string ini =
      "[images]\r\n0=C:\\Pics\\a.jpg\r\n1=C:\\Pics\\b.gif\r\n"
      "[total]\r\ntotal=2\r\n"
      "[caption]\r\n0=First\r\n1=Second\r\n"
      "[image]\r\nrandomPick=1\r\npicSpeed=3\r\ntimeInterval=25\r\npicRandom=rand\r\npicChange=ch\r\n"
      "effectMode=4\r\nrandomEffect=0\r\n"
      "[background]\r\nnewBackColor=255\r\nbackEffect=1\r\n"
      "[password]\r\nsaverPassword=Secret\r\nsaverEnabled=1\r\n"
      "[font]\r\nnewFontName=Verdana\r\nnewFontSize=12\r\nnewFontBold=True\r\nnewFontItalic=False\r\n"
      "newFontUnderline=False\r\nnewFontFontStrikethru=True\r\nnewFontForeColor=65280\r\n";
  settings::IniDocument doc(ini);
  std::size_t pos = 0;
  while (pos < overrides.size()) {
    std::size_t end = overrides.find('\n', pos);
    if (end == std::string::npos) end = overrides.size();
    const std::string line = overrides.substr(pos, end - pos);
    const auto slash = line.find('/');
    const auto eq = line.find('=');
    doc.write(line.substr(0, slash), line.substr(slash + 1, eq - slash - 1), line.substr(eq + 1));
    pos = end + 1;
  }
  return doc.serialize();
}

struct Dialog {
  explicit Dialog(const std::string& ini, bool fileExists = true) : host(ini, fileExists), model(host) {
    host.pictureFiles.sizes["C:\\Pics\\a.jpg"] = {640, 480};
    host.pictureFiles.sizes["C:\\Pics\\b.gif"] = {100, 80};
  }
  const ControlState& operator[](Control c) const { return model.control(c); }
  RecordingHost host;
  Form2Model model;
};

struct FileView {
  explicit FileView(const std::string& bytes) {
    files.files[kIniPath] = bytes;
    store = std::make_unique<settings::SettingsStore>(files, kIniPath);
  }
  std::string read(std::string_view section, std::string_view key) const { return store->read(section, key); }
  MemoryFiles files;
  std::unique_ptr<settings::SettingsStore> store;
};

}  // namespace lumova::dialog::testing
