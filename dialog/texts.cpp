#include "dialog/settings_dialog.h"

#include <algorithm>
#include <cstdio>

#include "common/textnum.h"
#include "picture/folder_scan.h"
#include "picture/missing_decoders.h"

namespace lumova::dialog {

std::string commonDialogFilter(std::string_view pipeSeparated) {
  std::string out(pipeSeparated);
  std::replace(out.begin(), out.end(), '|', '\0');
  out.push_back('\0');
  return out;
}

std::vector<std::string> splitOpenSelection(std::string_view buffer) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < buffer.size()) {
    const std::size_t end = std::min(buffer.find('\0', start), buffer.size());
    if (end == start) break;  // the empty name after the last one
    parts.emplace_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() <= 1) return parts;
  std::vector<std::string> paths;
  paths.reserve(parts.size() - 1);
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(joinPath(parts[0], parts[i]));
  return paths;
}

std::string listFullMessage(std::size_t leftOut) {
  return "The list holds at most 32767 pictures. " + numberToText(static_cast<std::int64_t>(leftOut)) +
         (leftOut == 1 ? " picture was" : " pictures were") + " left out.";
}

std::string folderEntryText(const std::string& path, const std::optional<FolderCount>& count) {
  if (!count) return path;
  if (!count->readable) return path + "  (cannot be read)";
  const std::string note = missingDecoderNote(count->unopened);
  return path + "  (" + groupedCount(count->pictures) + (count->pictures == 1 ? " picture" : " pictures") +
         (note.empty() ? "" : "; " + note) + ")";
}

std::string fontSizeText(double points) {
  // Seven significant digits are what a single-precision value holds; more
  // would show the binary fraction (10.1 as 10.10000038).
  char buffer[32];
  const double single = static_cast<float>(points);
  std::snprintf(buffer, sizeof buffer, "%.7g", single);
  const std::string text = buffer;
  return text.find_first_of("eEni") == std::string::npos ? text : numberToText(single);
}

namespace {

const char* saveFailure(settings::SaveError error) {
  const char* reason = "";
  switch (error) {
    case settings::SaveError::CannotCreateTemp:
      reason = "The folder cannot be written to.";
      break;
    case settings::SaveError::WriteFailed:
      reason = "Writing the new file failed.";
      break;
    case settings::SaveError::FlushFailed:
      reason = "The new file could not be written to the disk.";
      break;
    case settings::SaveError::ReplaceFailed:
      reason = "The old file could not be replaced.";
      break;
    case settings::SaveError::Folder:
      reason = "A folder has the file's name.";
      break;
    case settings::SaveError::None:
      break;
  }
  return reason;
}

}  // namespace

std::string saveFailedMessage(const std::string& path, settings::SaveError error) {
  return "The settings could not be saved to\r\n" + path + "\r\n\r\n" + saveFailure(error) +
         " The file is unchanged; your choices are still in the dialog.";
}

std::string hiddenCountText(std::size_t count) {
  return "Hidden pictures: " + numberToText(static_cast<std::int64_t>(count));
}

std::string showHiddenQuestion(std::size_t count) {
  return count == 1 ? std::string("Show the hidden picture in the slideshow again?")
                    : "Show all " + numberToText(static_cast<std::int64_t>(count)) +
                          " hidden pictures in the slideshow again?";
}

std::string hiddenNotEmptiedMessage(const std::string& path, settings::SaveError error) {
  return std::string("The list of hidden pictures could not be emptied:\r\n") + path + "\r\n\r\n" + saveFailure(error) +
         " The pictures stay hidden.";
}

std::string cannotSaveMessage(const std::string& path, settings::SaveError error) {
  const char* reason = "The folder cannot be written to.";
  if (error == settings::SaveError::ReplaceFailed) reason = "The file is read-only.";
  if (error == settings::SaveError::Folder) reason = "A folder has the file's name.";
  return "The settings cannot be saved to\r\n" + path + "\r\n\r\n" + reason +
         " You can look at them here, but OK will not be able to save them.";
}

std::string readFailedMessage(const std::string& path, settings::ReadError error) {
  const char* reason = "The file could not be read.";
  if (error == settings::ReadError::InUse) reason = "Another program is using the file.";
  if (error == settings::ReadError::Folder) reason = "A folder has the file's name.";
  return "The settings could not be read from\r\n" + path + "\r\n\r\n" + reason +
         " The dialog shows the defaults, and OK will not replace the file until it can be read.";
}

std::string reloadedMessage(const std::string& path) {
  return "The settings can be read now from\r\n" + path +
         "\r\n\r\nThe dialog now shows the settings of this file. Your changes were not applied: make them again "
         "if you still want them, then press OK.";
}

std::string pathTooLongMessage(const std::string& path) {
  return "This picture's path is longer than 254 characters, more than the settings file can keep:\r\n" + path +
         "\r\n\r\nMove the picture to a folder with a shorter path and add it again.";
}

}  // namespace lumova::dialog
