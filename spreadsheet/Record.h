// The BIFF8 record base: code, data bytes, sizes and CONTINUE pieces; the two text forms.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "spreadsheet/ByteOrder.h"

namespace YExcel {

inline constexpr uint32_t kMaxPieceData = 8224;  // largest data length of one BIFF8 record

// A size summed in 64 bits, for the 32-bit record interface: one past what a stream can
// hold stays past it instead of wrapping round to a small number.
inline uint32_t Saturated32(uint64_t size) { return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size); }
inline constexpr uint16_t kContinueCode = 0x003C;

// Raised by the reading side when a record or field runs past the data it came in.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when an EOF record ends a sheet in the middle of a row block.
struct EXCEPTION_YEOF {};

// The two directions of a fixed field layout: a record's Fields(io) calls io(offset, field) once per
// field, so the layout is stated once for reading and writing.
class FieldReader {
 public:
  explicit FieldReader(const uint8_t* data) : m_data(data) {}
  template <class T>
  void operator()(size_t pos, T& field) const {
    ReadLE(m_data, pos, field);
  }

 private:
  const uint8_t* m_data;
};

class FieldWriter {
 public:
  explicit FieldWriter(uint8_t* data) : m_data(data) {}
  template <class T>
  void operator()(size_t pos, const T& field) const {
    WriteLE(m_data, pos, field);
  }

 private:
  uint8_t* m_data;
};

// The number of data bytes a field layout covers.
class FieldExtent {
 public:
  template <class T>
  void operator()(size_t pos, const T&) {
    m_end = std::max(m_end, pos + sizeof(T));
  }
  size_t m_end = 0;
};

class Record {
 public:
  explicit Record(uint16_t code = 0) : m_recordCode(code) {}
  virtual ~Record() = default;
  Record(const Record&) = default;
  Record& operator=(const Record&) = default;

  // Reads one record and every CONTINUE after it from at most avail bytes; returns the bytes consumed.
  virtual size_t Read(const uint8_t* bytes, size_t avail);
  // Writes header, data and CONTINUE pieces; the caller provides RecordSize() bytes.
  virtual size_t Write(uint8_t* buffer);
  virtual uint32_t DataSize() { return m_dataSize; }
  virtual uint32_t RecordSize() { return m_recordSize; }

  uint16_t Code() const { return m_recordCode; }
  const Bytes& Data() const { return m_data; }

  // Record length of a record split evenly into pieces of 8224 bytes.
  static uint32_t PiecedSize(uint32_t dataSize) {
    const uint32_t pieces = dataSize <= kMaxPieceData ? 1 : (dataSize + kMaxPieceData - 1) / kMaxPieceData;
    return dataSize + 4 * pieces;
  }

 protected:
  // Brings the data bytes to size, all zero, before the fields are stored.
  void PrepareData(uint32_t size) { m_data.assign(size, 0); }
  // Reading side: fails unless the data holds at least n bytes.
  void Require(size_t n) const {
    if (m_data.size() < n) throw FormatError("record shorter than its fields");
  }
  // Reads the fields of self from the data already read, after checking they are all there.
  template <class Self>
  void LoadFields(Self& self) {
    FieldExtent extent;
    self.Fields(extent);
    Require(extent.m_end);
    FieldReader reader(m_data.data());
    self.Fields(reader);
  }
  // Brings the data to dataSize bytes, all zero, and stores the fields of self in it.
  template <class Self>
  void StoreFields(Self& self, uint32_t dataSize) {
    PrepareData(dataSize);
    FieldWriter writer(m_data.data());
    self.Fields(writer);
  }
  // A record of one fixed layout: every field must be present; longer data is read but the record
  // is written back at its own size.
  template <class Self>
  size_t ReadFields(Self& self, const uint8_t* bytes, size_t avail, uint32_t dataSize) {
    const size_t used = Record::Read(bytes, avail);
    LoadFields(self);
    m_continueOffsets.clear();
    m_dataSize = dataSize;
    m_recordSize = 4 + dataSize;
    return used;
  }
  template <class Self>
  size_t WriteFields(Self& self, uint8_t* buffer, uint32_t dataSize) {
    StoreFields(self, dataSize);
    return Record::Write(buffer);
  }

  uint16_t m_recordCode;
  Bytes m_data;
  uint32_t m_dataSize = 0;
  uint32_t m_recordSize = 4;
  std::vector<uint32_t> m_continueOffsets;
  // Only a record that lays out its own pieces writes them at m_continueOffsets; the others
  // split evenly, whatever pieces they were read from, so that Write matches RecordSize.
  bool m_laysOutPieces = false;
};

// Peeks at the code of the record at pos; 0xFFFF... when there is no full header.
inline bool PeekCode(const uint8_t* bytes, size_t avail, uint16_t& code) {
  if (avail < 4) return false;
  ReadLE(bytes, 0, code);
  return true;
}

class BOF : public Record {
 public:
  enum : uint16_t { kGlobals = 0x0005, kWorksheet = 0x0010 };
  explicit BOF(uint16_t substream = kGlobals);
  size_t Read(const uint8_t* bytes, size_t avail) override;
  size_t Write(uint8_t* buffer) override;
  template <class Io>
  void Fields(Io& io) {
    io(0, m_version);
    io(2, m_type);
    io(4, m_buildIdentifier);
    io(6, m_buildYear);
    io(8, m_fileHistoryFlags);
    io(12, m_lowestVersion);
  }

  uint16_t m_version = 0x0600;
  uint16_t m_type;
  uint16_t m_buildIdentifier = 0x19A0;
  uint16_t m_buildYear = 0x07CD;
  uint32_t m_fileHistoryFlags = 0xC0C9;
  uint32_t m_lowestVersion = 0x0306;
};

class YEOF : public Record {
 public:
  YEOF() : Record(0x000A) {
    m_dataSize = 0;
    m_recordSize = 4;
  }
  size_t Write(uint8_t* buffer) override {
    PrepareData(0);
    return Record::Write(buffer);
  }
};

// FONT and BOUNDSHEET text: an 8-bit count, an option byte, then the characters.
class ShortString {
 public:
  static constexpr size_t kMaxChars = 255;
  void SetNarrow(const std::string& text);
  void SetWide(const std::wstring& text);
  bool IsWide() const { return (m_flags & 1) != 0; }
  const std::optional<std::string>& Narrow() const { return m_narrow; }
  const std::optional<std::wstring>& Wide() const { return m_wide; }
  std::wstring AsWide() const;  // the current text, widened if stored as 8-bit text
  uint32_t DataSize() const;
  uint32_t Write(uint8_t* bytes, size_t pos) const;
  uint32_t Read(const Bytes& data, size_t pos);

 private:
  std::optional<std::wstring> m_wide;
  std::optional<std::string> m_narrow;
  uint8_t m_flags = 0;
};

// SST, FORMAT and STYLE text: a 16-bit count, an option byte, then the characters.
class LargeString {
 public:
  static constexpr size_t kMaxChars = 32767;
  void SetNarrow(const std::string& text);
  void SetNarrow(const char* text, size_t length);
  void SetWide(const std::wstring& text);
  void SetWide(const wchar_t* text, size_t length);
  bool IsWide() const { return (m_flags & 1) != 0 && m_flags != 255; }
  size_t Length() const { return IsWide() ? m_wide.size() : m_narrow.size(); }
  uint32_t CharBytes() const { return static_cast<uint32_t>(IsWide() ? 2 * m_wide.size() : m_narrow.size()); }
  uint32_t WrittenSize() const { return 3 + CharBytes(); }
  uint8_t Flags() const { return IsWide() ? 1 : 0; }
  std::wstring AsWide() const { return IsWide() ? m_wide : ToWide(m_narrow); }
  uint32_t Write(uint8_t* bytes, size_t pos) const;

  std::wstring m_wide;
  std::string m_narrow;
  uint8_t m_flags = 255;
  uint16_t m_runCount = 0;
  uint32_t m_phoneticSize = 0;
};

// Cuts text to a count limit without leaving the first half of a surrogate pair behind.
size_t CutLength(const wchar_t* text, size_t length, size_t limit);

}  // namespace YExcel
