// The picture list of the "Image Files" tab: adding and removing pictures,
// their captions, and the thumbnail of the one selected.
#include "dialog/settings_dialog.h"

#include <algorithm>
#include <utility>

#include "common/textnum.h"
#include "common/utf.h"
#include "picture/picture_formats.h"
#include "settings/settings_store.h"

namespace lumova::dialog {

using settings::Key;
using C = Control;

Thumbnail fitThumbnail(PicturePtr picture, int width, int height) {
  if (width >= kThumbnailWidth || height >= kThumbnailHeight) {
    do {
      width = static_cast<int>(roundHalfEven(width * 0.9));
      height = static_cast<int>(roundHalfEven(height * 0.9));
    } while (width > kThumbnailWidth - 1 || height > kThumbnailHeight - 1);
  }
  return {std::move(picture), width, height};
}

void SettingsDialog::textTooLong(Control c) {
  if (c == C::captionText) host_.showMessage(kCaptionTooLong);
  if (c == C::passwordText || c == C::confirmText) host_.showMessage(kPasswordTooLong);
}

void SettingsDialog::showCount() {
  setText(C::pictureCount, numberToText(static_cast<std::int64_t>(control(C::pictureList).items.size())));
}

void SettingsDialog::appendPictures(std::vector<std::string> paths, int select) {
  auto& list = state(C::pictureList).items;
  auto& captions = state(C::captionList).items;
  list.insert(list.end(), std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
  changed(C::pictureList);
  captions.resize(list.size());
  changed(C::captionList);
  setListIndex(C::pictureList, select);
  showCount();
}

std::size_t roomInList(std::size_t listed) {
  const auto most = static_cast<std::size_t>(settings::kMaxPictures);
  return listed < most ? most - listed : 0;
}

void SettingsDialog::onAddPictures() {
  // The specified types first, and preselected; then every type the
  // computer's decoders open.
  std::string filter = kPictureFilter;
  if (const std::vector<std::string> types = host_.pictureExtensions(); !types.empty())
    filter += "|" + allPicturesFilter(types);
  const std::vector<std::string> chosen = host_.openFiles({filter, 1, kOpenTitle});
  if (chosen.empty()) {
    host_.showMessage(kNoFileSelected);
    return;
  }
  std::vector<std::string> paths;
  for (const std::string& path : chosen) {
    if (utf16Length(path) > kMaxTextLength)
      host_.showMessage(pathTooLongMessage(path));
    else
      paths.push_back(path);
  }
  // What does not fit is left out, and said after what fits is shown.
  const std::size_t room = roomInList(control(C::pictureList).items.size());
  const std::size_t leftOut = paths.size() > room ? paths.size() - room : 0;
  paths.resize(paths.size() - leftOut);
  const auto sayLeftOut = [&] {
    if (leftOut != 0) host_.showMessage(listFullMessage(leftOut));
  };
  if (paths.empty()) return sayLeftOut();
  // Duplicates are allowed: each occurrence has its own caption. Of several
  // files only the last is loaded, as the one that ends up selected.
  const std::string last = paths.back();
  const int lastIndex = static_cast<int>(control(C::pictureList).items.size() + paths.size()) - 1;
  appendPictures(std::move(paths), lastIndex);

  // The selection has just loaded this file; only when that failed is it
  // read again. An entry that cannot be shown stays, with a blank preview.
  clearThumbnail();
  if (loadedPath_ != last) {
    // A file that cannot be loaded leaves loadedPicture_ with the last picture that
    // did; the preview stays blank.
    PicturePtr loaded = host_.pictures().load(last).picture;
    if (!loaded) {
      host_.showMessage(kNoFileSelected);
      return sayLeftOut();
    }
    loadedPicture_ = std::move(loaded);
    loadedPath_ = last;
  }
  if (!measurePicture() || !drawThumbnail()) host_.showMessage(kNoFileSelected);
  sayLeftOut();
}

void SettingsDialog::onPictureSelected() {
  // Each step runs even when an earlier one failed; one message at the end.
  bool failed = false;
  const int selected = control(C::pictureList).value;
  const bool hasEntry = selected >= 0 && selected < static_cast<int>(control(C::pictureList).items.size());

  loadedPath_.clear();
  if (hasEntry) {
    const std::string& path = control(C::pictureList).items[static_cast<std::size_t>(selected)];
    PictureLoad load = host_.pictures().load(path);
    if (load) {
      loadedPicture_ = std::move(load.picture);
      loadedPath_ = path;
    } else {
      failed = true;  // loadedPicture_ keeps what it held
    }
  } else {
    failed = true;
  }

  const auto& captions = control(C::captionList).items;
  if (selected >= 0 && selected < static_cast<int>(captions.size())) {
    const std::string caption = captions[static_cast<std::size_t>(selected)];
    setText(C::captionText, caption);
  } else {
    failed = true;
  }

  clearThumbnail();
  if (!measurePicture()) failed = true;
  if (!drawThumbnail()) failed = true;

  if (failed) host_.showMessage(kImageNotFound);
}

// picWidth and picHeight: the held picture's size in twips, whole numbers.
bool SettingsDialog::measurePicture() {
  if (!loadedPicture_) return false;
  const ScreenMetrics m = host_.metrics();
  const auto w = toInt32(static_cast<double>(loadedPicture_->width()) * m.twipsPerPixelX);
  const auto h = toInt32(static_cast<double>(loadedPicture_->height()) * m.twipsPerPixelY);
  if (!w || !h) return false;
  picWidth_ = *w;
  picHeight_ = *h;
  return true;
}

bool SettingsDialog::drawThumbnail() {
  if (!loadedPicture_) return false;
  Thumbnail fitted = fitThumbnail(loadedPicture_, picWidth_, picHeight_);
  picWidth_ = fitted.width;
  picHeight_ = fitted.height;
  thumbnail_ = std::move(fitted);
  changed(C::thumbnailBox);
  return true;
}

void SettingsDialog::onCaptionChanged() {
  const std::string text = control(C::captionText).text;
  const ControlState& list = control(C::pictureList);
  if (text.empty() && list.value < 0) return;
  if (list.items.empty()) {
    host_.showMessage(kLoadImageFirst);
    setText(C::captionText, "");
    return;
  }
  // With entries but none selected the caption has nowhere to go.
  auto& captions = state(C::captionList).items;
  if (list.value < 0 || list.value >= static_cast<int>(captions.size())) return;
  auto& caption = captions[static_cast<std::size_t>(list.value)];
  if (caption == text) return;
  caption = text;
  changed(C::captionList);
}

void SettingsDialog::onRemovePicture() {
  const int selected = control(C::pictureList).value;
  const auto& items = control(C::pictureList).items;
  if (items.empty() || items.front().empty()) {
    host_.showMessage(kNothingToRemove);
    return;
  }
  clearThumbnail();
  if (selected < 0 || selected >= static_cast<int>(items.size())) {
    host_.showMessage(kNothingToRemove);
    return;
  }
  removeItem(C::pictureList, selected);
  removeItem(C::captionList, selected);
  if (control(C::pictureList).items.empty())
    setText(C::captionText, "");
  else
    setListIndex(C::pictureList, selected == 0 ? 0 : selected - 1);
  showCount();
}

void SettingsDialog::onRemoveAllPictures() {
  if (!host_.askYesNo(kRemoveAllQuestion)) return;
  setItems(C::pictureList, {});
  clearThumbnail();
  setItems(C::captionList, {});
  setText(C::captionText, "");
  setText(C::pictureCount, "0");
}

void SettingsDialog::onClearCaption() {
  setText(C::captionText, "");
  const int selected = control(C::pictureList).value;
  auto& captions = state(C::captionList).items;
  if (selected < 0 || selected >= static_cast<int>(captions.size())) return;
  auto& caption = captions[static_cast<std::size_t>(selected)];
  if (caption.empty()) return;
  caption.clear();
  changed(C::captionList);
}

}  // namespace lumova::dialog
