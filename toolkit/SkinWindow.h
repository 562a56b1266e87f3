// The skinned window: a window object built from one window element of the
// skin. It creates one control per child element, places the children on
// every size change, paints its background as a solid colour or as a copy of
// its parent's back buffer, and reflects notifications to the controls.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "toolkit/SkinElement.h"
#include "toolkit/SkinLayout.h"
#include "win32/Window.h"

// Tells an application window that it now handles a skin-created window
// (wParam), so it can attach its own children in turn.
constexpr UINT WM_SKIN_INIT = WM_USER + 1;

// An off-screen picture of one window, which its transparent children copy
// their background from.
class AvlfMemoryDC {
 public:
  AvlfMemoryDC(HWND hWnd, int width, int height);
  AvlfMemoryDC(const AvlfMemoryDC&) = delete;
  AvlfMemoryDC& operator=(const AvlfMemoryDC&) = delete;
  ~AvlfMemoryDC();

  HDC m_hDC = nullptr;
  HBITMAP m_hBitmap = nullptr;
  HGDIOBJ m_hOldBitmap = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  long m_nSerial = 0;  // tells a renewed buffer from an old one at the same address

  // Buffers made so far in this process.
  static long s_nCreated;
};

// What the skin says about one window, its back buffer and its relatives.
class AvlfWindowBase : public win32::CWindow {
 public:
  AvlfWindowBase(HWND hWnd = nullptr);
  virtual ~AvlfWindowBase();

  // Takes every skin value of source; the children stay source's (shared).
  virtual void CopyFrom(const AvlfWindowBase& source);
  virtual int GetMinHeight() { return m_nMinHeight; }
  virtual int GetMinWidth() { return m_nMinWidth; }
  virtual int GetMaxHeight() { return m_nMaxHeight; }
  virtual int GetMaxWidth() { return m_nMaxWidth; }

  // Replaces the back buffer by one of that size and has the window paint
  // itself into it; a size not above 0 keeps the old buffer.
  void CreateBackBuffer(int width, int height);
  // The back buffer, made at the window's size on first use; repainted
  // when asked.
  AvlfMemoryDC* GetBackBuffer(BOOL repaint = FALSE);
  void DestroyBackBuffer();

  AvlfWindowBase* FindChildByCommandId(int id) const;
  // Binds this object to the element `name` (among parent's element's
  // children first, else the skin's windows) and applies its attributes.
  bool BindSkinElement(AvlfWindowBase* parent, const wchar_t* name);
  bool ApplySkinAttributes();

  AvlfMemoryDC* m_pBackBuffer = nullptr;
  bool m_bSharedChildren = false;
  AvlfWindowBase* m_pParent = nullptr;
  AvlfWindowBase* m_pOwner = nullptr;
  const AvlfUiWindow* m_pElement = nullptr;
  int32_t m_nCommandID = 0;
  std::wstring m_strClass;
  std::wstring m_strText;
  std::wstring m_strToolTip;
  std::wstring m_strFontFile;
  std::wstring m_strIconChar;
  std::wstring m_strGraphicChar;
  AvlfUiElementImage* m_pPic = nullptr;
  int32_t m_nX = 0;
  int32_t m_nY = 0;
  int32_t m_nWidth = 64;
  int32_t m_nHeight = 64;
  int32_t m_nMinWidth = -1;
  int32_t m_nMaxWidth = 6900;
  int32_t m_nMinHeight = -1;
  int32_t m_nMaxHeight = 6900;
  uint32_t m_clrBkGround = 0xFF000000;
  uint32_t m_clrText = 0xFFFFFFFF;
  LOGFONTW m_logFont;
  uint32_t m_dwStyle = 0x50000000;
  uint32_t m_dwExStyle = 0;
  int32_t m_nMenu = 0;
  bool m_bTransparent = false;
  bool m_bTrim = false;
  uint32_t m_dwAlign = 0;
  std::vector<AvlfWindowBase*> m_children;

 protected:
  AvlfWindowBase(const AvlfWindowBase&) = default;
  AvlfWindowBase& operator=(const AvlfWindowBase&) = default;

  // The attribute values of one kind; see ApplySkinAttributes.
  void ApplyAttribute(const wchar_t* name, const AvlfUiWindow::Attribute& attribute);
};

// Copies the background of a transparent window from the owner's back
// buffer, else the parent's, at the window's place in its parent window.
// Returns false when there was no buffer to copy from.
bool CopyTransparentBackground(const AvlfWindowBase& window, HDC hdc);

// Mix-in of controls whose background may be transparent.
template <class T>
class CTransparentImpl {
 public:
  bool DrawTransparentBackground(HDC hdc) { return CopyTransparentBackground(*static_cast<T*>(this), hdc); }
};

// Creates the control that the child element's "Class" names, with its
// window when that can be made; null for a Class the toolkit has no control
// for, and for an element without a Class.
AvlfWindowBase* CreateSkinControl(AvlfWindowBase* parent, const AvlfUiWindow* element);

// Helpers behind the window template, compiled once.
Gdiplus::Font* MakeSkinWindowFont(HWND hWnd, const std::wstring& fontFile, const LOGFONTW& logFont);
HWND UpdateSkinToolTip(HWND toolTip, HWND owner, const wchar_t* text);
void LayoutSkinChildren(AvlfWindowBase& window, int cx, int cy);

using AvlfWinTraits = win32::CWinTraits<0x56000000, 0>;

template <class T, class TBase = AvlfWindowBase, class TWinTraits = AvlfWinTraits>
class AvlfWindowImpl : public win32::CWindowImplBaseT<T, TBase, TWinTraits> {
  using Root = win32::CWindowImplBaseT<T, TBase, TWinTraits>;

 public:
  ~AvlfWindowImpl() override {
    DeleteDrawingObjects();
    if (m_wndToolTip && ::IsWindow(m_wndToolTip)) ::DestroyWindow(m_wndToolTip);
  }

  // Creates the window from the skin window element `name`; null, with no
  // window, when the element is not found or has no attributes.
  HWND Create(AvlfWindowBase* parent, HWND hWndParent, const RECT* rect, const wchar_t* name, DWORD style = 0,
              DWORD exStyle = 0, UINT id = 0, void* createParam = nullptr) {
    if (!this->BindSkinElement(parent, name)) return nullptr;
    if (!style) style = this->m_dwStyle;
    if (!style) style = 0x56000000;
    if (!exStyle) exStyle = this->m_dwExStyle;
    if (id) this->m_nCommandID = static_cast<int32_t>(id);
    RECT place{this->m_nX, this->m_nY, this->m_nX + this->m_nWidth, this->m_nY + this->m_nHeight};
    if (rect) place = *rect;
    return Root::Create(hWndParent, &place, this->m_strText.empty() ? nullptr : this->m_strText.c_str(), style, exStyle,
                        static_cast<UINT>(this->m_nCommandID), createParam);
  }

  void CreateDrawingObjects() {
    DeleteDrawingObjects();
    m_pBkBrush = new Gdiplus::SolidBrush(Gdiplus::Color(this->m_clrBkGround));
    m_pTextBrush = new Gdiplus::SolidBrush(Gdiplus::Color(this->m_clrText));
    m_pFont = MakeSkinWindowFont(this->m_hWnd, this->m_strFontFile, this->m_logFont);
  }

  void DeleteDrawingObjects() {
    delete m_pBkBrush;
    delete m_pTextBrush;
    delete m_pFont;
    m_pBkBrush = m_pTextBrush = nullptr;
    m_pFont = nullptr;
  }

  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    CreateDrawingObjects();
    ::SetWindowTextW(this->m_hWnd, this->m_strText.c_str());
    if (!this->m_strToolTip.empty()) SetToolTipText(this->m_strToolTip.c_str());
    if (const AvlfUiWindow* element = this->m_pElement) {
      for (int i = 0; i < element->GetChildCount(); ++i)
        if (AvlfWindowBase* child = CreateSkinControl(this, element->GetChild(i))) this->m_children.push_back(child);
    }
    return 0;
  }

  // One tool (id 1) over the whole window; a later text replaces its text.
  void SetToolTipText(const wchar_t* text) { m_wndToolTip = UpdateSkinToolTip(m_wndToolTip, this->m_hWnd, text); }

  void DrawBackground(HDC hdc) {
    RECT rc{};
    ::GetClientRect(this->m_hWnd, &rc);
    if (this->m_bTransparent && this->m_pParent) {
      CopyTransparentBackground(*this, hdc);
      return;
    }
    if (!m_pBkBrush) return;
    Gdiplus::Graphics graphics(hdc);
    graphics.FillRectangle(m_pBkBrush, 0, 0, static_cast<INT>(rc.right), static_cast<INT>(rc.bottom));
  }

  void LayoutChildren(int cx, int cy) { ::LayoutSkinChildren(*this, cx, cy); }

  BEGIN_MSG_MAP(AvlfWindowImpl)
  MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_PAINT, OnPaint)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  Gdiplus::SolidBrush* m_pBkBrush = nullptr;
  Gdiplus::SolidBrush* m_pTextBrush = nullptr;
  Gdiplus::Font* m_pFont = nullptr;
  bool m_bLayoutValid = false;
  HWND m_wndToolTip = nullptr;

 protected:
  LRESULT OnCreateMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    static_cast<T*>(this)->OnCreate(uMsg, wParam, lParam, bHandled);
    return 0;
  }
  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_bLayoutValid = false;
    static_cast<T*>(this)->LayoutChildren(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    ::InvalidateRect(this->m_hWnd, nullptr, TRUE);
    return 0;
  }
  LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (wParam) {
      static_cast<T*>(this)->DrawBackground(reinterpret_cast<HDC>(wParam));
    } else {
      PAINTSTRUCT ps;
      HDC hdc = ::BeginPaint(this->m_hWnd, &ps);
      if (hdc) static_cast<T*>(this)->DrawBackground(hdc);
      ::EndPaint(this->m_hWnd, &ps);
    }
    return 0;
  }
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
};

// The plain skinned container.
class AvlfWindow : public AvlfWindowImpl<AvlfWindow> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo() {
    static win32::CWndClassInfo info = {L"AvlfWindow",
                                        CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                        reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                        IDC_ARROW,
                                        nullptr,
                                        0,
                                        nullptr,
                                        {}};
    return info;
  }
};

// Attaches `object` to owner's skin child with that CommandID: the object
// takes the window over, copies the child's skin values and shares its
// children, then receives WM_SKIN_INIT. False, with nothing changed, when
// owner has no such child or its window cannot be taken over.
template <class TObject>
bool AttachSkinChild(AvlfWindowBase* owner, TObject& object, int commandId) {
  AvlfWindowBase* skin = owner ? owner->FindChildByCommandId(commandId) : nullptr;
  if (!skin || !skin->m_hWnd) return false;
  if (!object.SubclassWindow(skin->m_hWnd)) return false;
  object.CopyFrom(*skin);
  object.m_pOwner = owner;
  skin->DestroyBackBuffer();
  object.m_pBackBuffer = nullptr;
  object.CreateDrawingObjects();
  ::SendMessageW(object.m_hWnd, WM_SKIN_INIT, reinterpret_cast<WPARAM>(skin->m_hWnd), 0);
  return true;
}
