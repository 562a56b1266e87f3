// The weight, font-size and colour pickers: popups and buttons.

#include "toolkit/SkinPickers.h"

#include <commdlg.h>
#include <objidl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>

#include "toolkit/SkinUi.h"

// Built before the program's code runs, destroyed at exit.
CWeightPicker g_WeightPicker;
CWeightPicker g_FontSizePicker;
CColorPicker g_ColorPicker;

const uint8_t g_ColorPickerPalette[40][3] = {
    {0x00, 0x00, 0x00}, {0xA5, 0x2A, 0x00}, {0x00, 0x40, 0x40}, {0x00, 0x55, 0x00}, {0x00, 0x00, 0x5E},
    {0x00, 0x00, 0x8B}, {0x4B, 0x00, 0x82}, {0x28, 0x28, 0x28}, {0x8B, 0x00, 0x00}, {0xFF, 0x68, 0x20},
    {0x8B, 0x8B, 0x00}, {0x00, 0x93, 0x00}, {0x38, 0x8E, 0x8E}, {0x00, 0x00, 0xFF}, {0x7B, 0x7B, 0xC0},
    {0x66, 0x66, 0x66}, {0xFF, 0x00, 0x00}, {0xFF, 0xAD, 0x5B}, {0x32, 0xCD, 0x32}, {0x3C, 0xB3, 0x71},
    {0x7F, 0xFF, 0xD4}, {0x7D, 0x9E, 0xC0}, {0x80, 0x00, 0x80}, {0x7F, 0x7F, 0x7F}, {0xFF, 0xC0, 0xCB},
    {0xFF, 0xD7, 0x00}, {0xFF, 0xFF, 0x00}, {0x00, 0xFF, 0x00}, {0x40, 0xE0, 0xD0}, {0xC0, 0xFF, 0xFF},
    {0x48, 0x00, 0x48}, {0xC0, 0xC0, 0xC0}, {0xFF, 0xE4, 0xE1}, {0xD2, 0xB4, 0x8C}, {0xFF, 0xFF, 0xE0},
    {0x98, 0xFB, 0x98}, {0xAF, 0xEE, 0xEE}, {0x68, 0x83, 0x8B}, {0xE6, 0xE6, 0xFA}, {0xFF, 0xFF, 0xFF},
};

namespace {

// Handle size when the skin has no "Dragger" picture: a plain drawn handle.
constexpr int kPlainHandleWidth = 10;
constexpr int kPlainHandleHeight = 12;
constexpr uint32_t kPlainHandleColour = 0xFF005098;

Gdiplus::Bitmap* LoadSkinImage(const wchar_t* name) {
  auto* image = static_cast<AvlfUiElementImage*>(GetSkinUi()->FindElement(name, 4));
  if (!image || !image->GetFile()) return nullptr;
  IStream* stream = nullptr;
  try {
    GetSkinUi()->GetPackageStream(&stream, image->GetFile());
  } catch (const AvlfException&) {
    return nullptr;
  }
  if (!stream) return nullptr;
  Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
  stream->Release();
  if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) {
    delete bitmap;
    bitmap = nullptr;
  }
  return bitmap;
}

// Keeps a popup inside its monitor's work area; a negative side goes to 0.
void MoveIntoWorkArea(HWND hWnd) {
  RECT r{};
  ::GetWindowRect(hWnd, &r);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& a = info.rcWork;
  const int left = r.left < 0 ? 0 : r.right > a.right ? r.left - (r.right - a.right) : r.left;
  const int top = r.top < 0 ? 0 : r.bottom > a.bottom ? r.top - (r.bottom - a.bottom) : r.top;
  ::SetWindowPos(hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOZORDER);
}

// trunc(span * (value - min) / (max - min)), 0 for an empty range.
int MapOnto(int span, int value, int min, int max) {
  if (max == min) return 0;
  const float ratio = static_cast<float>(span) * static_cast<float>(value - min) / static_cast<float>(max - min);
  if (!std::isfinite(ratio)) return 0;
  return static_cast<int>(std::clamp(ratio, -1e9f, 1e9f));
}

void DrawHandle(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image, const RECT& handle) {
  if (image) {
    graphics.DrawImage(image, static_cast<INT>(handle.left), static_cast<INT>(handle.top),
                       static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()));
    return;
  }
  Gdiplus::SolidBrush brush{Gdiplus::Color(kPlainHandleColour)};
  graphics.FillRectangle(&brush, static_cast<INT>(handle.left), static_cast<INT>(handle.top),
                         static_cast<INT>(handle.right - handle.left), static_cast<INT>(handle.bottom - handle.top));
}

void Repaint(HWND hWnd) { ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

}  // namespace

void RunPickerLoop(HWND popup) {
  MSG msg{};
  while (popup && ::GetCapture() == popup) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (msg.message == WM_KEYDOWN) ::SendMessageW(popup, WM_KEYDOWN, msg.wParam, msg.lParam);
    ::DispatchMessageW(&msg);
  }
  if (popup && ::IsWindow(popup)) ::DestroyWindow(popup);
}

uint32_t ParseLayoutAlign(const wchar_t* layout) {
  static const struct {
    const wchar_t* name;
    uint32_t value;
  } kNames[] = {{L"ALIGN_LEFT", 0x10}, {L"ALIGN_RIGHT", 0x20}, {L"ALIGN_TOP", 0x100}, {L"ALIGN_BOTTOM", 0x200}};
  uint32_t bits = 0;
  if (!layout) return 0;
  const std::wstring text(layout);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'|', start);
    if (end == std::wstring::npos) end = text.size();
    size_t a = start, b = end;
    while (a < b && iswspace(text[a])) ++a;
    while (b > a && iswspace(text[b - 1])) --b;
    const std::wstring token = text.substr(a, b - a);
    if (token.size() < 64)
      for (const auto& name : kNames)
        if (token == name.name) bits |= name.value;
    start = end + 1;
  }
  return bits;
}

// ---- Ramp popup --------------------------------------------------------------

CWeightPicker::~CWeightPicker() {
  delete m_pHandleImage;
  delete m_pRamp;
  delete m_pValueFont;
}

int CWeightPicker::HandleWidth() const {
  return m_pHandleImage ? static_cast<int>(m_pHandleImage->GetWidth()) : kPlainHandleWidth;
}
int CWeightPicker::HandleHeight() const {
  return m_pHandleImage ? static_cast<int>(m_pHandleImage->GetHeight()) : kPlainHandleHeight;
}

bool CWeightPicker::Popup(const POINT* screenPoint, HWND owner) {
  delete m_pHandleImage;
  m_pHandleImage = LoadSkinImage(L"Dragger");
  m_bDragging = 0;
  RECT rect{screenPoint->x, screenPoint->y, screenPoint->x + kWidth, screenPoint->y + kHeight};
  if (!Create(owner, &rect, nullptr, WS_POPUP | WS_VISIBLE, WS_EX_NOACTIVATE)) return false;
  ::SetCapture(m_hWnd);
  return true;
}

LRESULT CWeightPicker::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  LOGFONTW lf{};
  if (auto* small = static_cast<AvlfUiElementFont*>(GetSkinUi()->FindElement(L"Small", 3))) {
    lf.lfHeight = small->GetHeight();
    lf.lfWidth = small->GetWidth();
    lf.lfWeight = small->GetWeight();
    lf.lfItalic = small->IsItalic();
    lf.lfUnderline = small->IsUnderline();
    // The face name holds 31 characters and its terminator.
    std::wcsncpy(lf.lfFaceName, small->GetFamilyName(), LF_FACESIZE - 1);
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
  } else {
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    std::wcscpy(lf.lfFaceName, L"Arial");
  }
  delete m_pValueFont;
  HDC hdc = ::GetDC(m_hWnd);
  m_pValueFont = new Gdiplus::Font(hdc, &lf);
  ::ReleaseDC(m_hWnd, hdc);
  if (m_pValueFont->GetLastStatus() != Gdiplus::Ok) {
    delete m_pValueFont;
    m_pValueFont = new Gdiplus::Font(L"Arial", 12, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
  }
  MoveIntoWorkArea(m_hWnd);
  return 0;
}

LRESULT CWeightPicker::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
  m_rcClient = {0, 0, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  UpdateLayout();
  return 0;
}

void CWeightPicker::UpdateLayout() {
  delete m_pRamp;
  m_pRamp = new Gdiplus::GraphicsPath(Gdiplus::FillModeAlternate);
  const int w = m_rcClient.right, h = m_rcClient.bottom;
  m_rcTrack = {12, h - 16, w - 12, h - 8};
  const int iw = HandleWidth(), ih = HandleHeight();
  m_rcHandle.bottom = m_rcTrack.bottom + 4;
  m_rcHandle.top = m_rcHandle.bottom - ih;
  int left = m_rcTrack.left + MapOnto(m_rcTrack.right - m_rcTrack.left, m_nValue, m_nMin, m_nMax) - iw / 2;
  left = std::max(left, static_cast<int>(m_rcTrack.left) - iw / 2);
  left = std::min(left, static_cast<int>(m_rcTrack.right) - iw / 2);
  m_rcHandle.left = left;
  m_rcHandle.right = left + iw;
  const Gdiplus::Point wedge[] = {
      {m_rcTrack.left, m_rcTrack.bottom},
      {m_rcTrack.left, m_rcTrack.bottom - 1},
      {m_rcTrack.right, m_rcTrack.top},
      {m_rcTrack.right, m_rcTrack.bottom},
  };
  m_pRamp->StartFigure();
  m_pRamp->AddLines(wedge, 4);
  m_pRamp->CloseFigure();
}

void CWeightPicker::DoPaint(HDC hdc) {
  Gdiplus::Graphics graphics(hdc);
  const int w = m_rcClient.right, h = m_rcClient.bottom;
  Gdiplus::SolidBrush back{Gdiplus::Color(0xFFD6D6D6)};
  graphics.FillRectangle(&back, 0, 0, w, h);
  Gdiplus::Pen frame(Gdiplus::Color(0xFF000000), 1);
  graphics.DrawRectangle(&frame, 0, 0, w - 1, h - 1);
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  if (m_pRamp) {
    Gdiplus::SolidBrush ramp{Gdiplus::Color(0xFF007AE0)};
    Gdiplus::Pen outline(Gdiplus::Color(0xFF005098), 1);
    graphics.FillPath(&ramp, m_pRamp);
    graphics.DrawPath(&outline, m_pRamp);
  }
  DrawHandle(graphics, m_pHandleImage, m_rcHandle);
  if (m_pValueFont) {
    wchar_t text[kPickerValueTextSize];
    std::swprintf(text, kPickerValueTextSize, L"%d", m_nValue);
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::SolidBrush ink{Gdiplus::Color(0xFF007AE0)};
    const Gdiplus::RectF box(static_cast<float>(m_rcHandle.left - 8), static_cast<float>(m_rcHandle.top - 24),
                             static_cast<float>(m_rcHandle.right - m_rcHandle.left + 16), 24.0f);
    graphics.DrawString(text, -1, m_pValueFont, box, &format, &ink);
  }
}

void CWeightPicker::DragTo(int x) {
  const int iw = HandleWidth();
  int left = x - m_nGrabOffset;
  left = std::max(left, static_cast<int>(m_rcTrack.left) - iw / 2);
  left = std::min(left, static_cast<int>(m_rcTrack.right) - iw / 2);
  m_rcHandle.left = left;
  m_rcHandle.right = left + iw;
  const int c = (m_rcHandle.left + m_rcHandle.right) / 2;
  // An empty range (or track) gives the minimum.
  m_nValue = m_nMin + MapOnto(m_nMax - m_nMin, c - m_rcTrack.left, 0, m_rcTrack.right - m_rcTrack.left);
  if (m_nMax == m_nMin) m_nValue = m_nMin;
}

LRESULT CWeightPicker::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  POINT screen = pt;
  ::ClientToScreen(m_hWnd, &screen);
  if (::WindowFromPoint(screen) != m_hWnd) {
    ::ReleaseCapture();
    return 0;
  }
  if (::PtInRect(&m_rcHandle, pt)) {
    m_bDragging = 1;
    m_nGrabOffset = pt.x - m_rcHandle.left;
  }
  return 0;
}

LRESULT CWeightPicker::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (!m_bDragging) return 0;
  DragTo(GET_X_LPARAM(lParam));
  Repaint(m_hWnd);
  return 0;
}

LRESULT CWeightPicker::OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (!m_bDragging) return 0;
  DragTo(GET_X_LPARAM(lParam));
  m_bDragging = 0;
  ::ReleaseCapture();
  return 0;
}

LRESULT CWeightPicker::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == VK_ESCAPE) ::ReleaseCapture();
  return 0;
}

LRESULT CWeightPicker::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  delete m_pHandleImage;
  delete m_pRamp;
  delete m_pValueFont;
  m_pHandleImage = nullptr;
  m_pRamp = nullptr;
  m_pValueFont = nullptr;
  m_bDragging = 0;
  return 0;
}

// ---- Weight and font buttons -------------------------------------------------

void CWeightButton::SetValue(int value) {
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    SendMessage(WM_PICKBUTTON_SETVALUE, static_cast<WPARAM>(value));
    return;
  }
  m_nValue = value;
  std::swprintf(m_szValue, kPickerValueTextSize, L"%d", value);
}

void CWeightButton::SetRange(int min, int max) {
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    SendMessage(WM_PICKBUTTON_SETRANGE, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
    return;
  }
  m_nMin = min;
  m_nMax = max;
}

LRESULT CWeightButton::OnSetValue(UINT, WPARAM wParam, LPARAM, BOOL&) {
  m_nValue = static_cast<int32_t>(wParam);
  std::swprintf(m_szValue, kPickerValueTextSize, L"%d", m_nValue);
  Invalidate(FALSE);
  return 0;
}

LRESULT CWeightButton::OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  m_nMin = static_cast<int32_t>(wParam);
  m_nMax = static_cast<int32_t>(lParam);
  return 0;
}

void CWeightButton::OnPress(LPARAM lParam) {
  const POINT pt = PressPoint(lParam);
  g_WeightPicker.m_nValue = m_nValue;
  g_WeightPicker.m_nMin = m_nMin;
  g_WeightPicker.m_nMax = m_nMax;
  if (g_WeightPicker.Popup(&pt, m_hWnd)) RunPickerLoop(g_WeightPicker.m_hWnd);
  g_WeightPicker.m_hWnd = nullptr;
  if (g_WeightPicker.m_nValue != m_nValue) {
    SendMessage(WM_PICKBUTTON_SETVALUE, static_cast<WPARAM>(g_WeightPicker.m_nValue));
    NotifyParent();
  }
}

void CWeightButton::Draw(Gdiplus::Graphics& graphics, int width, int height, uint32_t colour) {
  Gdiplus::SolidBrush ink{Gdiplus::Color(colour)};
  Gdiplus::StringFormat format;
  format.SetAlignment(Gdiplus::StringAlignmentNear);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  DrawGlyph(graphics, width, height, &ink, format);
  format.SetLineAlignment(Gdiplus::StringAlignmentFar);
  if (m_pFont)
    graphics.DrawString(m_szValue, -1, m_pFont,
                        Gdiplus::RectF(static_cast<float>(m_nGlyphWidth - 2), 0,
                                       static_cast<float>(width - m_nGlyphWidth + 2), static_cast<float>(height - 2)),
                        &format, &ink);
}

void CFontButton::SetValue(int value) {
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    SendMessage(WM_PICKBUTTON_SETVALUE, static_cast<WPARAM>(value));
    return;
  }
  m_nValue = value;
  std::swprintf(m_szValue, kPickerValueTextSize, L"%d", value);
}

LRESULT CFontButton::OnSetValue(UINT, WPARAM wParam, LPARAM, BOOL&) {
  m_nValue = static_cast<int32_t>(wParam);
  std::swprintf(m_szValue, kPickerValueTextSize, L"%d", m_nValue);
  Invalidate(FALSE);
  return 0;
}

void CFontButton::OnPress(LPARAM lParam) {
  const POINT pt = PressPoint(lParam);
  g_FontSizePicker.m_nValue = m_nValue;
  g_FontSizePicker.m_nMin = 8;
  g_FontSizePicker.m_nMax = 64;
  if (g_FontSizePicker.Popup(&pt, m_hWnd)) RunPickerLoop(g_FontSizePicker.m_hWnd);
  g_FontSizePicker.m_hWnd = nullptr;
  if (g_FontSizePicker.m_nValue != m_nValue) {
    SendMessage(WM_PICKBUTTON_SETVALUE, static_cast<WPARAM>(g_FontSizePicker.m_nValue));
    NotifyParent();
  }
}

void CFontButton::Draw(Gdiplus::Graphics& graphics, int width, int height, uint32_t colour) {
  Gdiplus::SolidBrush ink{Gdiplus::Color(colour)};
  Gdiplus::StringFormat format;
  format.SetAlignment(Gdiplus::StringAlignmentNear);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  DrawGlyph(graphics, width, height, &ink, format);
  format.SetLineAlignment(Gdiplus::StringAlignmentFar);
  if (m_pFont)
    graphics.DrawString(m_szValue, -1, m_pFont,
                        Gdiplus::RectF(static_cast<float>(m_nGlyphWidth - 2), 0,
                                       static_cast<float>(width - m_nGlyphWidth + 2), static_cast<float>(height - 2)),
                        &format, &ink);
}

// ---- Colour popup ------------------------------------------------------------

CColorPicker::CColorPicker() {
  for (int i = 0; i < 40; ++i)
    m_cells[i] = {g_ColorPickerPalette[i][0], g_ColorPickerPalette[i][1], g_ColorPickerPalette[i][2], {}};
}

CColorPicker::~CColorPicker() {
  delete m_pHandleImage;
  delete m_pMoreImage;
  delete m_pGradient;
}

int CColorPicker::HandleWidth() const {
  return m_pHandleImage ? static_cast<int>(m_pHandleImage->GetWidth()) : kPlainHandleWidth;
}
int CColorPicker::HandleHeight() const {
  return m_pHandleImage ? static_cast<int>(m_pHandleImage->GetHeight()) : kPlainHandleHeight;
}

bool CColorPicker::Popup(const POINT* screenPoint, HWND owner) {
  // A popup that cannot open chooses nothing, whatever the last one did.
  m_nResult = kNothing;
  m_bDragging = 0;
  delete m_pHandleImage;
  delete m_pMoreImage;
  m_pHandleImage = LoadSkinImage(L"Dragger");
  m_pMoreImage = LoadSkinImage(L"MoreColors");
  RECT rect{screenPoint->x, screenPoint->y, screenPoint->x + kWidth, screenPoint->y + kHeight};
  if (!Create(owner, &rect, nullptr, WS_POPUP | WS_VISIBLE, WS_EX_NOACTIVATE)) return false;
  ::SetCapture(m_hWnd);
  return true;
}

LRESULT CColorPicker::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  MoveIntoWorkArea(m_hWnd);
  m_nResult = kNothing;
  return 0;
}

LRESULT CColorPicker::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
  m_rcClient = {0, 0, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  UpdateLayout();
  return 0;
}

void CColorPicker::MoveHandle(int left) {
  const int iw = HandleWidth();
  left = std::max(left, m_nGradientX - iw / 2);
  left = std::min(left, m_nGradientX + m_nGradientWidth - iw / 2);
  m_rcHandle.left = left;
  m_rcHandle.right = left + iw;
}

void CColorPicker::UpdateLayout() {
  const int w = m_rcClient.right, h = m_rcClient.bottom;
  const int m = (w - 220) / 2;
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 8; ++c) {
      const int left = m + 28 * c, top = 4 + 28 * r;
      m_cells[r * 8 + c].rect = {left, top, left + 24, top + 24};
    }
  m_rcBar = {2 * m, 148, w - 2 * m - 26, 160};
  m_nGradientX = 2 * m;
  m_nGradientY = 148;
  m_nGradientWidth = w - 4 * m - 25;
  m_nGradientHeight = 12;
  const int iw = HandleWidth(), ih = HandleHeight();
  m_rcHandle.bottom = 164;
  m_rcHandle.top = 164 - ih;
  MoveHandle(m_rcBar.left + MapOnto(m_rcBar.right - m_rcBar.left, m_nOpacity, m_nOpacityMin, m_nOpacityMax) - iw / 2);
  delete m_pGradient;
  m_pGradient = new Gdiplus::LinearGradientBrush(
      Gdiplus::Rect(m_nGradientX, m_nGradientY, std::max(m_nGradientWidth, 1), m_nGradientHeight),
      Gdiplus::Color(static_cast<uint32_t>(m_nOpacityMin) << 24 | 0x808080),
      Gdiplus::Color(static_cast<uint32_t>(m_nOpacityMax) << 24 | 0x808080), Gdiplus::LinearGradientModeHorizontal);
  m_pGradient->SetWrapMode(Gdiplus::WrapModeTile);
  const int mw = m_pMoreImage ? static_cast<int>(m_pMoreImage->GetWidth()) : 0;
  const int mh = m_pMoreImage ? static_cast<int>(m_pMoreImage->GetHeight()) : 0;
  // Without its picture the more-colours button is empty and cannot be hit.
  m_rcMore = {w - 5 - mw, h - 5 - mh, w - 5, h - 5};
}

void CColorPicker::UpdateAlpha() {
  const int c = (m_rcHandle.left + m_rcHandle.right) / 2;
  int opacity =
      m_nOpacityMin + MapOnto(m_nOpacityMax - m_nOpacityMin, c - m_rcBar.left, 0, m_rcBar.right - m_rcBar.left);
  m_nOpacity = std::clamp(opacity, m_nOpacityMin, m_nOpacityMax);
}

void CColorPicker::DoPaint(HDC hdc) {
  Gdiplus::Graphics graphics(hdc);
  const int w = m_rcClient.right, h = m_rcClient.bottom;
  Gdiplus::SolidBrush back{Gdiplus::Color(0xFFFAFAFA)};
  graphics.FillRectangle(&back, 0, 0, w, h);
  Gdiplus::Pen frame(Gdiplus::Color(0xFFC9C9C9), 1);
  graphics.DrawRectangle(&frame, 0, 0, w - 1, h - 1);
  Gdiplus::Pen cellPen(Gdiplus::Color(0xFF808080), 1);
  for (const ColorPickerCell& cell : m_cells) {
    Gdiplus::SolidBrush fill{Gdiplus::Color(255, cell.red, cell.green, cell.blue)};
    graphics.FillRectangle(&fill, static_cast<INT>(cell.rect.left), static_cast<INT>(cell.rect.top), 24, 24);
    graphics.DrawRectangle(&cellPen, static_cast<INT>(cell.rect.left), static_cast<INT>(cell.rect.top), 24, 24);
  }
  Gdiplus::Pen dashed(Gdiplus::Color(0xFF0080FF), 2);
  dashed.SetDashStyle(Gdiplus::DashStyleDash);
  if (m_pHovered)
    graphics.DrawRectangle(&dashed, static_cast<INT>(m_pHovered->rect.left - 2),
                           static_cast<INT>(m_pHovered->rect.top - 2), 28, 28);
  Gdiplus::SolidBrush white{Gdiplus::Color(0xFFFFFFFF)};
  Gdiplus::SolidBrush checker{Gdiplus::Color(0xFFCCCCCC)};
  const int bw = m_rcBar.right - m_rcBar.left;
  graphics.FillRectangle(&white, static_cast<INT>(m_rcBar.left), static_cast<INT>(m_rcBar.top), bw,
                         static_cast<INT>(m_rcBar.bottom - m_rcBar.top));
  const int n = bw > 0 ? bw / 12 : 0, rem = bw - 12 * n;
  for (int k = 0; k < n; ++k) {
    graphics.FillRectangle(&checker, static_cast<INT>(m_rcBar.left + 6 + 12 * k), static_cast<INT>(m_rcBar.top), 6, 6);
    graphics.FillRectangle(&checker, static_cast<INT>(m_rcBar.left + 12 * k), static_cast<INT>(m_rcBar.top + 6), 6, 6);
  }
  if (rem > 0)
    graphics.FillRectangle(&checker, static_cast<INT>(m_rcBar.left + 12 * n), static_cast<INT>(m_rcBar.top + 6), rem,
                           6);
  if (m_pGradient) graphics.FillRectangle(m_pGradient, m_nGradientX, m_nGradientY, m_nGradientWidth, m_nGradientHeight);
  DrawHandle(graphics, m_pHandleImage, m_rcHandle);
  if (m_pMoreImage) {
    graphics.DrawImage(m_pMoreImage, static_cast<INT>(m_rcMore.left), static_cast<INT>(m_rcMore.top),
                       static_cast<INT>(m_pMoreImage->GetWidth()), static_cast<INT>(m_pMoreImage->GetHeight()));
    if (m_bMoreHot)
      graphics.DrawRectangle(&dashed, static_cast<INT>(m_rcMore.left - 2), static_cast<INT>(m_rcMore.top - 2),
                             static_cast<INT>(m_rcMore.right - m_rcMore.left + 4),
                             static_cast<INT>(m_rcMore.bottom - m_rcMore.top + 4));
  }
}

LRESULT CColorPicker::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  POINT screen = pt;
  ::ClientToScreen(m_hWnd, &screen);
  if (::WindowFromPoint(screen) != m_hWnd) {
    ::ReleaseCapture();
    return 0;
  }
  if (::PtInRect(&m_rcHandle, pt)) {
    m_bDragging = 1;
    m_nGrabOffset = pt.x - m_rcHandle.left;
    return 0;
  }
  for (ColorPickerCell& cell : m_cells)
    if (::PtInRect(&cell.rect, pt)) {
      m_nResult = kPicked;
      m_pHovered = &cell;
      ::ReleaseCapture();
      return 0;
    }
  if (::PtInRect(&m_rcMore, pt)) {
    m_nResult = kMoreColors;
    ::ReleaseCapture();
  }
  return 0;
}

LRESULT CColorPicker::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (m_bDragging) {
    MoveHandle(pt.x - m_nGrabOffset);
    UpdateAlpha();
    Repaint(m_hWnd);
    return 0;
  }
  if (::PtInRect(&m_rcMore, pt)) {
    if (!m_bMoreHot) {
      m_bMoreHot = 1;
      Repaint(m_hWnd);
    }
    return 0;
  }
  bool changed = false;
  if (m_bMoreHot) {
    m_bMoreHot = 0;
    changed = true;
  }
  ColorPickerCell* hovered = nullptr;
  for (ColorPickerCell& cell : m_cells)
    if (::PtInRect(&cell.rect, pt)) {
      hovered = &cell;
      break;
    }
  if (hovered != m_pHovered) {
    m_pHovered = hovered;
    changed = true;
  }
  if (changed) Repaint(m_hWnd);
  return 0;
}

LRESULT CColorPicker::OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (!m_bDragging) return 0;
  MoveHandle(GET_X_LPARAM(lParam) - m_nGrabOffset);
  UpdateAlpha();
  m_bDragging = 0;
  m_nResult = kPicked;
  ::ReleaseCapture();
  return 0;
}

LRESULT CColorPicker::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == VK_ESCAPE) {
    m_nResult = kNothing;
    ::ReleaseCapture();
  }
  return 0;
}

LRESULT CColorPicker::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  delete m_pGradient;
  delete m_pHandleImage;
  delete m_pMoreImage;
  m_pGradient = nullptr;
  m_pHandleImage = nullptr;
  m_pMoreImage = nullptr;
  m_bDragging = 0;
  m_bMoreHot = 0;
  return 0;
}

// ---- Colour button -----------------------------------------------------------

uint32_t CColorButton::GetColor() const {
  const auto channel = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return channel(m_nAlpha) << 24 | channel(m_nRed) << 16 | channel(m_nGreen) << 8 | channel(m_nBlue);
}

void CColorButton::SetColor(uint32_t argb) {
  // Before the window exists the colour is not kept.
  ::SendMessageW(m_hWnd, WM_PICKBUTTON_SETVALUE, 0, static_cast<LPARAM>(argb));
}

LRESULT CColorButton::OnSetValue(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const auto argb = static_cast<uint32_t>(lParam);
  m_nAlpha = static_cast<int32_t>(argb >> 24 & 0xFF);
  m_nRed = static_cast<int32_t>(argb >> 16 & 0xFF);
  m_nGreen = static_cast<int32_t>(argb >> 8 & 0xFF);
  m_nBlue = static_cast<int32_t>(argb & 0xFF);
  Invalidate(FALSE);
  return 0;
}

void CColorButton::AfterSkinCreate() {
  const AvlfUiWindow::Attribute* layout = m_pElement ? m_pElement->FindAttribute(L"Layout") : nullptr;
  if (!layout) return;
  const uint32_t bits = ParseLayoutAlign(layout->GetValue());
  if (bits & 0x10)
    m_nHorzAlign = 0;
  else if (bits & 0x20)
    m_nHorzAlign = 2;
  if (bits & 0x100)
    m_nVertAlign = 0;
  else if (bits & 0x200)
    m_nVertAlign = 2;
}

void CColorButton::OnPress(LPARAM lParam) {
  const POINT pt = PressPoint(lParam);
  g_ColorPicker.m_nOpacity = m_nAlpha;
  if (g_ColorPicker.Popup(&pt, m_hWnd)) RunPickerLoop(g_ColorPicker.m_hWnd);
  g_ColorPicker.m_hWnd = nullptr;
  if (g_ColorPicker.m_nOpacity != m_nAlpha) m_nAlpha = g_ColorPicker.m_nOpacity;
  switch (g_ColorPicker.m_nResult) {
    case CColorPicker::kPicked:
      if (const ColorPickerCell* cell = g_ColorPicker.m_pHovered) {
        m_nRed = cell->red;
        m_nGreen = cell->green;
        m_nBlue = cell->blue;
        Invalidate(FALSE);
      }
      break;
    case CColorPicker::kNothing:
      break;
    default:
      ChooseMoreColors(pt);
      break;
  }
  NotifyParent();
}

bool CColorButton::ChooseMoreColors(POINT press) {
  COLORREF custom[16];
  for (COLORREF& c : custom)
    c = RGB(g_ColorPickerPalette[0][0], g_ColorPickerPalette[0][1], g_ColorPickerPalette[0][2]);
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = m_hWnd;
  cc.rgbResult = RGB(m_nRed, m_nGreen, m_nBlue);
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;
  cc.lCustData = static_cast<LPARAM>(MAKELONG(static_cast<WORD>(press.x), static_cast<WORD>(press.y)));
  cc.lpfnHook = &ColorDialogHook;
  if (!::ChooseColorW(&cc)) return false;
  m_nRed = GetRValue(cc.rgbResult);
  m_nGreen = GetGValue(cc.rgbResult);
  m_nBlue = GetBValue(cc.rgbResult);
  Invalidate(FALSE);
  return true;
}

UINT_PTR CALLBACK ColorDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return 0;
  const auto* cc = reinterpret_cast<const CHOOSECOLORW*>(lParam);
  if (!cc) return 0;
  const int x = static_cast<short>(LOWORD(cc->lCustData)), y = static_cast<short>(HIWORD(cc->lCustData));
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  RECT r{};
  ::GetWindowRect(dialog, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(dialog, nullptr, x + w > cx ? cx - w : x, y + h > cy ? cy - h : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return 0;
}

void CColorButton::Draw(Gdiplus::Graphics& graphics, int width, int height, uint32_t colour) {
  static const Gdiplus::StringAlignment kAlign[] = {Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentCenter,
                                                    Gdiplus::StringAlignmentFar};
  Gdiplus::SolidBrush ink{Gdiplus::Color(colour)};
  Gdiplus::StringFormat format;
  format.SetAlignment(kAlign[std::clamp(m_nHorzAlign, 0, 2)]);
  format.SetLineAlignment(kAlign[std::clamp(m_nVertAlign, 0, 2)]);
  const Gdiplus::TextRenderingHint hint = graphics.GetTextRenderingHint();
  graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
  DrawGlyph(graphics, width, height, &ink, format);
  graphics.SetTextRenderingHint(hint);
  if (m_bDisabled) return;
  Gdiplus::SolidBrush bar{
      Gdiplus::Color(255, static_cast<BYTE>(m_nRed), static_cast<BYTE>(m_nGreen), static_cast<BYTE>(m_nBlue))};
  const int clientWidth = m_rcClient.right > 0 ? m_rcClient.right : width;
  const int clientHeight = m_rcClient.bottom > 0 ? m_rcClient.bottom : height;
  const int x = m_nHorzAlign == 0 ? 0 : (clientWidth - m_nGlyphWidth + 1) / 2;
  graphics.FillRectangle(&bar, x, clientHeight - 4, m_nGlyphWidth, 2);
}
