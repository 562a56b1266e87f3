// The figure trailer shared by measure project files (.prj: a 32-bit
// bottom-up BMP of the picture followed by the trailer) and undo snapshots:
// a header with the unit and calibration, then one fixed record per figure
// followed by its variable data. Everything is little-endian.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/figures/Draw.h"

class CDTAction;

namespace project {

constexpr size_t kBitmapHeaderSize = 54;

// Header.
constexpr size_t kHeaderSize = 544;
constexpr size_t kHeaderUnit = 4;
constexpr size_t kHeaderScale = 520;
constexpr size_t kHeaderPower = 528;
constexpr size_t kHeaderCount = 536;

// Record.
constexpr size_t kRecordSize = 588;
constexpr size_t kRecordType = 0;
constexpr size_t kRecordGuid = 4;
constexpr size_t kRecordName = 20;
constexpr size_t kRecordSolid = 532;
constexpr size_t kRecordLineCap = 536;
constexpr size_t kRecordPenWeight = 540;
constexpr size_t kRecordLineColor = 544;
constexpr size_t kRecordFontSize = 548;
constexpr size_t kRecordTextColor = 552;
constexpr size_t kRecordTextBackground = 556;
constexpr size_t kRecordTextBackgroundColor = 560;
constexpr size_t kRecordTextBorder = 564;
constexpr size_t kRecordVertexCount = 568;
constexpr size_t kRecordLabelX = 572;
constexpr size_t kRecordLabelY = 576;
constexpr size_t kRecordLabelFollows = 580;
constexpr size_t kRecordShowResult = 584;

static_assert(kHeaderUnit + 256 * 2 + 4 == kHeaderScale, "unit field then a zero word");
static_assert(kHeaderCount + 8 == kHeaderSize, "count and a zero word end the header");
static_assert(kRecordName + 256 * 2 == kRecordSolid, "name field is 256 code units");
static_assert(kRecordShowResult + 4 == kRecordSize, "show result ends the record");
static_assert(kRecordGuid + sizeof(GUID) == kRecordName, "GUID is 16 bytes");

// Bounds applied to what a file or snapshot holds.
constexpr int kMinFontSize = 8;
constexpr int kMaxFontSize = 64;
constexpr int kMaxPenWeight = 64;

// One figure as stored.
struct StoredFigure {
  uint32_t type = 0;
  GUID guid{};
  std::wstring name;
  uint32_t solid = 0;
  uint32_t lineCap = 0;
  int penWeight = 1;
  uint32_t lineColor = 0;
  int fontSize = 16;
  uint32_t textColor = 0;
  uint32_t textBackground = 0;
  uint32_t textBackgroundColor = 0;
  uint32_t textBorder = 0;
  int32_t labelX = 0;
  int32_t labelY = 0;
  uint32_t labelFollows = 1;
  uint32_t showResult = 1;
  std::vector<PointF> vertices;
  bool hasFontFace = false;
  std::wstring fontFace;
  FigureExtra extra;
  bool usable = false;  // a known type with finite coordinates and enough vertices
  // Where the record and its variable data lie in the bytes read.
  size_t offset = 0;
  size_t length = 0;
};

struct StoredTrailer {
  std::wstring unit;
  double scale = 1.0;
  double power = 1.0;
  std::vector<StoredFigure> figures;
};

// Bounds-checked little-endian reads from a byte range; never reads past it.
class CByteReader {
 public:
  CByteReader(const uint8_t* data, size_t size) : m_pData(data), m_nLeft(size) {}
  size_t Left() const { return m_nLeft; }
  bool Bytes(void* out, size_t n);
  bool U32(uint32_t* out);
  bool F32(float* out);
  bool F64(double* out);
  // Count with terminator, then the code units; a count of 0 is no string.
  // The text ends at the first zero whatever the count says.
  bool String(std::wstring* out, bool* present);

 private:
  const uint8_t* m_pData;
  size_t m_nLeft;
};

// Label offsets are stored rounded to the nearest whole pixel.
int32_t RoundOffset(float value);

// Appends the trailer of the figures (everything but the ruler) to the buffer.
void WriteTrailer(const wchar_t* unit, double scale, double power, const std::vector<const CDTDraw*>& figures,
                  CDTAction* out);
// Appends one figure's record and variable data.
void WriteRecord(const CDTDraw* figure, CDTAction* out);
// Reads a whole trailer; false, with out undefined, when any part is missing.
bool ReadTrailer(const uint8_t* data, size_t size, StoredTrailer* out);
// The trailer of a project file, read and checked: the file work of a load or
// merge, before any figure changes. `buffer` holds the bytes and is kept by
// the caller for the next read (a fresh one costs more than the read).
bool ReadProjectTrailer(const wchar_t* path, std::vector<uint8_t>* buffer, StoredTrailer* out);
// Where the trailer starts in a project file, from its bitmap headers: false
// for headers that do not describe rows lying inside the file.
bool FindTrailer(const uint8_t (&headers)[kBitmapHeaderSize], uint64_t fileSize, uint64_t* offset);

// Makes an empty figure of a stored type; null for types without a figure class.
typedef CDTDraw* (*StoredFigureFactory)(int type);
CDTDraw* MakeStoredFigure(int type);
// Replaces the factory (tests); returns the previous one.
StoredFigureFactory SetStoredFigureFactory(StoredFigureFactory factory);

// The file writer's write call, replaceable to make a write fail half way.
typedef BOOL (*FileWriteFunction)(HANDLE file, const void* data, DWORD size, DWORD* written);
FileWriteFunction SetFileWriteFunction(FileWriteFunction function);

}  // namespace project
