// The rich-edit content written out: RTF, and UTF-8 text with ANSI
// terminal colours.
#include <cstdio>
#include <string>
#include <vector>

#include "KavroStd/platform/afx_richedit.h"
#include "platform/fs/path_internal.h"

namespace kavro::platform {
namespace {

COLORREF ColourOf(const CHARFORMATW& f) { return (f.dwEffects & CFE_AUTOCOLOR) ? 0 : f.crTextColor; }

template <class T>
size_t IndexOf(std::vector<T>& list, const T& value) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == value) return i;
  list.push_back(value);
  return list.size() - 1;
}

void AppendRtfText(const std::wstring& text, std::string& out) {
  for (wchar_t c : text) {
    if (c == L'\r') out += "\\par\n";
    else if (c == L'\t') out += "\\tab ";
    else if (c == L'\\' || c == L'{' || c == L'}') out += '\\', out += static_cast<char>(c);
    else if (c >= 0x20 && c < 0x80) out += static_cast<char>(c);
    else if (c < 0x20) continue;
    else {
      // \uN takes a signed 16-bit value; characters beyond U+FFFF as a pair.
      auto unit = [&out](unsigned u) { out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?"; };
      unsigned code = static_cast<unsigned>(c);
      if (code > 0xFFFF) {
        code -= 0x10000;
        unit(0xD800 + (code >> 10));
        unit(0xDC00 + (code & 0x3FF));
      } else {
        unit(code);
      }
    }
  }
}

}  // namespace

std::string KvRichTextToRtf(const CRichEditCtrl& control) {
  const std::vector<KvTextRun> runs = control.KvGetRuns();
  std::vector<std::pair<std::wstring, int>> fonts{{L"Arial", DEFAULT_CHARSET}};
  std::vector<COLORREF> colours{0};
  std::string body;
  bool paragraphStart = true;
  for (const KvTextRun& run : runs) {
    if (paragraphStart) {
      const PARAFORMAT& p = run.paragraph;
      body += "\\pard";
      body += p.wAlignment == PFA_CENTER ? "\\qc" : p.wAlignment == PFA_RIGHT ? "\\qr" : "\\ql";
      for (int i = 0; i < p.cTabCount; ++i) body += "\\tx" + std::to_string(p.rgxTabs[i] & 0xFFFFFF);
    }
    const CHARFORMATW& f = run.format;
    size_t font = IndexOf(fonts, std::make_pair(std::wstring(f.szFaceName), static_cast<int>(f.bCharSet)));
    size_t colour = IndexOf(colours, ColourOf(f));
    body += "\\f" + std::to_string(font) + "\\cf" + std::to_string(colour) + "\\fs" +
            std::to_string(f.yHeight / 10) + ((f.dwEffects & CFE_BOLD) ? "\\b" : "\\b0") +
            ((f.dwEffects & CFE_ITALIC) ? "\\i" : "\\i0") + ((f.dwEffects & CFE_UNDERLINE) ? "\\ul" : "\\ulnone") + " ";
    AppendRtfText(run.text, body);
    paragraphStart = !run.text.empty() && run.text.back() == L'\r';
  }
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
  for (size_t i = 0; i < fonts.size(); ++i) {
    out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset" + std::to_string(fonts[i].second) + " ";
    AppendRtfText(fonts[i].first, out);
    out += ";}";
  }
  out += "}\n{\\colortbl ;";
  for (size_t i = 1; i < colours.size(); ++i) {
    COLORREF c = colours[i];
    out += "\\red" + std::to_string(c & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) + "\\blue" +
           std::to_string((c >> 16) & 0xFF) + ";";
  }
  // Colour 0 is "auto" (the empty first entry); others count from 1.
  out += "}\n" + body + "}\n";
  return out;
}

std::string KvRichTextToTerminal(const CRichEditCtrl& control) {
  std::string out;
  const CHARFORMATW* previous = nullptr;
  for (const KvTextRun& run : control.KvGetRuns()) {
    // Runs also break at paragraphs: the escapes only where the look changes.
    const bool same = previous && ColourOf(*previous) == ColourOf(run.format) &&
                      ((previous->dwEffects ^ run.format.dwEffects) & CFE_BOLD) == 0;
    previous = &run.format;
    if (same) {
      std::wstring text = run.text;
      for (wchar_t& ch : text)
        if (ch == L'\r') ch = L'\n';
      out += ToUtf8(text.data(), text.size());
      continue;
    }
    out += "\x1b[0m";
    if (run.format.dwEffects & CFE_BOLD) out += "\x1b[1m";
    COLORREF c = ColourOf(run.format);
    if (c != 0) {
      char sgr[40];
      snprintf(sgr, sizeof(sgr), "\x1b[38;2;%u;%u;%um", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
      out += sgr;
    }
    std::wstring text = run.text;
    for (wchar_t& ch : text)
      if (ch == L'\r') ch = L'\n';
    out += ToUtf8(text.data(), text.size());
  }
  out += "\x1b[0m";
  return out;
}

}  // namespace kavro::platform
