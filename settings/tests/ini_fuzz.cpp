#include "ini_fuzz.h"

#include <cstdio>

#include "common/utf.h"

namespace lumova::settings::fuzz {

std::uint32_t Rng::next() {
  // xorshift64*
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return static_cast<std::uint32_t>((state_ * 0x2545F4914F6CDD1Dull) >> 32);
}

const std::vector<std::string>& sectionPool() {
  static const std::vector<std::string> pool = {"images",   "caption", "total", "image", "background",
                                                "password", "font",    "extra", "a b"};
  return pool;
}

const std::vector<std::string>& wideKeyPool() {
  static const std::vector<std::string> pool = {"\u043A\u043B\u044E\u0447", "\u9375", "\u00C9t\u00E9"};
  return pool;
}

const std::vector<std::string>& keyPool() {
  static const std::vector<std::string> pool = {"0",   "1",          "2",           "10", "total", "k",
                                                "K x", "randomPick", "newFontName", ";c", "#h",    "x1"};
  return pool;
}

namespace {

template <typename T>
const T& pick(Rng& rng, const std::vector<T>& items) {
  return items[rng.below(static_cast<std::uint32_t>(items.size()))];
}

std::string mixCase(Rng& rng, std::string s) {
  if (!rng.chance(30)) return s;
  for (char& c : s) {
    if (c >= 'a' && c <= 'z' && rng.chance(50))
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z' && rng.chance(50))
      c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string blanks(Rng& rng, bool odd) {
  static const std::vector<std::string> plain = {"", "", "", " ", "  ", "\t"};
  static const std::vector<std::string> strange = {"\x1a", "\v", "\f", " \t "};
  return odd && rng.chance(15) ? pick(rng, strange) : pick(rng, plain);
}

struct Style {
  bool utf8;  // a file with a UTF-8 byte order mark
  bool forEdits;
  bool wide = false;  // a UTF-16 file, with characters from far outside the code page
};

// Greek, Cyrillic, Japanese, and characters of two UTF-16 units.
const std::vector<std::string>& widePool() {
  static const std::vector<std::string> pool = {"\u03A9",     "\u03BC\u03AD", "\u0424\u043E", "\u65E5\u672C",
                                                "\U0001F600", "\u2014",       "\u00E9"};
  return pool;
}

std::string text(Rng& rng, const Style& style, std::size_t length) {
  static const std::string printable = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,:\\/-_()!&%";
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    std::uint32_t r = rng.below(100);
    if (r < 3)
      out += "\"'"[rng.below(2)];
    else if (r < 5)
      out += '=';
    else if (r < 7 && !style.utf8)
      out += static_cast<char>(0x80 + rng.below(128));
    else if (r < 12 && style.wide)
      out += pick(rng, widePool());
    else if (r < 7) {
      // In the code page, outside it, and (only where a rewrite would not
      // replace it) not UTF-8 at all.
      static const std::vector<std::string> utf8 = {"\xC3\xA9", "\xE2\x82\xAC", "\xE6\x97\xA5", "\xC5\x8D"};
      out += !style.forEdits && rng.chance(20) ? std::string("\xE9") : pick(rng, utf8);
    } else if (r < 8)
      out += ";[]"[rng.below(3)];
    else
      out += printable[rng.below(static_cast<std::uint32_t>(printable.size()))];
  }
  return out;
}

std::string value(Rng& rng, const Style& style) {
  std::string core;
  switch (rng.below(8)) {
    case 0:
      break;  // empty
    case 1:
      core = text(rng, style, 240 + rng.below(60));
      if (style.wide && rng.chance(30)) {
        core = std::string(rng.below(2), 'x');  // the limit in the middle of a character of two units
        for (int i = 0; i < 130; ++i) core += "\U0001F600";
      }
      break;  // around the 254 limit
    default:
      core = text(rng, style, 1 + rng.below(30));
      break;
  }
  if (rng.chance(20)) {
    char q = rng.chance(70) ? '"' : '\'';
    std::string inner = core;
    if (rng.chance(10)) inner = std::string(252 + rng.below(4), 'q');  // quoted, at the limit
    core = std::string(1, q) + inner + (rng.chance(85) ? std::string(1, q) : std::string());
  }
  if (!style.forEdits && rng.chance(2)) core.insert(rng.below(static_cast<std::uint32_t>(core.size() + 1)), 1, '\0');
  return core;
}

std::string keyName(Rng& rng, const Style& style) {
  if (style.wide && rng.chance(15)) return pick(rng, wideKeyPool());
  return mixCase(rng, pick(rng, keyPool()));
}
std::string sectionName(Rng& rng) { return mixCase(rng, pick(rng, sectionPool())); }

std::string entryLine(Rng& rng, const Style& style) {
  std::string line = blanks(rng, true) + keyName(rng, style) + blanks(rng, true);
  if (rng.chance(8)) return line;  // no "=" at all
  return line + "=" + blanks(rng, true) + value(rng, style) + blanks(rng, true);
}

std::string oddLine(Rng& rng, const Style& style) {
  switch (rng.below(7)) {
    case 0:
      return ";" + text(rng, style, rng.below(20));
    case 1:
      return blanks(rng, true);
    case 2:
      return "[" + sectionName(rng);  // no closing bracket
    case 3:
      return (style.forEdits ? "t" : "") + text(rng, style, 1 + rng.below(15));
    case 4:
      return style.forEdits ? "# note" : "=" + value(rng, style);
    case 5:
      return "x[" + sectionName(rng) + "]";
    default:
      return "";
  }
}

std::string headerLine(Rng& rng, const Style& style) {
  if (!style.forEdits && rng.chance(2)) return "[]";
  std::string name = sectionName(rng);
  std::string line = blanks(rng, false) + "[" + blanks(rng, false) + name + blanks(rng, false) + "]";
  if (rng.chance(10)) line += rng.chance(50) ? " ; junk" : "tail";
  return line + blanks(rng, false);
}

}  // namespace

Case makeCase(std::uint64_t seed, bool forEdits, bool wide) {
  Rng rng(seed);
  Style style{rng.chance(6) || wide, forEdits, wide};
  Case c;
  std::string& f = c.file;
  if (style.utf8 && !wide) f += "\xEF\xBB\xBF";

  const std::uint32_t eolStyle = rng.below(10);  // mostly CRLF, some LF, CR or mixed
  auto eol = [&]() -> std::string {
    if (eolStyle < 6) return "\r\n";
    if (eolStyle == 6) return "\n";
    if (eolStyle == 7) return "\r";
    static const std::vector<std::string> all = {"\r\n", "\n", "\r", "\r\n"};
    return pick(rng, all);
  };

  std::vector<std::string> lines;
  if (rng.chance(20))
    for (std::uint32_t i = 0, n = 1 + rng.below(3); i < n; ++i) lines.push_back(entryLine(rng, style));
  for (std::uint32_t s = 0, sections = rng.below(7); s < sections; ++s) {
    lines.push_back(headerLine(rng, style));
    for (std::uint32_t i = 0, n = rng.below(8); i < n; ++i)
      lines.push_back(rng.chance(80) ? entryLine(rng, style) : oddLine(rng, style));
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    f += lines[i];
    if (i + 1 < lines.size() || rng.chance(70)) f += eol();
  }

  auto spelled = [&](std::string name) {
    return blanks(rng, true) + mixCase(rng, std::move(name)) + blanks(rng, true);
  };
  for (std::uint32_t i = 0, n = 30 + rng.below(20); i < n; ++i) {
    std::string section =
        rng.chance(8) ? blanks(rng, false) : spelled(rng.chance(90) ? pick(rng, sectionPool()) : "nosuch");
    std::string key = rng.chance(3) ? "" : spelled(rng.chance(90) ? pick(rng, keyPool()) : "absent");
    if (wide && rng.chance(15)) key = pick(rng, wideKeyPool());
    c.lookups.push_back({section, key});
  }

  if (forEdits) {
    // Names as the program would pass them: no trailing blanks, no empty
    // section (see the comparison test for why).
    auto name = [&](const std::string& base) {
      return (rng.chance(10) ? std::string(" ") : std::string()) + mixCase(rng, base);
    };
    for (std::uint32_t i = 0, n = 1 + rng.below(25); i < n; ++i) {
      std::uint32_t r = rng.below(100);
      if (r < 15) {
        c.edits.push_back({true, rng.chance(5) ? " " + pick(rng, sectionPool()) : sectionName(rng), {}, {}});
      } else if (r < 22) {
        // The save's own sequence for the numbered sections.
        std::uint32_t count = rng.below(6);
        c.edits.push_back({true, "images", {}, {}});
        for (std::uint32_t k = 0; k < count; ++k)
          c.edits.push_back({false, "images", std::to_string(k), value(rng, style)});
        c.edits.push_back({false, "total", "total", std::to_string(count)});
        c.edits.push_back({true, "caption", {}, {}});
        for (std::uint32_t k = 0; k < count; ++k)
          c.edits.push_back(
              {false, "caption", std::to_string(k), blanks(rng, false) + value(rng, style) + blanks(rng, false)});
      } else {
        std::string v = blanks(rng, false) + value(rng, style) + blanks(rng, false);
        c.edits.push_back({false, name(pick(rng, sectionPool())),
                           wide && rng.chance(15) ? pick(rng, wideKeyPool()) : name(pick(rng, keyPool())), v});
      }
    }
  }
  if (wide) {
    const std::u16string text = utf8ToUtf16(f);
    f = "\xFF\xFE";
    for (char16_t u : text) f += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  }
  return c;
}

std::string describe(const std::string& bytes) {
  std::string out;
  for (unsigned char ch : bytes) {
    if (ch == '\n')
      out += "\\n\n";
    else if (ch == '\r')
      out += "\\r";
    else if (ch == '\t')
      out += "\\t";
    else if (ch == '\\')
      out += "\\\\";
    else if (ch < 0x20 || ch >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", ch);
      out += hex;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

}  // namespace lumova::settings::fuzz
