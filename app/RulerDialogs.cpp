#include "app/RulerDialogs.h"

#include <cwchar>
#include <string>

#include "app/MainFrame.h"
#include "app/MeasureFiles.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Ruler.h"

namespace {

constexpr int kProgramIcon = 128;

struct ControlText {
  int id;
  const wchar_t* key;
};

// Caption and control texts from the skin, the big icon and the place over the parent.
void PrepareDialog(HWND dialog, const wchar_t* caption, const ControlText* texts, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const std::wstring text = SkinText(texts[i].key);
    ::SetDlgItemTextW(dialog, texts[i].id, text.c_str());
  }
  ::SetWindowTextW(dialog, SkinText(caption).c_str());
  if (HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIcon)))
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  HWND parent = ::GetParent(dialog);
  RECT outer{}, own{};
  if (!parent || !::GetWindowRect(parent, &outer)) ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &outer, 0);
  ::GetWindowRect(dialog, &own);
  const int w = own.right - own.left, h = own.bottom - own.top;
  ::SetWindowPos(dialog, nullptr, outer.left + ((outer.right - outer.left) - w) / 2,
                 outer.top + ((outer.bottom - outer.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Every stored ruler by name, the list sorting them; the first in that order
// is selected. Returns its record, null for an empty list.
CConfiguration::CRulerRecord* FillList(HWND list) {
  for (const auto& record : g_Config.m_Rulers) {
    const wchar_t* name = record->m_Name.IsSet() ? static_cast<const wchar_t*>(record->m_Name) : L"";
    const LRESULT index = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (index >= 0)
      ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(record.get()));
  }
  if (::SendMessageW(list, CB_GETCOUNT, 0, 0) <= 0) return nullptr;
  ::SendMessageW(list, CB_SETCURSEL, 0, 0);
  const LRESULT data = ::SendMessageW(list, CB_GETITEMDATA, 0, 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<CConfiguration::CRulerRecord*>(data);
}

// The selected item's record, null without a selection.
CConfiguration::CRulerRecord* SelectedRecord(HWND list) {
  const LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (index < 0) return nullptr;
  const LRESULT data = ::SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<CConfiguration::CRulerRecord*>(data);
}

void ShowScale(HWND dialog, int id, const CConfiguration::CRulerRecord* record) {
  if (!record) {
    ::SetDlgItemTextW(dialog, id, L"");
    return;
  }
  wchar_t text[64];
  FormatRulerScale(record->m_Scale, text);
  ::SetDlgItemTextW(dialog, id, text);
}

}  // namespace

void FormatRulerScale(double scale, wchar_t (&text)[64]) {
  const std::wstring number = FormatFixed(scale, 6);
  std::swprintf(text, 64, L"1 : %ls", number.size() < 50 ? number.c_str() : L"?");
}

// --- Load dialog --------------------------------------------------------------

void CDlgRulerLoad::Take(const CConfiguration::CRulerRecord* record) {
  if (!record) return;
  m_dScale = record->m_Scale;
  for (int i = 0; i < 4; ++i) m_Points[i] = record->m_Points[i];
  m_bChosen = 1;
}

LRESULT CDlgRulerLoad::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  m_hList = GetDlgItem(IDC_RULER_LIST);
  const CConfiguration::CRulerRecord* first = FillList(m_hList);
  ShowScale(m_hWnd, IDC_RULER_SCALE, first);
  Take(first);
  static const ControlText texts[] = {{IDC_RULER_SAVED_LABEL, L"RulerSaved"},
                                      {IDC_RULER_SCALE_LABEL, L"RulerScale"},
                                      {IDC_KEEP_RULER_LENGTH, L"keepRulerLength"},
                                      {IDOK, L"Load"},
                                      {IDCANCEL, L"Cancel"},
                                      {IDC_RULER_DELETE_ALL, L"RulerDelAll"}};
  PrepareDialog(m_hWnd, L"RulerLoad", texts, sizeof texts / sizeof texts[0]);
  ::CheckDlgButton(m_hWnd, IDC_KEEP_RULER_LENGTH, g_Config.m_KeepRulerLength ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

LRESULT CDlgRulerLoad::OnSelChange(WORD, WORD, HWND, BOOL&) {
  const CConfiguration::CRulerRecord* record = SelectedRecord(m_hList);
  if (record) {
    ShowScale(m_hWnd, IDC_RULER_SCALE, record);
    Take(record);
  }
  return 0;
}

LRESULT CDlgRulerLoad::OnDeleteAll(WORD, WORD, HWND, BOOL&) {
  g_Config.ClearRulers();
  ::SendMessageW(m_hList, CB_RESETCONTENT, 0, 0);
  ::SetDlgItemTextW(m_hWnd, IDC_RULER_SCALE, L"");
  m_bChosen = 0;
  return 0;
}

LRESULT CDlgRulerLoad::OnLoad(WORD, WORD, HWND, BOOL&) {
  g_Config.m_KeepRulerLength = ::IsDlgButtonChecked(m_hWnd, IDC_KEEP_RULER_LENGTH) == BST_CHECKED ? 1 : 0;
  EndDialog(IDOK);
  return 0;
}

LRESULT CDlgRulerLoad::OnCancel(WORD, WORD, HWND, BOOL&) {
  EndDialog(IDCANCEL);
  return 0;
}

// --- Save dialog --------------------------------------------------------------

LRESULT CDlgRulerSave::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  m_hList = GetDlgItem(IDC_RULER_LIST);
  ShowScale(m_hWnd, IDC_RULER_SCALE, FillList(m_hList));
  static const ControlText texts[] = {{IDC_RULER_NAME_LABEL, L"RulerName"},
                                      {IDC_RULER_SCALE_LABEL, L"RulerScale"},
                                      {IDC_RULER_SAVED_LABEL, L"RulerSaved"},
                                      {IDC_RULER_SCALE_LABEL2, L"RulerScale"},
                                      {IDC_RULER_DELETE_ALL, L"RulerDelAll"},
                                      {IDC_RULER_DELETE, L"RulerDel"},
                                      {IDOK, L"Save"},
                                      {IDCANCEL, L"Cancel"}};
  PrepareDialog(m_hWnd, L"RulerSave", texts, sizeof texts / sizeof texts[0]);
  wchar_t own[64];
  FormatRulerScale(m_dScale, own);
  ::SetDlgItemTextW(m_hWnd, IDC_RULER_SCALE_OWN, own);
  ::SendDlgItemMessageW(m_hWnd, IDC_RULER_NAME, EM_LIMITTEXT, 255, 0);
  return TRUE;
}

void CDlgRulerSave::ShowSelected() { ShowScale(m_hWnd, IDC_RULER_SCALE, SelectedRecord(m_hList)); }

LRESULT CDlgRulerSave::OnSelChange(WORD, WORD, HWND, BOOL&) {
  ShowSelected();
  return 0;
}

LRESULT CDlgRulerSave::OnDelete(WORD, WORD, HWND, BOOL&) {
  const LRESULT index = ::SendMessageW(m_hList, CB_GETCURSEL, 0, 0);
  CConfiguration::CRulerRecord* record = SelectedRecord(m_hList);
  if (index < 0 || !record) return 0;
  g_Config.RemoveRuler(record);
  ::SendMessageW(m_hList, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  ::SetDlgItemTextW(m_hWnd, IDC_RULER_SCALE, L"");
  return 0;
}

LRESULT CDlgRulerSave::OnDeleteAll(WORD, WORD, HWND, BOOL&) {
  g_Config.ClearRulers();
  ::SendMessageW(m_hList, CB_RESETCONTENT, 0, 0);
  ::SetDlgItemTextW(m_hWnd, IDC_RULER_SCALE, L"");
  return 0;
}

LRESULT CDlgRulerSave::OnSave(WORD, WORD, HWND, BOOL&) {
  wchar_t name[256] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_RULER_NAME, name, 256);
  if (!name[0]) {
    FileMessageBox(m_hWnd, SkinText(L"eRulerEmptyName").c_str(), nullptr, MB_OK);
    return 0;
  }
  if (g_Config.FindRuler(name) >= 0 &&
      FileMessageBox(m_hWnd, SkinText(L"eRulerOverwrite").c_str(), nullptr, MB_YESNO) != IDYES)
    return 0;
  float points[4] = {0, 0, 0, 0};
  const CDTImage* document = m_pRuler ? m_pRuler->Document() : nullptr;
  if (m_pRuler && document && m_pRuler->m_vertices.size() >= 2 && document->m_nWidth > 0 && document->m_nHeight > 0) {
    const float width = static_cast<float>(document->m_nWidth), height = static_cast<float>(document->m_nHeight);
    points[0] = m_pRuler->m_vertices[0].x / width;
    points[1] = m_pRuler->m_vertices[0].y / height;
    points[2] = m_pRuler->m_vertices[1].x / width;
    points[3] = m_pRuler->m_vertices[1].y / height;
  }
  g_Config.SetRuler(name, m_dScale, points);
  EndDialog(IDOK);
  return 0;
}

LRESULT CDlgRulerSave::OnCancel(WORD, WORD, HWND, BOOL&) {
  EndDialog(IDCANCEL);
  return 0;
}

// --- The frame's commands -------------------------------------------------------

void CMainFrame::OnMeasureLoadRuler() {
  CDlgRulerLoad dialog;
  if (dialog.DoModal(::GetActiveWindow()) != IDOK || dialog.m_bChosen != 1) return;
  g_Config.m_ReferenceScale = dialog.m_dScale;
  CDTImage* document = m_pCurrentDocument;
  if (!document) return;
  if (g_Config.m_KeepRulerLength) {
    const double values[5] = {dialog.m_dScale, dialog.m_Points[0], dialog.m_Points[1], dialog.m_Points[2],
                              dialog.m_Points[3]};
    document->SetReferenceScale(values, 5);
  } else {
    document->SetReferenceScale(&dialog.m_dScale, 1);
  }
}

void CMainFrame::OnMeasureSaveRuler() {
  CDTImage* document = m_pCurrentDocument;
  // Without a picture the end points would be divided by a size of 0.
  if (!document || !document->m_pRuler || document->m_nWidth <= 0 || document->m_nHeight <= 0) return;
  CDlgRulerSave dialog(document->m_pRuler, document->ReferenceScale);
  dialog.DoModal(::GetActiveWindow());
}
