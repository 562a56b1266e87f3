// The records of one worksheet substream, its row-block cell table and its stream positions.
#pragma once

#include <cstdint>
#include <vector>

#include "spreadsheet/CellRecords.h"
#include "spreadsheet/Record.h"
#include "spreadsheet/RefPtr.h"

namespace YExcel {

class Worksheet {
 public:
  class Index : public Record {
   public:
    Index() : Record(0x020B), m_dbCellPositions(1, 0) {
      DataSize();
      m_recordSize = 4 + m_dataSize;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override { return m_dataSize = 16 + 4 * static_cast<uint32_t>(m_dbCellPositions.size()); }
    uint32_t RecordSize() override { return m_recordSize = PiecedSize(DataSize()); }

    uint32_t m_firstRow = 0, m_lastRowPlus1 = 0;
    std::vector<uint32_t> m_dbCellPositions;
  };

  class ColInfo : public Record {
   public:
    ColInfo() : Record(0x007D) {
      m_dataSize = 12;
      m_recordSize = 16;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    template <class Io>
    void Fields(Io& io) {
      io(0, m_firstCol);
      io(2, m_lastCol);
      io(4, m_width);
      io(6, m_xf);
      io(8, m_options);
    }

    uint16_t m_firstCol = 0, m_lastCol = 255, m_width = 2560, m_xf = 0, m_options = 0;
  };

  // Not a record of its own: writes every COLINFO of the list.
  class ColInfos : public Record {
   public:
    size_t Read(const uint8_t* bytes, size_t avail) override { return m_list.emplace_back().Read(bytes, avail); }
    size_t Write(uint8_t* buffer) override;
    uint32_t RecordSize() override { return Saturated32(Size()); }
    uint64_t Size();

    std::vector<ColInfo> m_list;
  };

  class Dimensions : public Record {
   public:
    Dimensions() : Record(0x0200) {
      m_dataSize = 14;
      m_recordSize = 18;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    template <class Io>
    void Fields(Io& io) {
      io(0, m_firstRow);
      io(4, m_lastRowPlus1);
      io(8, m_firstCol);
      io(10, m_lastColPlus1);
    }

    uint32_t m_firstRow = 0, m_lastRowPlus1 = 0;
    uint16_t m_firstCol = 0, m_lastColPlus1 = 0;
  };

  class CellTable {
   public:
    class RowBlock {
     public:
      using CellBlock = cells::CellBlock;

      class Row : public Record {
       public:
        Row() : Record(0x0208) {
          m_dataSize = 16;
          m_recordSize = 20;
        }
        size_t Read(const uint8_t* bytes, size_t avail) override;
        size_t Write(uint8_t* buffer) override;
        template <class Io>
        void Fields(Io& io) {
          io(0, m_row);
          io(2, m_firstCol);
          io(4, m_lastColPlus1);
          io(6, m_height);
          io(12, m_flags);
        }

        uint16_t m_row = 0, m_firstCol = 0, m_lastColPlus1 = 0, m_height = 255;
        uint32_t m_flags = 0x100;
      };

      class DBCell : public Record {
       public:
        DBCell() : Record(0x00D7) {
          m_dataSize = 4;
          m_recordSize = 8;
        }
        size_t Read(const uint8_t* bytes, size_t avail) override;
        size_t Write(uint8_t* buffer) override;
        uint32_t DataSize() override { return m_dataSize = 4 + 2 * static_cast<uint32_t>(m_rowOffsets.size()); }
        uint32_t RecordSize() override { return m_recordSize = PiecedSize(DataSize()); }

        uint32_t m_firstRowDistance = 0;
        std::vector<uint16_t> m_rowOffsets;
      };

      size_t Write(uint8_t* buffer);
      uint64_t RowsSize();
      uint64_t CellsSize();
      // Distance and per-row offsets of the DBCELL; returns R + C.
      uint64_t SetOffsets();

      std::vector<Row> m_rows;
      std::vector<RefPtr<CellBlock>> m_cells;
      DBCell m_dbCell;
    };

    uint64_t RecordSize();
    size_t Write(uint8_t* buffer);

    std::vector<RowBlock> m_blocks;
  };

  class Window2 : public Record {
   public:
    Window2() : Record(0x023E) {
      m_dataSize = 18;
      m_recordSize = 22;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;

    static constexpr uint16_t kSelected = 0x0200;
    uint16_t m_options = 0x06B6, m_firstRow = 0, m_firstCol = 0, m_gridColour = 0x0040;
    uint16_t m_reserved = 0, m_previewZoom = 0, m_normalZoom = 0;
    uint32_t m_reserved2 = 0;
  };

  class MergedCells {
   public:
    class MergedCell {
     public:
      virtual ~MergedCell() = default;
      virtual size_t Read(const uint8_t* bytes);
      virtual size_t Write(uint8_t* bytes) const;
      template <class Self, class Io>
      static void Fields(Self& self, Io& io) {
        io(0, self.m_firstRow);
        io(2, self.m_lastRow);
        io(4, self.m_firstCol);
        io(6, self.m_lastCol);
      }
      uint16_t m_firstRow = 0, m_lastRow = 0, m_firstCol = 0, m_lastCol = 0;
    };
    static constexpr size_t kPerRecord = 1027;
    size_t RecordCount() const { return m_ranges.empty() ? 0 : (m_ranges.size() + kPerRecord - 1) / kPerRecord; }
    uint64_t RecordSize() const { return 8 * uint64_t{m_ranges.size()} + 6 * uint64_t{RecordCount()}; }
    size_t Write(uint8_t* buffer) const;
    size_t Read(const uint8_t* bytes, size_t avail);

    std::vector<MergedCell> m_ranges;
  };

  size_t Write(uint8_t* buffer);
  uint64_t Size();
  uint64_t RecordSize() { return Size(); }
  size_t Read(const uint8_t* bytes, size_t avail);
  // Fills the INDEX and DBCELL positions for a sheet whose BOF starts at the given stream position.
  void SetPositions(uint32_t bofPosition);

  BOF m_bof{BOF::kWorksheet};
  Index m_index;
  ColInfos m_colInfos;
  Dimensions m_dimensions;
  CellTable m_cellTable;
  Window2 m_window2;
  MergedCells m_mergedCells;
  YEOF m_eof;
};

}  // namespace YExcel
