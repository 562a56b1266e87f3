#include "toolkit/Buttons.h"

#include <shellapi.h>

#include <cmath>
#include <cwchar>
#include <cwctype>

#include "toolkit/SkinUi.h"

#define LAYOUT_ROW(name) \
  { L## #name, name }

const StyleNameEntry LayoutNameTable[] = {
    LAYOUT_ROW(ORDER_H_TEXT_IMAGE), LAYOUT_ROW(ORDER_H_IMAGE_TEXT), LAYOUT_ROW(ORDER_V_TEXT_IMAGE),
    LAYOUT_ROW(ORDER_V_IMAGE_TEXT), LAYOUT_ROW(ALIGN_H_CENTER),     LAYOUT_ROW(ALIGN_LEFT),
    LAYOUT_ROW(ALIGN_RIGHT),        LAYOUT_ROW(ALIGN_V_CENTER),     LAYOUT_ROW(ALIGN_TOP),
    LAYOUT_ROW(ALIGN_BOTTOM),
};
const size_t kLayoutNameCount = sizeof LayoutNameTable / sizeof LayoutNameTable[0];

uint32_t ParseLayoutNames(const wchar_t* value) {
  if (!value) return 0;
  uint32_t flags = 0;
  std::wstring token;
  bool tooLong = false;
  auto finish = [&] {
    if (!tooLong && !token.empty())
      flags |= LookupStyleName(LayoutNameTable, static_cast<int>(kLayoutNameCount), token.c_str());
    token.clear();
    tooLong = false;
  };
  for (const wchar_t* p = value; *p; ++p) {
    if (*p == L' ') continue;
    if (*p == L'|') {
      finish();
      continue;
    }
    // A token that does not fit the 63-character buffer names nothing.
    if (token.size() >= 63)
      tooLong = true;
    else
      token.push_back(*p);
  }
  finish();
  return flags;
}

std::wstring ReadSkinUrl(const AvlfUiWindow* element) {
  const AvlfUiWindow::Attribute* url = element ? element->FindAttribute(L"Url") : nullptr;
  if (!url) return {};
  auto* text = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(url->GetValue(), 5));
  if (!text || !text->GetText()) return {};
  std::wstring address = text->GetText();
  if (address.size() > 259) address.resize(259);
  return address;
}

namespace {

void ShellOpen(const wchar_t* address, int showCommand) {
  ::ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, showCommand);
}

AvlfShellOpen g_shellOpen = &ShellOpen;

void CopyUrl(wchar_t (&target)[260], const AvlfUiWindow* element) {
  const std::wstring url = ReadSkinUrl(element);
  std::wmemcpy(target, url.c_str(), url.size() + 1);
}

bool AttributeIsTrue(const AvlfUiWindow* element, const wchar_t* name) {
  const AvlfUiWindow::Attribute* attribute = element ? element->FindAttribute(name) : nullptr;
  return attribute && ::_wcsicmp(attribute->GetValue(), L"true") == 0;
}

int RoundHalfAway(float value) { return static_cast<int>(std::lround(value)); }

Gdiplus::RectF Measure(Gdiplus::Graphics& g, const std::wstring& text, const Gdiplus::Font* font,
                       const Gdiplus::RectF& layout, const Gdiplus::StringFormat* format) {
  Gdiplus::RectF box;
  if (font && !text.empty()) g.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, layout, format, &box);
  return box;
}

bool StretchedByParent(uint32_t align) { return (align & 0x30) != 0; }

// One glyph of a two-glyph check button: the first while checked.
std::wstring CheckGlyph(const std::wstring& glyphs, bool checked) {
  if (glyphs.empty()) return {};
  if (checked || glyphs.size() < 2) return glyphs.substr(0, 1);
  return glyphs.substr(1, 1);
}

}  // namespace

void SetAvlfShellOpen(AvlfShellOpen open) { g_shellOpen = open ? open : &ShellOpen; }
void AvlfOpenAddress(const wchar_t* address, int showCommand) { g_shellOpen(address, showCommand); }

AvlfItemCanvas::AvlfItemCanvas(const DRAWITEMSTRUCT* item) : m_item(item) {
  m_width = item->rcItem.right - item->rcItem.left;
  m_height = item->rcItem.bottom - item->rcItem.top;
  if (m_width <= 0 || m_height <= 0 || !item->hDC) return;
  m_dc = ::CreateCompatibleDC(item->hDC);
  m_bitmap = ::CreateCompatibleBitmap(item->hDC, m_width, m_height);
  if (!m_dc || !m_bitmap) return;
  m_old = ::SelectObject(m_dc, m_bitmap);
}

AvlfItemCanvas::~AvlfItemCanvas() {
  if (m_dc && m_old) {
    ::BitBlt(m_item->hDC, m_item->rcItem.left, m_item->rcItem.top, m_width, m_height, m_dc, 0, 0, SRCCOPY);
    ::SelectObject(m_dc, m_old);
  }
  if (m_bitmap) ::DeleteObject(m_bitmap);
  if (m_dc) ::DeleteDC(m_dc);
}

// ---- AvlfIconBtn

AvlfIconBtn::AvlfIconBtn() : m_pFormat(new Gdiplus::StringFormat(0, LANG_NEUTRAL)) {}

AvlfIconBtn::~AvlfIconBtn() { delete m_pFormat; }

void AvlfIconBtn::OnCreateButton() {
  const AvlfUiWindow* element = m_pElement;
  if (const AvlfUiWindow::Attribute* layout = element ? element->FindAttribute(L"Layout") : nullptr)
    m_dwLayout = ParseLayoutNames(layout->GetValue());
  CopyUrl(m_szUrl, element);
  FinishCreation(true);
  m_bClearType = AttributeIsTrue(element, L"ClearType");
  if (m_pFont && !m_strText.empty() && !StretchedByParent(m_dwAlign)) {
    HDC dc = ::GetDC(m_hWnd);
    {
      Gdiplus::Graphics g(dc);
      const std::wstring measured = m_bCheckBox ? m_strText.substr(0, 1) : m_strText;
      const Gdiplus::RectF box = Measure(g, measured, m_pFont, Gdiplus::RectF(), nullptr);
      const int wanted = static_cast<int>(box.Width) + 6;
      if (m_nWidth < wanted) m_nWidth = wanted;
    }
    ::ReleaseDC(m_hWnd, dc);
  }
  m_pFormat->SetAlignment((m_dwLayout & ALIGN_LEFT)    ? Gdiplus::StringAlignmentNear
                          : (m_dwLayout & ALIGN_RIGHT) ? Gdiplus::StringAlignmentFar
                                                       : Gdiplus::StringAlignmentCenter);
  m_pFormat->SetLineAlignment((m_dwLayout & ALIGN_TOP)      ? Gdiplus::StringAlignmentNear
                              : (m_dwLayout & ALIGN_BOTTOM) ? Gdiplus::StringAlignmentFar
                                                            : Gdiplus::StringAlignmentCenter);
  m_pFormat->SetFormatFlags(Gdiplus::StringFormatFlagsDisplayFormatControl);
}

void AvlfIconBtn::SetCheck(bool check, bool repaint) {
  if (!m_bCheckBox) return;
  m_bChecked = check;
  if (repaint && ::IsWindow(m_hWnd)) Repaint();
}

void AvlfIconBtn::SetSelected(bool selected) {
  if (selected == m_bSelected) return;
  m_bSelected = selected;
  ++m_nRepaints;
  Repaint();
}

std::wstring AvlfIconBtn::ShownText() const { return m_bCheckBox ? CheckGlyph(m_strText, m_bChecked) : m_strText; }

Gdiplus::ARGB AvlfIconBtn::TextColour() const {
  if (m_bDisabled) return kButtonDisabled;
  if (m_bPressed) return kButtonPressed;
  if (m_bHot) return kButtonHot;
  return kButtonNormal;
}

void AvlfIconBtn::OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas) {
  TakeItemState(item);
  PaintBackground(canvas.dc(), m_rcClient);
  Gdiplus::Graphics g(canvas.dc());
  if (m_bSelected) FillSelected(g, m_rcClient);
  const Gdiplus::TextRenderingHint hint = g.GetTextRenderingHint();
  if (!m_bClearType) g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  const std::wstring text = ShownText();
  if (!text.empty() && m_pFont) {
    Gdiplus::SolidBrush brush{Gdiplus::Color(TextColour())};
    const Gdiplus::RectF box(0, 0, static_cast<float>(item->rcItem.right), static_cast<float>(item->rcItem.bottom));
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), m_pFont, box, m_pFormat, &brush);
  }
  g.SetTextRenderingHint(hint);
}

void AvlfIconBtn::OpenAddress() {
  if (m_szUrl[0]) AvlfOpenAddress(m_szUrl);
}

namespace {

// The right press goes to the parent, in its coordinates, when the skin
// asked for it; the native button never sees it.
void ForwardRightPress(HWND button, uint32_t skinStyle, WPARAM wParam, LPARAM lParam) {
  if (!(skinStyle & 0x2)) return;
  POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  HWND parent = ::GetParent(button);
  ::MapWindowPoints(button, parent, &pt, 1);
  ::SendMessageW(parent, WM_RBUTTONDOWN, wParam, MAKELPARAM(pt.x, pt.y));
}

void ForwardKey(HWND button, WPARAM wParam, LPARAM lParam) {
  if (::IsWindow(button) && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_F2))
    ::SendMessageW(::GetParent(button), WM_KEYDOWN, wParam, lParam);
}

}  // namespace

LRESULT AvlfIconBtn::OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  ForwardKey(m_hWnd, wParam, lParam);
  return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT AvlfIconBtn::OnRightButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  ForwardRightPress(m_hWnd, m_dwStyle, wParam, lParam);
  return 0;
}

// ---- AvlfButton

AvlfButton::~AvlfButton() { delete m_pGlyphFont; }

void AvlfButton::OnCreateButton() {
  if (!m_strIconChar.empty()) m_pGlyphFont = GetSkinUi()->FindFont(L"FontAwesome", 17);
  CopyUrl(m_szUrl, m_pElement);
  FinishCreation(true);
  if ((m_strIconChar.empty() && m_strText.empty()) || StretchedByParent(m_dwAlign)) return;
  HDC dc = ::GetDC(m_hWnd);
  {
    Gdiplus::Graphics g(dc);
    int w = 0;
    if (!m_strIconChar.empty()) {
      const std::wstring glyphs = m_bCheckBox ? m_strIconChar.substr(0, 1) : m_strIconChar;
      w = RoundHalfAway(Measure(g, glyphs, m_pGlyphFont, Gdiplus::RectF(), nullptr).Width) + 1;
    }
    if (!m_strText.empty()) {
      Gdiplus::StringFormat format(Gdiplus::StringFormatFlagsNoWrap);
      w += RoundHalfAway(Measure(g, m_strText, m_pFont, Gdiplus::RectF(), &format).Width);
    }
    if (m_nWidth < w + 4) m_nWidth = w + 4;
  }
  ::ReleaseDC(m_hWnd, dc);
}

void AvlfButton::SetCheck(bool check, bool repaint) {
  if (!m_bCheckBox) return;
  m_bChecked = check;
  if (repaint && ::IsWindow(m_hWnd)) Repaint();
}

// A single glyph shows in both states rather than nothing while unchecked.
std::wstring AvlfButton::ShownGlyphs() const {
  return m_bCheckBox ? CheckGlyph(m_strIconChar, m_bChecked) : m_strIconChar;
}

bool AvlfButton::Layout(Gdiplus::Graphics& g) {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  const int w = rc.right, h = rc.bottom;
  if (w <= 0 || h <= 0) return false;
  int glyphWidth = 0;
  if (!m_strIconChar.empty()) {
    const Gdiplus::RectF area(0, 0, static_cast<float>(w - 1), static_cast<float>(h - 1));
    const std::wstring glyphs = m_bCheckBox ? m_strIconChar.substr(0, 1) : m_strIconChar;
    m_rcGlyph = area;
    glyphWidth = RoundHalfAway(Measure(g, glyphs, m_pGlyphFont, area, nullptr).Width) + 1;
  }
  m_rcText = Gdiplus::RectF(static_cast<float>(glyphWidth), 0, static_cast<float>(w - 1 - glyphWidth),
                            static_cast<float>(h - 1));
  return true;
}

void AvlfButton::OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas) {
  TakeItemState(item);
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  PaintBackground(canvas.dc(), client);
  Gdiplus::Graphics g(canvas.dc());
  if (!m_bLayoutValid) m_bLayoutValid = Layout(g);
  Gdiplus::StringFormat format;
  format.SetAlignment(Gdiplus::StringAlignmentNear);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  const std::wstring glyphs = ShownGlyphs();
  if (!glyphs.empty() && m_pGlyphFont) {
    const Gdiplus::TextRenderingHint hint = g.GetTextRenderingHint();
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    Gdiplus::SolidBrush grey{Gdiplus::Color(kButtonDisabled)};
    Gdiplus::Brush* brush = m_bDisabled ? static_cast<Gdiplus::Brush*>(&grey) : m_pTextBrush;
    if (brush) g.DrawString(glyphs.c_str(), static_cast<INT>(glyphs.size()), m_pGlyphFont, m_rcGlyph, &format, brush);
    g.SetTextRenderingHint(hint);
  }
  if (!m_strText.empty() && m_pFont && m_pTextBrush)
    g.DrawString(m_strText.c_str(), static_cast<INT>(m_strText.size()), m_pFont, m_rcText, &format, m_pTextBrush);
}

void AvlfButton::OpenAddress() {
  if (m_szUrl[0]) AvlfOpenAddress(m_szUrl);
}

LRESULT AvlfButton::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  delete m_pGlyphFont;
  m_pGlyphFont = nullptr;
  return 0;
}

// ---- AvlfGeomeryBtn

void AvlfGeomeryBtn::OnCreateButton() { FinishCreation(true); }

void AvlfGeomeryBtn::SetSelected(bool selected) {
  if (selected == m_bSelected) return;
  m_bSelected = selected;
  Repaint();
}

Gdiplus::ARGB AvlfGeomeryBtn::GlyphColour() const {
  if (m_bPressed) return kButtonPressed;
  if (m_bHot) return kButtonHot;
  if (m_bDisabled) return kButtonDisabled;
  return kButtonNormal;
}

RECT AvlfGeomeryBtn::GlyphArea(const RECT& item) {
  RECT area = item;
  if (area.right >= 40) ::InflateRect(&area, -2, -2);
  return area;
}

void AvlfGeomeryBtn::OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas) {
  TakeItemState(item);
  PaintBackground(canvas.dc(), m_rcClient);
  Gdiplus::Graphics g(canvas.dc());
  if (m_bSelected) FillSelected(g, m_rcClient);
  // An empty text draws code 0, the line.
  const unsigned code = m_strText.empty() ? 0u : static_cast<unsigned>(m_strText[0]);
  if (code <= GlyphCurvePolygon)
    DrawGeometryGlyph(g, GlyphArea(item->rcItem), static_cast<GeometryGlyph>(code), GlyphColour());
}

LRESULT AvlfGeomeryBtn::OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  ForwardKey(m_hWnd, wParam, lParam);
  return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT AvlfGeomeryBtn::OnRightButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  ForwardRightPress(m_hWnd, m_dwStyle, wParam, lParam);
  return 0;
}

// ---- AvlfColorButton

AvlfColorButton::~AvlfColorButton() { delete m_pFramePen; }

void AvlfColorButton::OnCreateButton() {
  delete m_pFramePen;
  m_pFramePen = new Gdiplus::Pen(Gdiplus::Color(m_clrText), 1.0f);
  if (m_pFramePen->GetLastStatus() != Gdiplus::Ok) {
    delete m_pFramePen;
    m_pFramePen = nullptr;
  }
  FinishCreation(false);
}

void AvlfColorButton::OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas) {
  TakeItemState(item);
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  PaintBackground(canvas.dc(), client);
  Gdiplus::Graphics g(canvas.dc());
  const int w = canvas.width(), h = canvas.height();
  Gdiplus::SolidBrush fill{Gdiplus::Color(m_clrBkGround)};
  g.FillRectangle(&fill, 0, 0, w, h);
  if (m_pFramePen) g.DrawRectangle(m_pFramePen, 0, 0, w - 1, h - 1);
}
