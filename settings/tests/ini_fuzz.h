// Random settings files and edit sequences for the comparison tests: odd
// blanks, quotes, letter case, duplicate sections and keys, long values,
// comments and stray lines, mixed line ends, keys before any section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumova::settings::fuzz {

// A small deterministic generator (the same numbers on every platform).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t next();
  std::uint32_t below(std::uint32_t n) { return n ? next() % n : 0; }
  bool chance(std::uint32_t percent) { return below(100) < percent; }

 private:
  std::uint64_t state_;
};

struct Lookup {
  std::string section, key;
};

struct Edit {
  bool clear = false;  // clearSection(section), otherwise write(section, key, value)
  std::string section, key, value;
};

struct Case {
  std::string file;             // the file's bytes
  std::vector<Lookup> lookups;  // names present and absent, in odd spellings
  std::vector<Edit> edits;      // only for edit cases
};

// `forEdits` leaves out what a rewrite by the profile code normalises in
// ways that are not about the edits (NUL bytes, repeated "=value" lines).
// `wide` makes a UTF-16 file (with a byte order mark) whose names and
// values hold characters far outside the ANSI code page; its lookups and
// edits are UTF-8. Otherwise the file is ANSI or UTF-8 with a mark, and its
// lookups and edits are bytes in the ANSI code page.
Case makeCase(std::uint64_t seed, bool forEdits, bool wide = false);

// Names as they appear in a case, for building extra lookups.
const std::vector<std::string>& sectionPool();
const std::vector<std::string>& keyPool();
const std::vector<std::string>& wideKeyPool();  // UTF-8

// Printable form of bytes for failure messages.
std::string describe(const std::string& bytes);

}  // namespace lumova::settings::fuzz
