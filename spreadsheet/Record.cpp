#include "spreadsheet/Record.h"

#include <algorithm>

namespace YExcel {

size_t CutLength(const wchar_t* text, size_t length, size_t limit) {
  if (length <= limit) return length;
  size_t cut = limit;
  if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
  return cut;
}

size_t Record::Read(const uint8_t* bytes, size_t avail) {
  if (avail < 4) throw FormatError("truncated record header");
  uint16_t code, length;
  ReadLE(bytes, 0, code);
  ReadLE(bytes, 2, length);
  if (length > avail - 4) throw FormatError("record runs past the end of the stream");
  m_recordCode = code;
  m_data.assign(bytes + 4, bytes + 4 + length);
  m_continueOffsets.clear();
  size_t used = 4 + length;
  uint16_t next;
  while (PeekCode(bytes + used, avail - used, next) && next == kContinueCode) {
    ReadLE(bytes, used + 2, length);
    if (length > avail - used - 4) throw FormatError("CONTINUE runs past the end of the stream");
    m_continueOffsets.push_back(static_cast<uint32_t>(m_data.size()));
    m_data.insert(m_data.end(), bytes + used + 4, bytes + used + 4 + length);
    used += 4 + length;
  }
  m_dataSize = static_cast<uint32_t>(m_data.size());
  m_recordSize = static_cast<uint32_t>(used);
  return used;
}

size_t Record::Write(uint8_t* buffer) {
  const size_t total = m_data.size();
  WriteLE(buffer, 0, m_recordCode);
  const bool ownPieces = m_laysOutPieces && !m_continueOffsets.empty();
  if (!ownPieces && total <= kMaxPieceData) {
    WriteLE(buffer, 2, static_cast<uint16_t>(total));
    WriteBytes(buffer, 4, m_data.data(), total);
    return 4 + total;
  }
  size_t out = 0, begin = 0;
  auto piece = [&](uint16_t code, size_t end) {
    WriteLE(buffer, out, code);
    WriteLE(buffer, out + 2, static_cast<uint16_t>(end - begin));
    WriteBytes(buffer, out + 4, m_data.data() + begin, end - begin);
    out += 4 + (end - begin);
    begin = end;
  };
  if (!ownPieces) {
    piece(m_recordCode, kMaxPieceData);
    while (begin < total) piece(kContinueCode, std::min<size_t>(total, begin + kMaxPieceData));
  } else {
    bool first = true;
    for (uint32_t offset : m_continueOffsets) {
      piece(first ? m_recordCode : kContinueCode, offset);
      first = false;
    }
    piece(kContinueCode, total);
  }
  return out;
}

BOF::BOF(uint16_t substream) : Record(0x0809), m_type(substream) {
  m_dataSize = 16;
  m_recordSize = 20;
}

size_t BOF::Read(const uint8_t* bytes, size_t avail) { return ReadFields(*this, bytes, avail, 16); }

size_t BOF::Write(uint8_t* buffer) { return WriteFields(*this, buffer, 16); }

void ShortString::SetNarrow(const std::string& text) {
  m_wide.reset();
  m_narrow = text.substr(0, kMaxChars);
  m_flags = 0;
}

void ShortString::SetWide(const std::wstring& text) {
  m_narrow.reset();
  m_wide = text.substr(0, CutLength(text.data(), text.size(), kMaxChars));
  m_flags = 1;
}

std::wstring ShortString::AsWide() const {
  if (IsWide()) return m_wide ? *m_wide : std::wstring();
  return m_narrow ? ToWide(*m_narrow) : std::wstring();
}

uint32_t ShortString::DataSize() const {
  if (IsWide()) return 2 + (m_wide ? 2 * static_cast<uint32_t>(m_wide->size()) : 0);
  return 2 + (m_narrow ? static_cast<uint32_t>(m_narrow->size()) : 0);
}

uint32_t ShortString::Write(uint8_t* bytes, size_t pos) const {
  if (IsWide() && m_wide) {
    WriteLE(bytes, pos, static_cast<uint8_t>(m_wide->size()));
    WriteLE(bytes, pos + 1, m_flags);
    WriteLE16Array(bytes, pos + 2, m_wide->data(), m_wide->size());
  } else if (!IsWide() && m_narrow) {
    WriteLE(bytes, pos, static_cast<uint8_t>(m_narrow->size()));
    WriteLE(bytes, pos + 1, m_flags);
    WriteBytes(bytes, pos + 2, m_narrow->data(), m_narrow->size());
  } else {
    WriteLE(bytes, pos, uint8_t{0});
    WriteLE(bytes, pos + 1, m_flags);
  }
  return DataSize();
}

uint32_t ShortString::Read(const Bytes& data, size_t pos) {
  if (pos + 2 > data.size()) throw FormatError("string header past the record end");
  const size_t count = data[pos];
  const uint8_t flags = data[pos + 1];
  const size_t width = (flags & 1) ? 2 : 1;
  if (pos + 2 + count * width > data.size()) throw FormatError("string characters past the record end");
  if (flags & 1) {
    std::wstring text(count, L'\0');
    ReadLE16Array(data.data(), pos + 2, text.data(), count);
    SetWide(text);
  } else {
    SetNarrow(std::string(data.begin() + pos + 2, data.begin() + pos + 2 + count));
  }
  return static_cast<uint32_t>(2 + count * width);
}

void LargeString::SetNarrow(const char* text, size_t length) {
  m_narrow.assign(text, std::min(length, kMaxChars));
  m_wide.clear();
  m_flags = 0;
  m_runCount = 0;
  m_phoneticSize = 0;
}
void LargeString::SetNarrow(const std::string& text) { SetNarrow(text.data(), text.size()); }

void LargeString::SetWide(const wchar_t* text, size_t length) {
  m_wide.assign(text, CutLength(text, length, kMaxChars));
  m_narrow.clear();
  m_flags = 1;
  m_runCount = 0;
  m_phoneticSize = 0;
}
void LargeString::SetWide(const std::wstring& text) { SetWide(text.data(), text.size()); }

uint32_t LargeString::Write(uint8_t* bytes, size_t pos) const {
  WriteLE(bytes, pos, static_cast<uint16_t>(Length()));
  WriteLE(bytes, pos + 2, Flags());
  if (IsWide())
    WriteLE16Array(bytes, pos + 3, m_wide.data(), m_wide.size());
  else
    WriteBytes(bytes, pos + 3, m_narrow.data(), m_narrow.size());
  return WrittenSize();
}

}  // namespace YExcel
