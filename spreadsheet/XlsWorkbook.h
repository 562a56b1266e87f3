// The user-level workbook: sheets of typed cells, saved as a BIFF8 stream in a compound document.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "spreadsheet/RefPtr.h"
#include "spreadsheet/WorkbookRecords.h"
#include "spreadsheet/WorksheetRecords.h"
#include "spreadsheet/XlsStorage.h"

namespace YExcel {

class XlsWorkbook;

// Formula data of a formula cell, taken from a FORMULA record.
class XlsFormula : public RefCounted {
 public:
  explicit XlsFormula(const cells::CellBlock::Formula& record);
  bool ResultIsNumber() const { return !(m_result[6] == 0xFF && m_result[7] == 0xFF); }
  double ResultNumber() const;

  int16_t m_attachedCode = -1;
  Bytes m_tokens;
  uint8_t m_result[8] = {};
  std::wstring m_wideResult;
  std::string m_narrowResult;
  uint16_t m_sharedFirstRow = 0, m_sharedLastRow = 0;
  uint8_t m_sharedFirstCol = 0, m_sharedLastCol = 0;
  Bytes m_sharedTokens;
};

class XlsCell {
 public:
  enum CellType : int32_t { kUndefined = 0, kInteger = 1, kDouble = 2, kText = 3, kWideText = 4, kFormula = 5 };

  int Type() const { return m_type; }
  bool GetInteger(int& out) const;
  bool GetDouble(double& out) const;
  int Integer() const;
  double Double() const;
  bool GetText(char* out) const;
  bool GetWideText(wchar_t* out) const;
  const char* Text() const;
  const wchar_t* WideText() const;
  int TextLength() const;

  void SetInteger(int value);
  void SetDouble(double value);
  void SetText(const char* text);
  void SetWideText(const wchar_t* text);
  void SetWideText(const wchar_t* text, size_t length);
  void SetFormula(const cells::CellBlock::Formula& record);
  void Clear();

  uint16_t MergeRows() const { return m_mergeRows; }
  uint16_t MergeColumns() const { return m_mergeColumns; }
  void SetMergeRows(uint16_t rows) { m_mergeRows = rows; }
  void SetMergeColumns(uint16_t columns) { m_mergeColumns = columns; }
  int XFIndex() const { return m_xfIndex; }
  void SetXFIndex(int index) { m_xfIndex = index; }
  bool IsDefaultXF() const { return m_xfIndex == 0; }
  const XlsFormula* Formula() const { return m_formula.Get(); }

  // Text without its terminator, for the record conversion.
  const char* TextData() const { return m_text.data(); }
  size_t TextSize() const { return m_text.empty() ? 0 : m_text.size() - 1; }
  const wchar_t* WideData() const { return m_wideText.data(); }
  size_t WideSize() const { return m_wideText.empty() ? 0 : m_wideText.size() - 1; }

 private:
  int32_t m_type = kUndefined;
  int32_t m_integer = 0;
  double m_double = 0;
  std::vector<char> m_text;
  std::vector<wchar_t> m_wideText;
  uint16_t m_mergeRows = 1;
  uint16_t m_mergeColumns = 1;
  int32_t m_xfIndex = 0;
  RefPtr<XlsFormula> m_formula;
};

std::ostream& operator<<(std::ostream& out, const XlsCell& cell);

class XlsSheet : public RefCounted {
 public:
  static constexpr int kMaxRows = 65536;
  static constexpr int kMaxColumns = 256;

  // Builds the sheet from the workbook's worksheet records at that index.
  XlsSheet(XlsWorkbook* workbook, int index);

  int RowCount() const { return m_rowCount; }
  int ColumnCount() const { return m_columnCount; }
  int Index() const { return m_index; }
  void SetIndex(int index) { m_index = index; }
  XlsCell* CellAt(int row, int column);
  XlsCell* Cell(int row, int column);
  bool EraseCell(int row, int column);
  void MergeCells(int row, int column, int rowSpan, int columnSpan);
  void SetColumnWidth(int column, int width);
  uint16_t ColumnWidth(int column) const;
  const Worksheet::ColInfos& ColumnInfo() const { return m_columnInfo; }

  const char* Name() const;
  const wchar_t* WideName() const;
  bool CopyName(char* out) const;
  bool CopyWideName(wchar_t* out) const;
  bool Rename(const char* name);
  bool Rename(const wchar_t* name);

  void Dump(std::ostream& out, char separator, char quote) const;

 private:
  friend class XlsWorkbook;
  XlsWorkbook* m_workbook;
  int32_t m_index;
  int32_t m_rowCount = 1;
  int32_t m_columnCount = 1;
  std::vector<std::vector<XlsCell>> m_cells;
  Worksheet::ColInfos m_columnInfo;
};

class XlsWorkbook {
 public:
  XlsWorkbook() = default;
  explicit XlsWorkbook(const char* path) { Load(path); }
  XlsWorkbook(const XlsWorkbook&) = delete;
  XlsWorkbook& operator=(const XlsWorkbook&) = delete;
  ~XlsWorkbook();

  void Create(int sheetCount);
  // False when the document cannot be opened or its stream is not a readable workbook.
  bool Load(const char* path) { return Load(ToWide(path).c_str()); }
  bool Load(const wchar_t* path);
  // Parses a whole "Workbook" stream; on failure the workbook keeps what it held.
  bool LoadStream(const Bytes& stream);
  bool Save();
  // Writes the whole document beside the path and puts it in place only when it is complete:
  // on failure (false) the file that was there stays as it was. Never throws.
  bool SaveToFile(const wchar_t* path);
  bool SaveToFile(const char* path);

  int SheetCount() const { return static_cast<int>(m_worksheets.size()); }
  XlsSheet* SheetAt(int index) const { return m_sheets[index].Get(); }
  XlsSheet* SheetByName(const char* name) const;
  XlsSheet* SheetByName(const wchar_t* name) const;
  XlsSheet* AddSheet();
  XlsSheet* AddSheet(const char* name);
  XlsSheet* AddSheet(const wchar_t* name, int position = -1);
  bool DeleteSheet(int index);
  bool DeleteSheet(const char* name);
  bool DeleteSheet(const wchar_t* name);
  const char* NameAt(int index) const;
  const wchar_t* WideNameAt(int index) const;
  bool CopyNameAt(int index, char* out) const;
  bool CopyWideNameAt(int index, wchar_t* out) const;
  bool RenameSheet(int index, const char* name);
  bool RenameSheet(int index, const wchar_t* name);
  bool RenameSheet(const char* from, const char* to);
  bool RenameSheet(const wchar_t* from, const wchar_t* to);

  // The record views, for the style table and for checks of what a save writes.
  Workbook& Globals() { return m_globals; }
  std::vector<Worksheet>& Worksheets() { return m_worksheets; }
  XlsStorage& Storage() { return m_storage; }

  // Conversions between the sheet objects and the worksheet records.
  void SheetsToRecords();
  void SheetsFromRecords();
  // Sizes the records, fixes the stream positions and returns the whole stream.
  Bytes BuildStream();

 private:
  friend class XlsSheet;
  int FindName(const char* name) const;
  int FindName(const wchar_t* name) const;
  XlsSheet* InsertSheet(size_t position);

  XlsStorage m_storage;
  Workbook m_globals;
  std::vector<Worksheet> m_worksheets;
  std::vector<RefPtr<XlsSheet>> m_sheets;
};

}  // namespace YExcel

// The empty base the program keeps for spreadsheet documents.
class CSpreadSheet {
 public:
  virtual ~CSpreadSheet() = default;
};
