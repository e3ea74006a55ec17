// A complete, well-formed settings file as our own save writes it, shared by
// the native and the Windows-side dialog tests.
#pragma once

namespace lumova::dialog::testing {

inline constexpr const char* kSampleIni =
    "[images]\r\n0=C:\\Pics\\a.jpg\r\n1=C:\\Pics\\b.gif\r\n"
    "[total]\r\ntotal=2\r\n"
    "[caption]\r\n0=First\r\n1=Second\r\n"
    "[image]\r\nrandomPick=1\r\npicSpeed=3\r\ntimeInterval=25\r\npicRandom=rand\r\npicChange=ch\r\n"
    "effectMode=4\r\nrandomEffect=0\r\n"
    "[background]\r\nnewBackColor=255\r\nbackEffect=1\r\n"
    "[password]\r\nsaverPassword=Secret\r\nsaverEnabled=1\r\n"
    "[font]\r\nnewFontName=Verdana\r\nnewFontSize=12\r\nnewFontBold=True\r\nnewFontItalic=False\r\n"
    "newFontUnderline=False\r\nnewFontFontStrikethru=True\r\nnewFontForeColor=65280\r\n";

}  // namespace lumova::dialog::testing
