#include "spreadsheet/WorksheetRecords.h"

#include <algorithm>
#include <cstring>

namespace YExcel {

namespace {
constexpr uint16_t kRowCode = 0x0208, kDBCellCode = 0x00D7, kMergedCellsCode = 0x00E5, kEofCode = 0x000A;
constexpr uint32_t kRowRecordSize = 20;
}  // namespace

size_t Worksheet::Index::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(16);
  ReadLE(m_data, 4, m_firstRow);
  ReadLE(m_data, 8, m_lastRowPlus1);
  m_dbCellPositions.clear();
  if (m_data.size() > 16) {
    // As many positions as the row range has blocks, and no more than the data holds.
    const uint64_t blocks = m_lastRowPlus1 > m_firstRow ? (uint64_t{m_lastRowPlus1} - m_firstRow - 1) / 32 + 1 : 1;
    const uint64_t n = std::min<uint64_t>(blocks, (m_data.size() - 16) / 4);
    m_dbCellPositions.resize(static_cast<size_t>(n));
    for (size_t i = 0; i < n; ++i) ReadLE(m_data, 16 + 4 * i, m_dbCellPositions[i]);
  }
  return used;
}

size_t Worksheet::Index::Write(uint8_t* buffer) {
  PrepareData(DataSize());
  WriteLE(m_data, 4, m_firstRow);
  WriteLE(m_data, 8, m_lastRowPlus1);
  for (size_t i = 0; i < m_dbCellPositions.size(); ++i) WriteLE(m_data, 16 + 4 * i, m_dbCellPositions[i]);
  return Record::Write(buffer);
}

size_t Worksheet::ColInfo::Read(const uint8_t* bytes, size_t avail) { return ReadFields(*this, bytes, avail, 12); }

size_t Worksheet::ColInfo::Write(uint8_t* buffer) { return WriteFields(*this, buffer, 12); }

size_t Worksheet::ColInfos::Write(uint8_t* buffer) {
  size_t out = 0;
  for (ColInfo& c : m_list) out += c.Write(buffer + out);
  return out;
}

uint64_t Worksheet::ColInfos::Size() {
  uint64_t size = 0;
  for (ColInfo& c : m_list) size += c.RecordSize();
  return size;
}

size_t Worksheet::Dimensions::Read(const uint8_t* bytes, size_t avail) { return ReadFields(*this, bytes, avail, 14); }

size_t Worksheet::Dimensions::Write(uint8_t* buffer) { return WriteFields(*this, buffer, 14); }

using RowBlock = Worksheet::CellTable::RowBlock;

size_t RowBlock::Row::Read(const uint8_t* bytes, size_t avail) { return ReadFields(*this, bytes, avail, 16); }

size_t RowBlock::Row::Write(uint8_t* buffer) {
  // One per row: written in place rather than through the data bytes.
  WriteLE(buffer, 0, m_recordCode);
  WriteLE(buffer, 2, uint16_t{16});
  std::memset(buffer + 4, 0, 16);
  FieldWriter writer(buffer + 4);
  Fields(writer);
  return 20;
}

size_t RowBlock::DBCell::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(4);
  ReadLE(m_data, 0, m_firstRowDistance);
  m_rowOffsets.resize((m_data.size() - 4) / 2);
  ReadLE16Array(m_data.data(), 4, m_rowOffsets.data(), m_rowOffsets.size());
  return used;
}

size_t RowBlock::DBCell::Write(uint8_t* buffer) {
  PrepareData(DataSize());
  WriteLE(m_data, 0, m_firstRowDistance);
  WriteLE16Array(m_data, 4, m_rowOffsets.data(), m_rowOffsets.size());
  return Record::Write(buffer);
}

size_t RowBlock::Write(uint8_t* buffer) {
  size_t out = 0;
  for (Row& r : m_rows) out += r.Write(buffer + out);
  for (RefPtr<CellBlock>& c : m_cells) out += c->Write(buffer + out);
  return out + m_dbCell.Write(buffer + out);
}

uint64_t RowBlock::RowsSize() {
  uint64_t size = 0;
  for (Row& r : m_rows) size += r.RecordSize();
  return size;
}

uint64_t RowBlock::CellsSize() {
  uint64_t size = 0;
  for (RefPtr<CellBlock>& c : m_cells) size += c->RecordSize();
  return size;
}

uint64_t RowBlock::SetOffsets() {
  const uint64_t rows = RowsSize();
  const uint64_t total = rows + CellsSize();
  m_dbCell.m_firstRowDistance = static_cast<uint32_t>(total);
  uint32_t acc = static_cast<uint16_t>(rows - kRowRecordSize);
  size_t cursor = 0;
  for (size_t m = 0; m < m_rows.size(); ++m) {
    while (cursor < m_cells.size() && m_cells[cursor]->Row() < m_rows[m].m_row) acc += m_cells[cursor++]->RecordSize();
    if (cursor < m_cells.size() && m < m_dbCell.m_rowOffsets.size())
      m_dbCell.m_rowOffsets[m] = static_cast<uint16_t>(acc);
    acc = 0;
  }
  return total;
}

uint64_t Worksheet::CellTable::RecordSize() {
  uint64_t size = 0;
  for (RowBlock& b : m_blocks) size += b.RowsSize() + b.CellsSize() + b.m_dbCell.RecordSize();
  return size;
}

size_t Worksheet::CellTable::Write(uint8_t* buffer) {
  size_t out = 0;
  for (RowBlock& b : m_blocks) out += b.Write(buffer + out);
  return out;
}

size_t Worksheet::Window2::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(10);
  ReadLE(m_data, 0, m_options);
  ReadLE(m_data, 2, m_firstRow);
  ReadLE(m_data, 4, m_firstCol);
  ReadLE(m_data, 6, m_gridColour);
  ReadLE(m_data, 8, m_reserved);
  if (m_data.size() >= 14) {
    ReadLE(m_data, 10, m_previewZoom);
    ReadLE(m_data, 12, m_normalZoom);
  }
  m_dataSize = 18;
  m_recordSize = 22;
  return used;
}

size_t Worksheet::Window2::Write(uint8_t* buffer) {
  PrepareData(18);
  WriteLE(m_data, 0, m_options);
  WriteLE(m_data, 2, m_firstRow);
  WriteLE(m_data, 4, m_firstCol);
  WriteLE(m_data, 6, m_gridColour);
  WriteLE(m_data, 8, m_reserved);
  WriteLE(m_data, 10, m_previewZoom);
  WriteLE(m_data, 12, m_normalZoom);
  WriteLE(m_data, 14, m_reserved2);
  return Record::Write(buffer);
}

size_t Worksheet::MergedCells::MergedCell::Read(const uint8_t* bytes) {
  FieldReader reader(bytes);
  Fields(*this, reader);
  return 8;
}

size_t Worksheet::MergedCells::MergedCell::Write(uint8_t* bytes) const {
  FieldWriter writer(bytes);
  Fields(*this, writer);
  return 8;
}

size_t Worksheet::MergedCells::Write(uint8_t* buffer) const {
  size_t out = 0;
  for (size_t first = 0; first < m_ranges.size(); first += kPerRecord) {
    const size_t n = std::min(kPerRecord, m_ranges.size() - first);
    WriteLE(buffer, out, kMergedCellsCode);
    WriteLE(buffer, out + 2, static_cast<uint16_t>(2 + 8 * n));
    WriteLE(buffer, out + 4, static_cast<uint16_t>(n));
    out += 6;
    for (size_t i = 0; i < n; ++i) out += m_ranges[first + i].Write(buffer + out);
  }
  return out;
}

size_t Worksheet::MergedCells::Read(const uint8_t* bytes, size_t avail) {
  Record record;
  const size_t used = record.Read(bytes, avail);
  const Bytes& data = record.Data();
  if (data.size() < 2) throw FormatError("MERGEDCELLS without a count");
  uint16_t count;
  ReadLE(data, 0, count);
  if (2 + size_t{count} * 8 > data.size()) throw FormatError("MERGEDCELLS shorter than its count");
  for (size_t i = 0; i < count; ++i) m_ranges.emplace_back().Read(data.data() + 2 + 8 * i);
  return used;
}

size_t Worksheet::Write(uint8_t* buffer) {
  size_t out = m_bof.Write(buffer);
  out += m_index.Write(buffer + out);
  out += m_colInfos.Write(buffer + out);
  out += m_dimensions.Write(buffer + out);
  out += m_cellTable.Write(buffer + out);
  out += m_window2.Write(buffer + out);
  out += m_mergedCells.Write(buffer + out);
  return out + m_eof.Write(buffer + out);
}

uint64_t Worksheet::Size() {
  return uint64_t{m_bof.RecordSize()} + m_index.RecordSize() + m_colInfos.Size() + m_dimensions.RecordSize() +
         m_cellTable.RecordSize() + m_window2.RecordSize() + m_mergedCells.RecordSize() + m_eof.RecordSize();
}

void Worksheet::SetPositions(uint32_t bofPosition) {
  // Positions past 4 GB cannot be stored; such a stream is refused by its length anyway.
  uint64_t p =
      uint64_t{bofPosition} + m_bof.RecordSize() + m_index.RecordSize() + m_colInfos.Size() + m_dimensions.RecordSize();
  for (size_t j = 0; j < m_cellTable.m_blocks.size(); ++j) {
    RowBlock& block = m_cellTable.m_blocks[j];
    p += block.SetOffsets();
    // The list was sized before the sizes were taken; a store must not change it.
    if (j < m_index.m_dbCellPositions.size()) m_index.m_dbCellPositions[j] = static_cast<uint32_t>(p);
    p += block.m_dbCell.RecordSize();
  }
}

size_t Worksheet::Read(const uint8_t* bytes, size_t avail) {
  size_t used = 0;
  m_mergedCells.m_ranges.reserve(1000);
  for (;;) {
    uint16_t code;
    if (!PeekCode(bytes + used, avail - used, code)) throw FormatError("sheet ends without EOF");
    switch (code) {
      case 0x0809:
        used += m_bof.Read(bytes + used, avail - used);
        break;
      case 0x020B:
        used += m_index.Read(bytes + used, avail - used);
        break;
      case 0x007D:
        used += m_colInfos.Read(bytes + used, avail - used);
        break;
      case 0x0200:
        used += m_dimensions.Read(bytes + used, avail - used);
        break;
      case 0x023E:
        used += m_window2.Read(bytes + used, avail - used);
        break;
      case kMergedCellsCode:
        used += m_mergedCells.Read(bytes + used, avail - used);
        break;
      case kEofCode:
        return used + m_eof.Read(bytes + used, avail - used);
      case kRowCode:
        try {
          while (PeekCode(bytes + used, avail - used, code) && code == kRowCode) {
            RowBlock& block = m_cellTable.m_blocks.emplace_back();
            block.m_cells.reserve(1000);
            for (;;) {
              if (!PeekCode(bytes + used, avail - used, code)) throw FormatError("row block ends without DBCELL");
              if (code == kDBCellCode) {
                used += block.m_dbCell.Read(bytes + used, avail - used);
                break;
              }
              if (code == kEofCode) throw EXCEPTION_YEOF{};
              if (code == kRowCode) {
                used += block.m_rows.emplace_back().Read(bytes + used, avail - used);
              } else if (cells::CellBlock::IsCellCode(code)) {
                auto holder = MakeRef<cells::CellBlock>();
                used += holder->Read(bytes + used, avail - used);
                block.m_cells.push_back(std::move(holder));
              } else {
                Record scratch;
                used += scratch.Read(bytes + used, avail - used);
              }
            }
          }
        } catch (const EXCEPTION_YEOF&) {
          return used + m_eof.Read(bytes + used, avail - used);
        }
        break;
      default: {
        Record scratch;
        used += scratch.Read(bytes + used, avail - used);
      }
    }
  }
}

}  // namespace YExcel
