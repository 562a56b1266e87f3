#include "toolkit/TextLayout.h"

namespace {

Gdiplus::StringAlignment AlignmentOf(int flags) {
  if (flags & ALIGN_LEFT) return Gdiplus::StringAlignmentNear;
  if (flags & ALIGN_RIGHT) return Gdiplus::StringAlignmentFar;
  return Gdiplus::StringAlignmentCenter;
}

void SetUpFormat(Gdiplus::StringFormat& format, int flags, bool wrap) {
  const Gdiplus::StringAlignment alignment = AlignmentOf(flags);
  format.SetAlignment(alignment);
  format.SetLineAlignment(alignment);
  format.SetFormatFlags(wrap ? Gdiplus::StringFormatFlagsDisplayFormatControl : Gdiplus::StringFormatFlagsNoWrap);
}

}  // namespace

void AvlfTextLayout::Measure(Gdiplus::Graphics* graphics) {
  if (m_text.empty() || !graphics) return;
  Gdiplus::StringFormat format;
  SetUpFormat(format, m_flags, m_wrap);
  Gdiplus::RectF box;
  const Gdiplus::Status status =
      graphics->MeasureString(m_text.c_str(), static_cast<INT>(m_text.size()), m_font, m_layout, &format, &box);
  if (status != Gdiplus::Ok) return;
  m_bounding = box;
  const Gdiplus::RectF old = m_layout;
  m_layout = box;
  // Only a box lower than the old rectangle is placed in it; a taller one
  // keeps the measured position.
  if (box.Height < old.Height) {
    if (m_flags & ALIGN_TOP)
      m_layout.Y = old.Y;
    else if (m_flags & ALIGN_BOTTOM)
      m_layout.Y = old.Y + (old.Height - box.Height);
    else
      m_layout.Y = old.Y + (old.Height - box.Height) * 0.5f;
  }
}

void AvlfTextLayout::Draw(Gdiplus::Graphics* graphics, Gdiplus::Brush* brush) {
  if (m_text.empty() || !graphics) return;
  Gdiplus::StringFormat format;
  SetUpFormat(format, m_flags, m_wrap);
  format.SetHotkeyPrefix(Gdiplus::HotkeyPrefixShow);
  if (m_ellipsis) format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  graphics->DrawString(m_text.c_str(), static_cast<INT>(m_text.size()), m_font, m_layout, &format, brush);
}
