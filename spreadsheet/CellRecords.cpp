#include "spreadsheet/CellRecords.h"

#include <cmath>
#include <cstring>
#include <new>

namespace YExcel {

namespace {

// Truncation toward zero as the processor does it: out-of-range values and NaN give INT32_MIN.
int32_t TruncToInt32(double x) {
  if (!(x >= -2147483648.0 && x < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(x);
}

int32_t WrapMul100(int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) * 100u); }

uint64_t Bits(double x) {
  uint64_t b;
  std::memcpy(&b, &x, 8);
  return b;
}

}  // namespace

uint32_t RKFromInt(int32_t n) { return static_cast<uint32_t>(n) * 4u + 2u; }

uint32_t RKFromDouble(double x) {
  const bool whole = WrapMul100(TruncToInt32(x)) == TruncToInt32(x * 100);
  const double v = whole ? x : x * 100;
  return (static_cast<uint32_t>(Bits(v) >> 32) & ~3u) | (whole ? 0u : 1u);
}

bool FitsRK(double x) { return WrapMul100(TruncToInt32(x * 100)) == TruncToInt32(x * 10000); }

double DecodeRK(uint32_t rk) {
  double v;
  if (rk & 2) {
    v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    const uint64_t b = static_cast<uint64_t>(rk & ~3u) << 32;
    std::memcpy(&v, &b, 8);
  }
  return (rk & 1) ? v / 100 : v;
}

bool EncodeRK(double x, uint32_t& rk) {
  if (!FitsRK(x)) return false;
  const uint32_t candidate = RKFromDouble(x);
  if (Bits(DecodeRK(candidate)) != Bits(x)) return false;
  rk = candidate;
  return true;
}

bool EncodeRK(int32_t n, uint32_t& rk) {
  if (n < -(1 << 29) || n > (1 << 29) - 1) return false;
  rk = RKFromInt(n);
  return true;
}

namespace cells {

size_t CellRecord::ReadHead(const uint8_t* bytes, size_t avail, size_t need) {
  const size_t used = Record::Read(bytes, avail);
  Require(need);
  ReadLE(m_data, 0, m_row);
  ReadLE(m_data, 2, m_col);
  if (need >= 6) ReadLE(m_data, 4, m_xf);
  return used;
}

uint8_t* CellRecord::WriteHeadTo(uint8_t* buffer, uint16_t dataSize) const {
  WriteLE(buffer, 0, m_recordCode);
  WriteLE(buffer, 2, dataSize);
  WriteLE(buffer, 4, m_row);
  WriteLE(buffer, 6, m_col);
  WriteLE(buffer, 8, m_xf);
  return buffer + 4;
}

void CellRecord::WriteHead(uint32_t dataSize) {
  PrepareData(dataSize);
  WriteLE(m_data, 0, m_row);
  WriteLE(m_data, 2, m_col);
  if (dataSize >= 6) WriteLE(m_data, 4, m_xf);
}

size_t CellBlock::MulBlank::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = ReadHead(bytes, avail, 6);
  ReadLE(m_data, m_data.size() - 2, m_lastCol);
  if (m_lastCol < m_col) throw FormatError("MULBLANK ends before it starts");
  const size_t n = size_t{m_lastCol} - m_col + 1;
  Require(4 + 2 * n + 2);
  m_xfs.resize(n);
  ReadLE16Array(m_data.data(), 4, m_xfs.data(), n);
  m_xf = m_xfs.front();
  return used;
}
size_t CellBlock::MulBlank::Write(uint8_t* buffer) {
  WriteHead(DataSize());
  WriteLE16Array(m_data, 4, m_xfs.data(), m_xfs.size());
  WriteLE(m_data, m_data.size() - 2, m_lastCol);
  return Record::Write(buffer);
}

size_t CellBlock::MulRK::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = ReadHead(bytes, avail, 6);
  ReadLE(m_data, m_data.size() - 2, m_lastCol);
  if (m_lastCol < m_col) throw FormatError("MULRK ends before it starts");
  const size_t n = size_t{m_lastCol} - m_col + 1;
  Require(4 + 6 * n + 2);
  m_entries.resize(n);
  for (size_t i = 0; i < n; ++i) {
    ReadLE(m_data, 4 + 6 * i, m_entries[i].xf);
    ReadLE(m_data, 6 + 6 * i, m_entries[i].rk);
  }
  m_xf = m_entries.front().xf;
  return used;
}
size_t CellBlock::MulRK::Write(uint8_t* buffer) {
  WriteHead(DataSize());
  for (size_t i = 0; i < m_entries.size(); ++i) {
    WriteLE(m_data, 4 + 6 * i, m_entries[i].xf);
    WriteLE(m_data, 6 + 6 * i, m_entries[i].rk);
  }
  WriteLE(m_data, m_data.size() - 2, m_lastCol);
  return Record::Write(buffer);
}

// ---- FORMULA and the records that travel with it ----

size_t CellBlock::Formula::Array::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  LoadFields(*this);
  m_formula.assign(m_data.begin() + 12, m_data.end());
  return used;
}
size_t CellBlock::Formula::Array::Write(uint8_t* buffer) {
  StoreFields(*this, DataSize());
  WriteBytes(m_data, 12, m_formula.data(), m_formula.size());
  return Record::Write(buffer);
}

size_t CellBlock::Formula::ShrFmla::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  LoadFields(*this);
  m_formula.assign(m_data.begin() + 8, m_data.end());
  return used;
}
size_t CellBlock::Formula::ShrFmla::Write(uint8_t* buffer) {
  StoreFields(*this, DataSize());
  WriteBytes(m_data, 8, m_formula.data(), m_formula.size());
  return Record::Write(buffer);
}

size_t CellBlock::Formula::Table::Read(const uint8_t* bytes, size_t avail) {
  return ReadFields(*this, bytes, avail, 16);
}
size_t CellBlock::Formula::Table::Write(uint8_t* buffer) { return WriteFields(*this, buffer, 16); }

void CellBlock::Formula::String::SetText(const std::wstring& text) {
  m_text = text.substr(0, CutLength(text.data(), text.size(), LargeString::kMaxChars));
  m_hasText = true;
}

uint32_t CellBlock::Formula::String::DataSize() {
  if (!m_hasText) return m_dataSize = 0;
  return m_dataSize = 3 + static_cast<uint32_t>(m_text.size()) * ((m_flags & 1) ? 2 : 1);
}

size_t CellBlock::Formula::String::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(3);
  uint16_t count;
  ReadLE(m_data, 0, count);
  m_flags = m_data[2] & 1;
  const size_t width = m_flags ? 2 : 1;
  // A STRING may continue in CONTINUE pieces, each led by an option byte.
  std::wstring text;
  size_t pos = 3, next = 0;
  while (text.size() < count) {
    const size_t end = next < m_continueOffsets.size() ? m_continueOffsets[next] : m_data.size();
    if (pos >= end) {
      if (next >= m_continueOffsets.size() || pos >= m_data.size()) throw FormatError("STRING shorter than its count");
      ++pos;  // option byte of the piece
      ++next;
      continue;
    }
    if (pos + width > end) throw FormatError("STRING character split across pieces");
    text.push_back(width == 2 ? static_cast<wchar_t>(m_data[pos] | (m_data[pos + 1] << 8))
                              : static_cast<wchar_t>(m_data[pos]));
    pos += width;
  }
  m_text = text;
  m_hasText = true;
  return used;
}

size_t CellBlock::Formula::String::Write(uint8_t* buffer) {
  if (!m_hasText) return 0;
  PrepareData(DataSize());
  WriteLE(m_data, 0, static_cast<uint16_t>(m_text.size()));
  m_data[2] = m_flags & 1;
  if (m_flags & 1) {
    WriteLE16Array(m_data, 3, m_text.data(), m_text.size());
  } else {
    const std::string narrow = ToNarrow(m_text);
    WriteBytes(m_data, 3, narrow.data(), narrow.size());
  }
  return Record::Write(buffer);
}

Record* CellBlock::Formula::Travelling() {
  switch (static_cast<uint16_t>(m_travellingCode)) {
    case 0x0036:
      return &m_table;
    case 0x00BC:
      return &m_shrFmla;
    case 0x0221:
      return &m_array;
    case 0x04BC:
      return &m_shrFmla1;
    default:
      return nullptr;
  }
}

uint32_t CellBlock::Formula::RecordSize() {
  uint32_t size = PiecedSize(DataSize());
  if (Record* t = Travelling()) size += t->RecordSize();
  if (m_string.HasText()) size += m_string.RecordSize();
  return m_recordSize = size;
}

size_t CellBlock::Formula::Read(const uint8_t* bytes, size_t avail) {
  size_t used = ReadHead(bytes, avail, 20);
  std::memcpy(m_result, m_data.data() + 6, 8);
  ReadLE(m_data, 14, m_options);
  m_formula.assign(m_data.begin() + 20, m_data.end());
  uint16_t next;
  if (PeekCode(bytes + used, avail - used, next)) {
    m_travellingCode = static_cast<int16_t>(next);
    if (Record* t = Travelling())
      used += t->Read(bytes + used, avail - used);
    else
      m_travellingCode = -1;
  }
  if (PeekCode(bytes + used, avail - used, next) && next == 0x0207) used += m_string.Read(bytes + used, avail - used);
  return used;
}

size_t CellBlock::Formula::Write(uint8_t* buffer) {
  WriteHead(DataSize());
  std::memcpy(m_data.data() + 6, m_result, 8);
  WriteLE(m_data, 14, m_options);
  WriteBytes(m_data, 20, m_formula.data(), m_formula.size());
  size_t out = Record::Write(buffer);
  if (Record* t = Travelling()) out += t->Write(buffer + out);
  if (m_string.HasText()) out += m_string.Write(buffer + out);
  return out;
}

// ---- the holder ----

bool CellBlock::IsCellCode(uint16_t code) {
  switch (code) {
    case kFormula:
    case kMulRK:
    case kMulBlank:
    case kLabelSST:
    case kBlank:
    case kNumber:
    case kBoolErr:
    case kRK:
      return true;
    default:
      return false;
  }
}

void CellBlock::Reset() {
  if (m_inline)
    m_record->~CellRecord();
  else
    delete m_record;
  m_record = nullptr;
  m_inline = false;
  m_code = -1;
}

template <class T>
void CellBlock::Create() {
  if constexpr (sizeof(T) <= kInlineSize) {
    m_record = new (m_storage) T();
    m_inline = true;
  } else {
    m_record = new T();
  }
}

void CellBlock::SetType(uint16_t code) {
  if (m_code == static_cast<int16_t>(code)) return;
  Reset();
  m_code = static_cast<int16_t>(code);
  switch (code) {
    case kFormula:
      Create<Formula>();
      break;
    case kMulRK:
      Create<MulRK>();
      break;
    case kMulBlank:
      Create<MulBlank>();
      break;
    case kLabelSST:
      Create<LabelSST>();
      break;
    case kBlank:
      Create<Blank>();
      break;
    case kNumber:
      Create<Number>();
      break;
    case kBoolErr:
      Create<BoolErr>();
      break;
    case kRK:
      Create<RK>();
      break;
    default:
      break;
  }
}

size_t CellBlock::Read(const uint8_t* bytes, size_t avail) {
  uint16_t code;
  if (!PeekCode(bytes, avail, code)) throw FormatError("truncated record header");
  SetType(code);
  return m_record ? m_record->Read(bytes, avail) : 0;
}

}  // namespace cells
}  // namespace YExcel
