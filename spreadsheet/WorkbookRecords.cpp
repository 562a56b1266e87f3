#include "spreadsheet/WorkbookRecords.h"

#include <algorithm>

namespace YExcel {

namespace {

constexpr uint16_t kFirstCustomFormat = 164;

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

// ---- WINDOW1 ----

size_t Workbook::Window1::Read(const uint8_t* bytes, size_t avail) { return ReadFields(*this, bytes, avail, 18); }

size_t Workbook::Window1::Write(uint8_t* buffer) { return WriteFields(*this, buffer, 18); }

// ---- FONT ----

Workbook::Font::Font() : Record(0x0031) {
  m_name.SetWide(L"Arial");
  DataSize();
  m_recordSize = 4 + m_dataSize;
}

uint32_t Workbook::Font::DataSize() { return m_dataSize = 14 + m_name.DataSize(); }

size_t Workbook::Font::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(16);
  LoadFields(*this);
  if (m_weight >= 700) m_options &= ~1;  // the repeated boldness bit that Write adds back
  m_name.Read(m_data, 14);
  m_continueOffsets.clear();
  return used;
}

size_t Workbook::Font::Write(uint8_t* buffer) {
  StoreFields(*this, DataSize());
  // Bit 0 repeats boldness for readers that look only at the flags.
  if (m_weight >= 700) m_data[2] |= 1;
  m_name.Write(m_data.data(), 14);
  return Record::Write(buffer);
}

// ---- FORMAT ----

Workbook::Format::Format() : Record(0x041E) {
  m_text.SetWide(L"General");
  DataSize();
  m_recordSize = 4 + m_dataSize;
}

uint32_t Workbook::Format::DataSize() { return m_dataSize = 2 + m_text.WrittenSize(); }

size_t Workbook::Format::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(5);
  ReadLE(m_data, 0, m_index);
  ReadLargeString(m_data, m_continueOffsets, 2, m_text);
  m_continueOffsets.clear();
  return used;
}

size_t Workbook::Format::Write(uint8_t* buffer) {
  PrepareData(DataSize());
  WriteLE(m_data, 0, m_index);
  m_text.Write(m_data.data(), 2);
  return Record::Write(buffer);
}

// ---- XF ----

size_t Workbook::XF::Read(const uint8_t* bytes, size_t avail) { return ReadFields(*this, bytes, avail, 20); }

size_t Workbook::XF::Write(uint8_t* buffer) { return WriteFields(*this, buffer, 20); }

// ---- STYLE ----

uint32_t Workbook::Style::DataSize() { return m_dataSize = IsBuiltIn() ? 4 : 2 + m_name.WrittenSize(); }

size_t Workbook::Style::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(4);
  ReadLE(m_data, 0, m_xfIndex);
  if (IsBuiltIn()) {
    ReadLE(m_data, 2, m_builtInStyle);
    ReadLE(m_data, 3, m_outlineLevel);
  } else {
    ReadLargeString(m_data, m_continueOffsets, 2, m_name);
  }
  m_continueOffsets.clear();
  return used;
}

size_t Workbook::Style::Write(uint8_t* buffer) {
  PrepareData(DataSize());
  WriteLE(m_data, 0, m_xfIndex);
  if (IsBuiltIn()) {
    WriteLE(m_data, 2, m_builtInStyle);
    WriteLE(m_data, 3, m_outlineLevel);
  } else {
    m_name.Write(m_data.data(), 2);
  }
  return Record::Write(buffer);
}

// ---- BOUNDSHEET ----

Workbook::BoundSheet::BoundSheet() : Record(0x0085) {
  m_name.SetNarrow("Sheet1");
  DataSize();
  m_recordSize = 4 + m_dataSize;
}

uint32_t Workbook::BoundSheet::DataSize() { return m_dataSize = 6 + m_name.DataSize(); }

size_t Workbook::BoundSheet::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(8);
  LoadFields(*this);
  m_name.Read(m_data, 6);
  m_continueOffsets.clear();
  return used;
}

size_t Workbook::BoundSheet::Write(uint8_t* buffer) {
  StoreFields(*this, DataSize());
  m_name.Write(m_data.data(), 6);
  return Record::Write(buffer);
}

// ---- SST ----

uint32_t Workbook::SharedStringTable::DataSize() {
  m_continueOffsets.clear();
  // Summed in 64 bits: a table past 4 GB must not wrap round to a small size.
  uint64_t pos = 8, limit = kMaxPieceData;
  for (const LargeString& s : m_strings) {
    const uint64_t len = s.WrittenSize();
    if (pos + len <= limit) {
      pos += len;
      continue;
    }
    if (limit - pos < 12) {
      m_continueOffsets.push_back(static_cast<uint32_t>(pos));
      limit = pos + kMaxPieceData;
      if (pos + len <= limit) {
        pos += len;
        continue;
      }
    }
    // Split the characters; every continuation piece starts with the option byte again.
    uint64_t last;  // where the last piece of this string begins
    if (!s.IsWide()) {
      last = limit;
      m_continueOffsets.push_back(static_cast<uint32_t>(last));
      uint64_t rest = pos + len - last;
      while (rest > kMaxPieceData - 1) {
        last += kMaxPieceData;
        m_continueOffsets.push_back(static_cast<uint32_t>(last));
        rest -= kMaxPieceData - 1;
      }
      pos = last + 1 + rest;
    } else {
      // Keep UTF-16 units whole, and surrogate pairs in one piece, so readers can decode each piece.
      last = (limit - pos) % 2 == 0 ? limit - 1 : limit;
      size_t before = static_cast<size_t>((last - pos - 3) / 2);
      if (before > 0 && IsHighSurrogate(s.m_wide[before - 1])) {
        --before;
        last -= 2;
      }
      m_continueOffsets.push_back(static_cast<uint32_t>(last));
      size_t rest = s.m_wide.size() - before;
      constexpr size_t kPieceUnits = (kMaxPieceData - 2) / 2;
      while (rest > kPieceUnits) {
        size_t take = kPieceUnits;
        if (IsHighSurrogate(s.m_wide[s.m_wide.size() - rest + take - 1])) --take;
        last += 1 + 2 * uint64_t{take};
        m_continueOffsets.push_back(static_cast<uint32_t>(last));
        rest -= take;
      }
      pos = last + 1 + 2 * uint64_t{rest};
    }
    limit = last + kMaxPieceData;
  }
  return m_dataSize = Saturated32(pos);
}

uint32_t Workbook::SharedStringTable::RecordSize() {
  return m_recordSize = Saturated32(4 + uint64_t{DataSize()} + 4 * uint64_t{m_continueOffsets.size()});
}

size_t Workbook::SharedStringTable::Write(uint8_t* buffer) {
  PrepareData(DataSize());
  uint8_t* data = m_data.data();
  WriteLE(data, 0, m_totalCount);
  WriteLE(data, 4, m_uniqueCount);
  size_t w = 8, next = 0;
  const size_t offsetCount = m_continueOffsets.size();
  for (const LargeString& s : m_strings) {
    while (next < offsetCount && m_continueOffsets[next] <= w) ++next;
    WriteLE(data, w, static_cast<uint16_t>(s.Length()));
    WriteLE(data, w + 2, s.Flags());
    w += 3;
    const size_t width = s.IsWide() ? 2 : 1;
    size_t done = 0, remaining = s.Length();
    while (remaining) {
      const size_t room = next < offsetCount ? (m_continueOffsets[next] - w) / width : remaining;
      const size_t n = std::min(remaining, room);
      if (s.IsWide())
        WriteLE16Array(data, w, s.m_wide.data() + done, n);
      else
        WriteBytes(data, w, s.m_narrow.data() + done, n);
      w += n * width;
      done += n;
      remaining -= n;
      if (remaining) {
        data[w++] = s.Flags();
        ++next;
      }
    }
  }
  return Record::Write(buffer);
}

size_t ReadLargeString(const Bytes& data, const std::vector<uint32_t>& offsets, size_t pos, LargeString& out) {
  const size_t start = pos;
  if (pos + 3 > data.size()) throw FormatError("string header past the record end");
  uint16_t count;
  ReadLE(data, pos, count);
  uint8_t flags = data[pos + 2];
  pos += 3;
  uint16_t runs = 0;
  uint32_t phonetic = 0;
  if (flags & 0x08) {
    if (pos + 2 > data.size()) throw FormatError("string run count past the record end");
    ReadLE(data, pos, runs);
    pos += 2;
  }
  if (flags & 0x04) {
    if (pos + 4 > data.size()) throw FormatError("string phonetic size past the record end");
    ReadLE(data, pos, phonetic);
    pos += 4;
  }
  std::wstring text;
  text.reserve(count);
  // A continuation piece that starts inside the characters begins with its own option byte.
  auto boundary = std::lower_bound(offsets.begin(), offsets.end(), static_cast<uint32_t>(pos));
  bool wide = (flags & 1) != 0;
  size_t remaining = count;
  while (remaining) {
    const size_t width = (flags & 1) ? 2 : 1;
    const size_t end = boundary != offsets.end() ? *boundary : data.size();
    const size_t n = std::min(remaining, (end - pos) / width);
    for (size_t i = 0; i < n; ++i, pos += width)
      text.push_back(width == 2 ? static_cast<wchar_t>(data[pos] | (data[pos + 1] << 8))
                                : static_cast<wchar_t>(data[pos]));
    remaining -= n;
    if (!remaining) break;
    if (boundary == offsets.end() || pos != *boundary || pos >= data.size())
      throw FormatError("string characters past the record end");
    flags = static_cast<uint8_t>((flags & ~1) | (data[pos] & 1));
    wide = wide || (flags & 1);
    ++pos;
    ++boundary;
  }
  const uint64_t extra = uint64_t{runs} * 4 + phonetic;
  if (extra > data.size() - pos) throw FormatError("string formatting past the record end");
  pos += static_cast<size_t>(extra);
  if (wide) {
    out.SetWide(text);
  } else {
    std::string narrow(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) narrow[i] = static_cast<char>(text[i]);
    out.SetNarrow(narrow);
  }
  return pos - start;
}

size_t Workbook::SharedStringTable::Read(const uint8_t* bytes, size_t avail) {
  const size_t used = Record::Read(bytes, avail);
  Require(8);
  ReadLE(m_data, 0, m_totalCount);
  ReadLE(m_data, 4, m_uniqueCount);
  m_strings.clear();
  size_t pos = 8;
  for (uint32_t i = 0; i < m_uniqueCount; ++i) {
    // Every string takes at least 3 bytes: a corrupt count cannot make us reserve or loop past the data.
    if (pos >= m_data.size()) throw FormatError("fewer strings than the table counts");
    LargeString s;
    pos += ReadLargeString(m_data, m_continueOffsets, pos, s);
    m_strings.push_back(std::move(s));
  }
  return used;
}

// ---- the aggregate ----

size_t Workbook::Write(uint8_t* buffer) {
  size_t out = 0;
  out += m_bof.Write(buffer + out);
  out += m_window1.Write(buffer + out);
  for (Font& r : m_fonts) out += r.Write(buffer + out);
  for (Format& r : m_formats)
    if (r.m_index >= kFirstCustomFormat) out += r.Write(buffer + out);
  for (XF& r : m_xfs) out += r.Write(buffer + out);
  for (Style& r : m_styles) out += r.Write(buffer + out);
  for (BoundSheet& r : m_boundSheets) out += r.Write(buffer + out);
  out += m_sst.Write(buffer + out);
  out += m_eof.Write(buffer + out);
  return out;
}

uint64_t Workbook::Size() {
  uint64_t size = uint64_t{m_bof.RecordSize()} + m_window1.RecordSize();
  for (Font& r : m_fonts) size += r.RecordSize();
  for (Format& r : m_formats)
    if (r.m_index >= kFirstCustomFormat) size += r.RecordSize();
  for (XF& r : m_xfs) size += r.RecordSize();
  for (Style& r : m_styles) size += r.RecordSize();
  for (BoundSheet& r : m_boundSheets) size += r.RecordSize();
  return size + m_sst.RecordSize() + m_eof.RecordSize();
}

size_t Workbook::Read(const uint8_t* bytes, size_t avail) {
  size_t used = 0;
  for (;;) {
    uint16_t code;
    if (!PeekCode(bytes + used, avail - used, code)) throw FormatError("globals end without EOF");
    switch (code) {
      case 0x0809:
        used += m_bof.Read(bytes + used, avail - used);
        break;
      case 0x003D:
        used += m_window1.Read(bytes + used, avail - used);
        break;
      case 0x00FC:
        used += m_sst.Read(bytes + used, avail - used);
        break;
      case 0x0031:
        used += m_fonts.emplace_back().Read(bytes + used, avail - used);
        break;
      case 0x00E0:
        used += m_xfs.emplace_back().Read(bytes + used, avail - used);
        break;
      case 0x0293:
        used += m_styles.emplace_back().Read(bytes + used, avail - used);
        break;
      case 0x041E:
        used += m_formats.emplace_back().Read(bytes + used, avail - used);
        break;
      case 0x0085:
        used += m_boundSheets.emplace_back().Read(bytes + used, avail - used);
        break;
      case 0x000A:
        return used + m_eof.Read(bytes + used, avail - used);
      default: {
        Record scratch;
        used += scratch.Read(bytes + used, avail - used);
      }
    }
  }
}

}  // namespace YExcel
