#include "toolkit/Static.h"

#include <cmath>

#include "toolkit/Buttons.h"
#include "toolkit/DoubleBuffer.h"
#include "toolkit/GeometryGlyph.h"
#include "toolkit/SkinUi.h"
#include "win32/ComPtr.h"

namespace {

constexpr float kGap = 3.0f;

float Trunc(float v) { return std::trunc(v); }

// Position across the main axis: start, end, or centred with signed halving.
int Across(uint32_t flags, uint32_t startBit, uint32_t endBit, int room, int size) {
  if (flags & startBit) return 0;
  if (flags & endBit) return room - size;
  return (room - size) / 2;
}

}  // namespace

StaticPlacement PlaceStaticContent(int cw, int ch, bool hasText, bool hasPicture, int pw, int ph, uint32_t flags,
                                   const std::function<Gdiplus::RectF(const Gdiplus::RectF&)>& layOut) {
  StaticPlacement out;
  const float fcw = static_cast<float>(cw), fch = static_cast<float>(ch);
  const float fpw = static_cast<float>(pw), fph = static_cast<float>(ph);
  if (cw <= 0 || ch <= 0) return out;
  if (hasText && !hasPicture) {
    out.text = Gdiplus::RectF(0, 0, fcw, fch);
    out.ok = true;
    return out;
  }
  if (!hasText && !hasPicture) return out;
  if (!hasText) {
    out.picture = Gdiplus::RectF(static_cast<float>(Across(flags, ALIGN_LEFT, ALIGN_RIGHT, cw, pw)),
                                 static_cast<float>(Across(flags, ALIGN_TOP, ALIGN_BOTTOM, ch, ph)), fpw, fph);
    out.ok = true;
    return out;
  }
  const bool left = flags & ALIGN_LEFT, right = !left && (flags & ALIGN_RIGHT);
  const bool top = flags & ALIGN_TOP, bottom = !top && (flags & ALIGN_BOTTOM);
  float px = 0, py = 0;
  if (flags & ORDER_H_IMAGE_TEXT) {
    // picture, then text, side by side
    float tx, tw;
    if (left) {
      px = 0;
      tx = fpw + kGap;
      tw = fcw - tx;
    } else if (right) {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw - fpw - kGap, fch));
      tx = fcw - m.Width;
      tw = m.Width;
      px = Trunc(tx - fpw - kGap);
    } else {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw - fpw - kGap, fch));
      px = Trunc((fcw - m.Width - fpw - kGap) * 0.5f);
      tx = px + fpw + kGap;
      tw = m.Width;
    }
    py = static_cast<float>(Across(flags, ALIGN_TOP, ALIGN_BOTTOM, ch, ph));
    out.text = Gdiplus::RectF(tx, 0, tw, fch);
  } else if (flags & ORDER_V_TEXT_IMAGE) {
    // text above the picture
    float ty, th;
    if (top) {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw, fch - fph - kGap));
      py = Trunc(m.Y + m.Height + kGap);
      ty = m.Y;
      th = m.Height;
    } else if (bottom) {
      py = fch - fph;
      ty = 0;
      th = py - kGap;
    } else {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw, fch - fph - kGap));
      ty = (fch - fph - kGap - m.Height) * 0.5f;
      py = Trunc(ty + m.Height + kGap);
      th = m.Height;
    }
    px = static_cast<float>(Across(flags, ALIGN_LEFT, ALIGN_RIGHT, cw, pw));
    out.text = Gdiplus::RectF(0, ty, fcw, th);
  } else if (flags & ORDER_V_IMAGE_TEXT) {
    // picture above the text
    float ty, th;
    if (top) {
      py = 0;
      ty = fph + kGap;
      th = fch - ty;
    } else if (bottom) {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw, fch - fph - kGap));
      ty = fch - m.Height;
      th = m.Height;
      py = Trunc(ty - kGap - fph);
    } else {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw, fch - fph - kGap));
      py = Trunc((fch - m.Height - fph - kGap) * 0.5f);
      ty = py + fph + kGap;
      th = m.Height;
    }
    px = static_cast<float>(Across(flags, ALIGN_LEFT, ALIGN_RIGHT, cw, pw));
    out.text = Gdiplus::RectF(0, ty, fcw, th);
  } else {
    // text, then picture, side by side
    float tx, tw;
    if (left) {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw - kGap - fpw, fch));
      px = Trunc(m.X + m.Width + kGap);
      tx = m.X;
      tw = m.Width;
    } else if (right) {
      px = fcw - fpw;
      tx = 0;
      tw = px - kGap;
    } else {
      const Gdiplus::RectF m = layOut(Gdiplus::RectF(0, 0, fcw - fpw - kGap, fch));
      tx = (fcw - m.Width - fpw - kGap) * 0.5f;
      px = Trunc(tx + m.Width + kGap);
      tw = m.Width;
    }
    py = static_cast<float>(Across(flags, ALIGN_TOP, ALIGN_BOTTOM, ch, ph));
    out.text = Gdiplus::RectF(tx, 0, tw, fch);
  }
  out.picture = Gdiplus::RectF(px, py, fpw, fph);
  out.ok = true;
  return out;
}

AvlfStatic::~AvlfStatic() { delete m_pPicture; }

void AvlfStatic::LoadPicture() {
  const wchar_t* file = m_pPic ? m_pPic->GetFile() : nullptr;
  if (!file) return;
  win32::CComPtr<IStream> stream;
  try {
    GetSkinUi()->GetPackageStream(&stream, file);
  } catch (const AvlfException&) {
    // An image element naming an entry the package lacks: no picture.
    return;
  }
  if (!stream) return;
  m_pPicture = Gdiplus::Bitmap::FromStream(stream.Get());
}

LRESULT AvlfStatic::OnCreateStatic(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  OnCreate(uMsg, wParam, lParam, bHandled);
  LoadPicture();
  if (const AvlfUiWindow::Attribute* layout = m_pElement ? m_pElement->FindAttribute(L"Layout") : nullptr)
    m_dwLayout = ParseLayoutNames(layout->GetValue());
  m_textLayout.SetFont(m_pFont);
  m_textLayout.SetFlags(static_cast<int>(m_dwLayout));
  m_textLayout.SetText(m_strText.c_str());
  m_textLayout.SetWrap(false);
  m_textLayout.SetEllipsis(m_bTrim);
  const bool stretched = (m_dwAlign & 0x30) != 0;
  const bool measurable = m_strText.empty() || m_pFont;
  if ((!m_strText.empty() || !m_strIconChar.empty()) && !stretched && measurable) {
    int w = 0;
    if (!m_strText.empty()) {
      HDC dc = ::GetDC(m_hWnd);
      {
        Gdiplus::Graphics g(dc);
        Gdiplus::StringFormat format(Gdiplus::StringFormatFlagsNoWrap);
        Gdiplus::RectF box;
        g.MeasureString(m_strText.c_str(), static_cast<INT>(m_strText.size()), m_pFont, Gdiplus::RectF(), &format,
                        &box);
        w = static_cast<int>(std::lround(box.Width));
      }
      ::ReleaseDC(m_hWnd, dc);
    }
    if (m_nWidth < w + 4) m_nWidth = w + 4;
  }
  return 0;
}

LRESULT AvlfStatic::OnSetText(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const auto* text = reinterpret_cast<const wchar_t*>(lParam);
  m_strText = text ? text : L"";
  m_textLayout.SetText(m_strText.c_str());
  m_bLayoutValid = false;
  if (::IsWindow(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return 0;
}

bool AvlfStatic::Layout(Gdiplus::Graphics& graphics, int cw, int ch) {
  const int pw = m_pPicture ? static_cast<int>(m_pPicture->GetWidth()) : 0;
  const int ph = m_pPicture ? static_cast<int>(m_pPicture->GetHeight()) : 0;
  auto layOut = [&](const Gdiplus::RectF& r) {
    m_textLayout.SetLayoutRect(r);
    m_textLayout.Measure(&graphics);
    Gdiplus::RectF m;
    m_textLayout.GetLayoutRect(&m);
    return m;
  };
  const StaticPlacement placed =
      PlaceStaticContent(cw, ch, !m_strText.empty(), m_pPicture != nullptr, pw, ph, m_dwLayout, layOut);
  if (!placed.ok) return false;
  m_rcPicture = placed.picture;
  if (!m_strText.empty()) layOut(placed.text);
  return true;
}

void AvlfStatic::DoPaint(HDC dc) {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  if (m_bTransparent) {
    CopyTransparentBackground(*this, dc);
  } else if (m_pBkBrush) {
    Gdiplus::Graphics fill(dc);
    fill.FillRectangle(m_pBkBrush, 0, 0, static_cast<INT>(rc.right), static_cast<INT>(rc.bottom));
  }
  Gdiplus::Graphics g(dc);
  if (!m_strGraphicChar.empty()) {
    const unsigned code = m_strGraphicChar[0];
    if (code <= GlyphCurvePolygon) DrawGeometryGlyph(g, rc, static_cast<GeometryGlyph>(code), m_clrText);
    return;
  }
  if (!m_bLayoutValid) {
    m_textLayout.SetText(m_strText.c_str());
    m_bLayoutValid = Layout(g, rc.right, rc.bottom);
  }
  if (!m_strText.empty() && m_pTextBrush) m_textLayout.Draw(&g, m_pTextBrush);
  if (m_pPicture) {
    const float pw = static_cast<float>(m_pPicture->GetWidth()), ph = static_cast<float>(m_pPicture->GetHeight());
    const Gdiplus::RectF target =
        (m_dwStyle & 0x1000) ? Gdiplus::RectF(0, 0, static_cast<float>(rc.right), static_cast<float>(rc.bottom))
                             : m_rcPicture;
    g.DrawImage(m_pPicture, target, 0, 0, pw, ph, Gdiplus::UnitPixel);
  }
}

LRESULT AvlfStatic::OnPaintStatic(UINT, WPARAM wParam, LPARAM, BOOL&) {
  AvlfPaintDoubleBuffered(m_hWnd, wParam, [this](HDC dc) { DoPaint(dc); });
  return 0;
}
