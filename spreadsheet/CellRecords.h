// Cell records of a row block, their holder, and the RK number encoding.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "spreadsheet/RefPtr.h"
#include "spreadsheet/Record.h"

namespace YExcel {

// RK value: bit 0 divides by 100, bit 1 marks a 30-bit integer, else the top 30 bits of a double.
uint32_t RKFromInt(int32_t n);
uint32_t RKFromDouble(double x);
bool FitsRK(double x);
double DecodeRK(uint32_t rk);
// True when the number passes FitsRK and its RK value reproduces it exactly; only then is an RK written.
bool EncodeRK(double x, uint32_t& rk);
bool EncodeRK(int32_t n, uint32_t& rk);

namespace cells {

// Common head of every cell record: row, column, XF.
class CellRecord : public Record {
 public:
  using Record::Record;
  size_t ReadHead(const uint8_t* bytes, size_t avail, size_t need);
  void WriteHead(uint32_t dataSize);
  // Fixed-size cell records go straight into the stream; returns where their data starts.
  uint8_t* WriteHeadTo(uint8_t* buffer, uint16_t dataSize) const;
  // A fixed-size cell: the head, then the Fields of self after it.
  template <class Self>
  size_t ReadCell(Self& self, const uint8_t* bytes, size_t avail, uint16_t dataSize) {
    const size_t used = ReadHead(bytes, avail, dataSize);
    FieldReader reader(m_data.data());
    self.Fields(reader);
    return used;
  }
  template <class Self>
  size_t WriteCell(Self& self, uint8_t* buffer, uint16_t dataSize) const {
    FieldWriter writer(WriteHeadTo(buffer, dataSize));
    self.Fields(writer);
    return 4 + size_t{dataSize};
  }

  uint16_t m_row = 0, m_col = 0, m_xf = 0;
};

class CellBlock : public RefCounted {
 public:
  enum : uint16_t {
    kFormula = 0x0006,
    kMulRK = 0x00BD,
    kMulBlank = 0x00BE,
    kLabelSST = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kBoolErr = 0x0205,
    kRK = 0x027E
  };

  class Blank : public CellRecord {
   public:
    Blank() : CellRecord(kBlank) {
      m_dataSize = 6;
      m_recordSize = 10;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override { return ReadHead(bytes, avail, 6); }
    size_t Write(uint8_t* buffer) override {
      WriteHeadTo(buffer, 6);
      return 10;
    }
  };

  class BoolErr : public CellRecord {
   public:
    BoolErr() : CellRecord(kBoolErr) {
      m_dataSize = 8;
      m_recordSize = 12;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override { return ReadCell(*this, bytes, avail, 8); }
    size_t Write(uint8_t* buffer) override { return WriteCell(*this, buffer, 8); }
    template <class Io>
    void Fields(Io& io) {
      io(6, m_value);
      io(7, m_isError);
    }
    uint8_t m_value = 0, m_isError = 0;
  };

  class LabelSST : public CellRecord {
   public:
    LabelSST() : CellRecord(kLabelSST) {
      m_dataSize = 10;
      m_recordSize = 14;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override { return ReadCell(*this, bytes, avail, 10); }
    size_t Write(uint8_t* buffer) override { return WriteCell(*this, buffer, 10); }
    template <class Io>
    void Fields(Io& io) {
      io(6, m_sstIndex);
    }
    uint32_t m_sstIndex = 0;
  };

  class Number : public CellRecord {
   public:
    Number() : CellRecord(kNumber) {
      m_dataSize = 14;
      m_recordSize = 18;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override { return ReadCell(*this, bytes, avail, 14); }
    size_t Write(uint8_t* buffer) override { return WriteCell(*this, buffer, 14); }
    template <class Io>
    void Fields(Io& io) {
      io(6, m_value);
    }
    double m_value = 0;
  };

  class RK : public CellRecord {
   public:
    RK() : CellRecord(kRK) {
      m_dataSize = 10;
      m_recordSize = 14;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override { return ReadCell(*this, bytes, avail, 10); }
    size_t Write(uint8_t* buffer) override { return WriteCell(*this, buffer, 10); }
    template <class Io>
    void Fields(Io& io) {
      io(6, m_rk);
    }
    uint32_t m_rk = 0;
  };

  class MulBlank : public CellRecord {
   public:
    MulBlank() : CellRecord(kMulBlank) {
      m_dataSize = 6;
      m_recordSize = 10;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override { return m_dataSize = 6 + 2 * static_cast<uint32_t>(m_xfs.size()); }
    uint32_t RecordSize() override { return m_recordSize = PiecedSize(DataSize()); }
    std::vector<uint16_t> m_xfs;
    uint16_t m_lastCol = 0;
  };

  class MulRK : public CellRecord {
   public:
    struct Entry {
      uint16_t xf = 0;
      uint32_t rk = 0;
    };
    MulRK() : CellRecord(kMulRK) {
      m_dataSize = 6;
      m_recordSize = 10;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override { return m_dataSize = 6 + 6 * static_cast<uint32_t>(m_entries.size()); }
    uint32_t RecordSize() override { return m_recordSize = PiecedSize(DataSize()); }
    std::vector<Entry> m_entries;
    uint16_t m_lastCol = 0;
  };

  class Formula : public CellRecord {
   public:
    // Range head shared by the records that travel with a formula.
    class RangeRecord : public Record {
     public:
      using Record::Record;
      template <class Io>
      void RangeFields(Io& io) {
        io(0, m_firstRow);
        io(2, m_lastRow);
        io(4, m_firstCol);
        io(5, m_lastCol);
      }
      uint16_t m_firstRow = 0, m_lastRow = 0;
      uint8_t m_firstCol = 0, m_lastCol = 0;
    };
    class Array : public RangeRecord {
     public:
      Array() : RangeRecord(0x0221) {
        m_dataSize = 12;
        m_recordSize = 16;
      }
      size_t Read(const uint8_t* bytes, size_t avail) override;
      size_t Write(uint8_t* buffer) override;
      uint32_t DataSize() override { return m_dataSize = 12 + static_cast<uint32_t>(m_formula.size()); }
      uint32_t RecordSize() override { return m_recordSize = PiecedSize(DataSize()); }
      // The fields before the formula.
      template <class Io>
      void Fields(Io& io) {
        RangeFields(io);
        io(6, m_options);
        io(8, m_reserved);
      }
      uint16_t m_options = 0;
      uint32_t m_reserved = 0;
      Bytes m_formula;
    };
    class ShrFmla : public RangeRecord {
     public:
      explicit ShrFmla(uint16_t code = 0x00BC) : RangeRecord(code) {
        m_dataSize = 8;
        m_recordSize = 12;
      }
      size_t Read(const uint8_t* bytes, size_t avail) override;
      size_t Write(uint8_t* buffer) override;
      uint32_t DataSize() override { return m_dataSize = 8 + static_cast<uint32_t>(m_formula.size()); }
      uint32_t RecordSize() override { return m_recordSize = PiecedSize(DataSize()); }
      // The fields before the formula.
      template <class Io>
      void Fields(Io& io) {
        RangeFields(io);
        io(6, m_reserved);
      }
      uint16_t m_reserved = 0;
      Bytes m_formula;
    };
    class ShrFmla1 : public ShrFmla {
     public:
      ShrFmla1() : ShrFmla(0x04BC) {}
    };
    class Table : public RangeRecord {
     public:
      Table() : RangeRecord(0x0036) {
        m_dataSize = 16;
        m_recordSize = 20;
      }
      size_t Read(const uint8_t* bytes, size_t avail) override;
      size_t Write(uint8_t* buffer) override;
      template <class Io>
      void Fields(Io& io) {
        RangeFields(io);
        io(6, m_options);
        io(8, m_inputRow1);
        io(10, m_inputCol1);
        io(12, m_inputRow2);
        io(14, m_inputCol2);
      }
      uint16_t m_options = 0, m_inputRow1 = 0, m_inputCol1 = 0, m_inputRow2 = 0, m_inputCol2 = 0;
    };
    class String : public Record {
     public:
      String() : Record(0x0207) {}
      size_t Read(const uint8_t* bytes, size_t avail) override;
      size_t Write(uint8_t* buffer) override;
      uint32_t DataSize() override;
      uint32_t RecordSize() override { return m_recordSize = HasText() ? PiecedSize(DataSize()) : 0; }
      bool HasText() const { return m_hasText; }
      void SetText(const std::wstring& text);
      uint8_t m_flags = 1;
      std::wstring m_text;
      bool m_hasText = false;
    };

    Formula() : CellRecord(kFormula) {
      m_dataSize = 20;
      m_recordSize = 24;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override { return m_dataSize = 20 + static_cast<uint32_t>(m_formula.size()); }
    uint32_t RecordSize() override;  // the FORMULA with its travelling record and STRING
    Record* Travelling();

    uint8_t m_result[8] = {};
    uint16_t m_options = 0;
    Bytes m_formula;
    int16_t m_travellingCode = -1;
    Array m_array;
    ShrFmla m_shrFmla;
    ShrFmla1 m_shrFmla1;
    Table m_table;
    String m_string;
  };

  CellBlock() = default;
  CellBlock(const CellBlock&) = delete;
  CellBlock& operator=(const CellBlock&) = delete;
  ~CellBlock() { Reset(); }

  void SetType(uint16_t code);
  void Reset();
  size_t Read(const uint8_t* bytes, size_t avail);
  size_t Write(uint8_t* buffer) { return m_record ? m_record->Write(buffer) : 0; }
  uint32_t DataSize() { return m_record ? m_record->DataSize() : 0; }
  uint32_t RecordSize() { return m_record ? m_record->RecordSize() : 0; }
  uint16_t Row() const { return m_record ? m_record->m_row : 0; }
  uint16_t Col() const { return m_record ? m_record->m_col : 0; }
  int16_t Code() const { return m_code; }
  CellRecord* Get() const { return m_record; }
  template <class T>
  T* As() const {
    return static_cast<T*>(m_record);
  }
  static bool IsCellCode(uint16_t code);

 private:
  template <class T>
  void Create();

  // The small records live inside the holder: one allocation per cell instead of two.
  static constexpr size_t kInlineSize =
      std::max({sizeof(Blank), sizeof(BoolErr), sizeof(LabelSST), sizeof(Number), sizeof(RK)});

  int16_t m_code = -1;
  bool m_inline = false;
  CellRecord* m_record = nullptr;
  alignas(alignof(std::max_align_t)) unsigned char m_storage[kInlineSize];
};

}  // namespace cells
}  // namespace YExcel
