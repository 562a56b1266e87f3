// A GDI+ text block: measures a string to shrink its rectangle to the text's
// box, placed vertically in the old rectangle, and draws it there.
#pragma once

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <string>

enum AvlfTextAlign {
  ALIGN_H_CENTER = 0,
  ALIGN_LEFT = 0x10,
  ALIGN_RIGHT = 0x20,
  ALIGN_V_CENTER = 0,
  ALIGN_TOP = 0x100,
  ALIGN_BOTTOM = 0x200,
};

class AvlfTextLayout {
 public:
  AvlfTextLayout() = default;
  virtual ~AvlfTextLayout() = default;

  void SetText(const wchar_t* text) { m_text = text ? text : L""; }
  void SetFont(Gdiplus::Font* font) { m_font = font; }
  void SetFlags(int flags) { m_flags = flags; }
  void SetWrap(bool wrap) { m_wrap = wrap; }
  void SetEllipsis(bool ellipsis) { m_ellipsis = ellipsis; }
  void SetLayoutRect(const Gdiplus::RectF& rect) { m_layout = rect; }
  void GetLayoutRect(Gdiplus::RectF* rect) const { *rect = m_layout; }
  const Gdiplus::RectF& GetBoundingRect() const { return m_bounding; }

  void Measure(Gdiplus::Graphics* graphics);
  void Draw(Gdiplus::Graphics* graphics, Gdiplus::Brush* brush);

 private:
  std::wstring m_text;
  Gdiplus::Font* m_font = nullptr;
  int m_flags = 0;
  bool m_wrap = true;
  bool m_ellipsis = false;
  Gdiplus::RectF m_layout;
  Gdiplus::RectF m_bounding;
};
