// Lookups and edits of the settings file. The expected answers are those the
// reference profile calls gave for the same bytes (measured under Wine 8).
#include "settings/ini_document.h"

#include <gtest/gtest.h>

#include "common/utf.h"
#include "ini_fuzz.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumova::settings {
namespace {

using namespace std::string_literals;

struct ReadRow {
  const char* what;
  std::string file;
  std::string section;
  std::string key;
  std::string expected;
};

std::string xs(std::size_t n) { return std::string(n, 'x'); }

TEST(IniDocument, ReadsAsTheProfileCallDoes) {
  const std::vector<ReadRow> rows = {
      {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"blanks around value", "[s]\r\nk =  v w \t\r\n", "s", "k", "v w"},
      {"every profile blank is trimmed", "[s]\r\nk=\t\v\f\x1a v \x1a\f\v\t\r\n", "s", "k", "v"},
      {"no-break space is not a blank", "[s]\r\nk=\xA0v\xA0\r\n", "s", "k", "\u00A0v\u00A0"},
      {"unit separator is not a blank", "[s]\r\nk=\x1Fv\r\n", "s", "k", "\x1Fv"},
      {"double quotes", "[s]\r\nk=\"abc\"\r\n", "s", "k", "abc"},
      {"single quotes", "[s]\r\nk='abc'\r\n", "s", "k", "abc"},
      {"quotes keep inner blanks", "[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
      {"blanks outside quotes", "[s]\r\nk=  \"abc\"  \r\n", "s", "k", "abc"},
      {"mixed quotes stay", "[s]\r\nk=\"abc'\r\n", "s", "k", "\"abc'"},
      {"one quote alone stays", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"empty quotes", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"three quotes", "[s]\r\nk=\"\"\"\r\n", "s", "k", "\""},
      {"only one pair removed", "[s]\r\nk=\"a\"b\"\r\n", "s", "k", "a\"b"},
      {"quote not closing", "[s]\r\nk=\"ab\"c\r\n", "s", "k", "\"ab\"c"},
      {"254 kept", "[s]\r\nk=" + xs(254) + "\r\n", "s", "k", xs(254)},
      {"255 cut", "[s]\r\nk=" + xs(255) + "\r\n", "s", "k", xs(254)},
      {"300 cut", "[s]\r\nk=" + xs(300) + "\r\n", "s", "k", xs(254)},
      {"cut after trimming", "[s]\r\nk=          " + xs(260) + "\r\n", "s", "k", xs(254)},
      {"quoted 253 fits", "[s]\r\nk=\"" + xs(253) + "\"\r\n", "s", "k", xs(253)},
      {"quoted 254 loses one more", "[s]\r\nk=\"" + xs(254) + "\"\r\n", "s", "k", xs(253)},
      {"quoted 255 cut to 254", "[s]\r\nk=\"" + xs(255) + "\"\r\n", "s", "k", xs(254)},
      {"opening quote only, long", "[s]\r\nk=\"" + xs(300) + "\r\n", "s", "k", "\"" + xs(253)},
      {"section case", "[Images]\r\nK=v\r\n", "iMAGES", "k", "v"},
      {"non-ASCII letters keep case", "[\xC9]\r\nk=v\r\n", "\u00E9", "k", ""},
      {"non-ASCII names match as they are", "[\xC9]\r\nk=v\r\n", "\u00C9", "k", "v"},
      {"blanks around requested names", "[s]\r\nk=v\r\n", " \ts\x1a ", "\vk\f", "v"},
      {"blanks inside requested names count", "[s]\r\na b=v\r\n", "s", "a  b", ""},
      {"blanks inside brackets", "[ s ]\r\nk=v\r\n", "s", "k", "v"},
      {"indented header", "  [s]  \r\nk=v\r\n", "s", "k", "v"},
      {"text after header ignored", "[s] junk\r\nk=v\r\n", "s", "k", "v"},
      {"last bracket closes", "[s]x]\r\nk=v\r\n", "s]x", "k", "v"},
      {"unclosed header is an entry", "[t]\r\n[s\r\nk=v\r\n", "t", "k", "v"},
      {"unclosed header as key", "[t]\r\n[s=5\r\n", "t", "[s", "5"},
      {"header needs the bracket first", "x[s]\r\nk=v\r\n", "s", "k", ""},
      {"duplicate key: first wins", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
      {"duplicate section: first wins", "[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "1"},
      {"only the first section is searched", "[s]\r\nk=1\r\n[t]\r\n[S]\r\nj=2\r\n", "s", "j", ""},
      {"line without equals has no value", "[s]\r\nk\r\n", "s", "k", ""},
      {"and still hides a later key", "[s]\r\nk\r\nk=2\r\n", "s", "k", ""},
      {"equals in value", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"empty key name", "[s]\r\n=v\r\n", "s", "", "v"},
      {"blank key request", "[s]\r\n =v\r\n", "s", "  ", "v"},
      {"comment is an ordinary key", "[s]\r\n;k=v\r\n", "s", ";k", "v"},
      {"comment does not define k", "[s]\r\n;k=v\r\n", "s", "k", ""},
      {"keys before any section", "k=0\r\n[s]\r\nk=1\r\n", "", "k", "0"},
      {"blank section request", "k=0\r\n[s]\r\nk=1\r\n", "  ", "k", "0"},
      {"empty brackets are never found", "[]\r\nk=0\r\n", "", "k", ""},
      {"LF", "[s]\nk=1\nj=2", "s", "j", "2"},
      {"CR", "[s]\rk=1\rj=2", "s", "j", "2"},
      {"lone CR splits a line", "[s]\r\nk=1\rj=2\r\n", "s", "k", "1"},
      {"after a lone CR", "[s]\r\nk=1\rj=2\r\n", "s", "j", "2"},
      {"no trailing newline", "[s]\r\nk=1", "s", "k", "1"},
      {"blank lines", "[s]\r\n\r\n \t \r\n\r\nk=1\r\n", "s", "k", "1"},
      {"Ctrl-Z before header", "\x1a[s]\r\nk=1\r\n", "s", "k", "1"},
      {"Ctrl-Z inside value", "[s]\r\nk=1\x1aj\r\n", "s", "k", "1\x1aj"},
      {"UTF-8 BOM skipped", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k", "v"},
      {"BOM before keys", "\xEF\xBB\xBFk=v\r\n", "", "k", "v"},
      {"ANSI bytes read as their characters", "[s]\r\nk=\x81\x8D\x80\xFF\r\n", "s", "k", "\u0081\u008D\u20AC\u00FF"},
      {"UTF-8 with a mark as it is", "\xEF\xBB\xBF[s]\r\nk=\xC3\xA9\xE6\x97\xA5\r\n", "s", "k", "\u00E9\u65E5"},
      {"broken UTF-8 reads as replacement", "\xEF\xBB\xBF[s]\r\nk=\xE9x\r\n", "s", "k", "\uFFFDx"},
      {"UTF-16 with a mark", "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xA9\x03\r\0\n\0"s, "s", "k", "\u03A9"},
      {"NUL ends a value", "[s]\r\nk=ab\0cd\r\n"s, "s", "k", "ab"},
      {"NUL after blanks keeps them", "[s]\r\nk=ab  \0 \r\n"s, "s", "k", "ab  "},
      {"NUL ends a key name", "[s]\r\nk\0z=v\r\n"s, "s", "k", "v"},
      {"NUL ends a section name", "[s\0t]\r\nk=v\r\n"s, "s", "k", "v"},
      {"NUL before the closing quote", "[s]\r\nk=\"x\0y\"\r\n"s, "s", "k", "\"x"},
      {"missing section", "[s]\r\nk=v\r\n", "t", "k", ""},
      {"missing key", "[s]\r\nk=v\r\n", "s", "j", ""},
      {"empty file", "", "s", "k", ""},
  };
  for (const ReadRow& row : rows) {
    SCOPED_TRACE(row.what);
    IniDocument doc(row.file);
    EXPECT_EQ(doc.read(row.section, row.key), row.expected);
  }
}

TEST(IniDocument, QuoteRemovalFollowsTheBufferSize) {
  // Measured with small buffers: the character dropped for the closing
  // quote is dropped even when the buffer already cut the quote off.
  struct Row {
    std::size_t buffer;
    const char* expected;
  };
  const Row rows[] = {{4, "abc"}, {7, "abcde"}, {8, "abcdef"}, {9, "abcdef"}, {1, ""}, {0, ""}};
  IniDocument doc("[s]\r\nk=\"abcdef\"\r\nj=abcdef\r\n");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.buffer);
    EXPECT_EQ(doc.read("s", "k", row.buffer), row.expected);
  }
  EXPECT_EQ(doc.read("s", "j", 6), "abcde");
}

struct Op {
  enum Kind { Write, Clear } kind;
  std::string section, key, value;
};
Op W(std::string s, std::string k, std::string v) { return {Op::Write, std::move(s), std::move(k), std::move(v)}; }
Op C(std::string s) { return {Op::Clear, std::move(s), {}, {}}; }

struct EditRow {
  const char* what;
  std::string before;
  std::vector<Op> ops;
  std::string after;
};

TEST(IniDocument, EditsKeepEverythingElse) {
  const std::vector<EditRow> rows = {
      {"new file", "", {W("c", "z", "3"), W("c", "w", "4"), W("d", "q", "")}, "[c]\r\nz=3\r\nw=4\r\n[d]\r\nq=\r\n"},
      {"replace keeps the file's spelling and other lines",
       "; head\r\n[a]\r\n  X  =  1  \r\n; note\r\ny=2\r\n",
       {W("a", "x", "5")},
       "; head\r\n[a]\r\nX=5\r\n; note\r\ny=2\r\n"},
      {"same value leaves the line alone", "[a]\r\n  x  =  1  \r\n", {W("a", "x", "1")}, "[a]\r\n  x  =  1  \r\n"},
      {"replacing keeps the line end", "[a]\nx=1\ny=2\n", {W("a", "x", "5")}, "[a]\nx=5\ny=2\n"},
      {"new key after the section's last non-blank line",
       "[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\ny=2\r\n",
       {W("a", "z", "3")},
       "[a]\r\nx=1\r\n; about b\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"},
      {"new key in an empty section", "[a]\r\n[b]\r\n", {W("a", "n", "1")}, "[a]\r\nn=1\r\n[b]\r\n"},
      {"new section at the end, line end added", "[a]\r\nx=1", {W("c", "z", "3")}, "[a]\r\nx=1\r\n[c]\r\nz=3\r\n"},
      {"new key after an unterminated last line", "[a]\r\nx=1", {W("a", "y", "2")}, "[a]\r\nx=1\r\ny=2\r\n"},
      {"value: leading blanks dropped, trailing kept",
       "[a]\r\nx=1\r\n",
       {W("a", "x", "  v w  ")},
       "[a]\r\nx=v w  \r\n"},
      {"value written as given, quotes included", "[a]\r\nx=1\r\n", {W("a", "x", "\"q\"")}, "[a]\r\nx=\"q\"\r\n"},
      {"requested names trimmed",
       "[ a ]\r\nx=1\r\n",
       {W(" a ", " x ", "5"), W(" a", " n", "6")},
       "[ a ]\r\nx=5\r\nn=6\r\n"},
      {"key without equals gets a value", "[a]\r\nk\r\n", {W("a", "K", "v")}, "[a]\r\nk=v\r\n"},
      {"duplicate section: writes go to the first",
       "[a]\r\nx=1\r\n[a]\r\ny=2\r\n",
       {W("a", "y", "3")},
       "[a]\r\nx=1\r\ny=3\r\n[a]\r\ny=2\r\n"},
      {"clear removes the section with its comments",
       "[a]\r\nx=1\r\n; c\r\n\r\n[b]\r\nz=1\r\n",
       {C("A")},
       "[b]\r\nz=1\r\n"},
      {"clear removes only the first of duplicates", "[a]\r\nx=1\r\n[a]\r\ny=2\r\n", {C("a")}, "[a]\r\ny=2\r\n"},
      {"clear does not trim the request", "[a]\r\nx=1\r\n", {C(" a ")}, "[a]\r\nx=1\r\n"},
      {"clear matches the trimmed header", "[ a ]\r\nx=1\r\n[b]\r\n", {C("a")}, "[b]\r\n"},
      {"clear of the empty name removes keys before any section", "k=0\r\n[a]\r\nx=1\r\n", {C("")}, "[a]\r\nx=1\r\n"},
      {"write to the keys before any section",
       "k=0\r\n[a]\r\n",
       {W("", "k", "9"), W("", "n", "8")},
       "k=9\r\nn=8\r\n[a]\r\n"},
      {"clear then write recreates at the end",
       "[a]\r\nx=1\r\n[b]\r\n",
       {C("a"), W("a", "n", "1")},
       "[b]\r\n[a]\r\nn=1\r\n"},
      {"clear of a missing section", "[a]\r\n", {C("b")}, "[a]\r\n"},
      {"BOM kept", "\xEF\xBB\xBF[a]\r\nx=1\r\n", {W("a", "n", "2")}, "\xEF\xBB\xBF[a]\r\nx=1\r\nn=2\r\n"},
      {"NUL ends written names and values", "", {W("a\0b"s, "k\0j"s, "v\0w"s)}, "[a]\r\nk=v\r\n"},
  };
  for (const EditRow& row : rows) {
    SCOPED_TRACE(row.what);
    IniDocument doc(row.before);
    for (const Op& op : row.ops) {
      if (op.kind == Op::Write)
        doc.write(op.section, op.key, op.value);
      else
        doc.clearSection(op.section);
    }
    EXPECT_EQ(doc.serialize(), row.after);
  }
}

TEST(IniDocument, ReadsFollowEdits) {
  IniDocument doc("[a]\r\nx=1\r\n[a]\r\ny=2\r\n[b]\r\nz=3\r\n");
  EXPECT_EQ(doc.read("a", "y"), "");
  doc.write("a", "x", " \"q\" ");
  EXPECT_EQ(doc.read("a", "x"), "q");
  doc.write("A", "new", "n");
  EXPECT_EQ(doc.read("a", "NEW"), "n");
  doc.clearSection("a");
  // The second [a] comes to light once the first is gone.
  EXPECT_EQ(doc.read("a", "x"), "");
  EXPECT_EQ(doc.read("a", "y"), "2");
  doc.clearSection("a");
  EXPECT_EQ(doc.read("a", "y"), "");
  EXPECT_EQ(doc.read("b", "z"), "3");
  doc.write("a", "x", "again");
  EXPECT_EQ(doc.read("a", "x"), "again");
}

std::string utf16File(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return out;
}

TEST(IniDocument, AnsiFileStaysAnsiWhileEveryValueFits) {
  const std::string before = "; mine\r\n[caption]\r\n0=caf\xE9\r\n[extra]\r\nkeep = \x80 \r\n";
  IniDocument doc(before);
  EXPECT_EQ(doc.read("caption", "0"), "caf\u00E9");
  doc.write("caption", "1", "na\u00EFve \u20AC");  // fits Windows-1252
  EXPECT_EQ(doc.form(), IniDocument::Form::Ansi);
  EXPECT_EQ(doc.serialize(), "; mine\r\n[caption]\r\n0=caf\xE9\r\n1=na\xEFve \x80\r\n[extra]\r\nkeep = \x80 \r\n");
}

TEST(IniDocument, ValueOutsideTheCodePageMakesTheWholeFileUtf16AndBack) {
  const std::string before = "[caption]\r\n0=caf\xE9\r\n[extra]\r\nkeep = \x80 \r\n";
  IniDocument doc(before);
  doc.write("caption", "0", "\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u2014 \u65E5\u672C\u8A9E");
  doc.write("images", "0", "C:\\\u0424\u043E\u0442\u043E\\\U0001F600.png");
  EXPECT_EQ(doc.form(), IniDocument::Form::Utf16);
  const std::string saved = doc.serialize();
  EXPECT_EQ(saved, utf16File(u"[caption]\r\n0=\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u2014 "
                             u"\u65E5\u672C\u8A9E\r\n[extra]\r\nkeep = \u20AC \r\n[images]\r\n"
                             u"0=C:\\\u0424\u043E\u0442\u043E\\\U0001F600.png\r\n"));

  IniDocument reread(saved);
  EXPECT_EQ(reread.sourceForm(), IniDocument::Form::Utf16);
  EXPECT_EQ(reread.read("images", "0"), "C:\\\u0424\u043E\u0442\u043E\\\U0001F600.png");
  EXPECT_EQ(reread.read("extra", "keep"), "\u20AC");
  EXPECT_EQ(reread.serialize(), saved);
  // Once every value fits the code page again, the file is ANSI again.
  reread.write("caption", "0", "plain");
  reread.clearSection("images");
  EXPECT_EQ(reread.serialize(), "[caption]\r\n0=plain\r\n[extra]\r\nkeep = \x80 \r\n");
}

TEST(IniDocument, FileWithUtf8MarkStaysUtf8) {
  const std::string file = "\xEF\xBB\xBF[\xC3\xA9t\xC3\xA9]\r\nv=\xC3\xA9\r\nbad=\xE9x\r\n";
  IniDocument doc(file);
  EXPECT_EQ(doc.serialize(), file);
  doc.write("\u00E9t\u00E9", "far", "\u65E5");
  EXPECT_EQ(doc.form(), IniDocument::Form::Utf8);
  EXPECT_EQ(doc.serialize(), file + "far=\xE6\x97\xA5\r\n");
}

TEST(IniDocument, ReadLimitCountsUtf16Units) {
  const std::u16string omega(300, u'\u03A9');
  IniDocument doc(utf16File(u"[s]\r\nk=" + omega + u"\r\nq=\"" + std::u16string(254, u'\u03A9') + u"\"\r\n"));
  EXPECT_EQ(doc.read("s", "k"), utf16ToUtf8(omega.substr(0, 254)));
  EXPECT_EQ(doc.read("s", "q"), utf16ToUtf8(omega.substr(0, 253)));
  // A character of two units is not cut in half.
  std::u16string faces;
  for (int i = 0; i < 130; ++i) faces += u"\U0001F600";
  IniDocument wide(utf16File(u"[s]\r\nk=" + faces + u"\r\n"));
  EXPECT_EQ(wide.read("s", "k"), utf16ToUtf8(faces.substr(0, 254)));
  EXPECT_EQ(wide.read("s", "k", 6), utf16ToUtf8(faces.substr(0, 4)));
}

TEST(IniDocument, UntouchedFileRoundTripsByteForByte) {
  const std::string files[] = {
      "",
      "[a]",
      "\xEF\xBB\xBF; comment\r\n\r\n[a]\r\n  x = \"1\" \r\n[b] tail\n y\r z=\t2\n\r\n\x1a",
      "k=before\r\n[]\r\n[ s ]\r\n;c\r\n=v\r\n=w\r\n[bad\r\n\xFF\x80=\x81\r\n\r\n\r\n",
      "[s]\r\nk=a\0b\r\n"s,
      "no header at all",
      utf16File(u"[a]\r\n x = \u03A9 \n\r\n"),
      utf16File(u"[a]\r\nx=\xDC00\xD800") + "z",  // lone surrogates, an odd last byte
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    EXPECT_EQ(IniDocument(file).serialize(), file);
  }
}

TEST(IniDocument, EditAfterAnOddLastByteKeepsUtf16Aligned) {
  // A UTF-16 file cut one byte into a character: what is written after it
  // must start on a unit boundary, or every later line reads as garbage.
  const std::string files[] = {
      utf16File(u"[image]\r\npicSpeed=3") + "z",
      utf16File(u"[ime=\u2DC5") + "\x65",  // no line end at all
      utf16File(u"") + "z",                // the mark and one byte
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file.size());
    IniDocument doc(file);
    doc.write("font", "newFontName", "\u4E2D");
    doc.write("image", "timeInterval", "12");
    const std::string saved = doc.serialize();
    EXPECT_EQ(saved.size() % 2, 0u);
    IniDocument reread(saved);
    EXPECT_EQ(reread.read("font", "newFontName"), "\u4E2D");
    EXPECT_EQ(reread.read("image", "timeInterval"), "12");
  }
}

TEST(IniDocument, UnknownKeysAndSectionsSurviveEdits) {
  const std::string before =
      "; written by hand\r\n[image]\r\nrandomPick=1\r\nmyOwnKey = keep me \r\n\r\n"
      "[extra]\r\nanything=else\r\n";
  IniDocument doc(before);
  doc.write("image", "randomPick", "0");
  doc.write("image", "picSpeed", "3");
  doc.write("font", "newFontName", "Arial");
  EXPECT_EQ(doc.serialize(),
            "; written by hand\r\n[image]\r\nrandomPick=0\r\nmyOwnKey = keep me \r\npicSpeed=3\r\n\r\n"
            "[extra]\r\nanything=else\r\n[font]\r\nnewFontName=Arial\r\n");
}

TEST(IniDocument, ManyKeysReadBack) {
  IniDocument doc;
  for (int i = 0; i < 20000; ++i) doc.write("images", std::to_string(i), "v" + std::to_string(i));
  IniDocument reread(doc.serialize());
  for (int i = 0; i < 20000; i += 997) EXPECT_EQ(reread.read("images", std::to_string(i)), "v" + std::to_string(i));
}

}  // namespace
}  // namespace lumova::settings

namespace lumova::settings {
namespace {

// The generated names and values of a narrow case are ANSI bytes; the
// document takes UTF-8.
std::string fromAnsi(const std::string& ansi, bool wide) {
  return wide ? ansi : utf16ToUtf8(windows1252Codec().ansiToUtf16(ansi));
}

TEST(IniDocument, RandomFilesRoundTripAndReloadAsEdited) {
  for (bool wide : {false, true}) {
    for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
      fuzz::Case c = fuzz::makeCase(seed, true, wide);
      SCOPED_TRACE("seed " + std::to_string(seed) + (wide ? " wide" : "") + "\n" + fuzz::describe(c.file));
      IniDocument doc(c.file);
      ASSERT_EQ(doc.serialize(), c.file);
      for (const fuzz::Edit& e : c.edits) {
        if (e.clear)
          doc.clearSection(fromAnsi(e.section, wide));
        else
          doc.write(fromAnsi(e.section, wide), fromAnsi(e.key, wide), fromAnsi(e.value, wide));
      }
      // What the edited document answers is what its saved bytes answer.
      IniDocument reloaded(doc.serialize());
      EXPECT_EQ(reloaded.serialize(), doc.serialize());
      for (const fuzz::Lookup& l : c.lookups) {
        SCOPED_TRACE("[" + l.section + "] " + l.key);
        const std::string section = fromAnsi(l.section, wide), key = fromAnsi(l.key, wide);
        ASSERT_EQ(reloaded.read(section, key), doc.read(section, key));
      }
      for (const fuzz::Edit& e : c.edits) {
        if (e.clear) continue;
        SCOPED_TRACE("[" + e.section + "] " + e.key);
        const std::string section = fromAnsi(e.section, wide), key = fromAnsi(e.key, wide);
        ASSERT_EQ(reloaded.read(section, key), doc.read(section, key));
      }
    }
  }
}

}  // namespace
}  // namespace lumova::settings
