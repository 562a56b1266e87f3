#include "app/DlgOptions.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "app/MainFrame.h"
#include "app/ProjectManager.h"
#include "app/DialogSkin.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
// Last: the DirectShow headers bring windowsx.h and its SubclassWindow macro.
#include "capture/AudioFactory.h"
#ifdef SubclassWindow
#undef SubclassWindow
#endif

namespace {

constexpr int kTabs[4] = {IDC_TAB_GENERAL, IDC_TAB_VIDEO, IDC_TAB_AUDIO, IDC_TAB_IMAGE};
constexpr const wchar_t* kTabKeys[4] = {L"MToolGeneral", L"MToolVideo", L"MToolAudio", L"MToolImage"};

struct SkinText {
  int id;
  const wchar_t* key;
};

void SetTexts(HWND dialog, const SkinText* texts, size_t count) {
  for (size_t i = 0; i < count; ++i) ::SetDlgItemTextW(dialog, texts[i].id, SkinTextOrKey(texts[i].key));
}

void AddItems(HWND combo, std::initializer_list<const wchar_t*> keys) {
  for (const wchar_t* key : keys) ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SkinTextOrKey(key)));
}

int Selection(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

void Select(HWND combo, int index) { ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool Checked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Check(HWND dialog, int id, DWORD on) { ::CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

// Slider moves that carry the thumb's position: track, position, end.
bool TakesPosition(WORD code) { return code == TB_THUMBTRACK || code == TB_THUMBPOSITION || code == TB_ENDTRACK; }

std::vector<std::wstring> g_fontList;
bool g_bFontListFilled = false;

int CALLBACK AddFontFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM) {
  if (type != TRUETYPE_FONTTYPE || font->lfFaceName[0] == L'@') return 1;
  const std::wstring face(font->lfFaceName);
  if (std::find(g_fontList.begin(), g_fontList.end(), face) == g_fontList.end()) g_fontList.push_back(face);
  return 1;
}

int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

// ---- General ----

int CPageGeneral::s_nFontListings = 0;

const std::vector<std::wstring>& CPageGeneral::FontList() {
  if (!g_bFontListFilled) {
    g_bFontListFilled = true;
    ++s_nFontListings;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &query, &AddFontFamily, 0, 0);
    ::ReleaseDC(nullptr, screen);
  }
  return g_fontList;
}

LRESULT CPageGeneral::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  static constexpr SkinText kTexts[] = {{1095, L"Languages"},
                                        {1091, L"SelectFontDir"},
                                        {IDC_OPT_CAMTIMER, L"ShowCamTimer"},
                                        {1093, L"MToolBackground"},
                                        {1023, L"DecimalPrecision"}};
  SetTexts(m_hWnd, kTexts, std::size(kTexts));

  m_hLanguage = GetDlgItem(IDC_OPT_LANGUAGE);
  AddItems(m_hLanguage, {L"English", L"Chinese"});
  if (g_Config.m_Language == 1033) Select(m_hLanguage, 0);
  if (g_Config.m_Language == 2052) Select(m_hLanguage, 1);

  m_hFonts = GetDlgItem(IDC_OPT_FONT);
  const std::wstring face = g_Config.CopyFontFace();
  for (const std::wstring& name : FontList()) {
    const int index =
        static_cast<int>(::SendMessageW(m_hFonts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str())));
    if (index >= 0 && name == face) Select(m_hFonts, index);
  }

  Check(m_hWnd, IDC_OPT_CAMTIMER, g_Config.m_ShowCamTimer);

  m_btnBackground.SubclassWindow(GetDlgItem(IDC_OPT_BACKGROUND));
  const DWORD argb = g_Config.m_BackgroundColor;
  m_btnBackground.m_clrCurrent = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);

  m_hUpDown = GetDlgItem(IDC_OPT_PRECISION_SPIN);
  ::SendMessageW(m_hUpDown, UDM_SETRANGE32, 0, 5);
  ::SetDlgItemInt(m_hWnd, IDC_OPT_PRECISION, g_Config.m_DecimalPrecision, TRUE);
  return TRUE;
}

LRESULT CPageGeneral::OnCamTimer(WORD, WORD, HWND, BOOL&) {
  const bool on = Checked(m_hWnd, IDC_OPT_CAMTIMER);
  g_Config.m_ShowCamTimer = on ? 1 : 0;
  if (g_pDirectUI) g_pDirectUI->ShowInfoLines(on ? TRUE : FALSE);
  return 0;
}

LRESULT CPageGeneral::OnBackground(int, LPNMHDR header, BOOL&) {
  const auto* pick = reinterpret_cast<const ColorPickNotify*>(header);
  if (!pick->bValid) return 0;
  const COLORREF c = pick->clr;
  g_Config.m_BackgroundColor = 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  if (g_pDirectUI) g_pDirectUI->SetBackgroundColor(g_Config.m_BackgroundColor);
  return 0;
}

void CPageGeneral::Apply() {
  const DWORD language = Selection(m_hLanguage) == 1 ? 2052 : 1033;
  if (language != g_Config.m_Language) {
    g_Config.m_Language = language;
    m_bNeedsRestart = 1;
  }

  const int font = Selection(m_hFonts);
  if (font >= 0) {
    wchar_t face[255] = {};
    if (::SendMessageW(m_hFonts, CB_GETLBTEXTLEN, static_cast<WPARAM>(font), 0) < 255) {
      ::SendMessageW(m_hFonts, CB_GETLBTEXT, static_cast<WPARAM>(font), reinterpret_cast<LPARAM>(face));
      if (g_Config.SetFontFace(face) && g_pDirectUI) g_pDirectUI->SetFontFace(face);
    }
  }

  const int precision = static_cast<int>(::GetDlgItemInt(m_hWnd, IDC_OPT_PRECISION, nullptr, TRUE));
  if (precision >= 0 && precision <= 5) {
    g_Config.m_DecimalPrecision = static_cast<DWORD>(precision);
    if (g_pDirectUI) {
      g_pDirectUI->SetDecimalPrecision(precision);
      if (g_pProjectManager) {
        // Re-measuring repaints: hold the projects, then act outside the list lock.
        std::vector<CProject*> projects;
        g_pProjectManager->ForEachProject([&](CProject* project) { projects.push_back(project); });
        for (CProject* project : projects) {
          CProjectManager::CHold hold = g_pProjectManager->Hold(project);
          if (hold && hold->m_pDocument) hold->m_pDocument->RemeasureAll();
        }
      }
    }
  }
}

// ---- Video ----

LRESULT CPageVideo::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  static constexpr SkinText kTexts[] = {{1081, L"MovieFormat"},
                                        {1082, L"MovieQuality"},
                                        {IDC_OPT_HIGHSPEED, L"MovieHighSpeed"},
                                        {1005, L"RecordDuration"},
                                        {IDC_OPT_ADDVIDEO, L"MovieAdd"}};
  SetTexts(m_hWnd, kTexts, std::size(kTexts));

  m_hFormat = GetDlgItem(IDC_OPT_MOVIE_FORMAT);
  AddItems(m_hFormat, {L"MovieBitmap", L"MovieMJpeg"});
  Select(m_hFormat, g_Config.m_MovieFormat == 1 ? 1 : 0);

  m_hQuality = GetDlgItem(IDC_OPT_MOVIE_QUALITY);
  AddItems(m_hQuality, {L"QualityHigh", L"QualityMiddle", L"QualityLow"});
  Select(m_hQuality, g_Config.m_MovieQuality <= 1 ? static_cast<int>(g_Config.m_MovieQuality) : 2);

  Check(m_hWnd, IDC_OPT_HIGHSPEED, g_Config.m_HighSpeedRecord);
  m_hSlider = GetDlgItem(IDC_OPT_DURATION_SLIDER);
  m_hDuration = GetDlgItem(IDC_OPT_DURATION);
  ::SendMessageW(m_hSlider, TBM_SETRANGE, TRUE, MAKELPARAM(2, 30));
  ::SendMessageW(m_hSlider, TBM_SETPOS, TRUE, static_cast<LPARAM>(g_Config.m_Duration));
  ::SetDlgItemInt(m_hWnd, IDC_OPT_DURATION, g_Config.m_Duration, FALSE);
  EnableDuration();

  Check(m_hWnd, IDC_OPT_ADDVIDEO, g_Config.m_AddVideo);
  return TRUE;
}

void CPageVideo::EnableDuration() {
  const BOOL on = Checked(m_hWnd, IDC_OPT_HIGHSPEED) ? TRUE : FALSE;
  ::EnableWindow(m_hSlider, on);
  ::EnableWindow(m_hDuration, on);
}

LRESULT CPageVideo::OnHighSpeed(WORD, WORD, HWND, BOOL&) {
  EnableDuration();
  return 0;
}

LRESULT CPageVideo::OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (reinterpret_cast<HWND>(lParam) != m_hSlider) {
    handled = FALSE;
    return 0;
  }
  if (TakesPosition(LOWORD(wParam))) {
    const LRESULT position = ::SendMessageW(m_hSlider, TBM_GETPOS, 0, 0);
    ::SetDlgItemInt(m_hWnd, IDC_OPT_DURATION, static_cast<UINT>(position), FALSE);
  }
  return 0;
}

void CPageVideo::Apply() {
  g_Config.m_MovieFormat = Selection(m_hFormat) == 0 ? 0 : 1;
  const int quality = Selection(m_hQuality);
  g_Config.m_MovieQuality = quality == 0 ? 0 : quality == 1 ? 1 : 2;
  g_Config.m_HighSpeedRecord = Checked(m_hWnd, IDC_OPT_HIGHSPEED) ? 1 : 0;
  g_Config.m_Duration = ::GetDlgItemInt(m_hWnd, IDC_OPT_DURATION, nullptr, FALSE);
  g_Config.m_AddVideo = Checked(m_hWnd, IDC_OPT_ADDVIDEO) ? 1 : 0;
}

// ---- Audio ----

LRESULT CPageAudio::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  static constexpr SkinText kTexts[] = {{1074, L"MicrophoneDevice"},
                                        {1076, L"MicrophoneInput"},
                                        {1078, L"MicrophoneVolume"},
                                        {IDC_OPT_AUDIO_ENABLED, L"MicrophoneNeed"}};
  SetTexts(m_hWnd, kTexts, std::size(kTexts));

  m_hDevices = GetDlgItem(IDC_OPT_AUDIO_DEVICE);
  m_hInputs = GetDlgItem(IDC_OPT_AUDIO_INPUT);
  m_hLevel = GetDlgItem(IDC_OPT_AUDIO_LEVEL);
  ::SendMessageW(m_hLevel, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));

  int count = 0;
  if (g_pAudioFactory) {
    for (CAudioDevice* device : g_pAudioFactory->GetDevices()) {
      const LRESULT index =
          ::SendMessageW(m_hDevices, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(device->GetName().c_str()));
      ::SendMessageW(m_hDevices, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(device));
    }
    count = static_cast<int>(g_pAudioFactory->GetDevices().size());
    const int selected = g_pAudioFactory->GetSelectedDevice();
    if (selected >= 0 && selected < count)
      m_nDevice = selected;
    else if (count > 0)
      m_nDevice = 0;
  }
  Select(m_hDevices, m_nDevice);
  ::EnableWindow(m_hDevices, count > 1);
  FillInputs();

  Check(m_hWnd, IDC_OPT_AUDIO_ENABLED, g_Config.m_AudioEnabled);
  return TRUE;
}

void CPageAudio::FillInputs() {
  ::SendMessageW(m_hInputs, CB_RESETCONTENT, 0, 0);
  m_nInput = -1;
  m_pInput = nullptr;
  int count = 0;
  if (m_nDevice >= 0) {
    auto* device =
        reinterpret_cast<CAudioDevice*>(::SendMessageW(m_hDevices, CB_GETITEMDATA, static_cast<WPARAM>(m_nDevice), 0));
    if (device && reinterpret_cast<LRESULT>(device) != CB_ERR) {
      for (CAudioInput* input : device->GetInputs()) {
        const LRESULT index =
            ::SendMessageW(m_hInputs, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(input->GetName().c_str()));
        ::SendMessageW(m_hInputs, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(input));
      }
      count = static_cast<int>(device->GetInputs().size());
      const int selected = device->GetSelectedInput();
      if (selected >= 0 && selected < count)
        m_nInput = selected;
      else if (count > 0)
        m_nInput = 0;
      if (m_nInput >= 0) m_pInput = device->GetInputs()[static_cast<size_t>(m_nInput)];
    }
  }
  Select(m_hInputs, m_nInput);
  ::EnableWindow(m_hInputs, count > 1);
  ShowLevel();
}

void CPageAudio::ShowLevel() {
  int position = 0;
  if (m_pInput) position = static_cast<int>(m_pInput->GetMixLevel() * 100 + 0.5);
  ::SendMessageW(m_hLevel, TBM_SETPOS, TRUE, position);
  ::SetDlgItemInt(m_hWnd, IDC_OPT_AUDIO_LEVEL_TEXT, static_cast<UINT>(position), FALSE);
  ::EnableWindow(m_hLevel, m_pInput != nullptr);
}

LRESULT CPageAudio::OnDeviceChosen(WORD, WORD, HWND, BOOL&) {
  m_nDevice = Selection(m_hDevices);
  FillInputs();
  return 0;
}

LRESULT CPageAudio::OnInputChosen(WORD, WORD, HWND, BOOL&) {
  m_nInput = Selection(m_hInputs);
  const LRESULT data =
      m_nInput >= 0 ? ::SendMessageW(m_hInputs, CB_GETITEMDATA, static_cast<WPARAM>(m_nInput), 0) : CB_ERR;
  m_pInput = data != CB_ERR ? reinterpret_cast<CAudioInput*>(data) : nullptr;
  ShowLevel();
  return 0;
}

LRESULT CPageAudio::OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (reinterpret_cast<HWND>(lParam) != m_hLevel) {
    handled = FALSE;
    return 0;
  }
  if (TakesPosition(LOWORD(wParam))) {
    const int position = static_cast<int>(::SendMessageW(m_hLevel, TBM_GETPOS, 0, 0));
    ::SetDlgItemInt(m_hWnd, IDC_OPT_AUDIO_LEVEL_TEXT, static_cast<UINT>(position), FALSE);
    if (m_pInput) m_pInput->SetMixLevel(position / 100.0);
  }
  return 0;
}

void CPageAudio::Apply() {
  if (g_pAudioFactory && m_nDevice >= 0) {
    auto* device =
        reinterpret_cast<CAudioDevice*>(::SendMessageW(m_hDevices, CB_GETITEMDATA, static_cast<WPARAM>(m_nDevice), 0));
    const auto& devices = g_pAudioFactory->GetDevices();
    const auto found = std::find(devices.begin(), devices.end(), device);
    if (found != devices.end()) {
      g_pAudioFactory->SelectDevice(static_cast<int>(found - devices.begin()));
      if (m_pInput) device->SelectInput(m_pInput);
    }
  }
  g_Config.m_AudioEnabled = Checked(m_hWnd, IDC_OPT_AUDIO_ENABLED) ? 1 : 0;
}

// ---- Image ----

LRESULT CPageImage::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  static constexpr SkinText kTexts[] = {{1068, L"SelectImageDir"},
                                        {IDC_OPT_BROWSE, L"Browse"},
                                        {1070, L"SelectImageFormat"},
                                        {IDC_OPT_STILL, L"StillCapture"},
                                        {IDC_OPT_AUTOSNAP, L"AutoSnap"}};
  SetTexts(m_hWnd, kTexts, std::size(kTexts));

  const std::wstring folder = g_Config.CopyImageDir();
  if (!folder.empty()) ::SetDlgItemTextW(m_hWnd, IDC_OPT_IMAGE_DIR, folder.c_str());

  m_hFormat = GetDlgItem(IDC_OPT_IMAGE_FORMAT);
  AddItems(m_hFormat, {L"Bmp", L"Jpg"});
  Select(m_hFormat, g_Config.m_ImageFormat != 0 ? 1 : 0);

  Check(m_hWnd, IDC_OPT_STILL, g_Config.m_ImageStill);
  Check(m_hWnd, IDC_OPT_AUTOSNAP, g_Config.m_AutoSnap);
  ::SetDlgItemInt(m_hWnd, IDC_OPT_SNAP_INTERVAL, g_Config.m_SnapInterval, FALSE);
  return TRUE;
}

LRESULT CPageImage::OnBrowse(WORD, WORD, HWND, BOOL&) {
  const std::wstring start = g_Config.CopyImageDir();
  BROWSEINFOW info{};
  info.hwndOwner = m_hWnd;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT;
  info.lpfn = &SelectStartFolder;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  if (PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info)) {
    wchar_t path[1025] = {};
    if (::SHGetPathFromIDListEx(chosen, path, 1024, GPFIDL_DEFAULT)) ::SetDlgItemTextW(m_hWnd, IDC_OPT_IMAGE_DIR, path);
    ::CoTaskMemFree(chosen);
  }
  return 0;
}

void CPageImage::Apply() {
  wchar_t folder[1025] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_OPT_IMAGE_DIR, folder, 1025);
  if (folder[0]) {
    const DWORD attributes = ::GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) g_Config.SetImageDir(folder);
  }
  g_Config.m_ImageFormat = static_cast<DWORD>(std::clamp(Selection(m_hFormat), 0, 1));
  g_Config.m_ImageStill = Checked(m_hWnd, IDC_OPT_STILL) ? 1 : 0;
  g_Config.m_AutoSnap = Checked(m_hWnd, IDC_OPT_AUTOSNAP) ? 1 : 0;
  const UINT interval = ::GetDlgItemInt(m_hWnd, IDC_OPT_SNAP_INTERVAL, nullptr, FALSE);
  g_Config.m_SnapInterval = std::clamp<UINT>(interval, 10, 60000);
}

// ---- The dialog ----

CDlgOptions::~CDlgOptions() {
  if (m_hTabFont) ::DeleteObject(m_hTabFont);
}

LRESULT CDlgOptions::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  RECT client{}, tab{}, ok{};
  GetClientRect(&client);
  ::GetWindowRect(GetDlgItem(IDC_TAB_GENERAL), &tab);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&tab), 2);
  ::GetWindowRect(GetDlgItem(IDOK), &ok);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&ok), 2);
  m_rcPage = {client.left + 12, tab.bottom + 4, client.right - 4, ok.top - 8};
  m_rcLine = {client.left + 24, tab.bottom + 2, client.right - 20, tab.bottom + 4};

  HDC screen = ::GetDC(nullptr);
  const int height = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
  ::ReleaseDC(nullptr, screen);
  m_hTabFont = ::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");

  m_wndLine.Create(m_hWnd, &m_rcLine, nullptr, WS_CHILD | WS_VISIBLE);

  for (int i = 0; i < 4; ++i) {
    HWND button = GetDlgItem(kTabs[i]);
    ::SetWindowLongPtrW(button, GWL_STYLE, ::GetWindowLongPtrW(button, GWL_STYLE) | BS_CHECKBOX);
    m_tabs[i].SubclassWindow(button);
    ::SetWindowTextW(button, SkinTextOrKey(kTabKeys[i]));
    ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(m_hTabFont), TRUE);
    m_tabs[i].SetFlatFill(false);
    m_tabs[i].SetColor(4, RGB(0x80, 0x80, 0x80), false);
    m_tabs[i].SetColor(1, RGB(0x80, 0x80, 0x80), false);
  }

  const HWND pages[4] = {m_pageGeneral.Create(m_hWnd), m_pageVideo.Create(m_hWnd), m_pageAudio.Create(m_hWnd),
                         m_pageImage.Create(m_hWnd)};
  for (HWND page : pages)
    ::SetWindowPos(page, nullptr, m_rcPage.left, m_rcPage.top, m_rcPage.right - m_rcPage.left,
                   m_rcPage.bottom - m_rcPage.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(pages[0], SW_SHOW);
  m_hPageShown = pages[0];
  m_tabs[0].SetCheck(true, true);

  SetDlgItemText(IDOK, SkinTextOrKey(L"OK"));
  SetDlgItemText(IDCANCEL, SkinTextOrKey(L"Cancel"));
  ::SetWindowTextW(m_hWnd, SkinTextOrKey(L"MToolOptionsT"));
  SetProgramIcon(m_hWnd);
  CenterWindow(GetParent());
  return TRUE;
}

LRESULT CDlgOptions::OnTab(WORD, WORD id, HWND, BOOL&) {
  const HWND pages[4] = {m_pageGeneral.m_hWnd, m_pageVideo.m_hWnd, m_pageAudio.m_hWnd, m_pageImage.m_hWnd};
  HWND page = nullptr;
  for (int i = 0; i < 4; ++i) {
    m_tabs[i].SetCheck(kTabs[i] == id, true);
    if (kTabs[i] == id) page = pages[i];
  }
  if (page && page != m_hPageShown) {
    HDWP moves = ::BeginDeferWindowPos(2);
    constexpr UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (moves) moves = ::DeferWindowPos(moves, m_hPageShown, nullptr, 0, 0, 0, 0, kKeep | SWP_HIDEWINDOW);
    if (moves) moves = ::DeferWindowPos(moves, page, nullptr, 0, 0, 0, 0, kKeep | SWP_SHOWWINDOW);
    if (moves) ::EndDeferWindowPos(moves);
    m_hPageShown = page;
  }
  return 0;
}

LRESULT CDlgOptions::OnOK(WORD, WORD, HWND, BOOL&) {
  m_bNeedsRestart = 0;
  m_pageGeneral.Apply();
  m_bNeedsRestart = m_pageGeneral.m_bNeedsRestart;
  m_pageVideo.Apply();
  m_pageAudio.Apply();
  m_pageImage.Apply();
  EndDialog(IDOK);
  return 0;
}

LRESULT CDlgOptions::OnCancel(WORD, WORD, HWND, BOOL&) {
  m_bNeedsRestart = 0;
  EndDialog(IDCANCEL);
  return 0;
}
