#include "settings/ini_document.h"

#include <algorithm>
#include <utility>

#include "common/utf.h"

namespace lumova::settings {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr std::u16string_view kNewLine = u"\r\n";

// The profile code's blank set: C white space plus Ctrl-Z (a DOS end of file).
bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\x1a';
}

std::u16string_view trimFront(std::u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::u16string_view trim(std::u16string_view s) {
  s = trimFront(s);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names and values are C strings to the profile calls: a NUL ends them.
std::u16string_view untilNul(std::u16string_view s) {
  auto nul = s.find(u'\0');
  return nul == std::u16string_view::npos ? s : s.substr(0, nul);
}

// Only ASCII letters compare without regard to case.
std::u16string fold(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

// A name as the caller passes it to a lookup or a write.
std::u16string requestedName(std::string_view utf8) { return std::u16string(trim(untilNul(utf8ToUtf16(utf8)))); }

bool hasLineEnd(std::u16string_view text) { return !text.empty() && (text.back() == u'\n' || text.back() == u'\r'); }

std::u16string_view lineEnd(std::u16string_view text) {
  if (text.size() >= 2 && text.substr(text.size() - 2) == kNewLine) return text.substr(text.size() - 2);
  if (hasLineEnd(text)) return text.substr(text.size() - 1);
  return {};
}

// Where each line of `units` ends: every CR and every LF ends one, a CR LF
// pair stays together so that an edited line keeps its own line end.
template <typename Units>
std::vector<std::size_t> lineEnds(const Units& units, std::size_t count) {
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < count; ++i) {
    if (units(i) != '\n' && units(i) != '\r') continue;
    if (units(i) == '\r' && i + 1 < count && units(i + 1) == '\n') ++i;
    ends.push_back(i + 1);
  }
  if (ends.empty() ? count > 0 : ends.back() < count) ends.push_back(count);
  return ends;
}

std::string utf16Bytes(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = static_cast<char>(text[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return out;
}

}  // namespace

IniDocument::IniDocument(const TextCodec* codec) : codec_(codec ? codec : systemTextCodec()) { addSection({}); }

IniDocument::IniDocument(std::string_view bytes, const TextCodec* codec) : IniDocument(codec) { parse(bytes); }

void IniDocument::parse(std::string_view bytes) {
  Section* current = &sections_.front();
  auto take = [&](std::string raw, std::u16string text) {
    Line line = parseLine(std::move(raw), std::move(text));
    std::u16string_view t = trim(line.text);
    if (!t.empty() && t.front() == u'[') {
      const auto close = t.rfind(u']');
      if (close != std::u16string_view::npos) {
        current = &addSection(std::u16string(untilNul(trim(t.substr(1, close - 1)))));
        current->hasHeader = true;
        current->header = std::move(line);
        return;
      }
      // Without a closing bracket the line is an ordinary entry.
    }
    addLine(*current, std::move(line));
  };

  if (bytes.substr(0, kUtf16Bom.size()) == kUtf16Bom) {
    source_ = Form::Utf16;
    bytes.remove_prefix(kUtf16Bom.size());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) {
      return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    std::size_t start = 0;
    const auto ends = lineEnds(unit, units);
    if (ends.empty() && !bytes.empty()) take(std::string(bytes), {});  // a lone odd byte
    for (std::size_t e = 0; e < ends.size(); ++e) {
      std::u16string text;
      for (std::size_t i = start; i < ends[e]; ++i) text.push_back(unit(i));
      // An odd last byte is not a character; it stays with the last line.
      const std::size_t rawEnd = e + 1 == ends.size() ? bytes.size() : 2 * ends[e];
      take(std::string(bytes.substr(2 * start, rawEnd - 2 * start)), std::move(text));
      start = ends[e];
    }
    return;
  }

  const bool utf8 = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
  if (utf8) {
    source_ = Form::Utf8;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  std::size_t start = 0;
  for (std::size_t end : lineEnds([&](std::size_t i) { return bytes[i]; }, bytes.size())) {
    const std::string_view raw = bytes.substr(start, end - start);
    take(std::string(raw), utf8 ? utf8ToUtf16(raw) : codec_->ansiToUtf16(raw));
    start = end;
  }
}

IniDocument::Line IniDocument::parseLine(std::string raw, std::u16string text) const {
  Line line;
  line.raw = std::move(raw);
  line.text = std::move(text);
  const std::u16string_view t = trim(line.text);
  if (t.empty()) return line;
  line.blank = false;
  const auto equals = t.find(u'=');
  line.name = untilNul(equals == std::u16string_view::npos ? t : trim(t.substr(0, equals)));
  if (equals != std::u16string_view::npos) {
    line.value = untilNul(trim(t.substr(equals + 1)));
    line.hasValue = true;
  }
  return line;
}

IniDocument::Section& IniDocument::addSection(std::u16string name) {
  // Section pointers are not kept across this call: the vector may move.
  sectionIndex_[fold(name)].push_back(sections_.size());
  Section& section = sections_.emplace_back();
  section.name = std::move(name);
  return section;
}

void IniDocument::addLine(Section& section, Line line) {
  if (!line.blank) section.keys.try_emplace(fold(line.name), section.body.size());
  section.body.push_back(std::move(line));
}

IniDocument::Section* IniDocument::findSection(std::u16string_view foldedName) {
  return const_cast<Section*>(std::as_const(*this).findSection(foldedName));
}

const IniDocument::Section* IniDocument::findSection(std::u16string_view foldedName) const {
  auto found = sectionIndex_.find(std::u16string(foldedName));
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

  std::u16string_view value = line.value;
  const std::size_t room = bufferSize - 1;
  std::u16string_view copied;
  const bool quoted =
      value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
  if (!quoted) {
    copied = value.substr(0, room);
  } else {
    // The opening quote is skipped, the rest copied as far as it fits, and
    // the last copied character dropped whenever the whole rest would have
    // fitted the buffer with its terminator, even when that character is
    // not the closing quote: a quoted value one character too long loses two.
    value.remove_prefix(1);
    copied = value.substr(0, room);
    if (bufferSize >= value.size() && !copied.empty()) copied.remove_suffix(1);
  }
  // The buffer may end between the two halves of a character.
  if (!copied.empty() && copied.back() >= 0xD800 && copied.back() <= 0xDBFF) copied.remove_suffix(1);
  return utf16ToUtf8(copied);
}

void IniDocument::write(std::string_view section, std::string_view key, std::string_view value) {
  const std::u16string sectionName = requestedName(section);
  const std::u16string keyName = requestedName(key);
  const std::u16string wideValue = utf8ToUtf16(value);
  const std::u16string_view newValue = trimFront(untilNul(wideValue));

  Line line;
  line.blank = false;
  line.hasValue = true;
  line.value = trim(newValue);

  Section* s = findSection(fold(sectionName));
  if (!s) {
    s = &addSection(sectionName);
    if (!sectionName.empty()) {
      s->hasHeader = true;
      s->header = parseLine({}, u"[" + sectionName + u"]" + std::u16string(kNewLine));
    }
  }
  auto found = s->keys.find(fold(keyName));
  if (found != s->keys.end()) {
    Line& old = s->body[found->second];
    if (old.hasValue && old.value == newValue) return;  // nothing to change
    edited_ = true;
    // The file's spelling of the name stays; the line is rewritten.
    line.name = old.name;
    line.text = old.name + u"=" + std::u16string(newValue) + std::u16string(lineEnd(old.text));
    old = std::move(line);
    return;
  }
  edited_ = true;
  line.name = keyName;
  line.text = keyName + u"=" + std::u16string(newValue) + std::u16string(kNewLine);
  // After the section's last non-blank line: trailing blank lines stay
  // between it and the next section. Only blank lines follow the insertion
  // point, so no recorded entry position moves.
  auto lastEntry = std::find_if(s->body.rbegin(), s->body.rend(), [](const Line& l) { return !l.blank; });
  auto at = static_cast<std::size_t>(s->body.rend() - lastEntry);
  s->keys.emplace(fold(keyName), at);
  s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniDocument::clearSection(std::string_view section) {
  Section* s = findSection(fold(untilNul(utf8ToUtf16(section))));
  if (!s) return;
  edited_ = true;
  s->removed = true;
  s->hasHeader = false;
  s->body.clear();
  s->keys.clear();
}

template <typename Visit>
void IniDocument::forEachLine(Visit&& visit) const {
  for (const Section& s : sections_) {
    if (s.removed) continue;
    if (s.hasHeader) visit(s.header);
    for (const Line& l : s.body) visit(l);
  }
}

IniDocument::Form IniDocument::form() const {
  // An untouched document keeps its bytes, whatever they are.
  if (source_ == Form::Utf8 || !edited_) return source_;
  bool fits = true;
  forEachLine([&](const Line& l) {
    // Lines read from an ANSI file go back as the bytes they were.
    if (!fits || (source_ == Form::Ansi && !l.raw.empty())) return;
    fits = codec_->utf16ToAnsi(l.text).has_value();
  });
  return fits ? Form::Ansi : Form::Utf16;
}

std::string IniDocument::encode(std::u16string_view text, Form form) const {
  switch (form) {
    case Form::Ansi:
      return codec_->utf16ToAnsi(text).value_or(std::string());
    case Form::Utf16:
      return utf16Bytes(text);
    case Form::Utf8:
      return utf16ToUtf8(text);
  }
  return {};
}

std::string IniDocument::serialize() const {
  const Form target = form();
  std::vector<const Line*> lines;
  forEachLine([&](const Line& l) { lines.push_back(&l); });
  std::string out;
  if (target == Form::Utf8) out += kUtf8Bom;
  if (target == Form::Utf16) out += kUtf16Bom;
  const std::string newLine = encode(kNewLine, target);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = *lines[i];
    const bool last = i + 1 == lines.size();
    if (target == source_ && !l.raw.empty()) {
      // A UTF-16 file's odd last byte is no character: it may stay at the
      // end, but would shift every line written after it by one byte.
      const bool oddByte = target == Form::Utf16 && l.raw.size() % 2 != 0;
      out.append(l.raw, 0, oddByte && !last ? l.raw.size() - 1 : l.raw.size());
    } else {
      out += encode(l.text, target);
    }
    // Only the file's last line can lack a line end; once something
    // follows it, it needs one.
    if (!last && !hasLineEnd(l.text)) out += newLine;
  }
  return out;
}

}  // namespace lumova::settings
