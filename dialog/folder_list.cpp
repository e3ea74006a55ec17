// The folder list of the "Image Files" tab: adding and removing folders,
// their counts from the host's worker, and the preview of a folder's first
// picture.
#include "dialog/settings_dialog.h"

#include <utility>

#include "common/utf.h"
#include "picture/folder_scan.h"
#include "picture/missing_decoders.h"

namespace lumova::dialog {

using C = Control;

std::vector<std::string> SettingsDialog::folderPaths() const {
  std::vector<std::string> paths;
  paths.reserve(folders_.size());
  for (const ListedFolder& f : folders_) paths.push_back(f.path);
  return paths;
}

void SettingsDialog::showFolders(int select) {
  std::vector<std::string> texts;
  texts.reserve(folders_.size());
  for (const ListedFolder& f : folders_) texts.push_back(folderEntryText(f.path, f.count));
  ControlState& list = state(C::folderList);
  if (list.items != texts) {
    list.items = std::move(texts);
    if (list.value >= static_cast<int>(list.items.size())) list.value = -1;
    changed(C::folderList);
  }
  setListIndex(C::folderList, select);
}

void SettingsDialog::countMissing() {
  std::vector<std::string> missing;
  for (const ListedFolder& f : folders_)
    if (!f.count) missing.push_back(f.path);
  if (!missing.empty()) host_.countFolders(missing);
}

void SettingsDialog::onAddFolder() {
  const auto chosen = host_.chooseFolder({kFolderTitle});
  if (!chosen) return;
  std::string folder = *chosen;
  // "C:\Photos\" and "C:\Photos" are one folder; a drive's root keeps its "\".
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (utf16Length(folder) > kMaxTextLength) {
    host_.showMessage(std::string(kFolderPathTooLong) + "\r\n" + folder);
    return;
  }
  const std::u16string key = pathKey(folder);
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    if (pathKey(folders_[i].path) != key) continue;
    setListIndex(C::folderList, static_cast<int>(i));
    host_.showMessage(std::string(kFolderListed) + "\r\n" + folders_[i].path);
    return;
  }
  folders_.push_back({folder, std::nullopt});
  showFolders(static_cast<int>(folders_.size()) - 1);
  countMissing();
}

void SettingsDialog::onRemoveFolder() {
  const int selected = control(C::folderList).value;
  if (selected < 0 || selected >= static_cast<int>(folders_.size())) {
    host_.showMessage(kNothingToRemove);
    return;
  }
  folders_.erase(folders_.begin() + selected);
  clearThumbnail();
  state(C::folderList).value = -1;
  showFolders(folders_.empty() ? -1 : selected == 0 ? 0 : selected - 1);
}

void SettingsDialog::onFolderSelected() {
  const int selected = control(C::folderList).value;
  clearThumbnail();
  if (selected < 0 || selected >= static_cast<int>(folders_.size())) {
    host_.showNotice("");
    return;
  }
  const auto& count = folders_[static_cast<std::size_t>(selected)].count;
  // What to install for the files of the folder that nothing opens.
  host_.showNotice(count ? missingDecoderAdvice(count->unopened) : std::string());
  // Not counted yet: the thumbnail comes with the count.
  if (count && !count->first.empty()) previewFile(count->first);
}

void SettingsDialog::previewFile(const std::string& path) {
  PictureLoad load = host_.pictures().load(path);
  if (!load) return;
  loadedPicture_ = std::move(load.picture);
  loadedPath_ = path;
  if (measurePicture()) drawThumbnail();
}

void SettingsDialog::folderCounted(const std::string& path, const FolderCount& count) {
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    if (folders_[i].path != path || folders_[i].count) continue;
    folders_[i].count = count;
    showFolders(control(C::folderList).value);
    if (control(C::folderList).value == static_cast<int>(i)) onFolderSelected();
    return;
  }
}

}  // namespace lumova::dialog
