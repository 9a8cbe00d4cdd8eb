// CRichEditCtrl: the text with one format index per character, the distinct
// character formats, and one paragraph format per paragraph.
#include <algorithm>
#include <cstring>

#include "KavroStd/platform/afx_richedit.h"
#include "KavroStd/platform/codepage.h"

namespace {

constexpr DWORD kEffectMasks = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED;

CHARFORMATW DefaultFormat() {
  CHARFORMATW f{};
  f.cbSize = sizeof(f);
  f.dwMask = CFM_ALL;
  f.dwEffects = CFE_AUTOCOLOR;
  f.yHeight = 200;
  f.bCharSet = DEFAULT_CHARSET;
  f.bPitchAndFamily = FF_SWISS;
  wcscpy(f.szFaceName, L"Arial");
  return f;
}

PARAFORMAT DefaultParagraph() {
  PARAFORMAT p{};
  p.cbSize = sizeof(p);
  p.dwMask = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_TABSTOPS | PFM_NUMBERING;
  p.wAlignment = PFA_LEFT;
  return p;
}

// The fields in which two formats differ, as CFM_ bits.
DWORD Differences(const CHARFORMATW& a, const CHARFORMATW& b) {
  DWORD diff = (a.dwEffects ^ b.dwEffects) & kEffectMasks;
  if (a.crTextColor != b.crTextColor || ((a.dwEffects ^ b.dwEffects) & CFE_AUTOCOLOR)) diff |= CFM_COLOR;
  if (a.yHeight != b.yHeight) diff |= CFM_SIZE;
  if (a.yOffset != b.yOffset) diff |= CFM_OFFSET;
  if (a.bCharSet != b.bCharSet) diff |= CFM_CHARSET;
  if (wcsncmp(a.szFaceName, b.szFaceName, LF_FACESIZE) != 0 || a.bPitchAndFamily != b.bPitchAndFamily)
    diff |= CFM_FACE;
  return diff;
}

bool SameFormat(const CHARFORMATW& a, const CHARFORMATW& b) { return Differences(a, b) == 0; }

// "\r\n", "\n" and "\r" each as one '\r'.
std::wstring ParagraphBreaks(const wchar_t* text) {
  std::wstring out;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p == L'\r' && p[1] == L'\n') ++p;
    out.push_back(*p == L'\n' ? L'\r' : *p);
  }
  return out;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }

}  // namespace

CRichEditCtrl::CRichEditCtrl()
    : formats_{DefaultFormat()}, paragraphs_{DefaultParagraph()}, caretFormat_(0), selStart_(0), selEnd_(0) {}

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(L"RichEdit20W", L"", style | WS_CHILD, rect, parent, id);
}

int CRichEditCtrl::FormatIndex(const CHARFORMATW& format) {
  for (size_t i = 0; i < formats_.size(); ++i)
    if (SameFormat(formats_[i], format)) return static_cast<int>(i);
  formats_.push_back(format);
  formats_.back().dwMask = CFM_ALL;
  return static_cast<int>(formats_.size() - 1);
}

void CRichEditCtrl::Apply(CHARFORMATW& target, const CHARFORMATW& change) const {
  const DWORD mask = change.dwMask;
  target.dwEffects = (target.dwEffects & ~(mask & kEffectMasks)) | (change.dwEffects & mask & kEffectMasks);
  if (mask & CFM_COLOR) {
    target.crTextColor = change.crTextColor;
    target.dwEffects = (target.dwEffects & ~CFE_AUTOCOLOR) | (change.dwEffects & CFE_AUTOCOLOR);
  }
  if (mask & CFM_SIZE) target.yHeight = change.yHeight;
  if (mask & CFM_OFFSET) target.yOffset = change.yOffset;
  if (mask & CFM_CHARSET) target.bCharSet = change.bCharSet;
  if (mask & CFM_FACE) {
    wcsncpy(target.szFaceName, change.szFaceName, LF_FACESIZE - 1);
    target.szFaceName[LF_FACESIZE - 1] = 0;
    target.bPitchAndFamily = change.bPitchAndFamily;
  }
}

// paragraphs_ holds one entry per break plus one, so positions near the end
// (where output is appended) are counted from there.
size_t CRichEditCtrl::ParagraphOf(long position) const {
  const size_t size = text_.size();
  const size_t breaks = paragraphs_.size() - 1;
  if (static_cast<size_t>(position) >= size) return breaks;
  if (static_cast<size_t>(position) > size / 2)
    return breaks - static_cast<size_t>(std::count(text_.begin() + position, text_.end(), L'\r'));
  return static_cast<size_t>(std::count(text_.begin(), text_.begin() + position, L'\r'));
}

void CRichEditCtrl::Replace(const std::wstring& text) {
  const size_t paragraph = ParagraphOf(selStart_);
  const long removedBreaks = static_cast<long>(std::count(text_.begin() + selStart_, text_.begin() + selEnd_, L'\r'));
  text_.erase(selStart_, selEnd_ - selStart_);
  charFormat_.erase(charFormat_.begin() + selStart_, charFormat_.begin() + selEnd_);
  // Joined paragraphs keep the format of the first.
  paragraphs_.erase(paragraphs_.begin() + paragraph + 1, paragraphs_.begin() + paragraph + 1 + removedBreaks);
  text_.insert(selStart_, text);
  charFormat_.insert(charFormat_.begin() + selStart_, text.size(), caretFormat_);
  const long addedBreaks = static_cast<long>(std::count(text.begin(), text.end(), L'\r'));
  paragraphs_.insert(paragraphs_.begin() + paragraph + 1, addedBreaks, paragraphs_[paragraph]);
  selStart_ = selEnd_ = selStart_ + static_cast<long>(text.size());
}

std::wstring CRichEditCtrl::WindowText() const {
  std::wstring out;
  out.reserve(text_.size());
  for (wchar_t c : text_) {
    out.push_back(c);
    if (c == L'\r') out.push_back(L'\n');
  }
  return out;
}

LRESULT CRichEditCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const long length = static_cast<long>(text_.size());
  switch (message) {
    case WM_SETTEXT: {
      selStart_ = 0;
      selEnd_ = length;
      caretFormat_ = 0;
      Replace(lParam ? ParagraphBreaks(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring());
      std::fill(paragraphs_.begin(), paragraphs_.end(), DefaultParagraph());
      selStart_ = selEnd_ = 0;
      return TRUE;
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(text_.size() + paragraphs_.size() - 1);
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      std::wstring all = WindowText();
      size_t n = std::min(all.size(), static_cast<size_t>(wParam) - 1);
      wmemcpy(reinterpret_cast<LPWSTR>(lParam), all.data(), n);
      reinterpret_cast<LPWSTR>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case EM_SETSEL:
    case EM_EXSETSEL: {
      long start, end;
      if (message == EM_SETSEL) {
        start = static_cast<long>(static_cast<LONG_PTR>(wParam));
        end = static_cast<long>(lParam);
      } else {
        const CHARRANGE* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (!range) return 0;
        start = range->cpMin;
        end = range->cpMax;
      }
      if (start == -1) {
        start = end = selEnd_;
      } else {
        if (end == -1 || end > length) end = length;
        if (start > length) start = length;
        if (start < 0) start = 0;
        if (end < 0) end = 0;
        if (start > end) std::swap(start, end);
      }
      selStart_ = start;
      selEnd_ = end;
      caretFormat_ = start < length && start < end ? charFormat_[start]
                     : start > 0                     ? charFormat_[start - 1]
                     : length > 0                    ? charFormat_[0]
                                                     : caretFormat_;
      return selEnd_;
    }
    case EM_GETSEL:
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(selStart_);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(selEnd_);
      return MAKELONG(selStart_, selEnd_);
    case EM_EXGETSEL:
      if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
        range->cpMin = selStart_;
        range->cpMax = selEnd_;
      }
      return 0;
    case EM_REPLACESEL:
      Replace(lParam ? ParagraphBreaks(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring());
      return 0;
    case EM_SETCHARFORMAT: {
      auto* change = reinterpret_cast<CHARFORMATW*>(lParam);
      if (!change) return 0;
      long start = selStart_, end = selEnd_;
      if (wParam & SCF_ALL) {
        start = 0;
        end = length;
      } else if (!(wParam & (SCF_SELECTION | SCF_WORD))) {
        // The default format: text without a format of its own takes it.
        Apply(formats_[0], *change);
        return TRUE;
      } else if ((wParam & SCF_WORD) && start == end) {
        // Only a word the caret lies inside, never one it merely touches.
        if (start > 0 && start < length && !IsBlank(text_[start - 1]) && !IsBlank(text_[start])) {
          while (start > 0 && !IsBlank(text_[start - 1])) --start;
          while (end < length && !IsBlank(text_[end])) ++end;
        }
      }
      for (long i = start; i < end; ++i) {
        CHARFORMATW f = formats_[charFormat_[i]];
        Apply(f, *change);
        charFormat_[i] = FormatIndex(f);
      }
      CHARFORMATW caret = formats_[caretFormat_];
      Apply(caret, *change);
      caretFormat_ = FormatIndex(caret);
      return TRUE;
    }
    case EM_GETCHARFORMAT: {
      auto* out = reinterpret_cast<CHARFORMATW*>(lParam);
      if (!out) return 0;
      const bool selection = wParam & SCF_SELECTION;
      CHARFORMATW f = selection ? formats_[selStart_ < selEnd_ ? charFormat_[selStart_] : caretFormat_]
                                : formats_[0];
      DWORD mask = CFM_ALL;
      if (selection)
        for (long i = selStart_; i < selEnd_; ++i) mask &= ~Differences(f, formats_[charFormat_[i]]);
      const UINT size = out->cbSize;
      *out = f;
      out->cbSize = size;
      out->dwMask = mask;
      return mask;
    }
    case EM_SETPARAFORMAT: {
      auto* change = reinterpret_cast<PARAFORMAT*>(lParam);
      if (!change) return FALSE;
      for (size_t p = ParagraphOf(selStart_), last = ParagraphOf(selEnd_); p <= last; ++p) {
        PARAFORMAT& target = paragraphs_[p];
        const DWORD mask = change->dwMask;
        if (mask & PFM_STARTINDENT) target.dxStartIndent = change->dxStartIndent;
        if (mask & PFM_RIGHTINDENT) target.dxRightIndent = change->dxRightIndent;
        if (mask & PFM_OFFSET) target.dxOffset = change->dxOffset;
        if (mask & PFM_ALIGNMENT) target.wAlignment = change->wAlignment;
        if (mask & PFM_NUMBERING) target.wNumbering = change->wNumbering;
        if (mask & PFM_TABSTOPS) {
          target.cTabCount = std::clamp<SHORT>(change->cTabCount, 0, MAX_TAB_STOPS);
          std::copy(change->rgxTabs, change->rgxTabs + MAX_TAB_STOPS, target.rgxTabs);
        }
      }
      return TRUE;
    }
    case EM_GETPARAFORMAT: {
      auto* out = reinterpret_cast<PARAFORMAT*>(lParam);
      if (!out) return 0;
      const UINT size = out->cbSize;
      *out = paragraphs_[ParagraphOf(selStart_)];
      out->cbSize = size;
      return out->dwMask;
    }
    case EM_STREAMOUT: {
      auto* stream = reinterpret_cast<EDITSTREAM*>(lParam);
      if (!stream || !stream->pfnCallback) return 0;
      std::string bytes;
      if (wParam & SF_RTF) {
        bytes = kavro::platform::KvRichTextToRtf(*this);
      } else {
        std::wstring all = WindowText();
        int n = WideCharToMultiByte(CP_ACP, 0, all.data(), static_cast<int>(all.size()), nullptr, 0, nullptr, nullptr);
        bytes.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_ACP, 0, all.data(), static_cast<int>(all.size()), bytes.data(), n, nullptr, nullptr);
      }
      size_t offset = 0;
      stream->dwError = 0;
      while (offset < bytes.size()) {
        LONG piece = static_cast<LONG>(std::min<size_t>(bytes.size() - offset, 4096));
        LONG done = 0;
        stream->dwError = stream->pfnCallback(stream->dwCookie, reinterpret_cast<LPBYTE>(&bytes[offset]), piece, &done);
        if (stream->dwError || done <= 0) break;
        offset += static_cast<size_t>(done);
      }
      return static_cast<LRESULT>(offset);
    }
    default: return CWnd::WindowProc(message, wParam, lParam);
  }
}

void CRichEditCtrl::SetSel(long start, long end) { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }

void CRichEditCtrl::GetSel(long& start, long& end) const {
  DWORD s = 0, e = 0;
  const_cast<CRichEditCtrl*>(this)->SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  start = static_cast<long>(s);
  end = static_cast<long>(e);
}

void CRichEditCtrl::ReplaceSel(LPCWSTR text, BOOL canUndo) {
  SendMessage(EM_REPLACESEL, static_cast<WPARAM>(canUndo), reinterpret_cast<LPARAM>(text));
}

long CRichEditCtrl::GetTextLength() const {
  return static_cast<long>(const_cast<CRichEditCtrl*>(this)->SendMessage(WM_GETTEXTLENGTH));
}

CString CRichEditCtrl::GetSelText() const {
  std::wstring part = text_.substr(selStart_, selEnd_ - selStart_);
  return CString(part.c_str());
}

BOOL CRichEditCtrl::SetSelectionCharFormat(CHARFORMATW& format) {
  return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
}

BOOL CRichEditCtrl::SetWordCharFormat(CHARFORMATW& format) {
  return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_SELECTION | SCF_WORD, reinterpret_cast<LPARAM>(&format)));
}

BOOL CRichEditCtrl::SetDefaultCharFormat(CHARFORMATW& format) {
  return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format)));
}

DWORD CRichEditCtrl::GetSelectionCharFormat(CHARFORMATW& format) const {
  return static_cast<DWORD>(
      const_cast<CRichEditCtrl*>(this)->SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
}

BOOL CRichEditCtrl::SetParaFormat(PARAFORMAT& format) {
  return static_cast<BOOL>(SendMessage(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)));
}

DWORD CRichEditCtrl::GetParaFormat(PARAFORMAT& format) const {
  return static_cast<DWORD>(
      const_cast<CRichEditCtrl*>(this)->SendMessage(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)));
}

long CRichEditCtrl::StreamOut(int format, EDITSTREAM& stream) {
  return static_cast<long>(SendMessage(EM_STREAMOUT, static_cast<WPARAM>(format), reinterpret_cast<LPARAM>(&stream)));
}

std::vector<KvTextRun> CRichEditCtrl::KvGetRuns() const {
  std::vector<KvTextRun> runs;
  size_t paragraph = 0;
  for (size_t i = 0; i < text_.size(); ++i) {
    const CHARFORMATW& f = formats_[charFormat_[i]];
    if (runs.empty() || !SameFormat(runs.back().format, f) ||
        (i > 0 && text_[i - 1] == L'\r'))
      runs.push_back(KvTextRun{std::wstring(), f, paragraphs_[paragraph]});
    runs.back().text.push_back(text_[i]);
    if (text_[i] == L'\r') ++paragraph;
  }
  return runs;
}
