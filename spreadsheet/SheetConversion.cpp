// Conversion between sheet objects and worksheet records.
#include <algorithm>
#include <cstring>
#include <type_traits>
#include <string_view>

#include "spreadsheet/XlsWorkbook.h"

namespace YExcel {

using CellBlock = cells::CellBlock;
using RowBlock = Worksheet::CellTable::RowBlock;

namespace {

constexpr uint32_t kRowUnset = 100000;
constexpr uint16_t kColumnUnset = 1000;
constexpr int kRowsPerBlock = 32;
constexpr size_t kHolderStep = 1000;

// Text to SST index, for one save. Keys are views of the cells' own texts, which stay put
// for the whole conversion; open addressing keeps it to a few allocations in all, and each
// slot keeps the key's hash so that a probe rarely has to look at the text itself.
template <class Char>
class TextIndex {
 public:
  using Key = std::basic_string_view<Char>;

  explicit TextIndex(size_t expected) {
    size_t slots = 1024;
    while (slots < 2 * expected) slots *= 2;
    m_slots.assign(slots, Slot{});
    m_keys.reserve(expected);
    m_values.reserve(expected);
  }

  // Returns the index of the key, entering it with the given index when it is new.
  uint32_t FindOrAdd(Key key, uint32_t index, bool& added) {
    if (2 * (m_keys.size() + 1) > m_slots.size()) Grow();
    const uint32_t hash = Hash(key);
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      Slot& s = m_slots[slot];
      if (s.entry == 0) {
        m_keys.push_back(key);
        m_values.push_back(index);
        s = {hash, static_cast<uint32_t>(m_keys.size())};
        added = true;
        return index;
      }
      if (s.hash == hash && m_keys[s.entry - 1] == key) {
        added = false;
        return m_values[s.entry - 1];
      }
    }
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    uint32_t entry = 0;  // 0 = empty, else entry + 1
  };

  static uint32_t Hash(Key key) {
    uint64_t h = 14695981039346656037ull;
    for (Char c : key) h = (h ^ static_cast<std::make_unsigned_t<Char>>(c)) * 1099511628211ull;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
  }

  void Grow() {
    std::vector<Slot> slots(2 * m_slots.size());
    const size_t mask = slots.size() - 1;
    for (const Slot& s : m_slots) {
      if (!s.entry) continue;
      size_t slot = s.hash & mask;
      while (slots[slot].entry) slot = (slot + 1) & mask;
      slots[slot] = s;
    }
    m_slots.swap(slots);
  }

  std::vector<Slot> m_slots;
  std::vector<Key> m_keys;
  std::vector<uint32_t> m_values;
};

void SetFromRK(XlsCell& cell, uint32_t rk) {
  if (rk & 2) {
    const int32_t v = static_cast<int32_t>(rk) >> 2;
    if (!(rk & 1))
      cell.SetInteger(v);
    else if (v % 100 == 0)
      cell.SetInteger(v / 100);
    else
      cell.SetDouble(v / 100.0);
  } else {
    cell.SetDouble(DecodeRK(rk));
  }
}

}  // namespace

XlsSheet::XlsSheet(XlsWorkbook* workbook, int index) : m_workbook(workbook), m_index(index) {
  Worksheet& sheet = workbook->m_worksheets[index];
  const auto& sst = workbook->m_globals.m_sst.m_strings;
  int rows = 0, columns = 0;
  for (RowBlock& block : sheet.m_cellTable.m_blocks) {
    for (RefPtr<CellBlock>& holder : block.m_cells) {
      const int16_t code = holder->Code();
      if (!holder->Get() || code == CellBlock::kBlank || code == CellBlock::kMulBlank) continue;
      int last = holder->Col();
      if (code == CellBlock::kMulRK) last = holder->As<CellBlock::MulRK>()->m_lastCol;
      rows = std::max(rows, holder->Row() + 1);
      columns = std::max(columns, last + 1);
    }
  }
  // Records beyond the sheet size are left out.
  m_rowCount = std::clamp(rows, 1, kMaxRows);
  m_columnCount = std::clamp(columns, 1, kMaxColumns);
  m_cells.assign(m_rowCount, std::vector<XlsCell>(m_columnCount));

  for (RowBlock& block : sheet.m_cellTable.m_blocks) {
    for (RefPtr<CellBlock>& holder : block.m_cells) {
      cells::CellRecord* record = holder->Get();
      if (!record) continue;
      const int row = record->m_row, column = record->m_col;
      if (row >= m_rowCount) continue;
      switch (holder->Code()) {
        case CellBlock::kMulRK: {
          const auto* mulrk = holder->As<CellBlock::MulRK>();
          for (size_t i = 0; i < mulrk->m_entries.size() && column + static_cast<int>(i) < m_columnCount; ++i) {
            XlsCell& cell = m_cells[row][column + i];
            SetFromRK(cell, mulrk->m_entries[i].rk);
            cell.SetXFIndex(mulrk->m_entries[i].xf);
          }
          continue;
        }
        case CellBlock::kMulBlank: {
          const auto* mulblank = holder->As<CellBlock::MulBlank>();
          for (size_t i = 0; i < mulblank->m_xfs.size() && column + static_cast<int>(i) < m_columnCount; ++i)
            m_cells[row][column + i].SetXFIndex(mulblank->m_xfs[i]);
          continue;
        }
        default:
          break;
      }
      if (column >= m_columnCount) continue;
      XlsCell& cell = m_cells[row][column];
      switch (holder->Code()) {
        case CellBlock::kNumber:
          cell.SetDouble(holder->As<CellBlock::Number>()->m_value);
          break;
        case CellBlock::kRK:
          SetFromRK(cell, holder->As<CellBlock::RK>()->m_rk);
          break;
        case CellBlock::kLabelSST: {
          const uint32_t i = holder->As<CellBlock::LabelSST>()->m_sstIndex;
          if (i >= sst.size()) break;  // an index past the table leaves the cell undefined
          const LargeString& s = sst[i];
          if (s.IsWide())
            cell.SetWideText(s.m_wide.c_str(), s.m_wide.size());
          else
            cell.SetText(s.m_narrow.c_str());
          break;
        }
        case CellBlock::kBoolErr: {
          const auto* b = holder->As<CellBlock::BoolErr>();
          if (!b->m_isError) cell.SetInteger(b->m_value);
          break;
        }
        case CellBlock::kFormula:
          cell.SetFormula(*holder->As<CellBlock::Formula>());
          break;
        default:
          break;
      }
      cell.SetXFIndex(record->m_xf);
    }
  }
  for (const Worksheet::MergedCells::MergedCell& range : sheet.m_mergedCells.m_ranges) {
    if (range.m_firstRow >= m_rowCount || range.m_firstCol >= m_columnCount) continue;
    if (range.m_lastRow < range.m_firstRow || range.m_lastCol < range.m_firstCol) continue;
    XlsCell& cell = m_cells[range.m_firstRow][range.m_firstCol];
    cell.SetMergeRows(static_cast<uint16_t>(range.m_lastRow - range.m_firstRow + 1));
    cell.SetMergeColumns(static_cast<uint16_t>(range.m_lastCol - range.m_firstCol + 1));
  }
  m_columnInfo = sheet.m_colInfos;
}

void XlsWorkbook::SheetsFromRecords() {
  m_sheets.clear();
  for (size_t i = 0; i < m_worksheets.size(); ++i) m_sheets.push_back(MakeRef<XlsSheet>(this, static_cast<int>(i)));
}

void XlsWorkbook::SheetsToRecords() {
  m_worksheets.clear();
  m_worksheets.resize(m_sheets.size());
  Workbook::SharedStringTable& sst = m_globals.m_sst;
  sst.m_totalCount = 0;
  sst.m_uniqueCount = 0;
  sst.m_strings.clear();
  // Room for every text once up front: growing a table of half a million strings step by
  // step moves all of them several times.
  size_t narrowTexts = 0, wideTexts = 0;
  for (const RefPtr<XlsSheet>& sheet : m_sheets)
    for (const std::vector<XlsCell>& row : sheet->m_cells)
      for (const XlsCell& cell : row) {
        narrowTexts += cell.Type() == XlsCell::kText;
        wideTexts += cell.Type() == XlsCell::kWideText;
      }
  sst.m_strings.reserve(narrowTexts + wideTexts);
  TextIndex<char> narrowIndex(narrowTexts);
  TextIndex<wchar_t> wideIndex(wideTexts);

  for (size_t k = 0; k < m_sheets.size(); ++k) {
    XlsSheet& sheet = *m_sheets[k];
    Worksheet& ws = m_worksheets[k];
    const int R = sheet.m_rowCount, C = sheet.m_columnCount;
    ws.m_index.m_firstRow = kRowUnset;
    ws.m_index.m_lastRowPlus1 = static_cast<uint32_t>(R);
    ws.m_dimensions.m_firstRow = kRowUnset;
    ws.m_dimensions.m_lastRowPlus1 = static_cast<uint32_t>(R);
    ws.m_dimensions.m_firstCol = kColumnUnset;
    ws.m_dimensions.m_lastColPlus1 = static_cast<uint16_t>(C);
    ws.m_colInfos = sheet.m_columnInfo;
    if (k > 0) ws.m_window2.m_options &= ~Worksheet::Window2::kSelected;
    ws.m_cellTable.m_blocks.resize((R + kRowsPerBlock - 1) / kRowsPerBlock);

    bool visited = false;
    for (int r = 0; r < R; ++r) {
      RowBlock& block = ws.m_cellTable.m_blocks[r / kRowsPerBlock];
      const std::vector<XlsCell>& row = sheet.m_cells[r];
      if (r % kRowsPerBlock == 0) block.m_cells.reserve(kHolderStep);
      bool rowStarted = false;
      for (int c = 0; c < C;) {
        const XlsCell& cell = row[c];
        if (!visited) {
          visited = true;
          ws.m_index.m_firstRow = ws.m_dimensions.m_firstRow = static_cast<uint32_t>(r);
          ws.m_index.m_dbCellPositions.assign((R - r - 1) / kRowsPerBlock + 1, 0);
          ws.m_dimensions.m_firstCol = static_cast<uint16_t>(c);
        }
        if (!rowStarted) {
          rowStarted = true;
          RowBlock::Row& rowRecord = block.m_rows.emplace_back();
          rowRecord.m_row = static_cast<uint16_t>(r);
          rowRecord.m_lastColPlus1 = static_cast<uint16_t>(C);
          block.m_dbCell.m_rowOffsets.push_back(0);
        }
        if (block.m_cells.size() % kHolderStep == 0 && block.m_cells.size() == block.m_cells.capacity())
          block.m_cells.reserve(block.m_cells.size() + kHolderStep);
        RefPtr<CellBlock> holder = MakeRef<CellBlock>();
        const uint16_t xf = static_cast<uint16_t>(cell.XFIndex());
        int next = c + 1;
        uint32_t rk = 0;
        switch (cell.Type()) {
          case XlsCell::kInteger:
          case XlsCell::kDouble: {
            const bool isInteger = cell.Type() == XlsCell::kInteger;
            auto fits = [&](const XlsCell& x, uint32_t& out) {
              return isInteger ? EncodeRK(static_cast<int32_t>(x.Integer()), out) : EncodeRK(x.Double(), out);
            };
            if (!fits(cell, rk)) {
              // No RK reproduces this value: the full double keeps it.
              holder->SetType(CellBlock::kNumber);
              holder->As<CellBlock::Number>()->m_value = cell.Double();
              break;
            }
            std::vector<CellBlock::MulRK::Entry> run{{xf, rk}};
            uint32_t nextRk;
            while (next < C && row[next].Type() == cell.Type() && fits(row[next], nextRk)) {
              run.push_back({static_cast<uint16_t>(row[next].XFIndex()), nextRk});
              ++next;
            }
            if (run.size() == 1) {
              holder->SetType(CellBlock::kRK);
              holder->As<CellBlock::RK>()->m_rk = rk;
            } else {
              holder->SetType(CellBlock::kMulRK);
              auto* mulrk = holder->As<CellBlock::MulRK>();
              mulrk->m_entries = std::move(run);
              mulrk->m_lastCol = static_cast<uint16_t>(next - 1);
            }
            break;
          }
          case XlsCell::kText:
          case XlsCell::kWideText: {
            ++sst.m_totalCount;
            uint32_t index;
            if (cell.Type() == XlsCell::kText) {
              const std::string_view key(cell.TextData(), cell.TextSize());
              bool added;
              index = narrowIndex.FindOrAdd(key, sst.m_uniqueCount, added);
              if (added) sst.m_strings.emplace_back().SetNarrow(key.data(), key.size());
            } else {
              const std::wstring_view key(cell.WideData(), cell.WideSize());
              bool added;
              index = wideIndex.FindOrAdd(key, sst.m_uniqueCount, added);
              if (added) sst.m_strings.emplace_back().SetWide(key.data(), key.size());
            }
            if (index == sst.m_uniqueCount) ++sst.m_uniqueCount;
            holder->SetType(CellBlock::kLabelSST);
            holder->As<CellBlock::LabelSST>()->m_sstIndex = index;
            break;
          }
          case XlsCell::kFormula: {
            holder->SetType(CellBlock::kFormula);
            auto* f = holder->As<CellBlock::Formula>();
            if (const XlsFormula* formula = cell.Formula()) {
              f->m_travellingCode = formula->m_attachedCode;
              std::memcpy(f->m_result, formula->m_result, 8);
              f->m_formula = formula->m_tokens;
              if (formula->m_attachedCode == 0x04BC) {
                f->m_shrFmla1.m_firstRow = formula->m_sharedFirstRow;
                f->m_shrFmla1.m_lastRow = formula->m_sharedLastRow;
                f->m_shrFmla1.m_firstCol = formula->m_sharedFirstCol;
                f->m_shrFmla1.m_lastCol = formula->m_sharedLastCol;
                f->m_shrFmla1.m_formula = formula->m_sharedTokens;
              }
              if (!formula->m_wideResult.empty()) f->m_string.SetText(formula->m_wideResult);
            }
            break;
          }
          default:
            holder->SetType(CellBlock::kBlank);
            break;
        }
        cells::CellRecord* record = holder->Get();
        record->m_row = static_cast<uint16_t>(r);
        record->m_col = static_cast<uint16_t>(c);
        record->m_xf = xf;
        block.m_cells.push_back(std::move(holder));
        c = next;
      }
    }

    for (int r = 0; r < R; ++r) {
      for (int c = 0; c < C; ++c) {
        const XlsCell& cell = sheet.m_cells[r][c];
        if (cell.MergeRows() <= 1 && cell.MergeColumns() <= 1) continue;
        auto& range = ws.m_mergedCells.m_ranges.emplace_back();
        // A span past the sheet's edge ends at the edge instead of wrapping round to row 0.
        range.m_firstRow = static_cast<uint16_t>(r);
        range.m_lastRow =
            static_cast<uint16_t>(std::min(r + std::max<int>(cell.MergeRows(), 1) - 1, XlsSheet::kMaxRows - 1));
        range.m_firstCol = static_cast<uint16_t>(c);
        range.m_lastCol =
            static_cast<uint16_t>(std::min(c + std::max<int>(cell.MergeColumns(), 1) - 1, XlsSheet::kMaxColumns - 1));
      }
    }

    if (!visited) {
      ws.m_index.m_firstRow = ws.m_dimensions.m_firstRow = 0;
      ws.m_index.m_dbCellPositions.assign((R - 1) / kRowsPerBlock + 1, 0);
      if (ws.m_dimensions.m_firstCol == kColumnUnset) ws.m_dimensions.m_firstCol = 0;
    }
  }
}

}  // namespace YExcel
