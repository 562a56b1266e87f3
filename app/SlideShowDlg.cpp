#include "app/SlideShowDlg.h"

#include <commdlg.h>

#include <cwchar>
#include <vector>

#include "app/MainFrame.h"
#include "app/ProjectManager.h"
#include "app/DialogSkin.h"
#include "capture/SlideShow.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"

namespace {

constexpr DialogSkinText kCaptions[] = {
    {1052, L"slideW"},     {1053, L"slideH"}, {1061, L"slideImageDuration"}, {1062, L"slideTransDuration"},
    {1063, L"slideFrame"},
};

// The values in the order of the dialog's fields.
struct SlideValue {
  const wchar_t* name;
  int control;
  DWORD CDlgSlide::*field;
};
constexpr SlideValue kValues[] = {
    {L"Width", IDC_SLIDE_WIDTH, &CDlgSlide::m_nWidth},
    {L"Height", IDC_SLIDE_HEIGHT, &CDlgSlide::m_nHeight},
    {L"Duration", IDC_SLIDE_DURATION, &CDlgSlide::m_nDuration},
    {L"Transition", IDC_SLIDE_TRANSITION, &CDlgSlide::m_nTransition},
    {L"Fps", IDC_SLIDE_FPS, &CDlgSlide::m_nFps},
};

// An edit's text as an unsigned number; anything else (letters after the
// digits too, or more than 32 bits) reads as 0 on every system.
DWORD ReadUnsigned(HWND dialog, int control) {
  wchar_t text[64] = {};
  ::GetDlgItemTextW(dialog, control, text, 64);
  const wchar_t* p = text;
  while (*p == L' ') ++p;
  unsigned long long value = 0;
  const wchar_t* digits = p;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - L'0');
    if (value > 0xFFFFFFFFull) return 0;
  }
  if (p == digits) return 0;
  while (*p == L' ') ++p;
  return *p ? 0 : static_cast<DWORD>(value);
}

DWORD Limit(DWORD value, DWORD low, DWORD high) { return value < low ? low : value > high ? high : value; }

UINT_PTR CALLBACK CentreOverOwner(HWND hook, UINT msg, WPARAM, LPARAM) {
  if (msg != WM_INITDIALOG) return 0;
  // The hook's window is a child of the dialog itself.
  HWND dialog = ::GetParent(hook);
  HWND owner = ::GetWindow(dialog, GW_OWNER);
  RECT outer{}, own{};
  if (owner && ::GetWindowRect(owner, &outer) && ::GetWindowRect(dialog, &own)) {
    const int w = own.right - own.left, h = own.bottom - own.top;
    ::SetWindowPos(dialog, nullptr, outer.left + ((outer.right - outer.left) - w) / 2,
                   outer.top + ((outer.bottom - outer.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return 0;
}

bool AskWithSaveDialog(std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH, L'\0');
  static const wchar_t kFilter[] = L"avi Files (*.avi)\0*.avi;\0";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ::GetActiveWindow();
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLEHOOK;
  ofn.lpfnHook = CentreOverOwner;
  if (!::GetSaveFileNameW(&ofn)) return false;
  path = buffer.data();
  return true;
}

SlideShowFileFunction g_pfnAskFile = AskWithSaveDialog;

}  // namespace

void SetSlideShowFileFunction(SlideShowFileFunction ask) { g_pfnAskFile = ask ? ask : AskWithSaveDialog; }

bool AskSlideShowFile(std::wstring& path) { return g_pfnAskFile(path); }

void CDlgSlide::Clamp() {
  m_nDuration = Limit(m_nDuration, 50, 9000);
  m_nTransition = Limit(m_nTransition, 100, 2000);
  m_nFps = Limit(m_nFps, 15, 100);
  m_nWidth = m_nWidth == 0 ? 320 : m_nWidth > 1600 ? 1600 : m_nWidth;
  m_nHeight = m_nHeight == 0 ? 240 : m_nHeight > 1200 ? 1200 : m_nHeight;
}

LRESULT CDlgSlide::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  // A key that cannot be had leaves the defaults.
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSlideKey, 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    for (const SlideValue& value : kValues) {
      DWORD data = 0, type = 0, size = sizeof data;
      if (::RegQueryValueExW(key, value.name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
          type == REG_DWORD && size == sizeof data)
        this->*value.field = data;
    }
    ::RegCloseKey(key);
  }
  if (m_nHeight == 0) m_nHeight = 768;
  if (m_nWidth == 0) m_nWidth = 1024;
  for (const SlideValue& value : kValues) ::SetDlgItemInt(m_hWnd, value.control, this->*value.field, FALSE);
  SetDialogSkinTexts(m_hWnd, kCaptions);
  ::SetWindowTextW(m_hWnd, SkinTextOrKey(L"slideOptions"));
  SetProgramIcon(m_hWnd);
  CenterWindow(GetParent());
  return TRUE;
}

LRESULT CDlgSlide::OnOK(WORD, WORD, HWND, BOOL&) {
  for (const SlideValue& value : kValues) this->*value.field = ReadUnsigned(m_hWnd, value.control);
  Clamp();
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSlideKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    for (const SlideValue& value : kValues)
      ::RegSetValueExW(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&(this->*value.field)),
                       sizeof(DWORD));
    ::RegCloseKey(key);
  }
  EndDialog(IDOK);
  return 0;
}

LRESULT CDlgSlide::OnCancel(WORD, WORD, HWND, BOOL&) {
  // The show is not run: nothing entered is kept.
  EndDialog(IDCANCEL);
  return 0;
}

std::wstring SlideShowVideoPath(const std::wstring& chosen) {
  if (chosen.empty()) return chosen;
  const size_t dot = chosen.rfind(L'.');
  if (dot != std::wstring::npos && chosen.size() - dot == 4 && _wcsicmp(chosen.c_str() + dot, L".avi") == 0)
    return chosen;
  return chosen + L".avi";
}

CDTImage* CollectSlides(CProjectManager& projects, CDirectUI* canvas, CDTImage* start, CSlideShow& show) {
  // Loading sends window messages: the list is copied under its lock and
  // each project held while it is used.
  std::vector<CProject*> listed;
  projects.ForEachProject([&](CProject* project) { listed.push_back(project); });
  bool adding = false;
  for (size_t i = 0; i < listed.size(); ++i) {
    CProjectManager::CHold hold = projects.Hold(listed[i]);
    if (!hold) continue;
    CDTImage* document = hold->m_pDocument;
    if (!document) continue;
    if (document->m_nWidth <= 0 || document->m_nHeight <= 0) {
      if (!hold->LoadDocument(canvas)) continue;
    }
    if (!start) start = document;
    if (document == start) adding = true;
    if (adding) show.AddSlide(document, static_cast<int>(i));
  }
  return adding ? start : nullptr;
}

void CMainFrame::RunSlideShow(BOOL burn) {
  StopCapture();
  if (m_pSlideShow) {
    m_pSlideShow->Stop();
    delete m_pSlideShow;
    m_pSlideShow = nullptr;
  }
  CDlgSlide dialog;
  if (dialog.DoModal(::GetActiveWindow()) != IDOK) return;

  std::wstring chosen;
  if (burn && !AskSlideShowFile(chosen)) chosen.clear();
  const std::wstring path = SlideShowVideoPath(chosen);

  m_pSlideShow = new CSlideShow;
  if (!m_pSlideShow->LoadTransitions()) {
    delete m_pSlideShow;
    m_pSlideShow = nullptr;
    return;
  }
  m_pSlideShow->SetShowTime(static_cast<int>(dialog.m_nDuration));
  m_pSlideShow->SetTransitionTime(static_cast<int>(dialog.m_nTransition));
  m_pSlideShow->SetFrameRate(static_cast<int>(dialog.m_nFps));

  CDTImage* start = m_pCurrentDocument == m_pLiveDocument ? nullptr : m_pCurrentDocument;
  start = CollectSlides(m_ProjectManager, g_pDirectUI, start, *m_pSlideShow);
  if (start && start->m_nWidth > 0 && start->m_nHeight > 0) {
    m_pSlideShow->SetSize(static_cast<int>(dialog.m_nWidth), static_cast<int>(dialog.m_nHeight));
    m_pSlideShow->Start(path.empty() ? FALSE : TRUE, path.c_str());
    m_pSlideShow->Begin(start);
  } else {
    m_pSlideShow->Stop();
    delete m_pSlideShow;
    m_pSlideShow = nullptr;
  }
}
