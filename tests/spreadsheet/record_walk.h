// Splits a written byte stream into its records, for checks of what the writer produced.
#pragma once

#include <cstdint>
#include <vector>

struct WalkedRecord {
  size_t position;
  uint16_t code;
  std::vector<uint8_t> data;
};

inline std::vector<WalkedRecord> WalkRecords(const uint8_t* bytes, size_t size) {
  std::vector<WalkedRecord> records;
  size_t pos = 0;
  while (pos + 4 <= size) {
    const uint16_t code = static_cast<uint16_t>(bytes[pos] | bytes[pos + 1] << 8);
    const size_t length = static_cast<size_t>(bytes[pos + 2] | bytes[pos + 3] << 8);
    if (pos + 4 + length > size) break;
    records.push_back({pos, code, std::vector<uint8_t>(bytes + pos + 4, bytes + pos + 4 + length)});
    pos += 4 + length;
  }
  return records;
}

inline std::vector<WalkedRecord> WalkRecords(const std::vector<uint8_t>& bytes) {
  return WalkRecords(bytes.data(), bytes.size());
}

inline uint32_t Le32(const std::vector<uint8_t>& d, size_t pos) {
  return d[pos] | d[pos + 1] << 8 | d[pos + 2] << 16 | static_cast<uint32_t>(d[pos + 3]) << 24;
}
inline uint16_t Le16(const std::vector<uint8_t>& d, size_t pos) {
  return static_cast<uint16_t>(d[pos] | d[pos + 1] << 8);
}
