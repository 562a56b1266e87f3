// The records of the workbook-globals substream and their aggregate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "spreadsheet/Record.h"

namespace YExcel {

class Workbook {
 public:
  class Window1 : public Record {
   public:
    Window1() : Record(0x003D) {
      m_dataSize = 18;
      m_recordSize = 22;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    template <class Io>
    void Fields(Io& io) {
      io(0, m_left);
      io(2, m_top);
      io(4, m_width);
      io(6, m_height);
      io(8, m_options);
      io(10, m_activeSheet);
      io(12, m_firstVisibleTab);
      io(14, m_selectedSheets);
      io(16, m_tabBarWidth);
    }

    uint16_t m_left = 120, m_top = 120, m_width = 15135, m_height = 9300;
    uint16_t m_options = 0x0038;
    uint16_t m_activeSheet = 0, m_firstVisibleTab = 0, m_selectedSheets = 1, m_tabBarWidth = 600;
  };

  class Font : public Record {
   public:
    Font();
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override;
    uint32_t RecordSize() override { return 4 + DataSize(); }
    // The fields before the name.
    template <class Io>
    void Fields(Io& io) {
      io(0, m_height);
      io(2, m_options);
      io(4, m_colourIndex);
      io(6, m_weight);
      io(8, m_escapement);
      io(10, m_underline);
      io(11, m_family);
      io(12, m_charSet);
      io(13, m_reserved);
    }

    uint16_t m_height = 200, m_options = 0, m_colourIndex = 0x7FFF, m_weight = 400, m_escapement = 0;
    uint8_t m_underline = 0, m_family = 0, m_charSet = 0, m_reserved = 0;
    ShortString m_name;
  };

  class Format : public Record {
   public:
    Format();
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override;
    uint32_t RecordSize() override { return 4 + DataSize(); }

    uint16_t m_index = 0;
    LargeString m_text;
  };

  class XF : public Record {
   public:
    XF() : Record(0x00E0) {
      m_dataSize = 20;
      m_recordSize = 24;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    template <class Io>
    void Fields(Io& io) {
      io(0, m_fontIndex);
      io(2, m_formatIndex);
      io(4, m_protection);
      io(6, m_alignment);
      io(7, m_rotation);
      io(8, m_textProperties);
      io(9, m_usedAttributes);
      io(10, m_borderLines);
      io(14, m_borderColours);
      io(18, m_fillColours);
    }

    uint16_t m_fontIndex = 0, m_formatIndex = 0, m_protection = 0xFFF5;
    uint8_t m_alignment = 0x20, m_rotation = 0, m_textProperties = 0, m_usedAttributes = 0;
    uint32_t m_borderLines = 0, m_borderColours = 0;
    uint16_t m_fillColours = 0x20C0;
  };

  class Style : public Record {
   public:
    Style() : Record(0x0293) {
      m_dataSize = 4;
      m_recordSize = 8;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override;
    uint32_t RecordSize() override { return 4 + DataSize(); }
    bool IsBuiltIn() const { return (m_xfIndex & 0x8000) != 0; }

    uint16_t m_xfIndex = 0x8000;
    uint8_t m_builtInStyle = 0, m_outlineLevel = 0xFF;
    LargeString m_name;
  };

  class BoundSheet : public Record {
   public:
    BoundSheet();
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override;
    uint32_t RecordSize() override { return 4 + DataSize(); }
    // The fields before the name.
    template <class Io>
    void Fields(Io& io) {
      io(0, m_position);
      io(4, m_visibility);
      io(5, m_type);
    }

    uint32_t m_position = 0;
    uint8_t m_visibility = 0, m_type = 0;
    ShortString m_name;
  };

  class SharedStringTable : public Record {
   public:
    SharedStringTable() : Record(0x00FC) {
      m_dataSize = 8;
      m_recordSize = 12;
      m_laysOutPieces = true;
    }
    size_t Read(const uint8_t* bytes, size_t avail) override;
    size_t Write(uint8_t* buffer) override;
    uint32_t DataSize() override;  // also decides where the CONTINUE pieces begin
    uint32_t RecordSize() override;
    const std::vector<uint32_t>& ContinueOffsets() const { return m_continueOffsets; }

    uint32_t m_totalCount = 0, m_uniqueCount = 0;
    std::vector<LargeString> m_strings;
  };

  // Kept for completeness of the globals; nothing fills or writes it.
  class ExtSST : public Record {
   public:
    ExtSST() : Record(0x00FF) {}
    uint16_t m_stringsPerBucket = 0;
    std::vector<uint32_t> m_positions;
    std::vector<uint16_t> m_offsets, m_reserved;
  };

  size_t Write(uint8_t* buffer);
  uint64_t Size();
  uint64_t RecordSize() { return Size(); }
  size_t Read(const uint8_t* bytes, size_t avail);

  BOF m_bof{BOF::kGlobals};
  Window1 m_window1;
  std::vector<Font> m_fonts;
  std::vector<XF> m_xfs;
  std::vector<Style> m_styles;
  std::vector<Format> m_formats;
  std::vector<BoundSheet> m_boundSheets;
  SharedStringTable m_sst;
  ExtSST m_extSst;
  YEOF m_eof;
};

// Reads one LargeString from record data whose CONTINUE pieces begin at the given offsets.
size_t ReadLargeString(const Bytes& data, const std::vector<uint32_t>& offsets, size_t pos, LargeString& out);

}  // namespace YExcel
