#include "settings/ini_document.h"

#include <algorithm>
#include <utility>

namespace lumova::settings {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kNewLine = "\r\n";

// The profile code's blank set: C white space plus Ctrl-Z (a DOS end of file).
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trimFront(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view trim(std::string_view s) {
  s = trimFront(s);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names and values are C strings to the profile calls: a NUL ends them.
std::string_view untilNul(std::string_view s) {
  auto nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Only ASCII letters compare without regard to case.
std::string fold(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// A name as the caller passes it to a lookup or a write.
std::string_view requestedName(std::string_view name) { return trim(untilNul(name)); }

bool hasLineEnd(std::string_view raw) { return !raw.empty() && (raw.back() == '\n' || raw.back() == '\r'); }

std::string_view lineEnd(std::string_view raw) {
  if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n") return raw.substr(raw.size() - 2);
  if (hasLineEnd(raw)) return raw.substr(raw.size() - 1);
  return {};
}

// Every CR and every LF ends a line; a CR LF pair stays together so that an
// edited line keeps its own line end.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(text.substr(start, i + 1 - start));
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

IniDocument::IniDocument() { addSection({}, {}); }

IniDocument::IniDocument(std::string_view bytes, const TextCodec* codec) : IniDocument() {
  codec_ = codec;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    bom_ = true;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  Section* current = &sections_.front();
  for (std::string_view raw : splitLines(bytes)) {
    std::string_view text = trim(raw);
    if (!text.empty() && text.front() == '[') {
      auto close = text.rfind(']');
      if (close != std::string_view::npos) {
        current = &addSection(decoded(untilNul(trim(text.substr(1, close - 1)))), std::string(raw));
        continue;
      }
      // Without a closing bracket the line is an ordinary entry.
    }
    Line line;
    line.raw = raw;
    if (!text.empty()) {
      line.blank = false;
      auto equals = text.find('=');
      std::string_view name = untilNul(equals == std::string_view::npos ? text : trim(text.substr(0, equals)));
      line.name = decoded(name);
      if (line.name != name) line.spelling = name;
      if (equals != std::string_view::npos) {
        line.value = decoded(untilNul(trim(text.substr(equals + 1))));
        line.hasValue = true;
      }
    }
    addLine(*current, std::move(line));
  }
}

std::string IniDocument::decoded(std::string_view fileText) const {
  return bom_ && codec_ ? codec_->utf8ToAnsi(fileText) : std::string(fileText);
}

std::string IniDocument::encoded(std::string_view text) const {
  return bom_ && codec_ ? codec_->ansiToUtf8(text) : std::string(text);
}

IniDocument::Section& IniDocument::addSection(std::string name, std::string header) {
  // Section pointers are not kept across this call: the vector may move.
  sectionIndex_[fold(name)].push_back(sections_.size());
  Section& section = sections_.emplace_back();
  section.name = std::move(name);
  section.header = std::move(header);
  return section;
}

void IniDocument::addLine(Section& section, Line line) {
  if (!line.blank) section.keys.try_emplace(fold(line.name), section.body.size());
  section.body.push_back(std::move(line));
}

IniDocument::Section* IniDocument::findSection(std::string_view foldedName) {
  return const_cast<Section*>(std::as_const(*this).findSection(foldedName));
}

const IniDocument::Section* IniDocument::findSection(std::string_view foldedName) const {
  auto found = sectionIndex_.find(std::string(foldedName));
  if (found == sectionIndex_.end()) return nullptr;
  for (std::size_t i : found->second)
    if (!sections_[i].removed) return &sections_[i];
  return nullptr;
}

std::string IniDocument::read(std::string_view section, std::string_view key, std::size_t bufferSize) const {
  if (bufferSize == 0) return {};
  const Section* s = findSection(fold(requestedName(section)));
  if (!s) return {};
  auto found = s->keys.find(fold(requestedName(key)));
  if (found == s->keys.end()) return {};
  const Line& line = s->body[found->second];
  if (!line.hasValue) return {};

  std::string_view value = line.value;
  const std::size_t room = bufferSize - 1;
  bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (!quoted) return std::string(value.substr(0, room));
  // The opening quote is skipped, the rest copied as far as it fits, and
  // the last copied character dropped whenever the whole rest would have
  // fitted the buffer with its terminator, even when that character is not
  // the closing quote: a quoted value one character too long loses two.
  value.remove_prefix(1);
  std::string_view copied = value.substr(0, room);
  if (bufferSize >= value.size() && !copied.empty()) copied.remove_suffix(1);
  return std::string(copied);
}

void IniDocument::write(std::string_view section, std::string_view key, std::string_view value) {
  std::string_view sectionName = requestedName(section);
  std::string_view keyName = requestedName(key);
  std::string_view newValue = trimFront(untilNul(value));

  Line line;
  line.blank = false;
  line.hasValue = true;
  line.value = trim(newValue);

  Section* s = findSection(fold(sectionName));
  if (!s) {
    std::string header;
    if (!sectionName.empty()) header = "[" + encoded(sectionName) + "]" + std::string(kNewLine);
    s = &addSection(std::string(sectionName), std::move(header));
  }
  auto found = s->keys.find(fold(keyName));
  if (found != s->keys.end()) {
    Line& old = s->body[found->second];
    if (old.hasValue && old.value == newValue) return;  // nothing to change
    // The file's spelling of the name stays; the line is rewritten.
    line.name = old.name;
    line.spelling = old.spelling;
    line.raw =
        (old.spelling.empty() ? old.name : old.spelling) + "=" + encoded(newValue) + std::string(lineEnd(old.raw));
    old = std::move(line);
    return;
  }
  line.name = keyName;
  std::string spelling = encoded(keyName);
  if (spelling != keyName) line.spelling = spelling;
  line.raw = spelling + "=" + encoded(newValue) + std::string(kNewLine);
  // After the section's last non-blank line: trailing blank lines stay
  // between it and the next section. Only blank lines follow the insertion
  // point, so no recorded entry position moves.
  auto lastEntry = std::find_if(s->body.rbegin(), s->body.rend(), [](const Line& l) { return !l.blank; });
  auto at = static_cast<std::size_t>(s->body.rend() - lastEntry);
  s->keys.emplace(fold(keyName), at);
  s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniDocument::clearSection(std::string_view section) {
  Section* s = findSection(fold(untilNul(section)));
  if (!s) return;
  s->removed = true;
  s->header.clear();
  s->body.clear();
  s->keys.clear();
}

std::string IniDocument::serialize() const {
  std::vector<const std::string*> lines;
  for (const Section& s : sections_) {
    if (s.removed) continue;
    if (!s.header.empty()) lines.push_back(&s.header);
    for (const Line& l : s.body) lines.push_back(&l.raw);
  }
  std::size_t size = bom_ ? kUtf8Bom.size() : 0;
  for (const std::string* l : lines) size += l->size() + kNewLine.size();
  std::string out;
  out.reserve(size);
  if (bom_) out += kUtf8Bom;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += *lines[i];
    // Only the file's last line can lack a line end; once something
    // follows it, it needs one.
    if (i + 1 < lines.size() && !hasLineEnd(*lines[i])) out += kNewLine;
  }
  return out;
}

}  // namespace lumova::settings
