// The project list: finding by path, reordering, closing, many threads at
// once, and pictures loaded into documents on a real canvas.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/ProjectManager.h"
#include "capture/ProjectVideo.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "tests/app/project_fixture.h"

using namespace projecttest;

namespace {

std::vector<std::wstring> Order(const CProjectManager& manager) { return manager.CopyPaths(); }

TEST(ProjectManager, OpenFindsByPathOfTheSameLengthWithoutRegardToCase) {
  CProjectManager manager;
  EXPECT_EQ(g_pProjectManager, &manager);
  CProject* a = manager.OpenImage(L"C:\\pics\\Photo.JPG");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->m_bNoReload, 1);
  EXPECT_EQ(a->m_bVideo, 0);
  ASSERT_NE(a->m_pDocument, nullptr);
  EXPECT_EQ(a->m_pDocument->m_pProject, a);
  EXPECT_EQ(a->m_pDocument->m_nWidth, 0);

  struct Case {
    const wchar_t* path;
    bool found;
  } cases[] = {
      {L"C:\\pics\\Photo.JPG", true},
      {L"c:\\PICS\\photo.jpg", true},
      {L"C:\\pics\\Photo.JP", false},
      {L"C:\\pics\\Photo.JPG2", false},
      {L"", false},
      {nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path ? std::string(c.path, c.path + wcslen(c.path)) : std::string("null"));
    EXPECT_EQ(manager.Find(c.path), c.found ? a : nullptr);
  }
  // Another letter case opens the listed project and adds nothing.
  EXPECT_EQ(manager.OpenImage(L"C:\\PICS\\PHOTO.jpg"), a);
  EXPECT_EQ(manager.GetCount(), 1);
  // Neither the live project nor an empty path is ever found or opened.
  EXPECT_EQ(manager.OpenImage(L""), nullptr);
  EXPECT_EQ(manager.OpenImage(nullptr), nullptr);
  EXPECT_EQ(manager.m_LiveProject.m_pszPath, nullptr);
  ASSERT_NE(manager.GetLiveDocument(), nullptr);
  EXPECT_EQ(manager.GetCount(), 1);

  CProject* video = manager.OpenVideo(L"C:\\clips\\clip.avi");
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->m_bVideo, 1);
  EXPECT_NE(dynamic_cast<CProjectVideo*>(video), nullptr);
  EXPECT_EQ(manager.GetCount(), 2);
}

TEST(ProjectManager, NewDocumentsTakeUnitScaleAndPowerFromTheSettings) {
  const std::wstring unit = g_Config.CopyUnit();
  const double scale = g_Config.m_ReferenceScale, power = g_Config.m_MultiPower;
  g_Config.SetUnit(L"um");
  g_Config.m_ReferenceScale = 2.5;
  g_Config.m_MultiPower = 4.0;
  {
    CProjectManager manager;
    for (CDTImage* document : {manager.OpenImage(L"x.bmp")->m_pDocument, manager.GetLiveDocument()}) {
      EXPECT_STREQ(document->m_szUnit, L"um");
      EXPECT_DOUBLE_EQ(document->ReferenceScale, 2.5);
      EXPECT_DOUBLE_EQ(document->MultiPower, 4.0);
    }
  }
  if (!unit.empty()) g_Config.SetUnit(unit.c_str());
  g_Config.m_ReferenceScale = scale;
  g_Config.m_MultiPower = power;
}

TEST(ProjectManager, MoveBeforeKeepsTheOthersInOrder) {
  struct Case {
    char target, moved;
    int result;
    const wchar_t* order;
  } cases[] = {
      {'B', 'A', 1, L"ABC"}, {'A', 'C', 1, L"CAB"}, {'C', 'A', 1, L"BAC"},
      {'A', 'A', 0, L"ABC"}, {'A', 'x', 0, L"ABC"},  // not listed
      {'x', 'A', 0, L"ABC"},                         // null
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.target << " <- " << c.moved);
    CProjectManager manager;
    CProject* p[3] = {manager.OpenImage(L"A"), manager.OpenImage(L"B"), manager.OpenImage(L"C")};
    CProject stranger(&manager, L"S");
    auto pick = [&](char name) -> CProject* {
      if (name == 'x') return c.target == 'x' ? nullptr : &stranger;
      return p[name - 'A'];
    };
    EXPECT_EQ(manager.MoveBefore(pick(c.target), pick(c.moved)), c.result);
    std::wstring order;
    for (const std::wstring& path : Order(manager)) order += path;
    EXPECT_EQ(order, c.order);
  }
}

// Counts the close hooks and deletions of the projects it watches.
struct CloseLog {
  std::vector<std::wstring> events;
};

class CLoggedProject : public CProject {
 public:
  CLoggedProject(CProjectManager* manager, const wchar_t* path, CloseLog* log)
      : CProject(manager, path), m_name(path), m_log(log) {}
  ~CLoggedProject() override { m_log->events.push_back(L"delete " + m_name); }
  void OnDestroy() override {
    // The document still exists when the hook runs.
    m_log->events.push_back(std::wstring(m_pDocument ? L"destroy " : L"destroy without document ") + m_name);
  }
  std::wstring m_name;
  CloseLog* m_log;
};

TEST(ProjectManager, RemoveRemoveAllAndCloseAllCloseInListOrder) {
  CloseLog log;
  CProjectManager manager;
  for (const wchar_t* name : {L"A", L"B", L"C"}) {
    auto* project = new CLoggedProject(&manager, name, &log);
    ASSERT_EQ(project->CreateDocument(), 1);
    manager.m_projects.push_back(project);
  }
  CProject* b = manager.m_projects[1];
  manager.Remove(b);
  manager.Remove(b);  // no longer listed: nothing
  manager.Remove(nullptr);
  EXPECT_EQ(log.events, (std::vector<std::wstring>{L"destroy B", L"delete B"}));
  EXPECT_EQ(Order(manager), (std::vector<std::wstring>{L"A", L"C"}));

  log.events.clear();
  CDTImage* live = manager.GetLiveDocument();
  manager.RemoveAll();
  EXPECT_EQ(log.events, (std::vector<std::wstring>{L"destroy A", L"delete A", L"destroy C", L"delete C"}));
  EXPECT_EQ(manager.GetCount(), 0);
  EXPECT_EQ(manager.GetLiveDocument(), live);

  manager.CloseAll();
  EXPECT_EQ(manager.GetLiveDocument(), nullptr);
  manager.CloseAll();  // a second call finds nothing to do
  EXPECT_EQ(manager.GetCount(), 0);
}

TEST(ProjectManager, CloseFreesThePathAndRunsTheHookFirst) {
  CloseLog log;
  CLoggedProject project(nullptr, L"P", &log);
  ASSERT_EQ(project.CreateDocument(), 1);
  project.Close();
  EXPECT_EQ(project.m_pszPath, nullptr);
  EXPECT_EQ(project.m_pDocument, nullptr);
  EXPECT_EQ(log.events, (std::vector<std::wstring>{L"destroy P"}));
  CProject empty(nullptr, L"");
  EXPECT_EQ(empty.m_pszPath, nullptr);
  EXPECT_EQ(empty.LoadDocument(nullptr), 0);
}

TEST(ProjectManager, EightThreadsOpeningOnePathGetOneProject) {
  CProjectManager manager;
  std::atomic<int> differ{0};
  std::vector<CProject*> first(8, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 1000; ++i) {
        // Letter case varies with the thread; the path stays the same.
        CProject* project = manager.OpenImage(t % 2 ? L"D:\\Same\\Picture.png" : L"d:\\same\\picture.PNG");
        if (!first[t]) first[t] = project;
        if (project != first[t]) ++differ;
        if (i % 100 == 0) manager.OpenImage((L"other" + std::to_wstring(t)).c_str());
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(differ.load(), 0);
  for (CProject* project : first) EXPECT_EQ(project, first[0]);
  EXPECT_EQ(manager.GetCount(), 9);
}

TEST(ProjectManager, HeldProjectOutlivesItsRemovalUntilReleased) {
  CloseLog log;
  CProjectManager manager;
  auto* project = new CLoggedProject(&manager, L"H", &log);
  ASSERT_EQ(project->CreateDocument(), 1);
  manager.m_projects.push_back(project);
  {
    CProjectManager::CHold hold = manager.FindHeld(L"h");
    ASSERT_EQ(hold.Get(), project);
    manager.RemoveAll();
    EXPECT_EQ(manager.GetCount(), 0);
    EXPECT_TRUE(log.events.empty());
    EXPECT_NE(hold->m_pDocument, nullptr);  // still there for its filler
  }
  EXPECT_EQ(log.events, (std::vector<std::wstring>{L"destroy H", L"delete H"}));
  EXPECT_FALSE(manager.Hold(project));  // gone
}

}  // namespace

namespace {

uint32_t Gradient(int x, int y) { return uint32_t(x * 7) | uint32_t(y * 11) << 8 | uint32_t((x + y) & 0xFF) << 16; }

TEST(ProjectDocument, LoadDocumentFillsOnceWithOpaquePixelsAndNeverRereads) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  const std::wstring folder = FreshFolder(L"project_load");
  const std::wstring path = folder + L"\\half_alpha.bmp";
  ASSERT_TRUE(WriteBmp32(path, 40, 30, Gradient, 0x40));
  CProjectManager manager;
  CProject* project = manager.OpenImage(path.c_str());
  ASSERT_NE(project, nullptr);
  // Still a no-reload project: nothing is read.
  EXPECT_EQ(project->LoadDocument(&scene.m_canvas), 0);
  EXPECT_EQ(project->m_pDocument->m_nWidth, 0);

  project->m_bNoReload = 0;
  ASSERT_EQ(project->LoadDocument(&scene.m_canvas), 1);
  EXPECT_STREQ(project->m_pDocument->m_pszName, path.c_str());
  ASSERT_EQ(project->m_pDocument->m_nWidth, 40);
  ASSERT_EQ(project->m_pDocument->m_nHeight, 30);
  const std::vector<uint8_t> shown = ReadBack(project->m_pDocument);
  ASSERT_EQ(shown.size(), 40u * 30 * 4);
  int wrong = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t c = Gradient(x, y);
      const uint8_t* p = &shown[(size_t(y) * 40 + x) * 4];
      if (p[0] != uint8_t(c) || p[1] != uint8_t(c >> 8) || p[2] != uint8_t(c >> 16) || p[3] != 0xFF) ++wrong;
    }
  EXPECT_EQ(wrong, 0);

  // Filled: the file is not read again, even once it is gone.
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_EQ(project->LoadDocument(&scene.m_canvas), 1);

  // A file that no longer decodes leaves the document empty.
  CProject* missing = manager.OpenImage((folder + L"\\missing.bmp").c_str());
  missing->m_bNoReload = 0;
  EXPECT_EQ(missing->LoadDocument(&scene.m_canvas), 0);
  EXPECT_EQ(missing->m_pDocument->m_nWidth, 0);

  // Closing takes the document off the canvas first.
  CDTImage* document = project->m_pDocument;
  scene.m_canvas.SetActiveImage(document, TRUE);
  manager.Remove(project);
  EXPECT_EQ(scene.m_canvas.m_pActiveImage, nullptr);
  manager.CloseAll();
}

// A worker opens and fills projects on the canvas of the main thread while
// the main thread keeps reordering and removing: neither may wait for the
// other for ever, and no project may go while its worker fills it.
TEST(ProjectDocument, WorkerFillingProjectsWhileTheMainThreadReorders) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  const std::wstring folder = FreshFolder(L"project_worker");
  const int kFiles = 40;
  for (int i = 0; i < kFiles; ++i)
    ASSERT_TRUE(WriteBmp24(folder + L"\\p" + std::to_wstring(i) + L".bmp", 16 + i, 12, Gradient));
  CWatchdog watchdog(120000, "worker filling projects against the reordering main thread");
  CProjectManager manager;
  std::atomic<bool> done{false};
  std::atomic<int> filled{0};
  std::thread worker([&] {
    for (int round = 0; round < 3; ++round)
      for (int i = 0; i < kFiles; ++i) {
        CProjectManager::CHold hold = manager.OpenImageHeld((folder + L"\\p" + std::to_wstring(i) + L".bmp").c_str());
        if (!hold) continue;
        hold->m_bNoReload = 0;
        if (hold->LoadDocument(&scene.m_canvas) && hold->m_pDocument->m_nWidth == 16 + i) ++filled;
      }
    done = true;
  });
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  int moves = 0;
  while (!done) {
    std::vector<CProject*> listed;
    manager.ForEachProject([&](CProject* project) { listed.push_back(project); });
    if (listed.size() >= 2) {
      moves += manager.MoveBefore(listed[next() % listed.size()], listed[next() % listed.size()]);
      if (next() % 16 == 0) manager.Remove(listed[next() % listed.size()]);
    }
    PumpFor(1);
  }
  worker.join();
  EXPECT_GT(moves, 0);
  EXPECT_GE(filled.load(), kFiles);
  // Every listed path is listed once.
  std::vector<std::wstring> paths = manager.CopyPaths();
  for (std::wstring& path : paths) CharLowerW(path.data());
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end());
  manager.CloseAll();
}

}  // namespace
