// Measure project files and undo snapshots on a live canvas: save, load and
// merge, safe replacement of the old file, hostile files, the snapshot
// restore behind undo and redo.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/ProjectFile.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

// A figure of any stored type that keeps what the store gives it.
class CStoreFigure : public CDTDraw {
 public:
  explicit CStoreFigure(int type) { m_nType = type; }
  int Draw() override { return 0; }
  int CreateDeviceObjects() override {
    m_label.Attach(this);
    return 0;
  }
  void BuildHandles() override {
    m_handles.clear();
    for (const PointF& v : m_vertices) {
      float sx, sy;
      PixelToScreen(v.x, v.y, &sx, &sy);
      AddHandle(sx, sy);
    }
    m_bComplete = 1;
  }
  void SetVertices(const std::vector<PointF>& points) override {
    ++m_nSetVertices;
    m_vertices = points;
  }
  void GetStoredExtra(FigureExtra* extra) const override { *extra = m_extra; }
  void SetStoredExtra(const FigureExtra& extra) override { m_extra = extra; }

  FigureExtra m_extra;
  int m_nSetVertices = 0;
};

CDTDraw* MakeStoreFigure(int type) { return new CStoreFigure(type); }

// Installs the test figures as the store's figure classes.
struct CFactoryScope {
  CFactoryScope() { previous = project::SetStoredFigureFactory(&MakeStoreFigure); }
  ~CFactoryScope() { project::SetStoredFigureFactory(previous); }
  project::StoredFigureFactory previous;
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

GUID MakeGuid(uint32_t n) {
  GUID g{};
  g.Data1 = n;
  g.Data2 = static_cast<uint16_t>(n * 7u);
  g.Data3 = 0x4d00;
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(n >> (i % 4 * 8)) ^ static_cast<uint8_t>(i * 31);
  return g;
}

std::vector<PointF> VerticesFor(int type, uint32_t seed) {
  const int n = type == DRAW_CLIPART || type == DRAW_TEXT || type == DRAW_RECTANGLE || type == DRAW_ANGLE_PT4 ? 4
                : type == DRAW_LINE                                                                           ? 2
                                    : 3 + type % 3;
  std::vector<PointF> v;
  for (int i = 0; i < n; ++i) v.push_back({10.5f + 13.25f * i + seed % 50, 20.25f + 7.5f * i + seed % 30});
  return v;
}

// A figure of the type with styles that differ from figure to figure.
CStoreFigure* AddStored(CDTImage& doc, CDirectUI& canvas, int type, uint32_t id) {
  auto* f = new CStoreFigure(type);
  f->m_guid = MakeGuid(id);
  f->m_bSolid = static_cast<int>(id & 1);
  f->m_nLineCap = static_cast<int>(id % 3);
  f->m_nPenWeight = static_cast<int>(1 + id % 5);
  f->m_clrLine = 0xFF000000u | (id * 0x10203u);
  f->m_nFontSize = static_cast<int>(10 + id % 20);
  f->m_clrText = 0x80000000u | (id * 0x30201u);
  f->m_label.m_bBackground = static_cast<int>(id & 1);
  f->m_label.m_clrBackground = 0x40000000u | id;
  f->m_label.m_bBorder = static_cast<int>((id >> 1) & 1);
  f->m_bShowResult = static_cast<int>((id >> 2) & 1);
  f->SetFontFace(id % 4 == 0 ? L"Courier New" : L"Tahoma");
  if (type == DRAW_TEXT) {
    f->m_extra.boxWidth = 120.0f;
    f->m_extra.boxHeight = 33.0f;
    f->m_extra.hasText = true;
    f->m_extra.text = L"note " + std::to_wstring(id);
  }
  if (type == DRAW_CLIPART) {
    f->m_extra.fixedSize = 0;
    f->m_extra.scaleX = 1.5f;
    f->m_extra.scaleY = 0.75f;
  }
  if (type == DRAW_ANGLE || type == DRAW_ANGLE_PT4) f->m_extra.complement = 1;
  for (const PointF& p : VerticesFor(type, id)) f->AppendVertex(p.x, p.y);
  f->AttachToDocument(&doc);
  RECT empty{};
  const std::wstring name = L"figure " + std::to_wstring(id);
  if (FAILED(f->Create(&canvas, &doc, name.c_str(), &empty))) return nullptr;
  f->m_label.m_fOffsetX = static_cast<float>(id % 7) - 3.0f;
  f->m_label.m_fOffsetY = 4.0f - static_cast<float>(id % 5);
  f->m_label.m_bFollows = static_cast<int>(id % 2);
  return f;
}

// The document's figure records by GUID, each with its variable data.
std::map<std::string, std::vector<uint8_t>> RecordsByGuid(CDTImage& doc) {
  CDTAction action;
  doc.WriteSnapshot(&action);
  project::StoredTrailer trailer;
  EXPECT_TRUE(project::ReadTrailer(action.Data(), action.Used(), &trailer));
  std::map<std::string, std::vector<uint8_t>> out;
  for (const CDTDraw* figure : doc.StoredFigures()) {
    CDTAction one;
    project::WriteTrailer(L"", 1.0, 1.0, {figure}, &one);
    std::string key(reinterpret_cast<const char*>(&figure->m_guid), sizeof(GUID));
    out[key] = std::vector<uint8_t>(one.Data() + project::kHeaderSize, one.Data() + one.Used());
  }
  return out;
}

// Empty when equal, else where the bytes first differ.
std::string Difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a == b) return std::string();
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at " +
         std::to_string(i);
}

std::string Difference(const std::map<std::string, std::vector<uint8_t>>& a,
                       const std::map<std::string, std::vector<uint8_t>>& b) {
  if (a.size() != b.size()) return "figure counts " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (const auto& [guid, record] : a) {
    auto other = b.find(guid);
    if (other == b.end()) return "a GUID is missing";
    const std::string d = Difference(record, other->second);
    if (!d.empty()) return "record of type " + std::to_string(record[0]) + ": " + d;
  }
  return std::string();
}

std::vector<uint8_t> Snapshot(CDTImage& doc) {
  CDTAction action;
  doc.WriteSnapshot(&action);
  return std::vector<uint8_t>(action.Data(), action.Data() + action.Used());
}

class ProjectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_scene.Ready());
    m_picture = Noise(300, 200, 7);
    m_scene.Show(m_picture);
  }
  CDTImage& Doc() { return m_scene.m_document; }
  CStoreFigure* Add(int type, uint32_t id) { return AddStored(Doc(), m_scene.m_canvas, type, id); }
  void AddEveryType() {
    for (int type = DRAW_LINE; type <= DRAW_TEXT; ++type) ASSERT_NE(Add(type, 100u + type), nullptr);
  }

  CFactoryScope m_factory;
  CCanvasScene m_scene;
  CPicture m_picture;
};

TEST_F(ProjectFile, SaveThenLoadGivesBackTheTrailerAndThePicture) {
  AddEveryType();
  Doc().Rename(L"doc");
  Doc().SetUnit(L"mm");
  const double scale = 0.125;
  Doc().SetReferenceScale(&scale, 1);
  const std::vector<uint8_t> before = Snapshot(Doc());
  ASSERT_TRUE(Doc().SaveFile(L"roundtrip.prj"));

  const std::vector<uint8_t> file = ReadBytes("roundtrip.prj");
  const size_t image = 300u * 200u * 4u;
  ASSERT_EQ(file.size(), 54u + image + before.size());
  for (int y = 0; y < 200; y += 37)
    for (int x = 0; x < 300; x += 41) {
      uint32_t px;
      std::memcpy(&px, &file[54 + (static_cast<size_t>(199 - y) * 300 + x) * 4], 4);
      EXPECT_EQ(px & 0xFFFFFF, m_picture.At(x, y) & 0xFFFFFF) << x << "," << y;
    }
  EXPECT_TRUE(std::equal(before.begin(), before.end(), file.begin() + 54 + static_cast<ptrdiff_t>(image)));

  const auto records = RecordsByGuid(Doc());
  const std::vector<const CDTDraw*> old = Doc().StoredFigures();
  m_scene.m_observer.m_events.clear();
  ASSERT_EQ(Doc().LoadFile(L"roundtrip.prj"), 1);
  const std::vector<const CDTDraw*> loaded = Doc().StoredFigures();
  ASSERT_EQ(loaded.size(), old.size());
  EXPECT_EQ(Difference(RecordsByGuid(Doc()), records), "");
  EXPECT_EQ(Difference(Snapshot(Doc()), before), "") << "the same trailer, GUIDs and order included";
  EXPECT_EQ(m_scene.m_observer.Count("FigureAdded"), 13);
  EXPECT_EQ(m_scene.m_observer.Count("HistoryChanged"), 1) << "a load that changed the figures is an undo step";

  // Merging the file adds a second copy of every figure with the same trailer records.
  ASSERT_EQ(Doc().MergeFile(L"roundtrip.prj"), 1);
  EXPECT_EQ(Doc().StoredFigures().size(), 26u);
  EXPECT_EQ(m_scene.m_observer.Count("FigureAdded"), 13) << "merge does not report";
}

TEST_F(ProjectFile, UndoAfterLoadReturnsToTheFiguresBeforeIt) {
  Add(DRAW_LINE, 1);
  Doc().PushHistory();
  ASSERT_TRUE(Doc().SaveFile(L"undo_load.prj"));
  Add(DRAW_CIRCLE, 2);
  Doc().PushHistory();
  const std::vector<uint8_t> edited = Snapshot(Doc());
  ASSERT_EQ(Doc().LoadFile(L"undo_load.prj"), 1);
  Add(DRAW_RECTANGLE, 3);
  Doc().PushHistory();
  Doc().Undo();
  EXPECT_EQ(Doc().StoredFigures().size(), 1u) << "undo keeps the loaded figure";
  Doc().Undo();
  EXPECT_EQ(RecordsByGuid(Doc()).size(), 2u);
  EXPECT_EQ(Difference(Snapshot(Doc()), edited), "") << "and the next undo leads back to before the load";
}

TEST_F(ProjectFile, LabelOffsetsRoundToNearestAndDoNotCreep) {
  CStoreFigure* f = Add(DRAW_LINE, 5);
  const struct {
    float offset;
    int32_t stored;
  } cases[] = {{-2.7f, -3}, {2.5f, 3}, {-2.5f, -2}, {-0.4f, 0}, {2.49f, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    f->m_label.m_fOffsetX = c.offset;
    f->m_label.m_fOffsetY = c.offset;
    const std::vector<uint8_t> s = Snapshot(Doc());
    int32_t x, y;
    std::memcpy(&x, &s[project::kHeaderSize + project::kRecordLabelX], 4);
    std::memcpy(&y, &s[project::kHeaderSize + project::kRecordLabelY], 4);
    EXPECT_EQ(x, c.stored);
    EXPECT_EQ(y, c.stored);
  }
  // Three save and load cycles keep a label left of its figure where it was.
  f->m_label.m_fOffsetX = -2.7f;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(Doc().SaveFile(L"creep.prj"));
    ASSERT_EQ(Doc().LoadFile(L"creep.prj"), 1);
  }
  ASSERT_EQ(Doc().StoredFigures().size(), 1u);
  EXPECT_EQ(Doc().StoredFigures()[0]->m_label.m_fOffsetX, -3.0f);
}

// Fails the write that would take the file past a given size.
size_t g_writeBudget = 0;
BOOL FailingWrite(HANDLE file, const void* data, DWORD size, DWORD* written) {
  if (size > g_writeBudget) {
    *written = 0;
    return FALSE;
  }
  g_writeBudget -= size;
  return ::WriteFile(file, data, size, written, nullptr);
}

int CountTemporaryFiles() {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(L"prj*.tmp", &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return n;
}

TEST_F(ProjectFile, AFailedSaveLeavesThePreviousFileAsItWas) {
  AddEveryType();
  ASSERT_TRUE(Doc().SaveFile(L"safe.prj"));
  const std::vector<uint8_t> previous = ReadBytes("safe.prj");
  Add(DRAW_POLYGON, 77);
  const size_t budgets[] = {0, 10, 54, 54 + 1200 * 100, 54 + 300 * 200 * 4, 54 + 300 * 200 * 4 + 600};
  for (size_t budget : budgets) {
    SCOPED_TRACE(budget);
    g_writeBudget = budget;
    const project::FileWriteFunction old = project::SetFileWriteFunction(&FailingWrite);
    const BOOL saved = Doc().SaveFile(L"safe.prj");
    project::SetFileWriteFunction(old);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Difference(ReadBytes("safe.prj"), previous), "");
    EXPECT_EQ(CountTemporaryFiles(), 0);
  }
}

TEST(ProjectFileNoFrame, SaveWithoutAPictureDoesNotTouchTheFile) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  WriteBytes("untouched.prj", {1, 2, 3});
  EXPECT_FALSE(scene.m_document.SaveFile(L"untouched.prj"));
  EXPECT_EQ(ReadBytes("untouched.prj"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(ProjectFile, ABadFileLeavesTheFiguresAsTheyWere) {
  AddEveryType();
  ASSERT_TRUE(Doc().SaveFile(L"good.prj"));
  const std::vector<uint8_t> good = ReadBytes("good.prj");
  const std::vector<const CDTDraw*> figures = Doc().StoredFigures();
  const std::vector<uint8_t> state = Snapshot(Doc());
  const int pushes = Doc().m_history.m_nPushes;
  const size_t trailer = 54 + 300u * 200u * 4u;
  // Cut at the header, inside a record, inside the vertices and at the last byte.
  const size_t cuts[] = {0,
                         20,
                         54,
                         trailer,
                         trailer + 100,
                         trailer + project::kHeaderSize + 300,
                         trailer + project::kHeaderSize + project::kRecordSize + 4,
                         good.size() - 1};
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    WriteBytes("cut.prj", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut)));
    EXPECT_EQ(Doc().LoadFile(L"cut.prj"), 0);
    EXPECT_EQ(Doc().MergeFile(L"cut.prj"), 0);
    EXPECT_EQ(Doc().StoredFigures(), figures);
    EXPECT_EQ(Difference(Snapshot(Doc()), state), "");
  }
  EXPECT_EQ(Doc().LoadFile(L"no such file.prj"), 0);
  EXPECT_EQ(Doc().StoredFigures(), figures);
  EXPECT_EQ(Doc().m_history.m_nPushes, pushes);
}

TEST_F(ProjectFile, RestoreThatRemovesTheSelectedFigureClearsTheSelection) {
  CDTAction empty;
  Doc().WriteSnapshot(&empty);
  Doc().SelectElement(Add(DRAW_LINE, 8));
  ASSERT_TRUE(Doc().RestoreSnapshot(&empty));
  EXPECT_TRUE(Doc().StoredFigures().empty());
  EXPECT_EQ(Doc().m_pSelected, nullptr) << "no selection may point at the removed figure";

  Doc().PushHistory();
  CStoreFigure* f = Add(DRAW_LINE, 9);
  Doc().PushHistory();
  Doc().SelectElement(f);
  f->m_nSelectedHandle = 1;
  m_scene.m_observer.m_events.clear();
  Doc().Undo();
  EXPECT_TRUE(Doc().StoredFigures().empty());
  EXPECT_EQ(Doc().m_pSelected, nullptr);
  EXPECT_EQ(m_scene.m_observer.Count("FigureSelected"), 1);
  Doc().Redo();
  ASSERT_EQ(Doc().StoredFigures().size(), 1u);
  EXPECT_EQ(Doc().m_pSelected, nullptr);
}

// A seeded script of changes; every undo gives back the records written
// before the change it takes back, survivors stay the same objects in the
// same order, and redo walks forward alike.
// An undo of one change rebuilds only the figure whose record differs; every
// figure the snapshot holds is still reported changed. Duplicate GUIDs (a file
// merged twice) keep every figure that has one and update the first.
TEST_F(ProjectFile, RestoreRebuildsOnlyTheFiguresThatDiffer) {
  std::vector<CStoreFigure*> figures;
  for (uint32_t id = 1; id <= 5; ++id) figures.push_back(Add(DRAW_LINE + static_cast<int>(id % 3), id));
  Doc().PushHistory();
  const std::vector<uint8_t> before = Snapshot(Doc());
  figures[2]->m_vertices[0].x += 3.0f;
  figures[4]->m_nPenWeight = 7;
  Doc().PushHistory();
  for (CStoreFigure* f : figures) f->m_nSetVertices = 0;
  m_scene.m_observer.m_events.clear();
  Doc().Undo();
  EXPECT_EQ(Difference(Snapshot(Doc()), before), "");
  const int rebuilt[] = {0, 0, 1, 0, 1};
  for (size_t i = 0; i < figures.size(); ++i) EXPECT_EQ(figures[i]->m_nSetVertices, rebuilt[i]) << i;
  EXPECT_EQ(m_scene.m_observer.Count("FigureChanged"), 5);

  CDTAction twice;
  Doc().WriteSnapshot(&twice);
  CStoreFigure* copy = Add(DRAW_LINE, 99);
  copy->m_guid = figures[1]->m_guid;
  copy->m_vertices[0].x += 5.0f;
  CStoreFigure* extra = Add(DRAW_CIRCLE, 100);
  m_scene.m_observer.m_events.clear();
  ASSERT_TRUE(Doc().RestoreSnapshot(&twice));
  const std::vector<const CDTDraw*> left = Doc().StoredFigures();
  ASSERT_EQ(left.size(), 6u) << "the copy shares a kept GUID, the circle goes";
  EXPECT_EQ(left.back(), copy);
  EXPECT_EQ(std::count(left.begin(), left.end(), extra), 0);
  EXPECT_EQ(m_scene.m_observer.Count("FigureRemoved"), 1);
}

TEST_F(ProjectFile, UndoAndRedoWalkASeededScriptOfChanges) {
  std::mt19937 random(20261210);
  uint32_t nextId = 1000;
  for (int i = 0; i < 4; ++i) Add(DRAW_LINE + i * 3, nextId++);
  Doc().m_history.SetBase(&Doc());
  const std::wstring unit(Doc().m_szUnit);
  const double scale = Doc().ReferenceScale, power = Doc().MultiPower;

  std::vector<std::map<std::string, std::vector<uint8_t>>> states{RecordsByGuid(Doc())};
  std::vector<std::vector<const CDTDraw*>> orders{Doc().StoredFigures()};
  for (int step = 0; step < 60; ++step) {
    std::vector<const CDTDraw*> figures = Doc().StoredFigures();
    const int action = figures.empty() ? 0 : static_cast<int>(random() % 5);
    auto* f = figures.empty()
                  ? nullptr
                  : const_cast<CStoreFigure*>(static_cast<const CStoreFigure*>(figures[random() % figures.size()]));
    switch (action) {
      case 0:
        Add(DRAW_LINE + static_cast<int>(random() % 13), nextId++);
        Doc().PushHistory();
        break;
      case 1:  // move
        for (PointF& v : f->m_vertices) v.x += 3.0f, v.y -= 2.0f;
        Doc().PushHistory();
        break;
      case 2:  // split the label from its figure
        f->m_label.m_bFollows = 0;
        Doc().PushHistory();
        break;
      case 3:
        f->SetLineColor(0xFF000000u | random(), FALSE);
        f->SetPenWeight(1 + static_cast<int>(random() % 9), FALSE);
        Doc().PushHistory();
        break;
      default:
        Doc().DeleteFigure(f);
        break;
    }
    states.push_back(RecordsByGuid(Doc()));
    orders.push_back(Doc().StoredFigures());
  }
  for (int i = 59; i >= 0; --i) {
    SCOPED_TRACE("undo to state " + std::to_string(i));
    const std::vector<const CDTDraw*> before = Doc().StoredFigures();
    Doc().Undo();
    ASSERT_EQ(Difference(RecordsByGuid(Doc()), states[static_cast<size_t>(i)]), "");
    // Survivors keep their objects and order.
    std::vector<const CDTDraw*> survivors;
    for (const CDTDraw* f : Doc().StoredFigures())
      if (std::find(before.begin(), before.end(), f) != before.end()) survivors.push_back(f);
    std::vector<const CDTDraw*> expected;
    for (const CDTDraw* f : before)
      if (std::find(survivors.begin(), survivors.end(), f) != survivors.end()) expected.push_back(f);
    EXPECT_EQ(survivors, expected);
    EXPECT_EQ(std::wstring(Doc().m_szUnit), unit);
    EXPECT_EQ(Doc().ReferenceScale, scale);
    EXPECT_EQ(Doc().MultiPower, power);
  }
  EXPECT_FALSE(Doc().m_history.CanUndo());
  for (int i = 1; i <= 60; ++i) {
    SCOPED_TRACE("redo to state " + std::to_string(i));
    Doc().Redo();
    ASSERT_EQ(Difference(RecordsByGuid(Doc()), states[static_cast<size_t>(i)]), "");
  }
}

// Hostile trailers built here byte by byte; the files the independent
// writer makes are read in ProjectFileFixtures.
std::vector<uint8_t> Header(uint32_t count) {
  std::vector<uint8_t> h(project::kHeaderSize, 0);
  h[0] = 0x20;
  h[1] = 0x02;
  std::memcpy(&h[project::kHeaderCount], &count, 4);
  return h;
}

TEST(ProjectTrailer, CountsThatTheBytesCannotBackAreRefused) {
  project::StoredTrailer t;
  std::vector<uint8_t> bytes = Header(0x7FFFFFFF);
  EXPECT_FALSE(project::ReadTrailer(bytes.data(), bytes.size(), &t));
  bytes = Header(1);
  std::vector<uint8_t> record(project::kRecordSize, 0);
  record[0] = 1;
  const uint32_t huge = 0xFFFFFFFFu;
  std::memcpy(&record[project::kRecordVertexCount], &huge, 4);
  bytes.insert(bytes.end(), record.begin(), record.end());
  EXPECT_FALSE(project::ReadTrailer(bytes.data(), bytes.size(), &t));
  // Zero vertices and a string count far past the end.
  std::memset(&record[project::kRecordVertexCount], 0, 4);
  bytes = Header(1);
  bytes.insert(bytes.end(), record.begin(), record.end());
  const uint32_t count = 0x7FFFFFFF;
  bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&count), reinterpret_cast<const uint8_t*>(&count) + 4);
  EXPECT_FALSE(project::ReadTrailer(bytes.data(), bytes.size(), &t));
}

TEST(ProjectTrailer, BitmapHeadersMustDescribeRowsInsideTheFile) {
  const struct {
    int32_t width, height;
    uint16_t bits;
    uint64_t fileSize;
    bool ok;
  } cases[] = {
      {300, 200, 32, 54 + 240000, true},
      {300, 200, 32, 54 + 239999, false},
      {300, -200, 32, 54 + 240000, true},
      {0, 200, 32, 1000000, false},
      {300, 0, 32, 1000000, false},
      {-5, 200, 32, 1000000, false},
      {300, 200, 0, 1000000, false},
      {65536, 65536, 32, 54 + 4096, false},
      {0x7FFFFFFF, 0x7FFFFFFF, 32, 1ull << 40, false},
      {300, INT32_MIN, 32, ~0ull, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.bits));
    uint8_t h[54] = {'B', 'M'};
    std::memcpy(h + 18, &c.width, 4);
    std::memcpy(h + 22, &c.height, 4);
    std::memcpy(h + 28, &c.bits, 2);
    uint64_t offset = 0;
    EXPECT_EQ(project::FindTrailer(h, c.fileSize, &offset), c.ok);
  }
}

}  // namespace

namespace {

// Files written by project_file_fixture.py with the independent writer.
class ProjectFileFixtures : public ProjectFile {
 protected:
  void SetUp() override {
    ProjectFile::SetUp();
    ASSERT_FALSE(ReadBytes("every_type.prj").empty()) << "project_file_fixture.py writes the fixtures";
  }
  std::vector<const CDTDraw*> Preload() {
    Add(DRAW_LINE, 1);
    Add(DRAW_CIRCLE, 2);
    return Doc().StoredFigures();
  }
};

TEST_F(ProjectFileFixtures, EveryTypeLoadsAndMergesAndSavesBackTheSameTrailer) {
  ASSERT_EQ(Doc().LoadFile(L"every_type.prj"), 1);
  const std::vector<const CDTDraw*> figures = Doc().StoredFigures();
  ASSERT_EQ(figures.size(), 13u) << "types 0 and 14 are read past";
  for (int i = 0; i < 13; ++i) EXPECT_EQ(figures[static_cast<size_t>(i)]->m_nType, i + 1);
  EXPECT_STREQ(Doc().m_szUnit, L"mm");
  EXPECT_EQ(Doc().ReferenceScale, 0.5);
  EXPECT_EQ(Doc().MultiPower, 2.0);
  const std::vector<uint8_t> expect = ReadBytes("every_type_expect.bin");
  EXPECT_EQ(Difference(Snapshot(Doc()), expect), "");
  ASSERT_TRUE(Doc().SaveFile(L"every_type_loaded.prj"));

  CCanvasScene other;
  ASSERT_TRUE(other.Ready());
  other.Show(m_picture);
  ASSERT_EQ(other.m_document.MergeFile(L"every_type.prj"), 1);
  EXPECT_EQ(Difference(Snapshot(other.m_document), expect), "");
  ASSERT_TRUE(other.m_document.SaveFile(L"every_type_merged.prj"));
}

// The picture is shown fitted, at a fractional zoom (2.1333): the figure
// classes come out with the vertices they get at actual size, bit for bit,
// rather than taking them back from their window positions a rounding step
// off (39.9999962 for 40).
TEST_F(ProjectFileFixtures, RealFiguresKeepTheirVerticesAtAFractionalZoom) {
  ASSERT_NE(Doc().m_fZoom, std::floor(Doc().m_fZoom));
  const project::StoredFigureFactory store = project::SetStoredFigureFactory(nullptr);
  CCanvasScene actual;
  ASSERT_TRUE(actual.Ready());
  actual.Show(m_picture);
  actual.m_document.SetZoomMode(1, 1.0f);
  ASSERT_EQ(actual.m_document.MergeFile(L"every_type.prj"), 1);
  const std::vector<const CDTDraw*> expect = actual.m_document.StoredFigures();
  ASSERT_EQ(expect.size(), 13u);
  for (int load = 0; load < 2; ++load) {
    SCOPED_TRACE(load ? "load" : "merge");
    ASSERT_EQ(load ? Doc().LoadFile(L"every_type.prj") : Doc().MergeFile(L"every_type.prj"), 1);
    const std::vector<const CDTDraw*> figures = Doc().StoredFigures();
    ASSERT_EQ(figures.size(), 13u);
    int moved = 0;
    for (size_t k = 0; k < figures.size(); ++k) {
      // The text box keeps its size in window pixels, so its corners follow the zoom.
      if (figures[k]->m_nType == DRAW_TEXT) continue;
      ASSERT_EQ(figures[k]->m_vertices.size(), expect[k]->m_vertices.size());
      for (size_t i = 0; i < figures[k]->m_vertices.size(); ++i) {
        const PointF a = figures[k]->m_vertices[i], b = expect[k]->m_vertices[i];
        if (a.x != b.x || a.y != b.y) {
          ++moved;
          ADD_FAILURE() << "type " << figures[k]->m_nType << " vertex " << i << ": " << a.x << ", " << a.y << " for "
                        << b.x << ", " << b.y;
        }
      }
    }
    EXPECT_EQ(moved, 0);
  }
  project::SetStoredFigureFactory(store);
}

TEST_F(ProjectFileFixtures, EmptyUnitKeepsTheUnitAndBareHeaderLeavesOnlyTheRuler) {
  Doc().SetUnit(L"inch");
  ASSERT_EQ(Doc().LoadFile(L"empty_unit.prj"), 1);
  EXPECT_STREQ(Doc().m_szUnit, L"inch");
  EXPECT_EQ(Doc().ReferenceScale, 0.25);
  EXPECT_EQ(Doc().MultiPower, 4.0);
  EXPECT_EQ(Doc().StoredFigures().size(), 1u);
  ASSERT_EQ(Doc().LoadFile(L"bare_header.prj"), 1);
  EXPECT_STREQ(Doc().m_szUnit, L"um");
  EXPECT_TRUE(Doc().StoredFigures().empty());
  ASSERT_EQ(Doc().m_children.size(), 1u);
  EXPECT_EQ(Doc().m_children[0], static_cast<CDTElement*>(Doc().m_pRuler));
}

TEST_F(ProjectFileFixtures, HostileFilesLoadOrFailWithoutHarm) {
  std::ifstream table("hostile.txt");
  std::string name;
  int result = 0, count = 0, cases = 0;
  while (table >> name >> result >> count) {
    SCOPED_TRACE(name);
    ++cases;
    const std::wstring path(name.begin(), name.end());
    for (bool load : {true, false}) {
      SCOPED_TRACE(load ? "load" : "merge");
      for (const CDTDraw* f : Doc().StoredFigures()) Doc().DeleteFigure(const_cast<CDTDraw*>(f));
      const std::vector<const CDTDraw*> before = Preload();
      const std::vector<uint8_t> state = Snapshot(Doc());
      const int got = load ? Doc().LoadFile(path.c_str()) : Doc().MergeFile(path.c_str());
      EXPECT_EQ(got, result);
      if (got == 0) {
        EXPECT_EQ(Doc().StoredFigures(), before);
        EXPECT_EQ(Difference(Snapshot(Doc()), state), "");
      } else {
        EXPECT_EQ(Doc().StoredFigures().size(), static_cast<size_t>(count) + (load ? 0 : before.size()));
      }
      for (const CDTDraw* f : Doc().StoredFigures()) {
        EXPECT_GE(f->m_nFontSize, project::kMinFontSize);
        EXPECT_LE(f->m_nFontSize, project::kMaxFontSize);
        EXPECT_LE(f->m_nPenWeight, project::kMaxPenWeight);
        EXPECT_LE(f->m_pszName ? std::wcslen(f->m_pszName) : 0, 255u);
        for (const PointF& v : f->m_vertices) EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
      }
    }
  }
  EXPECT_GT(cases, 40);
  ASSERT_EQ(Doc().LoadFile(L"clipart_empty_path.prj"), 1);
  const auto* clip = static_cast<const CStoreFigure*>(Doc().StoredFigures()[0]);
  EXPECT_EQ(clip->m_extra.fixedSize, 0u) << "the flag and scales after an empty path are read";
  EXPECT_EQ(clip->m_extra.scaleY, 3.0f);
  ASSERT_EQ(Doc().LoadFile(L"font_size_million.prj"), 1);
  EXPECT_EQ(Doc().StoredFigures()[0]->m_nFontSize, project::kMaxFontSize);
}

// Seeded mutants of the file that holds every type, fed to load, merge and
// the snapshot restore. MEASURE_PRJ_MUTANTS sets how many (4,000 by
// default); every fiftieth goes through the file readers, all through the restore.
TEST_F(ProjectFileFixtures, SeededMutantsNeverHarm) {
  const std::vector<uint8_t> original = ReadBytes("every_type.prj");
  uint64_t offset = 0;
  uint8_t headers[54];
  std::memcpy(headers, original.data(), 54);
  ASSERT_TRUE(project::FindTrailer(headers, original.size(), &offset));
  int mutants = 4000;
  if (const char* n = std::getenv("MEASURE_PRJ_MUTANTS")) mutants = std::max(1, std::atoi(n));
  std::mt19937 random(4242);
  const uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x7FC00000u, 0x7F800000u, 588, 16};
  int loaded = 0;
  for (int m = 0; m < mutants; ++m) {
    std::vector<uint8_t> bytes = original;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && bytes.size() > offset; ++e) {
      const size_t at = offset + random() % (bytes.size() - offset);
      switch (random() % 4) {
        case 0:
          bytes[at] = static_cast<uint8_t>(random());
          break;
        case 1:
          if (at + 4 <= bytes.size()) std::memcpy(&bytes[at], &extremes[random() % 9], 4);
          break;
        case 2:
          bytes.resize(at);
          break;
        default:
          bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
      }
    }
    SCOPED_TRACE("mutant " + std::to_string(m));
    const std::vector<uint8_t> state = Snapshot(Doc());
    CDTAction action;
    action.Append(bytes.data() + offset, bytes.size() - static_cast<size_t>(offset));
    if (!Doc().RestoreSnapshot(&action)) {
      ASSERT_EQ(Difference(Snapshot(Doc()), state), "");
    }
    if (m % 50 != 0) continue;
    WriteBytes("mutant.prj", bytes);
    const std::vector<uint8_t> now = Snapshot(Doc());
    const int got = m % 100 == 0 ? Doc().LoadFile(L"mutant.prj") : Doc().MergeFile(L"mutant.prj");
    if (!got) {
      ASSERT_EQ(Difference(Snapshot(Doc()), now), "");
    }
    loaded += got;
    if (Doc().StoredFigures().size() > 200) Doc().LoadFile(L"bare_header.prj");
  }
  EXPECT_GT(loaded, 0);
}

// Writes a saved project and what the document held, for project_file_check.py.
TEST_F(ProjectFile, SavedFileForTheIndependentReader) {
  AddEveryType();
  CStoreFigure* named = Add(DRAW_LINE, 300);
  named->Rename(std::wstring(300, L'n').c_str());
  named->m_label.m_fOffsetX = -2.7f;
  named->m_label.m_fOffsetY = 2.5f;
  Doc().SetUnit(L"\u00b5m");
  ASSERT_TRUE(Doc().SaveFile(L"saved.prj"));
  std::ofstream frame("saved_frame.bin", std::ios::binary);
  frame.write(reinterpret_cast<const char*>(m_picture.pixels.data()),
              static_cast<std::streamsize>(m_picture.pixels.size() * 4));
  std::ofstream expect("saved_expect.txt");
  expect.precision(9);
  expect << m_picture.width << " " << m_picture.height << " " << Doc().ReferenceScale << " " << Doc().MultiPower
         << "\n";
  for (const CDTDraw* c : Doc().StoredFigures()) {
    const auto* f = static_cast<const CStoreFigure*>(c);
    const uint8_t* g = reinterpret_cast<const uint8_t*>(&f->m_guid);
    expect << "figure " << f->m_nType << " ";
    for (int i = 0; i < 16; ++i) expect << std::hex << (g[i] >> 4) << (g[i] & 15) << std::dec;
    expect << " " << (f->m_pszName ? std::wcslen(f->m_pszName) : 0) << " " << f->m_bSolid << " " << f->m_nLineCap << " "
           << f->m_nPenWeight << " " << f->m_clrLine << " " << f->m_nFontSize << " " << f->m_clrText << " "
           << f->m_label.m_bBackground << " " << f->m_label.m_clrBackground << " " << f->m_label.m_bBorder << " "
           << f->m_label.m_fOffsetX << " " << f->m_label.m_fOffsetY << " " << f->m_label.m_bFollows << " "
           << f->m_bShowResult << " " << (f->m_pszFontFace ? std::wcslen(f->m_pszFontFace) : 0) << " "
           << f->m_extra.boxWidth << " " << f->m_extra.boxHeight << " " << f->m_extra.text.size() << " "
           << f->m_extra.fixedSize << " " << f->m_extra.scaleX << " " << f->m_extra.scaleY << " "
           << int{f->m_extra.complement} << " " << f->m_vertices.size();
    for (const PointF& v : f->m_vertices) expect << " " << v.x << " " << v.y;
    expect << "\n";
  }
}

}  // namespace
