#include "capture/ColorDialog.h"

#include <commctrl.h>

#include <string>

#include "capture/Camera.h"
#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"

const ColorRowIds kColorRowIds[kColorRows] = {
    {1098, 1099, 1083, 1117, 1, 256, L"ChannelRed"},  {1100, 1101, 1084, 1118, 1, 256, L"ChannelGreen"},
    {1102, 1103, 1085, 1119, 1, 256, L"ChannelBlue"}, {1109, 1110, 1087, 1121, 0, 20, L"Saturation"},
    {1111, 1112, 1088, 1122, 0, 510, L"Bright"},      {1113, 1114, 1089, 1123, 0, 20, L"Constrast"},
    {1115, 1116, 1090, 1124, 0, 359, L"Hue"},         {IDC_GAMMA_CHECK, 1108, 1086, 1120, 1, 200, L"Gamma"},
};

namespace {

constexpr int kIconProgram = 128;

// Controls whose texts come from the skin, beside the rows' labels.
struct SkinText {
  int id;
  const wchar_t* key;
};
constexpr SkinText kSkinTexts[] = {
    {IDC_AWB_LABEL, L"AwbT"},
    {IDC_AWB_NONE, L"AwbNone"},
    {IDC_AWB_GRAY, L"AwbGrayAverage"},
    {IDC_AWB_TEMPERATURE, L"AwbTemperature"},
    {IDC_COLOR_DEFAULT, L"Default"},
    {IDOK, L"OK"},
    {IDCANCEL, L"Cancel"},
};

// What Default puts into each row.
constexpr int kDefaults[kColorRows] = {128, 128, 128, 10, 255, 10, 0, 128};

int CameraValue(COrvelCamera* camera, int row) {
  switch (row) {
    case kRowRed:
      return camera->GetRed();
    case kRowGreen:
      return camera->GetGreen();
    case kRowBlue:
      return camera->GetBlue();
    case kRowSaturation:
      return camera->GetSaturation();
    case kRowBrightness:
      return camera->GetBrightness();
    case kRowContrast:
      return camera->GetContrast();
    case kRowHue:
      return camera->GetHue();
    default:
      return camera->GetGamma();
  }
}

void SkinTextOf(HWND window, const wchar_t* key) {
  std::wstring text;
  if (window && GetCaptureShell()->LookupText(key, text)) ::SetWindowTextW(window, text.c_str());
}

}  // namespace

LRESULT CDlgColors::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  for (int row = 0; row < kColorRows; ++row) {
    const ColorRowIds& ids = kColorRowIds[row];
    m_hEdits[row] = GetDlgItem(ids.edit);
    m_hUpDowns[row] = GetDlgItem(ids.updown);
    m_hSliders[row] = GetDlgItem(ids.slider);
    ::SendMessageW(m_hSliders[row], TBM_SETRANGE, TRUE, MAKELPARAM(ids.minimum, ids.maximum));
    ::SendMessageW(m_hUpDowns[row], UDM_SETRANGE32, static_cast<WPARAM>(ids.minimum), ids.maximum);
  }

  m_pCamera = g_pCameraFactory ? g_pCameraFactory->GetCurrentCamera() : nullptr;
  if (m_pCamera) {
    for (int row = 0; row < kColorRows; ++row) {
      const int value = CameraValue(m_pCamera, row);
      ShowInSlider(row, value);
      ShowInEdit(row, value);
    }
    switch (m_pCamera->GetWhiteBalanceMode()) {
      case 0:
        CheckDlgButton(IDC_AWB_NONE, BST_CHECKED);
        break;
      case 1:
        CheckDlgButton(IDC_AWB_GRAY, BST_CHECKED);
        break;
      case 2:
        CheckDlgButton(IDC_AWB_TEMPERATURE, BST_CHECKED);
        break;
      default:
        break;
    }
    const int gamma = m_pCamera->GetGammaEnabled();
    CheckDlgButton(IDC_GAMMA_CHECK, gamma ? BST_CHECKED : BST_UNCHECKED);
    EnableGammaControls(gamma != 0);
  }

  for (const ColorRowIds& ids : kColorRowIds) SkinTextOf(GetDlgItem(ids.label), ids.skinKey);
  for (const SkinText& skin : kSkinTexts) SkinTextOf(GetDlgItem(skin.id), skin.key);
  SkinTextOf(m_hWnd, L"MCameraColorT");

  if (HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconProgram))) SetIcon(icon, TRUE);
  CenterWindow(GetParent());
  return TRUE;
}

void CDlgColors::ShowInSlider(int row, int value) { ::SendMessageW(m_hSliders[row], TBM_SETPOS, TRUE, value); }

void CDlgColors::ShowInEdit(int row, int value) { ::SetDlgItemInt(m_hWnd, kColorRowIds[row].edit, value, TRUE); }

void CDlgColors::ApplyToCamera(int row, int value) {
  if (!m_pCamera) return;
  switch (row) {
    case kRowRed:
      m_pCamera->SetRed(value);
      break;
    case kRowGreen:
      m_pCamera->SetGreen(value);
      break;
    case kRowBlue:
      m_pCamera->SetBlue(value);
      break;
    case kRowSaturation:
      m_pCamera->SetSaturation(value);
      break;
    case kRowBrightness:
      m_pCamera->SetBrightness(value);
      break;
    case kRowContrast:
      m_pCamera->SetContrast(value);
      break;
    case kRowHue:
      m_pCamera->SetHue(value);
      break;
    default:
      m_pCamera->SetGamma(value);
      break;
  }
}

void CDlgColors::EnableGammaControls(BOOL enable) {
  ::EnableWindow(m_hSliders[kRowGamma], enable);
  ::EnableWindow(m_hEdits[kRowGamma], enable);
}

void CDlgColors::ShowGains() {
  for (int row = kRowRed; row <= kRowBlue; ++row) {
    const int value = CameraValue(m_pCamera, row);
    ShowInSlider(row, value);
    ShowInEdit(row, value);
  }
}

LRESULT CDlgColors::OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  const int code = LOWORD(wParam);
  if (code != TB_THUMBPOSITION && code != TB_THUMBTRACK && code != TB_ENDTRACK) return 0;
  const HWND slider = reinterpret_cast<HWND>(lParam);
  for (int row = 0; row < kColorRows; ++row) {
    if (m_hSliders[row] != slider) continue;
    const int value = static_cast<int>(::SendMessageW(slider, TBM_GETPOS, 0, 0));
    ShowInEdit(row, value);
    ApplyToCamera(row, value);
    return 0;
  }
  handled = FALSE;
  return 0;
}

LRESULT CDlgColors::OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (LOWORD(wParam) != SB_THUMBPOSITION) return 0;
  const HWND updown = reinterpret_cast<HWND>(lParam);
  for (int row = 0; row < kColorRows; ++row) {
    if (m_hUpDowns[row] != updown) continue;
    const int value = LOWORD(::SendMessageW(updown, UDM_GETPOS, 0, 0));
    ShowInSlider(row, value);
    ApplyToCamera(row, value);
    return 0;
  }
  handled = FALSE;
  return 0;
}

LRESULT CDlgColors::OnGammaCheck(WORD, WORD, HWND, BOOL&) {
  const BOOL checked = IsDlgButtonChecked(IDC_GAMMA_CHECK) == BST_CHECKED;
  if (m_pCamera) m_pCamera->SetGammaEnabled(checked);
  EnableGammaControls(checked);
  return 0;
}

LRESULT CDlgColors::OnWhiteBalance(WORD, WORD id, HWND, BOOL&) {
  if (!m_pCamera) return 0;
  if (id == IDC_AWB_GRAY) {
    m_pCamera->SetWhiteBalanceMode(1);
  } else if (id == IDC_AWB_TEMPERATURE) {
    m_pCamera->SetWhiteBalanceMode(2);
  } else {
    // The gains now hold the last automatic estimate.
    m_pCamera->SetWhiteBalanceMode(0);
    ShowGains();
  }
  return 0;
}

LRESULT CDlgColors::OnDefault(WORD, WORD, HWND, BOOL&) {
  if (!m_pCamera) return 0;
  CheckDlgButton(IDC_AWB_NONE, BST_CHECKED);
  CheckDlgButton(IDC_AWB_GRAY, BST_UNCHECKED);
  CheckDlgButton(IDC_AWB_TEMPERATURE, BST_UNCHECKED);
  m_pCamera->SetWhiteBalanceMode(0);
  for (int row = 0; row < kColorRows; ++row) ShowInSlider(row, kDefaults[row]);
  CheckDlgButton(IDC_GAMMA_CHECK, BST_UNCHECKED);
  EnableGammaControls(FALSE);
  for (int row = 0; row < kColorRows; ++row) ShowInEdit(row, kDefaults[row]);
  m_pCamera->SetRed(128);
  m_pCamera->SetGreen(128);
  m_pCamera->SetBlue(128);
  m_pCamera->SetSaturation(10);
  m_pCamera->SetBrightness(255);
  m_pCamera->SetContrast(10);
  m_pCamera->SetHue(0);
  m_pCamera->SetColorful(1);
  m_pCamera->SetGamma(128);
  m_pCamera->SetGammaEnabled(0);
  return 0;
}

LRESULT CDlgColors::OnClose(WORD, WORD id, HWND, BOOL&) {
  // Leaving an automatic mode keeps its last estimate as the gains.
  if (m_pCamera && m_pCamera->GetWhiteBalanceMode() != 0) m_pCamera->SetWhiteBalanceMode(0);
  EndDialog(id);
  return 0;
}
