#include "spreadsheet/XlsWorkbook.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <stdexcept>

namespace YExcel {

// ---- formula ----

XlsFormula::XlsFormula(const cells::CellBlock::Formula& record)
    : m_attachedCode(record.m_travellingCode), m_tokens(record.m_formula) {
  std::memcpy(m_result, record.m_result, 8);
  if (record.m_string.HasText()) {
    m_wideResult = record.m_string.m_text;
    m_narrowResult = ToNarrow(m_wideResult);
  }
  if (m_attachedCode == 0x04BC) {
    const auto& shared = record.m_shrFmla1;
    m_sharedFirstRow = shared.m_firstRow;
    m_sharedLastRow = shared.m_lastRow;
    m_sharedFirstCol = shared.m_firstCol;
    m_sharedLastCol = shared.m_lastCol;
    m_sharedTokens = shared.m_formula;
  }
}

double XlsFormula::ResultNumber() const {
  double v;
  ReadLE(m_result, 0, v);
  return v;
}

// ---- cell ----

bool XlsCell::GetInteger(int& out) const {
  double d;
  switch (m_type) {
    case kInteger:
      out = m_integer;
      return true;
    case kDouble:
      d = m_double;
      break;
    case kFormula:
      if (!m_formula || !m_formula->ResultIsNumber()) return false;
      d = m_formula->ResultNumber();
      break;
    default:
      return false;
  }
  if (!(d > -2147483649.0 && d < 2147483648.0)) return false;
  out = static_cast<int>(d);
  return true;
}

bool XlsCell::GetDouble(double& out) const {
  switch (m_type) {
    case kDouble:
      out = m_double;
      return true;
    case kInteger:
      out = m_integer;
      return true;
    case kFormula:
      if (!m_formula || !m_formula->ResultIsNumber()) return false;
      out = m_formula->ResultNumber();
      return true;
    default:
      return false;
  }
}

int XlsCell::Integer() const {
  int v = 0;
  return GetInteger(v) ? v : 0;
}

double XlsCell::Double() const {
  double v = 0;
  return GetDouble(v) ? v : 0;
}

bool XlsCell::GetText(char* out) const {
  if (m_type != kText) return false;
  if (m_text.empty())
    *out = '\0';
  else
    std::memcpy(out, m_text.data(), m_text.size());
  return true;
}

bool XlsCell::GetWideText(wchar_t* out) const {
  if (m_type != kWideText) return false;
  if (m_wideText.empty())
    *out = L'\0';
  else
    std::memcpy(out, m_wideText.data(), m_wideText.size() * sizeof(wchar_t));
  return true;
}

const char* XlsCell::Text() const {
  if (m_type == kText) return m_text.empty() ? nullptr : m_text.data();
  if (m_type == kFormula && m_formula) return m_formula->m_narrowResult.c_str();
  return nullptr;
}

const wchar_t* XlsCell::WideText() const {
  if (m_type == kWideText) return m_wideText.empty() ? nullptr : m_wideText.data();
  if (m_type == kFormula && m_formula) return m_formula->m_wideResult.c_str();
  return nullptr;
}

int XlsCell::TextLength() const {
  if (m_type == kText) return m_text.empty() ? -1 : static_cast<int>(m_text.size() - 1);
  return m_wideText.empty() ? -1 : static_cast<int>(m_wideText.size() - 1);
}

void XlsCell::SetInteger(int value) {
  m_type = kInteger;
  m_integer = value;
}

void XlsCell::SetDouble(double value) {
  m_type = kDouble;
  m_double = value;
}

void XlsCell::SetText(const char* text) {
  m_wideText.clear();
  const size_t n = text ? std::strlen(text) : 0;
  if (n == 0) {
    m_text.clear();
    m_type = kUndefined;
    return;
  }
  m_text.clear();
  m_text.reserve(n + 1);
  m_text.insert(m_text.end(), text, text + n + 1);
  m_type = kText;
}

void XlsCell::SetWideText(const wchar_t* text) { SetWideText(text, text ? std::wcslen(text) : 0); }

void XlsCell::SetWideText(const wchar_t* text, size_t length) {
  m_text.clear();
  if (length == 0) {
    m_wideText.clear();
    m_type = kUndefined;
    return;
  }
  // One exact allocation: filling a sheet makes hundreds of thousands of these.
  m_wideText.clear();
  m_wideText.reserve(length + 1);
  m_wideText.insert(m_wideText.end(), text, text + length);
  m_wideText.push_back(L'\0');
  m_type = kWideText;
}

void XlsCell::SetFormula(const cells::CellBlock::Formula& record) {
  m_formula = MakeRef<XlsFormula>(record);
  m_type = kFormula;
}

void XlsCell::Clear() {
  m_type = kUndefined;
  m_text.clear();
  m_wideText.clear();
}

std::ostream& operator<<(std::ostream& out, const XlsCell& cell) {
  switch (cell.Type()) {
    case XlsCell::kUndefined:
      out.put('\0');
      break;
    case XlsCell::kInteger:
      out << cell.Integer();
      break;
    case XlsCell::kDouble:
      out << cell.Double();
      break;
    case XlsCell::kText:
      if (const char* t = cell.Text()) out << t;
      break;
    case XlsCell::kWideText:
      if (const wchar_t* t = cell.WideText()) out << ToNarrow(t);
      break;
    default:
      break;
  }
  return out;
}

// ---- sheet ----

XlsCell* XlsSheet::CellAt(int row, int column) {
  if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns) return nullptr;
  if (column >= m_columnCount) {
    m_columnCount = column + 1;
    for (auto& cells : m_cells) cells.resize(m_columnCount);
  }
  if (row >= m_rowCount) {
    m_rowCount = row + 1;
    // Rows built in place: a row template copied in would cost an extra allocation per row.
    while (static_cast<int>(m_cells.size()) < m_rowCount) m_cells.emplace_back(m_columnCount);
  }
  return &m_cells[row][column];
}

XlsCell* XlsSheet::Cell(int row, int column) {
  if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columnCount) return nullptr;
  return &m_cells[row][column];
}

bool XlsSheet::EraseCell(int row, int column) {
  XlsCell* cell = Cell(row, column);
  if (!cell) return false;
  cell->Clear();
  return true;
}

void XlsSheet::MergeCells(int row, int column, int rowSpan, int columnSpan) {
  XlsCell* cell = CellAt(row, column);
  if (!cell) return;
  cell->SetMergeRows(static_cast<uint16_t>(rowSpan));
  cell->SetMergeColumns(static_cast<uint16_t>(columnSpan));
}

void XlsSheet::SetColumnWidth(int column, int width) {
  Worksheet::ColInfo& info = m_columnInfo.m_list.emplace_back();
  info.m_firstCol = info.m_lastCol = static_cast<uint16_t>(column);
  info.m_width = static_cast<uint16_t>(width);
  info.m_xf = 0;
  info.m_options = 0;
}

uint16_t XlsSheet::ColumnWidth(int column) const {
  for (const Worksheet::ColInfo& info : m_columnInfo.m_list)
    if (info.m_firstCol == column) return info.m_width;
  return 0;
}

const char* XlsSheet::Name() const { return m_workbook->NameAt(m_index); }
const wchar_t* XlsSheet::WideName() const { return m_workbook->WideNameAt(m_index); }
bool XlsSheet::CopyName(char* out) const { return m_workbook->CopyNameAt(m_index, out); }
bool XlsSheet::CopyWideName(wchar_t* out) const { return m_workbook->CopyWideNameAt(m_index, out); }
bool XlsSheet::Rename(const char* name) { return m_workbook->RenameSheet(m_index, name); }
bool XlsSheet::Rename(const wchar_t* name) { return m_workbook->RenameSheet(m_index, name); }

void XlsSheet::Dump(std::ostream& out, char separator, char quote) const {
  for (int r = 0; r < m_rowCount; ++r) {
    for (int c = 0; c < m_columnCount; ++c) {
      if (c > 0) out.put(separator);
      const XlsCell& cell = m_cells[r][c];
      switch (cell.Type()) {
        case XlsCell::kInteger:
          out << cell.Integer();
          break;
        case XlsCell::kDouble:
          out.precision(15);
          out << cell.Double();
          break;
        case XlsCell::kText: {
          const char* text = cell.Text();
          if (!text) break;
          if (!quote) {
            out << text;
            break;
          }
          out.put(quote);
          for (const char* p = text; *p; ++p) {
            if (*p == quote) out.put(quote);
            out.put(*p);
          }
          out.put(quote);
          break;
        }
        default:
          break;
      }
    }
    out.put('\n');
    out.flush();
  }
}

// ---- workbook ----

XlsWorkbook::~XlsWorkbook() { m_storage.Close(); }

void XlsWorkbook::Create(int sheetCount) {
  m_globals = Workbook();
  m_worksheets.clear();
  m_globals.m_fonts.resize(1);
  m_globals.m_xfs.resize(21);
  m_globals.m_styles.resize(6);
  m_globals.m_boundSheets.resize(1);
  m_worksheets.resize(1);
  SheetsFromRecords();
  for (int i = 1; i < sheetCount; ++i) AddSheet();
}

Bytes XlsWorkbook::BuildStream() {
  SheetsToRecords();
  uint64_t position = m_globals.Size();
  for (size_t k = 0; k < m_worksheets.size(); ++k) {
    if (position > UINT32_MAX) throw std::length_error("workbook stream too long");
    m_globals.m_boundSheets[k].m_position = static_cast<uint32_t>(position);
    m_worksheets[k].SetPositions(static_cast<uint32_t>(position));
    position += m_worksheets[k].Size();
  }
  if (position > INT32_MAX) throw std::length_error("workbook stream too long");
  Bytes buffer(static_cast<size_t>(position), 0);
  size_t out = m_globals.Write(buffer.data());
  for (Worksheet& sheet : m_worksheets) out += sheet.Write(buffer.data() + out);
  // A record that writes another length than it sized would leave a broken stream.
  if (out != buffer.size()) throw std::logic_error("workbook records wrote another length than they sized");
  return buffer;
}

bool XlsWorkbook::Save() {
  if (!m_storage.IsOpen()) return false;
  try {
    const Bytes buffer = BuildStream();
    return m_storage.WriteStream(buffer.data(), static_cast<uint32_t>(buffer.size())) == XlsStorage::kSuccess &&
           m_storage.Commit();
  } catch (...) {
    return false;
  }
}

namespace {

// The absolute form of a path; empty when it has none.
std::wstring FullPath(const wchar_t* path) {
  const DWORD n = GetFullPathNameW(path, 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  const DWORD written = GetFullPathNameW(path, n, full.data(), nullptr);
  if (written == 0 || written >= n) return {};
  full.resize(written);
  return full;
}

// Creates an empty file of a new name in the target's folder, so that the finished
// document replaces the target by a rename on the same volume. Empty when it cannot.
std::wstring CreateTempBeside(const std::wstring& target) {
  const size_t slash = target.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  const std::wstring folder = target.substr(0, slash + 1);
  wchar_t temp[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"xls", 0, temp)) return {};
  return temp;
}

}  // namespace

bool XlsWorkbook::SaveToFile(const wchar_t* path) {
  m_storage.Close();
  if (!path || !*path) return false;
  std::wstring temp;
  try {
    // The stream is built before the disk is touched: a workbook that cannot be built
    // leaves the previous file as it was.
    const Bytes stream = BuildStream();
    const std::wstring target = FullPath(path);
    if (target.empty()) return false;
    temp = CreateTempBeside(target);
    if (temp.empty()) return false;
    bool complete =
        m_storage.Create(temp.c_str()) && m_storage.CreateStream() == XlsStorage::kSuccess &&
        m_storage.WriteStream(stream.data(), static_cast<uint32_t>(stream.size())) == XlsStorage::kSuccess &&
        m_storage.Commit();
    complete = m_storage.CloseChecked() && complete;
    // Only a complete document replaces the previous file.
    if (!complete || !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW(temp.c_str());
      return false;
    }
    // Callers may Save again through the open document; it stays open until the workbook goes.
    m_storage.Open(target.c_str());
    return true;
  } catch (...) {
    m_storage.Close();
    if (!temp.empty()) DeleteFileW(temp.c_str());
    return false;
  }
}

bool XlsWorkbook::SaveToFile(const char* path) {
  if (!path) return false;
  std::wstring wide;
  try {
    wide = ToWide(path);
  } catch (...) {
    return false;
  }
  return SaveToFile(wide.c_str());
}

bool XlsWorkbook::Load(const wchar_t* path) {
  m_storage.Close();
  if (!m_storage.Open(path)) return false;
  Bytes data;
  if (m_storage.ReadWholeStream(data) != XlsStorage::kSuccess) return false;
  return LoadStream(data);
}

bool XlsWorkbook::LoadStream(const Bytes& data) {
  // Parsed aside and taken over only when the whole stream reads cleanly.
  Workbook globals;
  std::vector<Worksheet> worksheets;
  bool haveGlobals = false;
  try {
    size_t pos = 0;
    uint16_t code;
    while (PeekCode(data.data() + pos, data.size() - pos, code) && code == 0x0809) {
      if (data.size() - pos < 8) break;
      uint16_t type;
      ReadLE(data, pos + 6, type);
      if (type == BOF::kGlobals && !haveGlobals) {
        pos += globals.Read(data.data() + pos, data.size() - pos);
        haveGlobals = true;
      } else if (type == BOF::kWorksheet) {
        pos += worksheets.emplace_back().Read(data.data() + pos, data.size() - pos);
      } else {
        Record bof;
        pos += bof.Read(data.data() + pos, data.size() - pos);
      }
    }
    if (!haveGlobals || worksheets.empty() || worksheets.size() != globals.m_boundSheets.size()) return false;
    std::vector<RefPtr<XlsSheet>> sheets;
    std::swap(m_globals, globals);
    std::swap(m_worksheets, worksheets);
    std::swap(m_sheets, sheets);
    try {
      SheetsFromRecords();
    } catch (const std::bad_alloc&) {
      std::swap(m_globals, globals);
      std::swap(m_worksheets, worksheets);
      std::swap(m_sheets, sheets);
      return false;
    }
  } catch (const FormatError&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

int XlsWorkbook::FindName(const char* name) const {
  for (size_t i = 0; i < m_globals.m_boundSheets.size(); ++i) {
    const ShortString& s = m_globals.m_boundSheets[i].m_name;
    if (!s.IsWide() && s.Narrow() && *s.Narrow() == name) return static_cast<int>(i);
  }
  return -1;
}

int XlsWorkbook::FindName(const wchar_t* name) const {
  for (size_t i = 0; i < m_globals.m_boundSheets.size(); ++i) {
    const ShortString& s = m_globals.m_boundSheets[i].m_name;
    if (s.IsWide() && s.Wide() && *s.Wide() == name) return static_cast<int>(i);
  }
  return -1;
}

XlsSheet* XlsWorkbook::SheetByName(const char* name) const {
  const int i = FindName(name);
  return i < 0 ? nullptr : m_sheets[i].Get();
}

XlsSheet* XlsWorkbook::SheetByName(const wchar_t* name) const {
  const int i = FindName(name);
  return i < 0 ? nullptr : m_sheets[i].Get();
}

XlsSheet* XlsWorkbook::InsertSheet(size_t position) {
  m_worksheets.emplace(m_worksheets.begin() + position);
  m_worksheets[position].m_window2.m_options &= ~Worksheet::Window2::kSelected;
  m_sheets.insert(m_sheets.begin() + position, MakeRef<XlsSheet>(this, static_cast<int>(position)));
  for (size_t i = position + 1; i < m_sheets.size(); ++i) m_sheets[i]->SetIndex(static_cast<int>(i));
  return m_sheets[position].Get();
}

XlsSheet* XlsWorkbook::AddSheet() {
  char name[32];
  int n = SheetCount() + 1;
  for (;; ++n) {
    std::snprintf(name, sizeof name, "Sheet%d", n);
    if (FindName(name) < 0) break;
  }
  m_globals.m_boundSheets.emplace_back().m_name.SetNarrow(name);
  return InsertSheet(m_sheets.size());
}

XlsSheet* XlsWorkbook::AddSheet(const char* name) {
  if (!name || FindName(name) >= 0) return nullptr;
  m_globals.m_boundSheets.emplace_back().m_name.SetNarrow(name);
  return InsertSheet(m_sheets.size());
}

XlsSheet* XlsWorkbook::AddSheet(const wchar_t* name, int position) {
  if (!name || FindName(name) >= 0) return nullptr;
  if (position < -1 || position > SheetCount()) return nullptr;
  const size_t at = position == -1 ? m_sheets.size() : static_cast<size_t>(position);
  m_globals.m_boundSheets.emplace(m_globals.m_boundSheets.begin() + at)->m_name.SetWide(name);
  return InsertSheet(at);
}

bool XlsWorkbook::DeleteSheet(int index) {
  if (index < 0 || index >= SheetCount()) return false;
  m_globals.m_boundSheets.erase(m_globals.m_boundSheets.begin() + index);
  m_worksheets.erase(m_worksheets.begin() + index);
  m_sheets.erase(m_sheets.begin() + index);
  for (size_t i = index; i < m_sheets.size(); ++i) m_sheets[i]->SetIndex(static_cast<int>(i));
  return true;
}

bool XlsWorkbook::DeleteSheet(const char* name) {
  const int i = FindName(name);
  return i >= 0 && DeleteSheet(i);
}

bool XlsWorkbook::DeleteSheet(const wchar_t* name) {
  const int i = FindName(name);
  return i >= 0 && DeleteSheet(i);
}

const char* XlsWorkbook::NameAt(int index) const {
  const ShortString& s = m_globals.m_boundSheets[index].m_name;
  return !s.IsWide() && s.Narrow() ? s.Narrow()->c_str() : nullptr;
}

const wchar_t* XlsWorkbook::WideNameAt(int index) const {
  const ShortString& s = m_globals.m_boundSheets[index].m_name;
  return s.IsWide() && s.Wide() ? s.Wide()->c_str() : nullptr;
}

bool XlsWorkbook::CopyNameAt(int index, char* out) const {
  const char* name = NameAt(index);
  if (!name) return false;
  std::strcpy(out, name);
  return true;
}

bool XlsWorkbook::CopyWideNameAt(int index, wchar_t* out) const {
  const wchar_t* name = WideNameAt(index);
  if (!name) return false;
  std::wcscpy(out, name);
  return true;
}

bool XlsWorkbook::RenameSheet(int index, const char* name) {
  if (index < 0 || index >= SheetCount() || !name || FindName(name) >= 0) return false;
  m_globals.m_boundSheets[index].m_name.SetNarrow(name);
  return true;
}

bool XlsWorkbook::RenameSheet(int index, const wchar_t* name) {
  if (index < 0 || index >= SheetCount() || !name || FindName(name) >= 0) return false;
  m_globals.m_boundSheets[index].m_name.SetWide(name);
  return true;
}

bool XlsWorkbook::RenameSheet(const char* from, const char* to) {
  const int i = FindName(from);
  return i >= 0 && RenameSheet(i, to);
}

bool XlsWorkbook::RenameSheet(const wchar_t* from, const wchar_t* to) {
  const int i = FindName(from);
  return i >= 0 && RenameSheet(i, to);
}

}  // namespace YExcel
