// The settings store against the system's own profile calls, on generated
// files: every lookup must give what GetPrivateProfileStringA (ANSI and
// UTF-8 files) or GetPrivateProfileStringW (UTF-16 files with characters
// far outside the code page) gives, and every edit sequence must leave a
// file that the profile calls read as they read the file they wrote
// themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/text_win32.h"
#include "common/utf.h"
#include "ini_fuzz.h"
#include "settings/file_store_win32.h"
#include "settings/settings_store.h"

namespace lumova::settings {
namespace {

using fuzz::describe;

class Folder {
 public:
  Folder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "lumova-profile-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~Folder() {
    // Flush and forget cached profiles before their files go away.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do DeleteFileA((path_ + "\\" + found.cFileName).c_str());
      while (FindNextFileA(h, &found));
      FindClose(h);
    }
    RemoveDirectoryA(path_.c_str());
  }
  // Every case gets its own name: the profile code caches files by name.
  std::string file(const std::string& name) const { return path_ + "\\" + name + ".ini"; }

 private:
  std::string path_;
};

// A plain write: the cases need no flush to the disk, which would cost more
// than the whole comparison.
void put(Win32FileStore&, const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(ok && written == bytes.size());
}

std::string profileRead(const std::string& section, const std::string& key, const std::string& path) {
  char buffer[255];
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, path.c_str());
  return std::string(buffer, n);
}

// The store speaks UTF-8; the narrow cases and calls speak the ANSI code page.
std::string utf8(const std::string& ansi) { return win32::fromWide(win32::toWide(ansi, CP_ACP)); }
std::string ansi(const std::string& utf8) { return win32::fromWide(win32::toWide(utf8), CP_ACP); }
std::wstring wide(const std::string& utf8) {
  const std::u16string u = utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}
std::string narrow(const std::wstring& w) { return utf16ToUtf8(std::u16string(w.begin(), w.end())); }

// The wide call's answer, in UTF-8. A buffer that ends between the two
// units of a character returns the first unit alone; the store drops it.
std::string profileReadW(const std::string& section, const std::string& key, const std::string& path) {
  wchar_t buffer[255];
  DWORD n = GetPrivateProfileStringW(wide(section).c_str(), wide(key).c_str(), L"", buffer, 255, wide(path).c_str());
  if (n > 0 && buffer[n - 1] >= 0xD800 && buffer[n - 1] <= 0xDBFF) --n;
  return narrow(std::wstring(buffer, n));
}

std::vector<std::string> splitWideNulList(const std::vector<wchar_t>& buffer, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n;) {
    std::wstring item(&buffer[i]);
    i += static_cast<DWORD>(item.size()) + 1;
    out.push_back(narrow(item));
  }
  return out;
}

std::vector<std::string> profileSectionsW(const std::string& path) {
  std::vector<wchar_t> buffer(1 << 16);
  DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), wide(path).c_str());
  return splitWideNulList(buffer, n);
}

std::vector<std::string> profileKeysW(const std::string& section, const std::string& path) {
  std::vector<wchar_t> buffer(1 << 16);
  DWORD n = GetPrivateProfileStringW(wide(section).c_str(), nullptr, L"", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), wide(path).c_str());
  return splitWideNulList(buffer, n);
}

std::vector<std::string> splitNulList(const std::vector<char>& buffer, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n;) {
    std::string item(&buffer[i]);
    i += static_cast<DWORD>(item.size()) + 1;
    out.push_back(item);
  }
  return out;
}

std::vector<std::string> profileSections(const std::string& path) {
  std::vector<char> buffer(1 << 16);
  DWORD n = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
  return splitNulList(buffer, n);
}

std::vector<std::string> profileKeys(const std::string& section, const std::string& path) {
  std::vector<char> buffer(1 << 16);
  DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                     path.c_str());
  return splitNulList(buffer, n);
}

// The non-blank lines of a file as the profile code rewrites them. A
// rewrite by WritePrivateProfileStringA legitimately differs from ours in
// exactly these ways, which this form removes:
//  - blank lines are dropped;
//  - blanks at both ends of a line, around the "=" and inside the header
//    brackets are dropped, and text after a header's closing bracket too;
//  - every line end becomes CR LF, and the last line gets one;
//  - an "=value" line right after another one (both with no name) is
//    dropped when the file is loaded, so it is gone from the rewrite.
// Ours keeps every line it was not asked to change byte for byte.
std::vector<std::string> canonicalLines(std::string bytes) {
  auto isBlank = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
  };
  auto trim = [&](std::string s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
  };
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  std::vector<std::string> out;
  bool previousHadNoName = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') continue;
    std::string line = trim(bytes.substr(start, i - start));
    start = i + 1;
    if (line.empty()) continue;
    std::size_t close = line.rfind(']');
    if (line[0] == '[' && close != std::string::npos) {
      out.push_back("[" + trim(line.substr(1, close - 1)) + "]");
      previousHadNoName = false;
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      out.push_back(line);
      previousHadNoName = false;
      continue;
    }
    std::string name = trim(line.substr(0, equals));
    if (name.empty() && previousHadNoName) continue;
    previousHadNoName = name.empty();
    out.push_back(name + "=" + trim(line.substr(equals + 1)));
  }
  return out;
}

std::string folded(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += describe(l) + "\n";
  return out;
}

TEST(ProfileComparison, LookupsMatchGetPrivateProfileStringA) {
  Folder folder;
  Win32FileStore files;
  int failures = 0;
  std::size_t lookups = 0;
  for (std::uint64_t seed = 1; seed <= 1000 && failures < 5; ++seed) {
    fuzz::Case c = fuzz::makeCase(seed, false);
    std::string path = folder.file("read" + std::to_string(seed));
    put(files, path, c.file);
    SettingsStore store(files, path);

    // The case's own odd spellings, then plain names present or not.
    std::vector<fuzz::Lookup> all = c.lookups;
    fuzz::Rng rng(seed);
    for (int i = 0; i < 40; ++i) {
      const auto& sections = fuzz::sectionPool();
      const auto& keys = fuzz::keyPool();
      all.push_back({i % 10 == 0 ? std::string() : sections[rng.below(static_cast<std::uint32_t>(sections.size()))],
                     keys[rng.below(static_cast<std::uint32_t>(keys.size()))]});
    }
    for (const fuzz::Lookup& l : all) {
      ++lookups;
      std::string expected = profileRead(l.section, l.key, path);
      std::string actual = ansi(store.read(utf8(l.section), utf8(l.key)));
      if (actual == expected) continue;
      ADD_FAILURE() << "seed " << seed << ": [" << describe(l.section) << "] " << describe(l.key)
                    << "\n  profile call: " << describe(expected) << "\n  store:        " << describe(actual)
                    << "\n--- file ---\n"
                    << describe(c.file);
      ++failures;
      break;
    }
  }
  EXPECT_GT(lookups, 50000u);
}

// Edit cases keep clear of what the profile code itself loses or keeps
// only in its cache, which is not what this store is compared on:
//  - it rewrites a file with a UTF-8 mark from the decoded text, so bytes
//    that are not UTF-8 would come back as U+FFFD (the cases hold none);
//  - it writes no header for a section with an empty name ("[]"), so the
//    keys of such a section join the one before it (the cases hold none);
//  - a section it creates keeps the trailing blanks of the requested name,
//    and so do the keys created with it ("[new ]", "k =7"), where the store
//    trims them as it trims every name (the cases request none);
//  - once the keys before the first header are cleared, a write to the
//    empty section name goes to the end of the file without a header (the
//    store does the same), where the next load finds it in the last
//    section (the cases never write to the empty section name).
TEST(ProfileComparison, EditsMatchWritePrivateProfileStringA) {
  Folder folder;
  Win32FileStore files;
  int failures = 0;
  for (std::uint64_t seed = 1; seed <= 300 && failures < 3; ++seed) {
    fuzz::Case c = fuzz::makeCase(seed, true);
    const std::string name = "edit" + std::to_string(seed);
    const std::string ours = folder.file(name + "-ours");
    const std::string theirs = folder.file(name + "-theirs");
    const std::string reread = folder.file(name + "-reread");
    put(files, ours, c.file);
    put(files, theirs, c.file);

    std::string editList;
    SettingsStore store(files, ours);
    for (const fuzz::Edit& e : c.edits) {
      if (e.clear) {
        store.clearSection(utf8(e.section));
        WritePrivateProfileStringA(e.section.c_str(), nullptr, nullptr, theirs.c_str());
        editList += "clear [" + describe(e.section) + "]\n";
      } else {
        store.write(utf8(e.section), utf8(e.key), utf8(e.value));
        WritePrivateProfileStringA(e.section.c_str(), e.key.c_str(), e.value.c_str(), theirs.c_str());
        editList += "write [" + describe(e.section) + "] " + describe(e.key) + " = " + describe(e.value) + "\n";
      }
    }
    ASSERT_EQ(store.save(), SaveError::None);
    // The profile code answers from its cache, where a written value keeps
    // its trailing blanks; a copy under a new name is read from the disk.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());
    ASSERT_TRUE(CopyFileA(theirs.c_str(), reread.c_str(), FALSE));
    std::string ourBytes = files.readAll(ours).value_or("");
    std::string theirBytes = files.readAll(reread).value_or("");

    auto context = [&] {
      return "seed " + std::to_string(seed) + "\n--- before ---\n" + describe(c.file) + "\n--- edits ---\n" + editList +
             "--- ours ---\n" + describe(ourBytes) + "\n--- WritePrivateProfileStringA ---\n" + describe(theirBytes);
    };
    bool ok = true;
    auto check = [&](const std::string& what, const std::string& a, const std::string& b) {
      if (a == b || !ok) return;
      ok = false;
      ADD_FAILURE() << what << ": ours " << describe(a) << " / theirs " << describe(b) << "\n" << context();
    };

    std::vector<std::string> listedSections = profileSections(reread);
    check("section names", joined(profileSections(ours)), joined(listedSections));
    listedSections.push_back("");
    // Names compare without regard to case: look each one up once.
    std::set<std::string> sections, keys;
    for (const std::string& k : fuzz::keyPool()) keys.insert(folded(k));
    for (const std::string& s : listedSections) {
      std::vector<std::string> listed = profileKeys(s, reread);
      check("keys of [" + s + "]", joined(profileKeys(s, ours)), joined(listed));
      sections.insert(folded(s));
      for (const std::string& k : listed) keys.insert(folded(k));
    }
    for (const std::string& s : fuzz::sectionPool()) sections.insert(folded(s));
    for (const std::string& s : sections) {
      for (const std::string& k : keys) {
        std::string expected = profileRead(s, k, reread);
        check("[" + s + "] " + k + " read back", profileRead(s, k, ours), expected);
        check("[" + s + "] " + k + " in memory", ansi(store.read(utf8(s), utf8(k))), expected);
      }
    }
    check("lines", joined(canonicalLines(ourBytes)), joined(canonicalLines(theirBytes)));
    if (!ok) ++failures;
  }
}

// The text of a file, whatever its form, for comparing lines.
std::string textOf(const std::string& bytes) {
  if (bytes.rfind("\xFF\xFE", 0) == 0) {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return utf16ToUtf8(units);
  }
  return utf8(bytes);
}

TEST(ProfileComparison, WideLookupsMatchGetPrivateProfileStringW) {
  Folder folder;
  Win32FileStore files;
  int failures = 0;
  std::size_t lookups = 0;
  for (std::uint64_t seed = 1; seed <= 400 && failures < 5; ++seed) {
    fuzz::Case c = fuzz::makeCase(seed, false, true);
    std::string path = folder.file("wide" + std::to_string(seed));
    put(files, path, c.file);
    SettingsStore store(files, path);
    for (const fuzz::Lookup& l : c.lookups) {
      ++lookups;
      std::string expected = profileReadW(l.section, l.key, path);
      std::string actual = store.read(l.section, l.key);
      if (actual == expected) continue;
      ADD_FAILURE() << "seed " << seed << ": [" << describe(l.section) << "] " << describe(l.key)
                    << "\n  profile call: " << describe(expected) << "\n  store:        " << describe(actual)
                    << "\n--- file ---\n"
                    << describe(textOf(c.file));
      ++failures;
      break;
    }
  }
  EXPECT_GT(lookups, 10000u);
}

// As the narrow comparison, on UTF-16 files. Ours may go back to ANSI once
// the edits leave nothing outside the code page; the wide calls read it
// either way, and the lines are compared as text.
TEST(ProfileComparison, WideEditsMatchWritePrivateProfileStringW) {
  Folder folder;
  Win32FileStore files;
  int failures = 0;
  for (std::uint64_t seed = 1; seed <= 200 && failures < 3; ++seed) {
    fuzz::Case c = fuzz::makeCase(seed, true, true);
    const std::string name = "wedit" + std::to_string(seed);
    const std::string ours = folder.file(name + "-ours");
    const std::string theirs = folder.file(name + "-theirs");
    const std::string reread = folder.file(name + "-reread");
    put(files, ours, c.file);
    put(files, theirs, c.file);

    std::string editList;
    SettingsStore store(files, ours);
    for (const fuzz::Edit& e : c.edits) {
      if (e.clear) {
        store.clearSection(e.section);
        WritePrivateProfileStringW(wide(e.section).c_str(), nullptr, nullptr, wide(theirs).c_str());
        editList += "clear [" + describe(e.section) + "]\n";
      } else {
        store.write(e.section, e.key, e.value);
        WritePrivateProfileStringW(wide(e.section).c_str(), wide(e.key).c_str(), wide(e.value).c_str(),
                                   wide(theirs).c_str());
        editList += "write [" + describe(e.section) + "] " + describe(e.key) + " = " + describe(e.value) + "\n";
      }
    }
    ASSERT_EQ(store.save(), SaveError::None);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, wide(theirs).c_str());
    ASSERT_TRUE(CopyFileW(wide(theirs).c_str(), wide(reread).c_str(), FALSE));
    const std::string ourBytes = files.readAll(ours).value_or("");
    const std::string theirBytes = files.readAll(reread).value_or("");

    bool ok = true;
    auto check = [&](const std::string& what, const std::string& a, const std::string& b) {
      if (a == b || !ok) return;
      ok = false;
      ADD_FAILURE() << what << ": ours " << describe(a) << " / theirs " << describe(b) << "\nseed " << seed
                    << "\n--- before ---\n"
                    << describe(textOf(c.file)) << "\n--- edits ---\n"
                    << editList << "--- ours ---\n"
                    << describe(textOf(ourBytes)) << "\n--- WritePrivateProfileStringW ---\n"
                    << describe(textOf(theirBytes));
    };
    std::vector<std::string> listedSections = profileSectionsW(reread);
    check("section names", joined(profileSectionsW(ours)), joined(listedSections));
    listedSections.push_back("");
    std::set<std::string> sections, keys;
    for (const std::string& k : fuzz::keyPool()) keys.insert(folded(k));
    for (const std::string& k : fuzz::wideKeyPool()) keys.insert(k);
    for (const std::string& sec : listedSections) {
      std::vector<std::string> listed = profileKeysW(sec, reread);
      check("keys of [" + sec + "]", joined(profileKeysW(sec, ours)), joined(listed));
      sections.insert(folded(sec));
      for (const std::string& k : listed) keys.insert(folded(k));
    }
    for (const std::string& sec : fuzz::sectionPool()) sections.insert(folded(sec));
    for (const std::string& sec : sections) {
      for (const std::string& k : keys) {
        const std::string expected = profileReadW(sec, k, reread);
        check("[" + sec + "] " + k + " read back", profileReadW(sec, k, ours), expected);
        check("[" + sec + "] " + k + " in memory", store.read(sec, k), expected);
      }
    }
    check("lines", joined(canonicalLines(textOf(ourBytes))), joined(canonicalLines(textOf(theirBytes))));
    if (!ok) ++failures;
  }
}

}  // namespace
}  // namespace lumova::settings
