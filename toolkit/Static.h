// The skinned label and picture: a geometry glyph, or a one-line text with
// an optional package picture placed beside it by the Layout attribute.
#pragma once

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdint>
#include <functional>

#include "toolkit/SkinWindow.h"
#include "toolkit/TextLayout.h"

// Where text and picture go in a client area of cw x ch. `layOut` lays the
// text out in a rectangle and returns the text's box there.
struct StaticPlacement {
  bool ok = false;
  Gdiplus::RectF picture;  // (px, py, pw, ph)
  Gdiplus::RectF text;     // the final text rectangle, laid out by the caller
};
StaticPlacement PlaceStaticContent(int cw, int ch, bool hasText, bool hasPicture, int pw, int ph, uint32_t flags,
                                   const std::function<Gdiplus::RectF(const Gdiplus::RectF&)>& layOut);

class AvlfStatic : public AvlfWindowImpl<AvlfStatic>, public CTransparentImpl<AvlfStatic> {
  using Base = AvlfWindowImpl<AvlfStatic>;

 public:
  static win32::CWndClassInfo& GetWndClassInfo() {
    static win32::CWndClassInfo info = {
        L"AvlfStatic", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
    return info;
  }
  ~AvlfStatic() override;

  BEGIN_MSG_MAP(AvlfStatic)
  MESSAGE_HANDLER(WM_CREATE, OnCreateStatic)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
  MESSAGE_HANDLER(WM_SYSCOLORCHANGE, OnSysColorChange)
  MESSAGE_HANDLER(win32::Reflected(WM_CTLCOLORBTN), OnCtlColorButton)
  MESSAGE_HANDLER(WM_PAINT, OnPaintStatic)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaintStatic)
  CHAIN_MSG_MAP(Base)
  END_MSG_MAP()

  void DoPaint(HDC dc);

  BOOL m_bMsgHandled = FALSE;
  Gdiplus::Bitmap* m_pPicture = nullptr;
  AvlfTextLayout m_textLayout;
  uint32_t m_dwLayout = 0;
  Gdiplus::RectF m_rcPicture;

 private:
  bool Layout(Gdiplus::Graphics& graphics, int cw, int ch);
  void LoadPicture();

  LRESULT OnCreateStatic(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnSetText(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnSysColorChange(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    DefWindowProc(uMsg, wParam, lParam);
    return 0;
  }
  LRESULT OnCtlColorButton(UINT, WPARAM, LPARAM, BOOL&) {
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  LRESULT OnPaintStatic(UINT, WPARAM wParam, LPARAM, BOOL&);
};
