// Measure > Load and Measure > Save: project files, the text report and the
// workbook of the measurement table.
#include "app/MeasureFiles.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/MainFrame.h"
#include "app/OpenFiles.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Draw.h"
#include "settings/Configuration.h"
#include "spreadsheet/XlsStyle.h"
#include "spreadsheet/XlsWorkbook.h"
#include "toolkit/SkinUi.h"

namespace {

FileDialogFunction g_pfnOpenFileName = ::GetOpenFileNameW;
FileDialogFunction g_pfnSaveFileName = ::GetSaveFileNameW;
FileMessageBoxFunction g_pfnFileMessageBox = ::MessageBoxW;

BOOL DefaultReportWrite(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return ::WriteFile(file, data, size, written, nullptr);
}
ReportWriteFunction g_pfnReportWrite = DefaultReportWrite;

// The figures both exports take: every figure after the ruler but clip-art and text.
std::vector<CDTDraw*> ExportedFigures(CDTImage* document) {
  std::vector<CDTDraw*> figures;
  for (size_t i = 1; i < document->m_children.size(); ++i) {
    auto* figure = dynamic_cast<CDTDraw*>(document->m_children[i]);
    if (!figure || figure->m_nType == DRAW_CLIPART || figure->m_nType == DRAW_TEXT) continue;
    figures.push_back(figure);
  }
  return figures;
}

// While it lives the C runtime formats numbers of this thread with "." as
// the point, whatever locale the process was given.
class CClassicNumbers {
 public:
  CClassicNumbers() : m_nThreadMode(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
    if (const char* current = std::setlocale(LC_NUMERIC, nullptr)) m_strPrevious = current;
    std::setlocale(LC_NUMERIC, "C");
  }
  ~CClassicNumbers() {
    if (!m_strPrevious.empty()) std::setlocale(LC_NUMERIC, m_strPrevious.c_str());
    if (m_nThreadMode != -1) _configthreadlocale(m_nThreadMode);
  }
  CClassicNumbers(const CClassicNumbers&) = delete;
  CClassicNumbers& operator=(const CClassicNumbers&) = delete;

 private:
  int m_nThreadMode;
  std::string m_strPrevious;
};

// The figure's value text as FormatValue writes it into its fixed buffer,
// with "." as the decimal point.
std::wstring ValueText(CDTDraw* figure) {
  CClassicNumbers classic;
  wchar_t buffer[256] = {};
  figure->FormatValue(buffer, 256);
  buffer[255] = 0;
  return buffer;
}

// The vertices the user places: midpoint handles are not the figure's own points.
std::vector<PointF> ExportedVertices(const CDTDraw* figure) {
  std::vector<PointF> points;
  for (size_t i = 0; i < figure->m_handles.size(); ++i) {
    if (figure->m_handles[i]->marked) continue;
    PointF p{0.0f, 0.0f};
    figure->GetVertexValue(static_cast<int>(i), &p.x, &p.y);
    points.push_back(p);
  }
  return points;
}

void AppendUtf16(std::string& out, const std::wstring& text) {
  for (wchar_t c : text) {
    const auto unit = static_cast<uint16_t>(c);
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

constexpr size_t kCellChars = 255;  // the cells' 256-character buffer

std::wstring Bounded(std::wstring text) {
  if (text.size() > kCellChars) text.resize(kCellChars);
  return text;
}

}  // namespace

void SetOpenFileNameFunction(FileDialogFunction function) {
  g_pfnOpenFileName = function ? function : ::GetOpenFileNameW;
}
void SetSaveFileNameFunction(FileDialogFunction function) {
  g_pfnSaveFileName = function ? function : ::GetSaveFileNameW;
}
void SetFileMessageBoxFunction(FileMessageBoxFunction function) {
  g_pfnFileMessageBox = function ? function : ::MessageBoxW;
}
void SetReportWriteFunction(ReportWriteFunction function) {
  g_pfnReportWrite = function ? function : DefaultReportWrite;
}
BOOL RunOpenFileDialog(OPENFILENAMEW* dialog) { return g_pfnOpenFileName(dialog); }
BOOL RunSaveFileDialog(OPENFILENAMEW* dialog) { return g_pfnSaveFileName(dialog); }
int FileMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return g_pfnFileMessageBox(owner, text, caption, type);
}

std::wstring SkinText(const wchar_t* key) {
  const auto* text = static_cast<const AvlfUiElementText*>(GetSkinUi()->FindElement(key, AVLF_UI_TEXT));
  return text ? text->GetText() : std::wstring();
}

void ShowWriteFailure(const wchar_t* what, const wchar_t* path, const wchar_t* place) {
  const std::wstring text = std::wstring(L"Save ") + what + L" '" + path +
                            L"' failed.\nPlease check you have right to " + L"write the " + place;
  FileMessageBox(nullptr, text.c_str(), nullptr, MB_OK);
}

std::wstring FormatFixed(double x, int decimals) {
  if (decimals < 0) decimals = 0;
  if (std::isnan(x)) return L"nan";
  if (std::isinf(x)) return x < 0 ? L"-inf" : L"inf";
  // 309 digits before the point at most, plus the decimals.
  std::vector<char> buffer(static_cast<size_t>(decimals) + 330);
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return L"";
  return std::wstring(buffer.data(), result.ptr);
}

int TruncateToInt(double x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(x);
}

std::wstring WithDefaultExtension(const std::wstring& path, const wchar_t* extension) {
  const size_t dot = path.rfind(L'.');
  const size_t slash = path.rfind(L'\\');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return path + extension;
  return path;
}

std::string BuildMeasureReport(CDTImage* document, const wchar_t* scaleLabel, const wchar_t* powerLabel) {
  std::string out = "\xFF\xFE";
  if (!document) return out;
  AppendUtf16(out, std::wstring(scaleLabel ? scaleLabel : L"") + L": " + FormatFixed(document->ReferenceScale, 2) +
                       L", " + (powerLabel ? powerLabel : L"") + L": " + FormatFixed(document->MultiPower, 2) +
                       L"\r\n");
  for (CDTDraw* figure : ExportedFigures(document)) {
    std::wstring block = L"\r\n";
    if (figure->m_pszName) {
      block += figure->m_pszName;
      block += L"\r\n";
      block += ValueText(figure) + L"\r\n";
      int number = 0;
      for (const PointF& p : ExportedVertices(figure)) {
        block += std::to_wstring(++number) + L": (" + FormatFixed(p.x, 3) + L", " + FormatFixed(p.y, 3) + L")\r\n";
      }
      block += L"\r\n";
    }
    AppendUtf16(out, block);
  }
  return out;
}

bool WriteMeasureReport(CDTImage* document, const wchar_t* path) {
  if (!document || !path || !path[0]) return false;
  const std::string bytes =
      BuildMeasureReport(document, SkinText(L"RulerScale").c_str(), SkinText(L"MultiplyingPower").c_str());
  const std::wstring temporary = std::wstring(path) + L".part";
  HANDLE file =
      ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = g_pfnReportWrite(file, bytes.data() + done, chunk, &written) && written == chunk;
    done += written;
  }
  ok = ::CloseHandle(file) && ok;
  if (ok) ok = ::MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) ::DeleteFileW(temporary.c_str());
  return ok;
}

bool CMainFrame::ExportSpreadsheet(CDTImage* document, const wchar_t* path) {
  if (!document || !path) return false;
  YExcel::XlsWorkbook workbook;
  workbook.Create(1);
  YExcel::XlsSheet* sheet = workbook.SheetCount() > 0 ? workbook.SheetAt(0) : nullptr;
  if (!sheet) return false;

  YExcel::XlsStyleTable styles(workbook);
  YExcel::XlsFontSpec font;
  font.name = L"Arial";
  font.height = 200;
  font.weight = 700;
  YExcel::XlsCellStyle header(&styles);
  header.m_fontIndex = styles.FindOrAddFont(font);
  header.m_formatIndex = 0;
  header.m_alignment = 0x20;
  header.m_fillColours = 0x20C0;

  const int precision = static_cast<int>(g_Config.m_DecimalPrecision);
  const std::pair<const wchar_t*, double> headers[2] = {{L"RulerScale", document->ReferenceScale},
                                                        {L"MultiplyingPower", document->MultiPower}};
  for (int column = 0; column < 2; ++column) {
    if (YExcel::XlsCell* cell = sheet->CellAt(0, column)) {
      const std::wstring text =
          Bounded(SkinText(headers[column].first) + L": " + FormatFixed(headers[column].second, precision));
      cell->SetWideText(text.c_str());
      header.ApplyTo(*cell);
    }
  }

  int row = 1;
  for (CDTDraw* figure : ExportedFigures(document)) {
    if (!figure->m_pszName) continue;
    if (YExcel::XlsCell* cell = sheet->CellAt(row, 0)) cell->SetWideText(Bounded(figure->m_pszName).c_str());
    if (YExcel::XlsCell* cell = sheet->CellAt(row, 1)) cell->SetWideText(ValueText(figure).c_str());
    int column = 2, number = 0;
    for (const PointF& p : ExportedVertices(figure)) {
      ++number;
      YExcel::XlsCell* cell = sheet->CellAt(row, column++);
      if (!cell) continue;
      const std::wstring text = std::to_wstring(number) + L": (" + std::to_wstring(TruncateToInt(p.x)) + L", " +
                                std::to_wstring(TruncateToInt(p.y)) + L")";
      cell->SetWideText(text.c_str());
    }
    ++row;
  }

  if (!workbook.SaveToFile(path)) {
    ShowWriteFailure(L"excel file", path, L"folder");
    return false;
  }
  return true;
}

void CMainFrame::OnMeasureLoad() {
  CDTImage* document = m_pCurrentDocument;
  if (!document) return;
  wchar_t file[MAX_PATH] = {};
  const std::wstring title = SkinText(L"MMeasureLoadT");
  OPENFILENAMEW dialog =
      ShellFileDialog(file, MAX_PATH, L"Project Files (*.prj)\0*.prj\0", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  if (!RunOpenFileDialog(&dialog)) return;
  // A file that does not read leaves the document as it was.
  document->LoadFile(file);
}

void CMainFrame::OnMeasureSave() {
  CDTImage* document = m_pCurrentDocument;
  if (!document) return;
  wchar_t file[MAX_PATH] = {};
  const std::wstring title = SkinText(L"MMeasureSaveT");
  OPENFILENAMEW dialog = ShellFileDialog(
      file, MAX_PATH, L"Measure Project File (*.prj)\0*.prj\0Text File (*.txt)\0*.txt\0Excel File (*.xls)\0*.xls\0",
      OFN_OVERWRITEPROMPT);
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  if (!RunSaveFileDialog(&dialog)) return;
  file[MAX_PATH - 1] = 0;
  if (!file[0]) {
    FileMessageBox(m_hWnd, SkinText(L"eInvalidFilename").c_str(), L"", MB_OK);
    return;
  }
  const DWORD index = dialog.nFilterIndex;
  const std::wstring path = WithDefaultExtension(file, index == 1 ? L".prj" : index == 3 ? L".xls" : L".txt");
  if (index == 1) {
    if (!document->SaveFile(path.c_str())) ShowWriteFailure(L"project file", path.c_str(), L"folder");
  } else if (index == 3) {
    ExportSpreadsheet(document, path.c_str());
  } else if (!WriteMeasureReport(document, path.c_str())) {
    ShowWriteFailure(L"text file", path.c_str(), L"folder");
  }
}
