// The skinned text field: layout, caret, hit testing, scrolling, painting,
// keys, characters, mouse, clipboard and the input method.

#include "toolkit/SkinEdit.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "toolkit/SkinUi.h"

namespace {

const wchar_t kClipboardFormatName[] = L"AvlfEdit Unicode text";

bool IsDigits(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The units of a clipboard block up to its first 0, never past the block.
std::wstring ReadWideBlock(HGLOBAL block) {
  const SIZE_T bytes = ::GlobalSize(block);
  const auto* data = static_cast<const wchar_t*>(::GlobalLock(block));
  if (!data) return {};
  const size_t units = bytes / sizeof(wchar_t);
  size_t n = 0;
  while (n < units && data[n]) ++n;
  std::wstring text(data, n);
  ::GlobalUnlock(block);
  return text;
}

std::wstring ReadAnsiBlock(HGLOBAL block) {
  const SIZE_T bytes = ::GlobalSize(block);
  const auto* data = static_cast<const char*>(::GlobalLock(block));
  if (!data) return {};
  size_t n = 0;
  while (n < bytes && data[n]) ++n;
  std::wstring text;
  if (n > 0 && n < 0x7FFFFFFF) {
    const int count = ::MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(n), nullptr, 0);
    if (count > 0) {
      text.resize(static_cast<size_t>(count));
      ::MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(n), text.data(), count);
    }
  }
  ::GlobalUnlock(block);
  return text;
}

}  // namespace

namespace {

// Measures the text from `first` with `count` (1..32) one-character ranges at
// its start; fills boxes first.. with the bounds of each. `rest` is how much
// of the text after `first` GDI+ lays out: the whole rest, or (`bounded`)
// only the run and what follows it to the end of the next word. That gives
// the same boxes, since no character of the run becomes a trailing blank and
// every line break up to there falls where it falls in the whole rest,
// without laying out the rest of a long text again for every run.
void MeasureRun(Gdiplus::Graphics& graphics, AvlfEdit& edit, size_t first, int count, bool bounded,
                std::vector<AvlfEditCharBox>& boxes) {
  const std::wstring& text = edit.m_strText;
  Gdiplus::CharacterRange ranges[kEditRangesPerCall];
  for (int k = 0; k < count; ++k) ranges[k] = Gdiplus::CharacterRange(k, 1);
  edit.m_pMeasureFormat->SetMeasurableCharacterRanges(count, ranges);
  Gdiplus::Region regions[kEditRangesPerCall];
  const Gdiplus::RectF layout(0, 0, 1200, 1000);
  size_t end = text.size();
  if (bounded) {
    end = first + static_cast<size_t>(count);
    while (end < text.size() && std::iswspace(text[end])) ++end;
    while (end < text.size() && !std::iswspace(text[end])) ++end;
  }
  if (graphics.MeasureCharacterRanges(text.c_str() + first, static_cast<INT>(end - first), edit.m_pFont, layout,
                                      edit.m_pMeasureFormat, count, regions) != Gdiplus::Ok)
    return;
  Gdiplus::RectF lead;
  regions[0].GetBounds(&lead, &graphics);
  for (int k = 0; k < count; ++k) {
    Gdiplus::RectF bounds;
    regions[k].GetBounds(&bounds, &graphics);
    // Measured alone at the start of its own rest of the text, a character
    // starts where the first of this run does.
    boxes[first + static_cast<size_t>(k)] = {lead.X, lead.Y, bounds.Width, bounds.Height};
  }
}

void Measure(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes, int perCall, bool bounded) {
  const std::wstring& text = edit.m_strText;
  boxes.assign(text.size(), AvlfEditCharBox{0, 0, 0, 0});
  if (!edit.m_pFont || !edit.m_pMeasureFormat) return;
  HDC hdc = ::GetDC(edit.m_hWnd);
  {
    Gdiplus::Graphics graphics(hdc);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    graphics.SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
    for (size_t i = 0; i < text.size(); i += static_cast<size_t>(perCall))
      MeasureRun(graphics, edit, i, static_cast<int>(std::min(text.size() - i, static_cast<size_t>(perCall))), bounded,
                 boxes);
  }
  ::ReleaseDC(edit.m_hWnd, hdc);
}

}  // namespace

void MeasureEditCharacters(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes) {
  Measure(edit, boxes, kEditRangesPerCall, true);
}

void MeasureEditCharactersOverTheRest(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes) {
  Measure(edit, boxes, kEditRangesPerCall, false);
}

void MeasureEditCharactersOneByOne(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes) {
  Measure(edit, boxes, 1, false);
}

AvlfEdit::~AvlfEdit() {
  delete m_pSelBrush;
  delete m_pSelTextBrush;
  delete m_pMeasureFormat;
  delete m_pDrawFont;
}

RECT AvlfEdit::Client() const {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  return rc;
}

void AvlfEdit::Notify(WORD code) {
  ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_nCommandID), code),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

void AvlfEdit::Repaint() { ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

LRESULT AvlfEdit::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  AvlfWindowImpl<AvlfEdit>::OnCreate(uMsg, wParam, lParam, bHandled);
  if ((m_dwStyle & ES_NUMBER) && !IsDigits(m_strText)) m_strText.clear();
  if (m_pElement) {
    if (const AvlfUiWindow::Attribute* water = m_pElement->FindAttribute(L"WaterText")) {
      if (auto* text = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(water->GetValue(), 5)))
        m_strHint = text->GetText();
    }
  }
  uint32_t selection = 0xFF808080;
  if (auto* colour = static_cast<AvlfUiElementColor*>(GetSkinUi()->FindElement(L"EditSel", 2)))
    selection = colour->GetArgb();
  uint32_t selectedText = selection;
  if (auto* colour = static_cast<AvlfUiElementColor*>(GetSkinUi()->FindElement(L"Black", 2)))
    selectedText = colour->GetArgb();
  delete m_pSelBrush;
  delete m_pSelTextBrush;
  m_pSelBrush = new Gdiplus::SolidBrush(Gdiplus::Color(selection));
  m_pSelTextBrush = new Gdiplus::SolidBrush(Gdiplus::Color(selectedText));
  if (!m_pMeasureFormat) m_pMeasureFormat = new Gdiplus::StringFormat(0, 0);
  if (!m_pDrawFont) m_pDrawFont = new Gdiplus::Font(L"Arial", 11, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
  m_bMultiLine = (m_dwStyle & ES_MULTILINE) != 0;
  m_nClipboardFormat = ::RegisterClipboardFormatW(kClipboardFormatName);
  if (m_pFont) {
    HDC hdc = ::GetDC(m_hWnd);
    {
      Gdiplus::Graphics graphics(hdc);
      m_nLineHeight = static_cast<int32_t>(m_pFont->GetHeight(&graphics) + 0.5f);
    }
    ::ReleaseDC(m_hWnd, hdc);
  }
  LayoutText();
  PlaceCaret(Length());
  m_nCaret = Length();
  m_nCodePage = ::GetACP();
  m_bImeAware = m_nCodePage != 1252;
  return 0;
}

LRESULT AvlfEdit::OnSetText(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const auto* text = reinterpret_cast<const wchar_t*>(lParam);
  m_strText = text ? text : L"";
  LayoutText();
  PlaceCaret(Length());
  m_nCaret = Length();
  m_nAnchor = 0;
  m_bHasSelection = false;
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return 0;
}

LRESULT AvlfEdit::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  m_lines.clear();
  m_boxes.clear();
  bHandled = FALSE;
  return 0;
}

void AvlfEdit::LayoutText() {
  m_lines.clear();
  m_boxes.clear();
  if (m_strText.empty()) return;
  (m_pMeasure ? m_pMeasure : &MeasureEditCharacters)(*this, m_boxes);
  m_boxes.resize(m_strText.size(), AvlfEditCharBox{0, 0, 0, 0});
  const RECT rc = Client();
  const int top = m_bMultiLine ? rc.top : rc.top + (rc.bottom - m_nLineHeight - rc.top) / 2;
  const auto lineHeight = static_cast<float>(m_nLineHeight);
  AvlfEditLine line{0, 0, static_cast<float>(m_nMargin + rc.left), static_cast<float>(top), 0, lineHeight};
  int running = rc.left;
  for (int i = 0; i < Length(); ++i) {
    const AvlfEditCharBox& box = m_boxes[static_cast<size_t>(i)];
    running += static_cast<int>(box.width);
    if (m_bMultiLine && running > rc.right - m_nMargin) {
      line.count = i - line.start;
      m_lines.push_back(line);
      line = {i, 1, static_cast<float>(m_nMargin + rc.left), line.y + lineHeight, box.width, lineHeight};
      running = static_cast<int>(box.width);
    } else {
      line.count += 1;
      line.width += box.width;
    }
  }
  if (line.width > 0) m_lines.push_back(line);
}

int AvlfEdit::LineOf(int index, bool later) const {
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const AvlfEditLine& line = m_lines[i];
    if (later ? (line.start <= index && index < line.start + line.count)
              : (line.start <= index && index <= line.start + line.count))
      return static_cast<int>(i);
  }
  if (later && !m_lines.empty() && index == m_lines.back().start + m_lines.back().count)
    return static_cast<int>(m_lines.size() - 1);
  return -1;
}

void AvlfEdit::PlaceCaret(int index) {
  const RECT rc = Client();
  if (m_boxes.empty()) {
    if (m_dwStyle & ES_RIGHT)
      m_nCaretX = rc.right;
    else if (m_dwStyle & ES_CENTER)
      m_nCaretX = (rc.right - rc.left) / 2;
    else
      m_nCaretX = rc.left + 3;
    m_nCaretY = m_bMultiLine ? 0 : (rc.bottom - m_nLineHeight - rc.top) / 2;
  } else {
    const int n = LineOf(index, false);
    if (n >= 0) {
      const AvlfEditLine& line = m_lines[static_cast<size_t>(n)];
      m_nCaretY = static_cast<int>(line.y);
      // 260 is a fixed bound of the scrolled index, not the text limit.
      if (m_nFirstVisible < 0 || m_nFirstVisible > 260) m_nFirstVisible = 0;
      int sum = 0;
      for (int j = line.start + m_nFirstVisible; j < index && j < Length(); ++j)
        sum += static_cast<int>(m_boxes[static_cast<size_t>(j)].width);
      m_nCaretX = static_cast<int>(line.x + static_cast<float>(sum));
    }
  }
  ::SetCaretPos(m_nCaretX, m_nCaretY);
}

int AvlfEdit::HitTest(POINT pt) {
  if (!m_bMultiLine && pt.x < m_nMargin) {
    m_nCaret = 0;
    m_nCaretX = 0;
    return 0;
  }
  if (m_lines.empty()) return m_nCaret;
  const AvlfEditLine* line = nullptr;
  const AvlfEditLine& last = m_lines.back();
  if (pt.y >= static_cast<int>(last.y + last.height)) {
    line = &last;
  } else {
    for (const AvlfEditLine& candidate : m_lines)
      if (static_cast<int>(candidate.y) <= pt.y && pt.y < static_cast<int>(candidate.y + candidate.height)) {
        line = &candidate;
        break;
      }
  }
  if (!line) return m_nCaret;
  m_nCaretY = static_cast<int>(line->y);
  int left = static_cast<int>(line->x);
  for (int position = std::max(0, m_nFirstVisible); position < line->count; ++position) {
    const int j = line->start + position;
    const float width = m_boxes[static_cast<size_t>(j)].width;
    if (left <= pt.x && static_cast<float>(pt.x) < static_cast<float>(left) + width) {
      if (static_cast<float>(pt.x) < static_cast<float>(left) + width / 2) {
        m_nCaretX = left;
        return j;
      }
      m_nCaretX = static_cast<int>(static_cast<float>(left) + width);
      return j + 1;
    }
    left += static_cast<int>(width);
  }
  if (line->count > 0 && static_cast<float>(pt.x) <= m_boxes[static_cast<size_t>(line->start)].x) return line->start;
  return Length();
}

int AvlfEdit::CharactersThatFit() const {
  const RECT rc = Client();
  const int room = rc.right - rc.left;
  int sum = 0, n = 0;
  for (int i = std::max(0, m_nFirstVisible); i < Length(); ++i) {
    sum += static_cast<int>(m_boxes[static_cast<size_t>(i)].width);
    if (sum > room) break;
    ++n;
  }
  return n;
}

void AvlfEdit::ScrollToCaret(const RECT& client) {
  if (m_bMultiLine || m_strText.empty() || m_lines.empty()) return;
  const float needed = m_lines.front().width + static_cast<float>(2 * m_nMargin);
  if (static_cast<float>(client.right) >= needed) {
    m_nFirstVisible = 0;
  } else if (m_nCaret == Length()) {
    const float excess = needed - static_cast<float>(client.right);
    int sum = 0, k = 0;
    for (; k < Length(); ++k) {
      sum += static_cast<int>(m_boxes[static_cast<size_t>(k)].width);
      if (static_cast<float>(sum) > excess) break;
    }
    m_nFirstVisible = std::min(k + 1, Length());
  } else if (m_nCaret - m_nFirstVisible >= CharactersThatFit()) {
    m_nFirstVisible += 1;
  }
}

void AvlfEdit::RescrollAfterDelete() {
  LayoutText();
  if (!m_bMultiLine) {
    const RECT rc = Client();
    int sum = 0;
    m_nFirstVisible = 0;
    for (int i = Length() - 1; i >= 0; --i) {
      sum += static_cast<int>(m_boxes[static_cast<size_t>(i)].width);
      if (m_nMargin + sum > rc.right) {
        m_nFirstVisible = i + 1;
        break;
      }
    }
  }
  m_bHasSelection = false;
}

void AvlfEdit::ReplaceSelection(const std::wstring& text) {
  const int lo = std::clamp(std::min(m_nAnchor, m_nCaret), 0, Length());
  const int hi = std::clamp(std::max(m_nAnchor, m_nCaret), 0, Length());
  m_strText.replace(static_cast<size_t>(lo), static_cast<size_t>(hi - lo), text);
  m_nCaret = lo + static_cast<int>(text.size());
  ::SetFocus(m_hWnd);
}

void AvlfEdit::DeleteSelection() {
  const int lo = std::clamp(std::min(m_nAnchor, m_nCaret), 0, Length());
  const int hi = std::clamp(std::max(m_nAnchor, m_nCaret), 0, Length());
  m_strText.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
  m_nCaret = lo;
  RescrollAfterDelete();
}

void AvlfEdit::InsertText(const std::wstring& text) {
  if (m_bHasSelection) {
    ReplaceSelection(text);
  } else {
    m_nCaret = std::clamp(m_nCaret, 0, Length());
    m_strText.insert(static_cast<size_t>(m_nCaret), text);
    m_nCaret += static_cast<int>(text.size());
  }
  m_bHasSelection = false;
  LayoutText();
  PlaceCaret(m_nCaret);
  Repaint();
}

// ---- Focus -----------------------------------------------------------------

LRESULT AvlfEdit::OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  ::CreateCaret(m_hWnd, nullptr, 1, m_nLineHeight);
  if (m_bImeAware && ::ImmGetDefaultIMEWnd(m_hWnd)) {
    if (HIMC imc = ::ImmGetContext(m_hWnd)) {
      m_bImeOpenAtFocusGain = ::ImmGetOpenStatus(imc) != FALSE;
      if (!m_bImeOpenAtFocusGain && m_bImeOpenAtFocusLoss) {
        ::ImmSetOpenStatus(imc, TRUE);
        ::ImmSetConversionStatus(imc, m_nImeConversion, m_nImeSentence);
      }
      COMPOSITIONFORM form{};
      form.dwStyle = CFS_POINT;
      form.ptCurrentPos = {m_nCaretX, m_nCaretY};
      ::ImmSetCompositionWindow(imc, &form);
      LOGFONTW font = m_logFont;
      ::ImmSetCompositionFontW(imc, &font);
      ::ImmReleaseContext(m_hWnd, imc);
    }
  }
  LayoutText();
  ::ShowCaret(m_hWnd);
  m_bFocused = true;
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  DefWindowProc(uMsg, wParam, lParam);
  return 0;
}

LRESULT AvlfEdit::OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_bImeAware && ::ImmGetDefaultIMEWnd(m_hWnd)) {
    if (HIMC imc = ::ImmGetContext(m_hWnd)) {
      m_bImeOpenAtFocusLoss = ::ImmGetOpenStatus(imc) != FALSE;
      if (m_bImeOpenAtFocusLoss) {
        DWORD conversion = 0, sentence = 0;
        if (::ImmGetConversionStatus(imc, &conversion, &sentence)) {
          m_nImeConversion = conversion;
          m_nImeSentence = sentence;
        }
      }
      const LONG bytes = ::ImmGetCompositionStringW(imc, GCS_COMPSTR, nullptr, 0);
      std::wstring pending;
      bool read = false;
      if (bytes > 0) {
        pending.resize(static_cast<size_t>(bytes) / sizeof(wchar_t));
        read = ::ImmGetCompositionStringW(imc, GCS_COMPSTR, pending.data(), static_cast<DWORD>(bytes)) >= 0;
      }
      ::ImmNotifyIME(imc, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
      if (read && !pending.empty()) InsertText(pending);
      ::ImmNotifyIME(imc, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
      if (::ImmGetOpenStatus(imc) && m_bImeOpenAtFocusGain) ::ImmSetOpenStatus(imc, FALSE);
      ::ImmReleaseContext(m_hWnd, imc);
    }
  }
  Notify(EN_KILLFOCUS);
  ::DestroyCaret();
  m_bFocused = false;
  ::InvalidateRect(m_hWnd, nullptr, TRUE);
  DefWindowProc(uMsg, wParam, lParam);
  return 0;
}

// ---- Keys and characters ---------------------------------------------------

void AvlfEdit::ApplyShiftRule(bool shift) {
  if (shift && !m_bHasSelection) m_nAnchor = m_nCaret;
  m_bHasSelection = shift;
}

LRESULT AvlfEdit::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  m_bSelecting = false;
  bool moved = true;
  bool placed = false;
  auto left = [&] {
    if (ctrl) {
      int k = m_nCaret - 1;
      while (k > 0 && m_strText[static_cast<size_t>(k)] != L' ') --k;
      m_nCaret = std::max(k, 0);
    } else if (!m_strText.empty()) {
      m_nCaret -= 1;
    }
    if (m_nCaret < 0) m_nCaret = 0;
    if (!m_bMultiLine && m_nCaret < m_nFirstVisible) m_nFirstVisible = m_nCaret;
  };
  auto right = [&] {
    if (ctrl) {
      int k = std::max(m_nCaret, 0);
      while (k < Length() && m_strText[static_cast<size_t>(k)] != L' ') ++k;
      m_nCaret = k < Length() ? k + 1 : Length();
    } else if (m_nCaret < Length()) {
      m_nCaret += 1;
    }
    if (!m_bMultiLine && m_nCaret - m_nFirstVisible > CharactersThatFit()) m_nFirstVisible += 1;
  };
  // Up and Down: -1 towards the line above, +1 below.
  auto vertical = [&](int direction) {
    const bool select = shift && !ctrl;
    if (select && !m_bHasSelection) m_nAnchor = m_nCaret;
    m_bHasSelection = select;
    int n = -1;
    if (m_bMultiLine) {
      for (size_t i = 0; i < m_lines.size(); ++i)
        if (static_cast<int>(m_lines[i].y) <= m_nCaretY &&
            m_nCaretY < static_cast<int>(m_lines[i].y + m_lines[i].height))
          n = static_cast<int>(i);
    }
    const int target = n + direction;
    if (m_bMultiLine && n >= 0 && target >= 0 && target < static_cast<int>(m_lines.size())) {
      m_nCaret = HitTest(POINT{m_nCaretX, static_cast<int>(m_lines[static_cast<size_t>(target)].y)});
      ::SetCaretPos(m_nCaretX, m_nCaretY);
      placed = true;
    } else if (direction < 0) {
      left();
    } else {
      right();
    }
  };
  switch (wParam) {
    case VK_END:
      ApplyShiftRule(shift);
      m_nCaret = Length();
      break;
    case VK_HOME:
      ApplyShiftRule(shift);
      if (m_nCaret > m_nFirstVisible) m_nCaret = m_nFirstVisible;
      break;
    case VK_LEFT:
      ApplyShiftRule(shift);
      left();
      break;
    case VK_RIGHT:
      ApplyShiftRule(shift);
      right();
      break;
    case VK_UP:
      vertical(-1);
      break;
    case VK_DOWN:
      vertical(1);
      break;
    case VK_DELETE:
      if (m_bHasSelection) {
        DeleteSelection();
      } else if (m_nCaret >= 0 && m_nCaret < Length()) {
        m_strText.erase(static_cast<size_t>(m_nCaret), 1);
        PlaceCaret(m_nCaret);
      }
      Notify(EN_CHANGE);
      LayoutText();
      Repaint();
      PlaceCaret(m_nCaret);
      Repaint();
      return 0;
    case 'C':
    case 'X':
    case 'V':
      if (!ctrl) {
        bHandled = FALSE;
        return 0;
      }
      if (::IsWindowEnabled(m_hWnd)) {
        if (wParam == 'V')
          Paste();
        else
          CopyOrCut(wParam == 'X');
        m_bSwallowNextChar = true;
      } else {
        PlaceCaret(m_nCaret);
        Repaint();
      }
      return 0;
    default:
      moved = false;
      break;
  }
  if (!moved) {
    bHandled = FALSE;
    return 0;
  }
  if (shift && m_nAnchor != m_nCaret) m_bSelecting = true;
  if (!placed) PlaceCaret(m_nCaret);
  Repaint();
  return 0;
}

LRESULT AvlfEdit::OnChar(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (m_bSwallowNextChar) {
    m_bSwallowNextChar = false;
    return 0;
  }
  const auto ch = static_cast<wchar_t>(wParam);
  const RECT rc = Client();
  switch (ch) {
    case 8:
      if (!m_strText.empty()) {
        if (m_bHasSelection) {
          DeleteSelection();
        } else if (m_nCaret > m_nFirstVisible && m_nCaret <= Length()) {
          m_nCaret -= 1;
          m_strText.erase(static_cast<size_t>(m_nCaret), 1);
          RescrollAfterDelete();
        }
      }
      break;
    case 9:
      ScrollToCaret(rc);
      if (m_bHasSelection) {
        ReplaceSelection(L"   ");
      } else {
        m_nCaret = std::clamp(m_nCaret, 0, Length());
        m_strText.insert(static_cast<size_t>(m_nCaret), L"   ");
        m_nCaret += 3;
      }
      break;
    case 13:
      ::ReleaseCapture();
      ::SetFocus(::GetParent(m_hWnd));
      return 0;
    case 27:
      Notify(EN_AVLF_ESCAPE);
      return 0;
    default: {
      const int selected = m_bHasSelection ? std::abs(m_nCaret - m_nAnchor) : 0;
      if (((m_dwStyle & ES_NUMBER) && (ch < L'0' || ch > L'9')) || Length() - selected >= kMaxTyped) {
        ::MessageBeep(0xFFFFFFFF);
        return 0;
      }
      if (::IsWindowEnabled(m_hWnd)) {
        ScrollToCaret(rc);
        if (m_bHasSelection) {
          ReplaceSelection(std::wstring(1, ch));
        } else {
          m_nCaret = std::clamp(m_nCaret, 0, Length());
          m_strText.insert(static_cast<size_t>(m_nCaret), 1, ch);
          m_nCaret += 1;
        }
      }
      break;
    }
  }
  m_bHasSelection = false;
  LayoutText();
  Repaint();
  PlaceCaret(m_nCaret);
  Notify(EN_CHANGE);
  return 0;
}

LRESULT AvlfEdit::OnImeComposition(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (!(lParam & GCS_RESULTSTR)) return DefWindowProc(uMsg, wParam, lParam);
  if (HIMC imc = ::ImmGetContext(m_hWnd)) {
    const LONG bytes = ::ImmGetCompositionStringW(imc, GCS_RESULTSTR, nullptr, 0);
    if (bytes >= 0) {
      std::wstring result(static_cast<size_t>(bytes) / sizeof(wchar_t) + 1, L'\0');
      const LONG got =
          ::ImmGetCompositionStringW(imc, GCS_RESULTSTR, result.data(), static_cast<DWORD>(bytes) + sizeof(wchar_t));
      if (got >= 0) {
        result.resize(std::min(static_cast<size_t>(got) / sizeof(wchar_t), result.size()));
        InsertText(result);
        if (m_bImeAware && ::ImmGetDefaultIMEWnd(m_hWnd)) {
          COMPOSITIONFORM form{};
          form.dwStyle = CFS_POINT;
          form.ptCurrentPos = {m_nCaretX, m_nCaretY};
          ::ImmSetCompositionWindow(imc, &form);
        }
      }
    }
    ::ImmReleaseContext(m_hWnd, imc);
  }
  Notify(EN_CHANGE);
  return 0;
}

// ---- Mouse -----------------------------------------------------------------

LRESULT AvlfEdit::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&) {
  ::CreateCaret(m_hWnd, nullptr, 1, m_nLineHeight);
  ::ShowCaret(m_hWnd);
  m_bHasSelection = false;
  if (!m_strText.empty()) {
    m_nCaret = HitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    PlaceCaret(m_nCaret);
    ::SetCapture(m_hWnd);
    ::SetCaretPos(m_nCaretX, m_nCaretY);
    m_bSelecting = true;
    m_nAnchor = m_nCaret;
  } else {
    PlaceCaret(0);
  }
  ScrollToCaret(Client());
  ::SetFocus(m_hWnd);
  ::ShowCaret(m_hWnd);
  m_bFocused = true;
  Repaint();
  return 0;
}

LRESULT AvlfEdit::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&) {
  if (!m_bSelecting) return 0;
  m_bHasSelection = true;
  const int oldCaret = m_nCaret, oldX = m_nCaretX, oldY = m_nCaretY;
  m_nCaret = HitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (m_nCaret != oldCaret || m_nCaretX != oldX || m_nCaretY != oldY) {
    ::SetCaretPos(m_nCaretX, m_nCaretY);
    Repaint();
  }
  return 0;
}

LRESULT AvlfEdit::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&) {
  if (m_bSelecting) {
    m_bSelecting = false;
    ::ReleaseCapture();
  }
  return 0;
}

LRESULT AvlfEdit::OnLButtonDblClk(UINT, WPARAM, LPARAM lParam, BOOL&) {
  if (m_bMultiLine) {
    m_bHasSelection = false;
    return 0;
  }
  m_bHasSelection = true;
  const int i = HitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  int anchor = 0;
  for (int j = std::min(i, Length()) - 1; j > 0; --j)
    if (m_strText[static_cast<size_t>(j)] == L' ') {
      anchor = j;
      break;
    }
  int caret = Length();
  for (int k = std::max(i, 0); k < Length(); ++k)
    if (m_strText[static_cast<size_t>(k)] == L' ') {
      caret = k + 1;
      break;
    }
  if (!m_strText.empty()) {
    if (m_nFirstVisible < anchor) anchor += 1;
    if (caret < Length()) caret -= 1;
  }
  m_nAnchor = anchor;
  m_nCaret = caret;
  PlaceCaret(m_nCaret);
  Repaint();
  return 0;
}

LRESULT AvlfEdit::OnRButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  HWND parent = ::GetParent(m_hWnd);
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::MapWindowPoints(m_hWnd, parent, &pt, 1);
  ::PostMessageW(parent, WM_RBUTTONDOWN, wParam, MAKELPARAM(pt.x, pt.y));
  return 0;
}

// ---- Clipboard -------------------------------------------------------------

LRESULT AvlfEdit::OnClipboardMessage(UINT uMsg, WPARAM, LPARAM, BOOL&) {
  if (uMsg == WM_PASTE)
    Paste();
  else
    CopyOrCut(uMsg == WM_CUT);
  return 0;
}

void AvlfEdit::CopyOrCut(bool cut) {
  if (!m_bHasSelection) return;
  if (!::OpenClipboard(m_hWnd)) return;
  const int lo = std::clamp(std::min(m_nAnchor, m_nCaret), 0, Length());
  const int hi = std::clamp(std::max(m_nAnchor, m_nCaret), 0, Length());
  const size_t units = static_cast<size_t>(hi - lo);
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, (units + 1) * sizeof(wchar_t));
  if (block) {
    if (auto* data = static_cast<wchar_t*>(::GlobalLock(block))) {
      std::wmemcpy(data, m_strText.data() + lo, units);
      data[units] = 0;
      ::GlobalUnlock(block);
      ::EmptyClipboard();
      if (!::SetClipboardData(m_nClipboardFormat, block)) ::GlobalFree(block);
    } else {
      ::GlobalFree(block);
    }
  }
  ::CloseClipboard();
  if (cut) {
    DeleteSelection();
    LayoutText();
    Repaint();
    PlaceCaret(m_nCaret);
  }
}

void AvlfEdit::Paste() {
  if (!::OpenClipboard(m_hWnd)) return;
  std::wstring text;
  bool found = false;
  if (HGLOBAL block = ::GetClipboardData(m_nClipboardFormat)) {
    found = true;
    if (::GlobalSize(block)) text = ReadWideBlock(block);
  } else if (HGLOBAL block = ::GetClipboardData(CF_UNICODETEXT)) {
    found = true;
    if (::GlobalSize(block)) text = ReadWideBlock(block);
  } else if (HGLOBAL block = ::GetClipboardData(CF_TEXT)) {
    found = true;
    if (::GlobalSize(block)) text = ReadAnsiBlock(block);
  }
  ::CloseClipboard();
  if (!found || text.empty()) return;
  if ((m_dwStyle & ES_NUMBER) && !IsDigits(text)) {
    ::MessageBeep(0xFFFFFFFF);
    return;
  }
  const int selected = m_bHasSelection ? std::abs(m_nCaret - m_nAnchor) : 0;
  const int allowed = kMaxTyped - (Length() - selected);
  if (allowed <= 0) return;
  if (static_cast<int>(text.size()) > allowed) text.resize(static_cast<size_t>(allowed));
  if (m_bHasSelection) {
    ReplaceSelection(text);
  } else {
    m_nCaret = std::clamp(m_nCaret, 0, Length());
    m_strText.insert(static_cast<size_t>(m_nCaret), text);
    m_nCaret += static_cast<int>(text.size());
  }
  m_bHasSelection = false;
  LayoutText();
  Repaint();
  PlaceCaret(m_nCaret);
}

// ---- Painting --------------------------------------------------------------

void AvlfEdit::DoPaint(HDC hdc) {
  const RECT rc = Client();
  if (m_bTransparent) DrawBackground(hdc);
  Gdiplus::Graphics graphics(hdc);
  const Gdiplus::Rect area(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  if (m_bTransparent) {
    Gdiplus::SolidBrush fill(Gdiplus::Color(m_bFocused ? 0xC8D7D7D7 : 0xFFD7D7D7));
    graphics.FillRectangle(&fill, area);
  } else if (m_pBkBrush) {
    graphics.FillRectangle(m_pBkBrush, area);
  }
  if (!m_strHint.empty() && !m_bFocused && m_strText.empty() && m_pFont) {
    Gdiplus::SolidBrush grey(Gdiplus::Color(0xFF808080));
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentNear);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    const Gdiplus::RectF box(static_cast<float>(rc.left + 4), static_cast<float>(rc.top),
                             static_cast<float>(rc.right - rc.left - 4), static_cast<float>(rc.bottom - rc.top));
    graphics.DrawString(m_strHint.c_str(), static_cast<INT>(m_strHint.size()), m_pFont, box, &format, &grey);
  }
  if (m_lines.empty() || m_boxes.size() != m_strText.size()) return;
  PaintSelection(graphics, rc);
  PaintText(graphics, rc);
}

void AvlfEdit::PaintSelection(Gdiplus::Graphics& graphics, const RECT& rc) {
  if (!(m_bHasSelection || m_bSelecting) || m_nAnchor == m_nCaret || !m_pSelBrush) return;
  const int lo = std::clamp(std::min(m_nAnchor, m_nCaret), 0, Length());
  const int hi = std::clamp(std::max(m_nAnchor, m_nCaret), 0, Length());
  auto width = [&](int from, int to) {
    int sum = 0;
    for (int j = std::max(from, 0); j < to; ++j) sum += static_cast<int>(m_boxes[static_cast<size_t>(j)].width);
    return sum;
  };
  if (m_bMultiLine) {
    const int a = LineOf(lo, true), b = LineOf(hi, true);
    if (a < 0 || b < 0) return;
    const AvlfEditLine& first = m_lines[static_cast<size_t>(a)];
    const AvlfEditLine& last = m_lines[static_cast<size_t>(b)];
    const float loX = static_cast<float>(static_cast<int>(first.x) + width(first.start, lo));
    if (a == b) {
      const float hiX = static_cast<float>(static_cast<int>(first.x) + width(first.start, hi));
      graphics.FillRectangle(m_pSelBrush, loX, first.y, hiX - loX, first.height);
      return;
    }
    const float left = static_cast<float>(m_nMargin + rc.left), right = static_cast<float>(rc.right - m_nMargin);
    graphics.FillRectangle(m_pSelBrush, loX, first.y, right - loX, first.height);
    for (int n = a + 1; n < b; ++n) {
      const AvlfEditLine& middle = m_lines[static_cast<size_t>(n)];
      graphics.FillRectangle(m_pSelBrush, left, middle.y, right - left, middle.height);
    }
    graphics.FillRectangle(m_pSelBrush, left, last.y, static_cast<float>(width(last.start, hi)), last.height);
    return;
  }
  const AvlfEditLine& line = m_lines.front();
  const int fv = std::clamp(m_nFirstVisible, 0, Length());
  auto xAt = [&](int index) { return static_cast<float>(static_cast<int>(line.x) + width(fv, index)); };
  const float left = lo < fv ? line.x : xAt(lo);
  const float right = hi < fv ? xAt(Length()) : xAt(hi);
  graphics.FillRectangle(m_pSelBrush, left, line.y, right - left, line.height);
}

void AvlfEdit::PaintText(Gdiplus::Graphics& graphics, const RECT& rc) {
  const bool showSelection = m_bHasSelection || m_bSelecting;
  const int lo = std::min(m_nAnchor, m_nCaret), hi = std::max(m_nAnchor, m_nCaret);
  auto brushFor = [&](int index) -> Gdiplus::Brush* {
    return showSelection && lo <= index && index < hi ? m_pSelTextBrush : m_pTextBrush;
  };
  if (m_bMultiLine) {
    if (!m_pFont) return;
    for (const AvlfEditLine& line : m_lines) {
      int x = static_cast<int>(line.x);
      for (int j = line.start; j < line.start + line.count; ++j) {
        const AvlfEditCharBox& box = m_boxes[static_cast<size_t>(j)];
        graphics.DrawString(&m_strText[static_cast<size_t>(j)], 1, m_pFont,
                            Gdiplus::PointF(static_cast<float>(x) - box.x, line.y), brushFor(j));
        x += static_cast<int>(box.width);
      }
    }
    return;
  }
  if (!m_pDrawFont) return;
  const AvlfEditLine& line = m_lines.front();
  const int available = rc.right - m_nMargin;
  int x = static_cast<int>(line.x);
  if (static_cast<float>(m_nMargin) + line.width < static_cast<float>(available)) {
    m_nFirstVisible = 0;
    for (int j = 0; j < Length(); ++j) {
      const AvlfEditCharBox& box = m_boxes[static_cast<size_t>(j)];
      if (static_cast<float>(x) + box.width <= static_cast<float>(available))
        graphics.DrawString(&m_strText[static_cast<size_t>(j)], 1, m_pDrawFont,
                            Gdiplus::PointF(static_cast<float>(x) - box.x, line.y), brushFor(j));
      x += static_cast<int>(box.width);
    }
    return;
  }
  for (int j = std::clamp(m_nFirstVisible, 0, Length()); j < Length(); ++j) {
    const int w = static_cast<int>(m_boxes[static_cast<size_t>(j)].width);
    if (x + w > available) break;
    graphics.DrawString(&m_strText[static_cast<size_t>(j)], 1, m_pDrawFont,
                        Gdiplus::PointF(static_cast<float>(x), line.y), brushFor(j));
    x += w;
  }
}
