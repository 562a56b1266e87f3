// Measure project files and undo snapshots: the figure trailer's writer and
// reader, the document's save, load and merge, and the snapshot restore.

#include "engine/ProjectFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/History.h"
#include "engine/Image.h"
#include "engine/figures/Ruler.h"

static_assert(sizeof(wchar_t) == 2, "stored strings are UTF-16");

namespace project {

namespace {

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void PutF64(uint8_t* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  Put32(p, static_cast<uint32_t>(bits));
  Put32(p + 4, static_cast<uint32_t>(bits >> 32));
}

// At most max code units of text into a zero-filled field.
void PutText(uint8_t* p, const wchar_t* text, size_t max) {
  if (!text) return;
  for (size_t i = 0; i < max && text[i]; ++i) Put16(p + 2 * i, static_cast<uint16_t>(text[i]));
}

// The text of a fixed field up to its first zero; the last unit ends it in any case.
// Into `text`, whose storage a reread keeps.
void GetText(const uint8_t* p, size_t units, std::wstring* text) {
  size_t length = 0;
  while (length + 1 < units && Get16(p + 2 * length)) ++length;
  text->resize(length);
  for (size_t i = 0; i < length; ++i) (*text)[i] = static_cast<wchar_t>(Get16(p + 2 * i));
}

// Back to the defaults, keeping the strings' storage.
void ResetExtra(FigureExtra* extra) {
  std::wstring text = std::move(extra->text), path = std::move(extra->path);
  *extra = FigureExtra{};
  text.clear();
  path.clear();
  extra->text = std::move(text);
  extra->path = std::move(path);
}

void AppendU32(CDTAction* out, uint32_t v) {
  uint8_t b[4];
  Put32(b, v);
  out->Append(b, 4);
}

void AppendF32(CDTAction* out, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  AppendU32(out, bits);
}

void AppendString(CDTAction* out, const wchar_t* text, bool present) {
  if (!present || !text) {
    AppendU32(out, 0);
    return;
  }
  const size_t length = std::wcslen(text);
  AppendU32(out, static_cast<uint32_t>(length + 1));
  out->Append(text, (length + 1) * 2);
}

// Corners and handles are read by index; a shorter record would read past them.
int MinimumVertices(uint32_t type) {
  switch (type) {
    case DRAW_LINE:
    case DRAW_DISTANCE:
      return 2;
    case DRAW_ANGLE:
    case DRAW_POINT_LINE:
    case DRAW_CIRCLE:
    case DRAW_POLYGON:
    case DRAW_CURVE_POLYGON:
      return 3;
    case DRAW_ANGLE_PT4:
    case DRAW_RECTANGLE:
    case DRAW_ELLIPSE:
    case DRAW_CLIPART:
    case DRAW_TEXT:
      return 4;
    case DRAW_CURVE:
      return 0;
    default:
      return 1;
  }
}

bool Finite(float v) { return std::isfinite(v); }

// A stored figure is rebuilt from its type's row; types without their class
// yet have no constructor and are read past.
CDTDraw* FigureOfType(int type) {
  const FigureType* row = FindFigureType(type);
  return row && row->createDefault ? row->createDefault() : nullptr;
}

StoredFigureFactory g_factory = &FigureOfType;

BOOL PlainWriteFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return ::WriteFile(file, data, size, written, nullptr);
}

FileWriteFunction g_write = &PlainWriteFile;

}  // namespace

bool CByteReader::Bytes(void* out, size_t n) {
  if (n > m_nLeft) return false;
  if (n) std::memcpy(out, m_pData, n);
  m_pData += n;
  m_nLeft -= n;
  return true;
}

bool CByteReader::U32(uint32_t* out) {
  if (m_nLeft < 4) return false;
  *out = Get32(m_pData);
  m_pData += 4;
  m_nLeft -= 4;
  return true;
}

bool CByteReader::F32(float* out) {
  uint32_t bits;
  if (!U32(&bits)) return false;
  std::memcpy(out, &bits, 4);
  return true;
}

bool CByteReader::F64(double* out) {
  uint32_t lo, hi;
  if (m_nLeft < 8) return false;
  U32(&lo);
  U32(&hi);
  const uint64_t bits = static_cast<uint64_t>(hi) << 32 | lo;
  std::memcpy(out, &bits, 8);
  return true;
}

bool CByteReader::String(std::wstring* out, bool* present) {
  uint32_t count;
  if (!U32(&count)) return false;
  out->clear();
  *present = count != 0;
  // The count is bounded by the bytes that are really there.
  if (count > m_nLeft / 2) return false;
  const uint8_t* p = m_pData;
  size_t length = 0;
  while (length < count && Get16(p + 2 * length)) ++length;
  out->resize(length);
  for (size_t i = 0; i < length; ++i) (*out)[i] = static_cast<wchar_t>(Get16(p + 2 * i));
  m_pData += static_cast<size_t>(count) * 2;
  m_nLeft -= static_cast<size_t>(count) * 2;
  return true;
}

int32_t RoundOffset(float value) {
  if (!std::isfinite(value)) return 0;
  const double rounded = std::floor(static_cast<double>(value) + 0.5);
  return static_cast<int32_t>(std::clamp(rounded, -2147483648.0, 2147483647.0));
}

void WriteTrailer(const wchar_t* unit, double scale, double power, const std::vector<const CDTDraw*>& figures,
                  CDTAction* out) {
  uint8_t header[kHeaderSize] = {};
  Put32(header, static_cast<uint32_t>(kHeaderSize));
  PutText(header + kHeaderUnit, unit, 255);
  PutF64(header + kHeaderScale, scale);
  PutF64(header + kHeaderPower, power);
  Put32(header + kHeaderCount, static_cast<uint32_t>(figures.size()));
  out->Append(header, kHeaderSize);

  // Records with their vertices and font face, and a little for the extras.
  size_t need = 0;
  for (const CDTDraw* figure : figures)
    need += kRecordSize + 8 * figure->m_vertices.size() + 64 +
            (figure->m_pszFontFace ? 2 * std::wcslen(figure->m_pszFontFace) : 0);
  out->Reserve(out->Used() + need);
  for (const CDTDraw* figure : figures) WriteRecord(figure, out);
}

void WriteRecord(const CDTDraw* figure, CDTAction* out) {
  {
    uint8_t record[kRecordSize] = {};
    const CDTLabel& label = figure->m_label;
    const bool attached = label.m_pFigure != nullptr;
    Put32(record + kRecordType, static_cast<uint32_t>(figure->m_nType));
    std::memcpy(record + kRecordGuid, &figure->m_guid, sizeof(GUID));
    PutText(record + kRecordName, figure->m_pszName, 255);
    Put32(record + kRecordSolid, static_cast<uint32_t>(figure->m_bSolid));
    Put32(record + kRecordLineCap, static_cast<uint32_t>(figure->m_nLineCap));
    Put32(record + kRecordPenWeight, static_cast<uint32_t>(figure->m_nPenWeight));
    Put32(record + kRecordLineColor, figure->m_clrLine);
    Put32(record + kRecordFontSize, static_cast<uint32_t>(figure->m_nFontSize));
    Put32(record + kRecordTextColor, figure->m_clrText);
    Put32(record + kRecordTextBackground, label.m_bBackground ? 1u : 0u);
    Put32(record + kRecordTextBackgroundColor, label.m_clrBackground);
    Put32(record + kRecordTextBorder, label.m_bBorder ? 1u : 0u);
    Put32(record + kRecordVertexCount, static_cast<uint32_t>(figure->m_vertices.size()));
    Put32(record + kRecordLabelX, static_cast<uint32_t>(RoundOffset(label.m_fOffsetX)));
    Put32(record + kRecordLabelY, static_cast<uint32_t>(RoundOffset(label.m_fOffsetY)));
    Put32(record + kRecordLabelFollows, attached ? (label.m_bFollows ? 1u : 0u) : 1u);
    Put32(record + kRecordShowResult, static_cast<uint32_t>(figure->m_bShowResult));
    out->Append(record, kRecordSize);
    FigureExtra extra;
    figure->GetStoredExtra(&extra);
    const int type = figure->m_nType;
    for (const PointF& v : figure->m_vertices) {
      const PointF& p = extra.storesCentre ? extra.centre : v;
      AppendF32(out, p.x);
      AppendF32(out, p.y);
    }
    if (type == DRAW_TEXT) {
      AppendF32(out, extra.boxWidth);
      AppendF32(out, extra.boxHeight);
    }
    AppendString(out, figure->m_pszFontFace, figure->m_pszFontFace != nullptr);
    if (type == DRAW_CLIPART) {
      AppendString(out, extra.path.c_str(), extra.hasPath);
      AppendU32(out, extra.fixedSize ? 1u : 0u);
      AppendF32(out, extra.scaleX);
      AppendF32(out, extra.scaleY);
    }
    if (type == DRAW_TEXT) AppendString(out, extra.text.c_str(), extra.hasText);
    if (type == DRAW_ANGLE || type == DRAW_ANGLE_PT4) out->Append(&extra.complement, 1);
  }
}

bool ReadTrailer(const uint8_t* data, size_t size, StoredTrailer* out) {
  CByteReader in(data, size);
  uint8_t header[kHeaderSize];
  if (!in.Bytes(header, kHeaderSize)) return false;
  GetText(header + kHeaderUnit, 256, &out->unit);
  CByteReader numbers(header + kHeaderScale, 16);
  numbers.F64(&out->scale);
  numbers.F64(&out->power);
  const uint32_t count = Get32(header + kHeaderCount);
  // Every record needs its fixed part: a count the bytes cannot back is a truncated file.
  if (count > in.Left() / kRecordSize) return false;
  // A trailer read before keeps its figures' buffers; every field is set again below.
  out->figures.resize(count);

  uint8_t record[kRecordSize];
  for (StoredFigure& f : out->figures) {
    const size_t start = size - in.Left();
    if (!in.Bytes(record, kRecordSize)) return false;
    f.type = Get32(record + kRecordType);
    ResetExtra(&f.extra);
    std::memcpy(&f.guid, record + kRecordGuid, sizeof(GUID));
    GetText(record + kRecordName, 256, &f.name);
    f.solid = Get32(record + kRecordSolid) ? 1 : 0;
    f.lineCap = Get32(record + kRecordLineCap);
    f.penWeight = static_cast<int>(std::min<uint32_t>(Get32(record + kRecordPenWeight), kMaxPenWeight));
    f.lineColor = Get32(record + kRecordLineColor);
    f.fontSize = static_cast<int>(std::clamp<uint32_t>(Get32(record + kRecordFontSize), kMinFontSize, kMaxFontSize));
    f.textColor = Get32(record + kRecordTextColor);
    f.textBackground = Get32(record + kRecordTextBackground) ? 1 : 0;
    f.textBackgroundColor = Get32(record + kRecordTextBackgroundColor);
    f.textBorder = Get32(record + kRecordTextBorder) ? 1 : 0;
    f.labelX = static_cast<int32_t>(Get32(record + kRecordLabelX));
    f.labelY = static_cast<int32_t>(Get32(record + kRecordLabelY));
    f.labelFollows = Get32(record + kRecordLabelFollows) ? 1 : 0;
    f.showResult = Get32(record + kRecordShowResult) ? 1 : 0;

    const uint32_t n = Get32(record + kRecordVertexCount);
    if (n > in.Left() / 8) return false;
    f.vertices.resize(n);
    bool finite = true;
    for (PointF& v : f.vertices) {
      in.F32(&v.x);
      in.F32(&v.y);
      finite = finite && Finite(v.x) && Finite(v.y);
    }
    FigureExtra& extra = f.extra;
    if (f.type == DRAW_TEXT) {
      if (!in.F32(&extra.boxWidth) || !in.F32(&extra.boxHeight)) return false;
      finite = finite && Finite(extra.boxWidth) && Finite(extra.boxHeight);
      // The text figure holds its box in whole pixels.
      extra.boxWidth = std::trunc(extra.boxWidth);
      extra.boxHeight = std::trunc(extra.boxHeight);
    }
    if (!in.String(&f.fontFace, &f.hasFontFace)) return false;
    if (f.type == DRAW_CLIPART) {
      // The flag and scales follow the path whether the path is there or not.
      if (!in.String(&extra.path, &extra.hasPath)) return false;
      if (!in.U32(&extra.fixedSize) || !in.F32(&extra.scaleX) || !in.F32(&extra.scaleY)) return false;
      extra.fixedSize = extra.fixedSize ? 1 : 0;
      finite = finite && Finite(extra.scaleX) && Finite(extra.scaleY);
    }
    if (f.type == DRAW_TEXT && !in.String(&extra.text, &extra.hasText)) return false;
    if (f.type == DRAW_ANGLE || f.type == DRAW_ANGLE_PT4) {
      if (!in.Bytes(&extra.complement, 1)) return false;
      extra.complement = extra.complement ? 1 : 0;
    }
    f.offset = start;
    f.length = size - in.Left() - start;
    f.usable = f.type >= DRAW_LINE && f.type <= DRAW_TEXT && finite &&
               f.vertices.size() >= static_cast<size_t>(MinimumVertices(f.type));
  }
  return true;
}

bool FindTrailer(const uint8_t (&headers)[kBitmapHeaderSize], uint64_t fileSize, uint64_t* offset) {
  if (headers[0] != 'B' || headers[1] != 'M') return false;
  const int32_t width = static_cast<int32_t>(Get32(headers + 18));
  const int32_t height = static_cast<int32_t>(Get32(headers + 22));
  const uint16_t bits = Get16(headers + 28);
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const uint64_t rowBytes = (static_cast<uint64_t>(bits) * static_cast<uint64_t>(width) + 31) / 32 * 4;
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  if (fileSize < kBitmapHeaderSize || rowBytes > (fileSize - kBitmapHeaderSize) / rows) return false;
  *offset = kBitmapHeaderSize + rowBytes * rows;
  return true;
}

CDTDraw* MakeStoredFigure(int type) { return g_factory(type); }

StoredFigureFactory SetStoredFigureFactory(StoredFigureFactory factory) {
  StoredFigureFactory previous = g_factory;
  g_factory = factory ? factory : &FigureOfType;
  return previous;
}

FileWriteFunction SetFileWriteFunction(FileWriteFunction function) {
  FileWriteFunction previous = g_write;
  g_write = function ? function : &PlainWriteFile;
  return previous;
}

namespace {

bool WriteAll(HANDLE file, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!g_write(file, p, chunk, &written) || written != chunk) return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

bool ReadAll(HANDLE file, void* data, size_t size) {
  auto* p = static_cast<uint8_t*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD read = 0;
    if (!::ReadFile(file, p, chunk, &read, nullptr) || read != chunk) return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

// A file handle closed when it goes out of scope.
struct CFile {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~CFile() { Close(); }
  void Close() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
};

// A new, unique file beside the target, so that the final rename stays on one volume.
std::wstring TemporaryBeside(const wchar_t* path) {
  std::wstring folder(path);
  const size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash + 1);
  wchar_t name[MAX_PATH + 1];
  if (!::GetTempFileNameW(folder.c_str(), L"prj", 0, name)) return std::wstring();
  return name;
}

}  // namespace

bool ReadProjectTrailer(const wchar_t* path, std::vector<uint8_t>* buffer, StoredTrailer* out) {
  if (!path || !path[0] || !buffer || !out) return false;
  CFile file;
  file.handle =
      ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  uint8_t headers[kBitmapHeaderSize];
  uint64_t offset = 0;
  if (!::GetFileSizeEx(file.handle, &size) || size.QuadPart < 0 || !ReadAll(file.handle, headers, sizeof(headers)) ||
      !FindTrailer(headers, static_cast<uint64_t>(size.QuadPart), &offset))
    return false;
  const uint64_t rest = static_cast<uint64_t>(size.QuadPart) - offset;
  if (rest > SIZE_MAX) return false;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  std::vector<uint8_t>& bytes = *buffer;
  const size_t length = static_cast<size_t>(rest);
  try {
    if (bytes.size() < length) bytes.resize(length);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!::SetFilePointerEx(file.handle, to, nullptr, FILE_BEGIN) || !ReadAll(file.handle, bytes.data(), length))
    return false;
  const bool read = ReadTrailer(bytes.data(), length, out);
  // A very large trailer is not held on to.
  if (bytes.size() > (size_t{64} << 20)) std::vector<uint8_t>().swap(bytes);
  return read;
}

}  // namespace project

using project::StoredFigure;
using project::StoredTrailer;

// --- Document side ---------------------------------------------------------

namespace {

struct GuidHash {
  size_t operator()(const GUID& g) const {
    uint64_t a, b;
    std::memcpy(&a, &g, 8);
    std::memcpy(&b, reinterpret_cast<const uint8_t*>(&g) + 8, 8);
    return static_cast<size_t>(a * 0x9E3779B97F4A7C15ull ^ b);
  }
};
struct GuidEqual {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
};

bool IsStoredFigure(const CDTElement* child, const CDTElement* ruler) {
  return child != ruler && child->m_nKind == 1 && static_cast<const CDTDraw*>(child)->m_nType != DRAW_RULER;
}

void ApplyStyles(CDTDraw* figure, const StoredFigure& f) {
  figure->SetSolid(static_cast<BOOL>(f.solid), FALSE);
  figure->SetLineCap(static_cast<int>(f.lineCap), FALSE);
  figure->SetPenWeight(f.penWeight, FALSE);
  figure->SetLineColor(f.lineColor, FALSE);
  figure->SetFontSize(f.fontSize, FALSE);
  figure->SetTextColor(f.textColor, FALSE);
  figure->SetTextBackground(static_cast<BOOL>(f.textBackground), FALSE);
  figure->SetTextBackgroundColor(f.textBackgroundColor, FALSE);
  figure->SetTextBorder(static_cast<BOOL>(f.textBorder), FALSE);
  figure->m_bShowResult = static_cast<int>(f.showResult);
}

}  // namespace

std::vector<const CDTDraw*> CDTImage::StoredFigures() const {
  std::vector<const CDTDraw*> figures;
  figures.reserve(m_children.size());
  for (const CDTElement* child : m_children)
    if (IsStoredFigure(child, m_pRuler)) figures.push_back(static_cast<const CDTDraw*>(child));
  return figures;
}

int CDTImage::WriteSnapshot(CDTAction* action) {
  project::WriteTrailer(m_szUnit, ReferenceScale, MultiPower, StoredFigures(), action);
  return 1;
}

CDTDraw* CDTImage::AddStoredFigure(const StoredFigure& f, bool load, bool report) {
  if (!f.usable) return nullptr;
  CDTDraw* figure = project::MakeStoredFigure(static_cast<int>(f.type));
  if (!figure) return nullptr;
  figure->m_nType = static_cast<int>(f.type);
  figure->m_guid = f.guid;
  ApplyStyles(figure, f);
  if (!f.name.empty()) figure->Rename(f.name.c_str());
  if (f.hasFontFace && !f.fontFace.empty())
    figure->SetFontFace(f.fontFace.c_str());
  else if (m_pOwner)
    figure->SetFontFace(m_pOwner->m_strFontFace.c_str());
  if (f.type == DRAW_CLIPART || f.type == DRAW_TEXT || f.type == DRAW_ANGLE || f.type == DRAW_ANGLE_PT4)
    figure->SetStoredExtra(f.extra);
  // A clip-art whose picture has gone is not loaded again; a merge keeps it.
  if (load && f.type == DRAW_CLIPART && f.extra.hasPath &&
      ::GetFileAttributesW(f.extra.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    delete figure;
    return nullptr;
  }
  for (const PointF& v : f.vertices) figure->AppendVertex(v.x, v.y);
  figure->AttachToDocument(this);
  RECT empty{};
  if (FAILED(figure->Create(m_pOwner, this, nullptr, &empty))) {
    if (std::find(m_children.begin(), m_children.end(), figure) == m_children.end()) {
      DestroyChildren(figure);
      delete figure;
    }
    return nullptr;
  }
  if (figure->m_label.m_pFigure) {
    figure->m_label.m_fOffsetX = static_cast<float>(f.labelX);
    figure->m_label.m_fOffsetY = static_cast<float>(f.labelY);
    figure->m_label.m_bFollows = static_cast<int>(f.labelFollows);
    figure->m_label.UpdatePosition();
  }
  if (report && m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureAdded(figure);
  figure->m_bComplete = 1;
  return figure;
}

void CDTImage::RemoveFigures(const std::vector<CDTElement*>& figures) {
  if (figures.empty()) return;
  std::unordered_set<CDTElement*> gone(figures.begin(), figures.end());
  if (m_pSelected && gone.count(m_pSelected)) {
    // The selection must not outlive its figure.
    m_pSelected = nullptr;
    if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureSelected(nullptr);
  }
  m_children.erase(
      std::remove_if(m_children.begin(), m_children.end(), [&gone](CDTElement* e) { return gone.count(e) != 0; }),
      m_children.end());
  for (CDTElement* figure : figures) {
    if (m_pOwner) m_pOwner->ForgetElement(figure);
    DestroyChildren(figure);
    delete figure;
  }
}

void CDTImage::AddRestoredExtent(const CDTDraw* figure) {
  RECT extent{};
  if (!m_bRestoredInPart) return;
  if (figure->DrawnExtent(&extent))
    UniteRect(&m_rcRestored, extent);
  else
    m_bRestoredInPart = false;
}

bool CDTImage::RestoreSnapshot(CDTAction* action) {
  m_bRestoredInPart = false;
  if (!action) return false;
  action->SetReadPosition(0);
  if (!m_pRestoreTrailer) m_pRestoreTrailer = std::make_unique<StoredTrailer>();
  StoredTrailer& trailer = *m_pRestoreTrailer;
  // The whole snapshot is read before anything changes.
  if (!project::ReadTrailer(action->Data(), action->Used(), &trailer)) return false;
  // What the figures changed covers, before and after, for the frame that follows.
  m_rcRestored = {};
  m_bRestoredInPart = true;

  CRepaintHold hold(m_pOwner);
  // The figures sorted by GUID, list order among equal ones: one block
  // rather than a node per figure, and the first in the list is found first.
  struct Entry {
    GUID guid;
    CDTDraw* figure;
    size_t position;
    bool kept;
  };
  std::vector<Entry> index;
  index.reserve(m_children.size());
  for (CDTElement* child : m_children)
    if (IsStoredFigure(child, m_pRuler))
      index.push_back({static_cast<CDTDraw*>(child)->m_guid, static_cast<CDTDraw*>(child), index.size(), false});
  const auto before = [](const Entry& a, const Entry& b) {
    const int c = std::memcmp(&a.guid, &b.guid, sizeof(GUID));
    return c < 0 || (c == 0 && a.position < b.position);
  };
  // Snapshots keep the list order, in which GUIDs are random: sort once.
  std::sort(index.begin(), index.end(), before);
  // The first entry of a GUID, or the end.
  const auto find = [&index](const GUID& guid) {
    auto at = std::lower_bound(index.begin(), index.end(), guid, [](const Entry& e, const GUID& g) {
      return std::memcmp(&e.guid, &g, sizeof(GUID)) < 0;
    });
    return at != index.end() && GuidEqual()(at->guid, guid) ? at : index.end();
  };
  // Figures this restore makes; a later record with the same GUID updates them.
  std::unordered_map<GUID, CDTDraw*, GuidHash, GuidEqual> made;

  CDirectUIMeasureObserver* observer = m_pOwner ? m_pOwner->m_pObserver : nullptr;
  CDTAction present;
  for (const StoredFigure& f : trailer.figures) {
    if (!f.usable) continue;
    CDTDraw* figure = nullptr;
    auto found = find(f.guid);
    if (found != index.end()) {
      figure = found->figure;
      // Every figure with the GUID stays.
      for (auto same = found; same != index.end() && GuidEqual()(same->guid, f.guid); ++same) same->kept = true;
    } else {
      auto earlier = made.find(f.guid);
      if (earlier == made.end()) {
        if (CDTDraw* added = AddStoredFigure(f, false, true)) {
          made.emplace(f.guid, added);
          AddRestoredExtent(added);
        }
        continue;
      }
      figure = earlier->second;
    }
    // A figure that would write the very bytes of its record is in that state
    // already: only the report is due. An undo of one change touches one figure.
    present.Rewind();
    project::WriteRecord(figure, &present);
    if (present.Used() == f.length && std::memcmp(present.Data(), action->Data() + f.offset, f.length) == 0) {
      if (observer) observer->OnFigureChanged(figure, -1);
      continue;
    }
    AddRestoredExtent(figure);
    ApplyStyles(figure, f);
    if (f.type <= DRAW_CURVE_POLYGON) {
      figure->m_label.m_bFollows = static_cast<int>(f.labelFollows);
      if (f.labelFollows) {
        figure->m_label.m_fOffsetX = static_cast<float>(f.labelX);
        figure->m_label.m_fOffsetY = static_cast<float>(f.labelY);
      }
    } else {
      figure->SetStoredExtra(f.extra);
    }
    figure->SetVertices(f.vertices);
    AddRestoredExtent(figure);
    if (observer) observer->OnFigureChanged(figure, -1);
  }

  // The figures no record kept go, in list order.
  std::vector<const Entry*> leaving;
  for (const Entry& e : index)
    if (!e.kept) leaving.push_back(&e);
  std::sort(leaving.begin(), leaving.end(), [](const Entry* x, const Entry* y) { return x->position < y->position; });
  std::vector<CDTElement*> gone;
  gone.reserve(leaving.size());
  for (const Entry* e : leaving) {
    gone.push_back(e->figure);
    AddRestoredExtent(e->figure);
  }
  RemoveFigures(gone);
  if (m_pRuler) m_pRuler->Measure();
  return true;
}

int CDTImage::OnSaveFile(const wchar_t* path) {
  if (!path || !path[0]) return 0;
  std::lock_guard<std::recursive_mutex> guard(m_frameLock);
  if (!m_pFrame) return 0;
  D3DSURFACE_DESC desc;
  if (FAILED(m_pFrame->GetDesc(&desc)) || (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) ||
      desc.Width == 0 || desc.Height == 0)
    return 0;
  const uint64_t rowBytes = static_cast<uint64_t>(desc.Width) * 4;
  const uint64_t imageBytes = rowBytes * desc.Height;
  if (imageBytes + project::kBitmapHeaderSize > 0xFFFFFFFFull) return 0;

  uint8_t headers[project::kBitmapHeaderSize] = {};
  headers[0] = 'B';
  headers[1] = 'M';
  project::Put32(headers + 2, static_cast<uint32_t>(project::kBitmapHeaderSize + imageBytes));
  project::Put32(headers + 10, static_cast<uint32_t>(project::kBitmapHeaderSize));
  project::Put32(headers + 14, 40);
  project::Put32(headers + 18, desc.Width);
  project::Put32(headers + 22, desc.Height);
  project::Put16(headers + 26, 1);
  project::Put16(headers + 28, 32);
  project::Put32(headers + 34, static_cast<uint32_t>(imageBytes));
  project::Put32(headers + 38, 2834);
  project::Put32(headers + 42, 2834);

  CDTAction trailer;
  WriteSnapshot(&trailer);

  const std::wstring temporary = project::TemporaryBeside(path);
  if (temporary.empty()) return 0;
  project::CFile file;
  file.handle =
      ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file.handle != INVALID_HANDLE_VALUE && project::WriteAll(file.handle, headers, sizeof(headers));
  if (ok) {
    D3DLOCKED_RECT locked;
    ok = SUCCEEDED(m_pFrame->LockRect(&locked, nullptr, D3DLOCK_READONLY));
    if (ok) {
      const auto* bits = static_cast<const uint8_t*>(locked.pBits);
      // Bottom-up rows in blocks of about 4 MB: a write per row costs more than the copy.
      const size_t rowsPerBlock = std::max<size_t>(1, (size_t{4} << 20) / static_cast<size_t>(rowBytes));
      std::vector<uint8_t> block;
      try {
        block.resize(std::min<size_t>(rowsPerBlock, desc.Height) * static_cast<size_t>(rowBytes));
      } catch (const std::bad_alloc&) {
        block.clear();
      }
      if (block.empty()) {
        for (UINT y = desc.Height; ok && y-- > 0;)
          ok = project::WriteAll(file.handle, bits + static_cast<ptrdiff_t>(y) * locked.Pitch, rowBytes);
      } else {
        for (UINT y = desc.Height; ok && y > 0;) {
          const size_t rows = std::min<size_t>(rowsPerBlock, y);
          for (size_t k = 0; k < rows; ++k)
            std::memcpy(block.data() + k * rowBytes, bits + static_cast<ptrdiff_t>(y - 1 - k) * locked.Pitch,
                        static_cast<size_t>(rowBytes));
          ok = project::WriteAll(file.handle, block.data(), rows * static_cast<size_t>(rowBytes));
          y -= static_cast<UINT>(rows);
        }
      }
      m_pFrame->UnlockRect();
    }
  }
  ok = ok && project::WriteAll(file.handle, trailer.Data(), trailer.Used());
  file.Close();
  // The old file is replaced only by a complete new one.
  if (ok) ok = ::MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) ::DeleteFileW(temporary.c_str());
  return ok ? 1 : 0;
}

int CDTImage::OnReadFile(const wchar_t* path, bool load) {
  if (!path || !path[0]) return 0;
  if (!m_pRestoreTrailer) m_pRestoreTrailer = std::make_unique<StoredTrailer>();
  StoredTrailer& trailer = *m_pRestoreTrailer;
  if (!project::ReadProjectTrailer(path, &m_fileBytes, &trailer)) return 0;

  const bool hadFigures = !StoredFigures().empty();
  // One frame at the end rather than one per figure.
  CRepaintHold hold(m_pOwner);
  if (load) {
    if (m_pSelected) {
      static_cast<CDTDraw*>(m_pSelected)->m_nSelectedHandle = -1;
      m_pSelected = nullptr;
      if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureSelected(nullptr);
    }
    std::vector<CDTElement*> old;
    for (CDTElement* child : m_children)
      if (IsStoredFigure(child, m_pRuler)) old.push_back(child);
    RemoveFigures(old);
  }
  if (std::isfinite(trailer.scale) && trailer.scale > 0.0) ReferenceScale = trailer.scale;
  if (std::isfinite(trailer.power) && trailer.power > 0.0) MultiPower = trailer.power;
  if (!trailer.unit.empty()) {
    std::wmemset(m_szUnit, 0, 256);
    std::wcsncpy(m_szUnit, trailer.unit.c_str(), 255);
  }
  bool added = false;
  for (const StoredFigure& f : trailer.figures) added = AddStoredFigure(f, load, load) != nullptr || added;
  if (m_pRuler) m_pRuler->Measure();
  if (load) {
    // Undo must lead back to the figures before the load, not past the loaded ones.
    if (hadFigures || added) PushHistory();
  }
  return 1;
}
