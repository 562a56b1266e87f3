#include "toolkit/SkinWindow.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "settings/SplitByRegex.h"
#include "toolkit/SkinUi.h"
#include "toolkit/StyleNames.h"

long AvlfMemoryDC::s_nCreated = 0;

AvlfMemoryDC::AvlfMemoryDC(HWND hWnd, int width, int height) : m_nWidth(width), m_nHeight(height) {
  HDC windowDC = ::GetDC(hWnd);
  if (!windowDC) return;
  m_hDC = ::CreateCompatibleDC(windowDC);
  m_hBitmap = ::CreateCompatibleBitmap(windowDC, width, height);
  if (m_hDC && m_hBitmap) m_hOldBitmap = ::SelectObject(m_hDC, m_hBitmap);
  ::ReleaseDC(hWnd, windowDC);
  m_nSerial = ++s_nCreated;
}

AvlfMemoryDC::~AvlfMemoryDC() {
  if (m_hDC && m_hOldBitmap) ::SelectObject(m_hDC, m_hOldBitmap);
  if (m_hBitmap) ::DeleteObject(m_hBitmap);
  if (m_hDC) ::DeleteDC(m_hDC);
}

AvlfWindowBase::AvlfWindowBase(HWND hWnd) : win32::CWindow(hWnd) {
  m_logFont = LOGFONTW{};
  m_logFont.lfHeight = 12;
  std::wcscpy(m_logFont.lfFaceName, L"MS Sans Serif");
}

AvlfWindowBase::~AvlfWindowBase() {
  if (!m_bSharedChildren)
    for (AvlfWindowBase* child : m_children) delete child;
  m_children.clear();
  DestroyBackBuffer();
}

void AvlfWindowBase::CopyFrom(const AvlfWindowBase& source) {
  if (&source != this) {
    if (m_pBackBuffer != source.m_pBackBuffer) DestroyBackBuffer();
    *this = source;
  }
  m_pBackBuffer = nullptr;
  m_bSharedChildren = true;
  for (AvlfWindowBase* child : m_children) child->m_pOwner = this;
}

void AvlfWindowBase::DestroyBackBuffer() {
  delete m_pBackBuffer;
  m_pBackBuffer = nullptr;
}

void AvlfWindowBase::CreateBackBuffer(int width, int height) {
  if (width <= 0 || height <= 0) return;
  DestroyBackBuffer();
  m_pBackBuffer = new AvlfMemoryDC(m_hWnd, width, height);
  ::SendMessageW(m_hWnd, WM_PAINT, reinterpret_cast<WPARAM>(m_pBackBuffer->m_hDC), 0);
}

AvlfMemoryDC* AvlfWindowBase::GetBackBuffer(BOOL repaint) {
  if (!m_pBackBuffer) {
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    m_pBackBuffer = new AvlfMemoryDC(m_hWnd, rc.right - rc.left, rc.bottom - rc.top);
    repaint = TRUE;
  }
  if (repaint && m_pBackBuffer->m_hDC)
    ::SendMessageW(m_hWnd, WM_PAINT, reinterpret_cast<WPARAM>(m_pBackBuffer->m_hDC), 0);
  return m_pBackBuffer;
}

AvlfWindowBase* AvlfWindowBase::FindChildByCommandId(int id) const {
  for (AvlfWindowBase* child : m_children)
    if (child->m_nCommandID == id) return child;
  return nullptr;
}

bool AvlfWindowBase::BindSkinElement(AvlfWindowBase* parent, const wchar_t* name) {
  m_pParent = parent;
  const AvlfUiWindow* element = nullptr;
  if (parent) {
    m_logFont = parent->m_logFont;
    m_clrBkGround = parent->m_clrBkGround;
    m_clrText = parent->m_clrText;
    m_bTransparent = parent->m_bTransparent;
    if (parent->m_pElement && name) element = parent->m_pElement->FindChild(name);
  }
  if (!element && name) element = dynamic_cast<const AvlfUiWindow*>(GetSkinUi()->FindElement(name, AVLF_UI_WINDOW));
  if (!element) return false;
  m_pElement = element;
  return ApplySkinAttributes();
}

bool AvlfWindowBase::ApplySkinAttributes() {
  if (!m_pElement || m_pElement->GetAttributeCount() == 0) return false;
  for (int i = 0; i < m_pElement->GetAttributeCount(); ++i) {
    const AvlfUiWindow::Attribute* attribute = m_pElement->GetAttribute(i);
    if (attribute) ApplyAttribute(attribute->GetName(), *attribute);
  }
  return true;
}

namespace {

bool Is(const wchar_t* name, const wchar_t* expected) { return ::_wcsicmp(name, expected) == 0; }

// Appends the characters whose hexadecimal codes the value lists, up to the
// first empty token.
void AppendCharCodes(const std::wstring& value, std::wstring& text) {
  for (const std::wstring& token : SplitByRegex(value, L",|;|:|\\s+")) {
    if (token.empty()) break;
    wchar_t* end = nullptr;
    unsigned long code = std::wcstoul(token.c_str(), &end, 16);
    text.push_back(static_cast<wchar_t>(code & 0xFFFF));
  }
}

template <class Element>
const Element* FindTyped(const wchar_t* name, int type) {
  return dynamic_cast<const Element*>(GetSkinUi()->FindElement(name, type));
}

}  // namespace

void AvlfWindowBase::ApplyAttribute(const wchar_t* name, const AvlfUiWindow::Attribute& attribute) {
  const wchar_t* value = attribute.GetValue();
  if (Is(name, L"Class")) {
    m_strClass = value;
  } else if (Is(name, L"CommandID")) {
    m_nCommandID = attribute.GetInt();
  } else if (Is(name, L"Text")) {
    if (auto* text = FindTyped<AvlfUiElementText>(value, AVLF_UI_TEXT)) m_strText = text->GetText();
  } else if (Is(name, L"ToolTip")) {
    if (auto* text = FindTyped<AvlfUiElementText>(value, AVLF_UI_TEXT)) m_strToolTip = text->GetText();
  } else if (Is(name, L"Char")) {
    AppendCharCodes(attribute.Value(), m_strText);
  } else if (Is(name, L"IconChar")) {
    AppendCharCodes(attribute.Value(), m_strIconChar);
  } else if (Is(name, L"GraphicChar")) {
    m_strGraphicChar.push_back(static_cast<wchar_t>(std::wcstoul(value, nullptr, 16) & 0xFFFF));
  } else if (Is(name, L"Pic")) {
    m_pPic = const_cast<AvlfUiElementImage*>(FindTyped<AvlfUiElementImage>(value, AVLF_UI_IMAGE));
  } else if (Is(name, L"X")) {
    m_nX = attribute.GetInt();
  } else if (Is(name, L"Y")) {
    m_nY = attribute.GetInt();
  } else if (Is(name, L"Width")) {
    m_nWidth = attribute.GetInt();
  } else if (Is(name, L"Height")) {
    m_nHeight = attribute.GetInt();
  } else if (Is(name, L"MinWidth")) {
    m_nMinWidth = attribute.GetInt();
  } else if (Is(name, L"MaxWidth")) {
    m_nMaxWidth = attribute.GetInt();
  } else if (Is(name, L"MinHeight")) {
    m_nMinHeight = attribute.GetInt();
  } else if (Is(name, L"MaxHeight")) {
    m_nMaxHeight = attribute.GetInt();
  } else if (Is(name, L"ClBkGround")) {
    if (auto* colour = FindTyped<AvlfUiElementColor>(value, AVLF_UI_COLOR)) m_clrBkGround = colour->GetArgb();
  } else if (Is(name, L"ClText")) {
    if (auto* colour = FindTyped<AvlfUiElementColor>(value, AVLF_UI_COLOR)) m_clrText = colour->GetArgb();
  } else if (Is(name, L"Font")) {
    if (auto* font = FindTyped<AvlfUiElementFont>(value, AVLF_UI_FONT)) {
      m_logFont.lfHeight = font->GetHeight();
      m_logFont.lfWidth = font->GetWidth();
      m_logFont.lfWeight = font->GetWeight();
      m_logFont.lfItalic = font->IsItalic();
      m_logFont.lfUnderline = font->IsUnderline();
      // A longer family name is cut to what LOGFONT holds.
      std::wcsncpy(m_logFont.lfFaceName, font->GetFamilyName(), LF_FACESIZE - 1);
      m_logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
      if (font->GetFile()) m_strFontFile = font->GetFile();
    }
  } else if (Is(name, L"Style")) {
    m_dwStyle = ParseStyleNames(value, kStyleNames);
  } else if (Is(name, L"ExStyle")) {
    m_dwExStyle = ParseStyleNames(value, kExStyleNames);
  } else if (Is(name, L"Menu")) {
    m_nMenu = attribute.GetInt();
  } else if (Is(name, L"Transparent")) {
    m_bTransparent = Is(value, L"true");
  } else if (Is(name, L"Align")) {
    m_dwAlign = ParseStyleNames(value, kAlignNames);
  } else if (Is(name, L"Trim")) {
    m_bTrim = Is(value, L"true");
  }
}

bool CopyTransparentBackground(const AvlfWindowBase& window, HDC hdc) {
  RECT rc{};
  ::GetWindowRect(window.m_hWnd, &rc);
  POINT corner{rc.left, rc.top};
  ::ScreenToClient(::GetParent(window.m_hWnd), &corner);
  AvlfMemoryDC* buffer = window.m_pParent ? window.m_pParent->GetBackBuffer() : nullptr;
  if (window.m_pOwner) buffer = window.m_pOwner->GetBackBuffer();
  if (!buffer || !buffer->m_hDC) return false;
  ::BitBlt(hdc, 0, 0, rc.right - rc.left, rc.bottom - rc.top, buffer->m_hDC, corner.x, corner.y, SRCCOPY);
  return true;
}

Gdiplus::Font* MakeSkinWindowFont(HWND hWnd, const std::wstring& fontFile, const LOGFONTW& logFont) {
  if (!fontFile.empty()) return GetSkinUi()->FindFont(logFont.lfFaceName, logFont.lfHeight);
  HDC hdc = ::GetDC(hWnd);
  auto* font = new Gdiplus::Font(hdc, &logFont);
  ::ReleaseDC(hWnd, hdc);
  return font;
}

HWND UpdateSkinToolTip(HWND toolTip, HWND owner, const wchar_t* text) {
  if (!toolTip) {
    toolTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!toolTip) return nullptr;
  }
  ::SendMessageW(toolTip, TTM_ACTIVATE, FALSE, 0);
  ::SendMessageW(toolTip, TTM_SETMAXTIPWIDTH, 0, 400);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = owner;
  tool.uId = 1;
  if (::SendMessageW(toolTip, TTM_GETTOOLCOUNT, 0, 0) == 0) {
    ::GetClientRect(owner, &tool.rect);
    ::SendMessageW(toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  tool.lpszText = const_cast<wchar_t*>(text);
  ::SendMessageW(toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(toolTip, TTM_ACTIVATE, TRUE, 0);
  return toolTip;
}

void LayoutSkinChildren(AvlfWindowBase& window, int cx, int cy) {
  if (!window.m_children.empty() && cx > 0 && cy > 0) window.CreateBackBuffer(cx, cy);
  LayoutBox previous{0, 0, 0, 0};
  for (AvlfWindowBase* child : window.m_children) {
    LayoutRule rule{child->m_nX, child->m_nY, child->m_nWidth, child->m_nHeight, child->m_dwAlign};
    // Scroll bars keep the thickness the native control gave them.
    if (::_wcsicmp(child->m_strClass.c_str(), L"SCROLLBAR") == 0 && child->m_hWnd) {
      RECT rc{};
      ::GetWindowRect(child->m_hWnd, &rc);
      const bool vertical = (child->m_dwStyle & SBS_VERT) != 0;
      const bool aligned = (child->m_dwStyle & (SBS_LEFTALIGN | SBS_RIGHTALIGN)) != 0;
      if (vertical && aligned) rule.nWidth = rc.right - rc.left;
      if (!vertical && aligned) rule.nHeight = rc.bottom - rc.top;
    }
    const LayoutBox box = PlaceChild(rule, cx, cy, previous);
    if (child->m_hWnd) {
      if (rule.dwAlign == 0) {
        ::MoveWindow(child->m_hWnd, box.x, box.y, box.w, box.h, FALSE);
      } else {
        const long before = child->m_pBackBuffer ? child->m_pBackBuffer->m_nSerial : 0;
        ::MoveWindow(child->m_hWnd, box.x, box.y, box.w, box.h, TRUE);
        // A move that changed the size had the child renew its buffer in its
        // own WM_SIZE, at this size and after this move: a second one would
        // picture the same.
        const bool renewed = child->m_pBackBuffer && child->m_pBackBuffer->m_nSerial != before &&
                             child->m_pBackBuffer->m_nWidth == box.w && child->m_pBackBuffer->m_nHeight == box.h;
        if (!child->m_children.empty() && box.w > 0 && box.h > 0 && !renewed) child->CreateBackBuffer(box.w, box.h);
      }
    }
    previous = box;
  }
}
