// The slide-show command: its settings dialog driven as a person would (the
// values read back with reg.exe), the video name, the slides taken from the
// opened projects, and a burn through the frame that slide_burn_check.py
// reads with ffprobe.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/SlideShowDlg.h"
#include "capture/CaptureShell.h"
#include "capture/SlideShow.h"
#include "engine/DirectUI.h"
#include "settings/Configuration.h"
#include "tests/app/frame_fixture.h"
#include "tests/app/project_fixture.h"
#include "tests/capture/ui_helpers.h"
#include "tests/settings/registry_support.h"

namespace {

const std::wstring kSlideSubKey = L"Software\\Quorvex\\Mensaro\\Slide";
// The edits in the order the rows give them: width, height, show time,
// transition time, frame rate.
constexpr int kEdits[] = {1045, 1046, 1041, 1042, 1043};
const wchar_t* const kNames[] = {L"Width", L"Height", L"Duration", L"Transition", L"Fps"};

struct Values {
  DWORD v[5];
  bool operator==(const Values& other) const {
    for (int i = 0; i < 5; ++i)
      if (v[i] != other.v[i]) return false;
    return true;
  }
};

std::ostream& operator<<(std::ostream& out, const Values& values) {
  return out << values.v[0] << ", " << values.v[1] << ", " << values.v[2] << ", " << values.v[3] << ", " << values.v[4];
}

// The stored values; a missing one reads as 0xFFFFFFFF.
Values Stored() {
  const ExportedKeys keys = ExportKey(kSlideSubKey);
  Values values{{~0u, ~0u, ~0u, ~0u, ~0u}};
  const auto key = keys.find(kHkcuPrefix + kSlideSubKey);
  if (key == keys.end()) return values;
  for (int i = 0; i < 5; ++i) {
    const auto value = key->second.find(kNames[i]);
    if (value != key->second.end() && value->second.type == REG_DWORD) values.v[i] = value->second.Dword();
  }
  return values;
}

bool IsSlideDialog(HWND window) { return ::GetDlgItem(window, 1045) != nullptr; }

// What a person does in the dialog, on a helper thread while the main thread
// runs it: notes what it shows, types the texts and presses the button.
struct DialogVisit {
  const wchar_t* texts[5] = {};
  UINT button = IDOK;
  const char* shot = nullptr;  // screenshot file, when wanted
  Values shown{};
  std::wstring title, firstCaption;
  bool geometryOk = false;
  bool found = false;
};

std::thread Visit(DialogVisit& visit) {
  const DWORD mainThread = ::GetCurrentThreadId();
  return std::thread([&visit, mainThread] {
    HWND dialog = ui_test::WaitForDialog(mainThread, IsSlideDialog);
    if (!dialog) return;
    visit.found = true;
    for (int i = 0; i < 5; ++i)
      visit.shown.v[i] = std::wcstoul(ui_test::TextOf(::GetDlgItem(dialog, kEdits[i])).c_str(), nullptr, 10);
    visit.title = ui_test::TextOf(dialog);
    visit.firstCaption = ui_test::TextOf(::GetDlgItem(dialog, 1052));
    // The edit of the width and the OK button where the dialog units put them.
    RECT width{133, 11, 133 + 100, 11 + 14}, ok{151, 134, 151 + 50, 134 + 14};
    ::MapDialogRect(dialog, &width);
    ::MapDialogRect(dialog, &ok);
    auto at = [dialog](int id) {
      RECT rc{};
      ::GetWindowRect(::GetDlgItem(dialog, id), &rc);
      ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
      return rc;
    };
    const RECT widthAt = at(1045), okAt = at(IDOK);
    visit.geometryOk = ::EqualRect(&width, &widthAt) && ::EqualRect(&ok, &okAt);
    if (visit.shot) {
      // Let the dialog finish painting first.
      ::Sleep(500);
      ui_test::SaveWindowShot(dialog, visit.shot);
    }
    for (int i = 0; i < 5; ++i)
      if (visit.texts[i])
        ::SendMessageTimeoutW(::GetDlgItem(dialog, kEdits[i]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(visit.texts[i]),
                              SMTO_BLOCK, 5000, nullptr);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(visit.button, BN_CLICKED), 0);
  });
}

INT_PTR RunDialog(DialogVisit& visit, CDlgSlide& dialog) {
  std::thread person = Visit(visit);
  const INT_PTR result = dialog.DoModal(SharedFrame().m_hWnd);
  person.join();
  return result;
}

TEST(SlideDialog, OpensWithTheStoredValuesAndStoresThemClampedOnOk) {
  SharedFrame();
  DeleteKeyTree(kSlideSubKey);
  struct Row {
    const wchar_t* texts[5];
    Values stored;
  };
  const Row rows[] = {
      {{L"1024", L"768", L"800", L"300", L"30"}, {{1024, 768, 800, 300, 30}}},
      {{L"5000", L"5000", L"10", L"50", L"5"}, {{1600, 1200, 50, 100, 15}}},
      {{L"0", L"0", L"20000", L"3000", L"150"}, {{320, 240, 9000, 2000, 100}}},
      {{L"abc", L"12x", L"9000", L"2000", L"100"}, {{320, 240, 9000, 2000, 100}}},
      {{L" 800 ", L"99999999999", L"x12", L"2000", L"100"}, {{800, 240, 50, 2000, 100}}},
      {{L"1600", L"1200", L"50", L"100", L"15"}, {{1600, 1200, 50, 100, 15}}},
      {{L"640", L"", L"1500", L"700", L"25"}, {{640, 240, 1500, 700, 25}}},
  };
  // Without stored values the dialog shows the defaults.
  Values expectShown{{1024, 768, 800, 300, 30}};
  bool first = true;
  for (const Row& row : rows) {
    DialogVisit visit;
    for (int i = 0; i < 5; ++i) visit.texts[i] = row.texts[i];
    if (first) visit.shot = "slide_dialog.bmp";
    CDlgSlide dialog;
    EXPECT_EQ(RunDialog(visit, dialog), IDOK);
    ASSERT_TRUE(visit.found);
    EXPECT_EQ(visit.shown, expectShown) << "opened with";
    if (first) {
      EXPECT_EQ(visit.title, ShellText(L"slideOptions"));
      EXPECT_EQ(visit.firstCaption, ShellText(L"slideW"));
      EXPECT_TRUE(visit.geometryOk);
    }
    const Values fields{{dialog.m_nWidth, dialog.m_nHeight, dialog.m_nDuration, dialog.m_nTransition, dialog.m_nFps}};
    EXPECT_EQ(fields, row.stored) << "fields";
    EXPECT_EQ(Stored(), row.stored) << "stored";
    expectShown = row.stored;
    first = false;
  }

  // Cancel keeps what was stored, whatever was typed.
  DialogVisit cancel;
  const wchar_t* typed[5] = {L"333", L"222", L"111", L"999", L"99"};
  for (int i = 0; i < 5; ++i) cancel.texts[i] = typed[i];
  cancel.button = IDCANCEL;
  CDlgSlide dialog;
  EXPECT_EQ(RunDialog(cancel, dialog), IDCANCEL);
  EXPECT_EQ(Stored(), expectShown);

  // Stored zeros for the size open as the default size.
  PutDword(kSlideSubKey, L"Width", 0);
  PutDword(kSlideSubKey, L"Height", 0);
  DialogVisit zeros;
  zeros.button = IDCANCEL;
  CDlgSlide again;
  RunDialog(zeros, again);
  EXPECT_EQ(zeros.shown.v[0], 1024u);
  EXPECT_EQ(zeros.shown.v[1], 768u);
  DeleteKeyTree(kSlideSubKey);
}

TEST(SlideShowVideo, AviNamesKeepTheirNameOthersGetTheExtension) {
  const struct {
    const wchar_t* chosen;
    const wchar_t* path;
  } rows[] = {
      {L"", L""},
      {L"C:\\v\\show.avi", L"C:\\v\\show.avi"},
      {L"C:\\v\\show.AvI", L"C:\\v\\show.AvI"},
      {L"C:\\v\\show.mp4", L"C:\\v\\show.mp4.avi"},
      {L"C:\\v\\show", L"C:\\v\\show.avi"},
      {L"C:\\v\\show.avis", L"C:\\v\\show.avis.avi"},
      {L"C:\\v\\show.av", L"C:\\v\\show.av.avi"},
      {L"C:\\v.avi\\show", L"C:\\v.avi\\show.avi"},
      {L"C:\\v\\.avi", L"C:\\v\\.avi"},
  };
  for (const auto& row : rows) EXPECT_EQ(SlideShowVideoPath(row.chosen), row.path) << row.chosen;
}

uint32_t Grey(int x, int y) { return static_cast<uint32_t>((x * 7 + y * 3) & 0xFF) * 0x010101u; }

// Five pictures opened as projects in order, none loaded yet; the ones listed
// unreadable have become files no decoder takes.
std::vector<CProject*> OpenPictures(CProjectManager& projects, const std::wstring& folder,
                                    std::initializer_list<int> unreadable) {
  projects.RemoveAll();
  std::vector<CProject*> opened;
  for (int i = 0; i < 5; ++i) {
    const std::wstring path = folder + L"\\picture" + std::to_wstring(i) + L".bmp";
    bool broken = false;
    for (int u : unreadable) broken = broken || u == i;
    if (broken) {
      FILE* file = _wfopen(path.c_str(), L"wb");
      std::fputs("not a picture", file);
      std::fclose(file);
    } else {
      projecttest::WriteBmp24(path, 40 + i, 30, Grey);
    }
    CProject* project = projects.OpenImage(path.c_str());
    // Opened as a picture the decoder may read again; the broken ones stand
    // for files that can no longer be read.
    project->m_bNoReload = 0;
    opened.push_back(project);
  }
  return opened;
}

TEST(SlideShowCollection, FromTheCurrentPictureOnSkippingUnreadableOnes) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  const std::wstring folder = projecttest::FreshFolder(L"slide_pictures");
  struct Row {
    const char* name;
    std::initializer_list<int> unreadable;
    int start;  // index of the current picture, -1 for the live document
    std::vector<int> slides;
  };
  const Row rows[] = {
      {"third of five", {}, 2, {2, 3, 4}},
      {"live document: from the first", {}, -1, {0, 1, 2, 3, 4}},
      {"fourth unreadable", {3}, 2, {2, 4}},
      {"first unreadable, live", {0}, -1, {1, 2, 3, 4}},
      {"last", {}, 4, {4}},
      {"current unreadable", {2}, 2, {}},
  };
  for (const Row& row : rows) {
    const std::vector<CProject*> opened = OpenPictures(frame.m_ProjectManager, folder, row.unreadable);
    CDTImage* start = row.start < 0 ? nullptr : opened[static_cast<size_t>(row.start)]->m_pDocument;
    CSlideShow show;
    CDTImage* begun = CollectSlides(frame.m_ProjectManager, g_pDirectUI, start, show);
    std::vector<int> slides;
    for (const CSlideShow::Slide& slide : show.m_Slides) {
      slides.push_back(slide.projectIndex);
      EXPECT_EQ(slide.document, opened[static_cast<size_t>(slide.projectIndex)]->m_pDocument) << row.name;
      EXPECT_EQ(slide.document->m_nWidth, 40 + slide.projectIndex) << row.name;
    }
    EXPECT_EQ(slides, row.slides) << row.name;
    EXPECT_EQ(begun, row.slides.empty() ? nullptr : opened[static_cast<size_t>(row.slides[0])]->m_pDocument)
        << row.name;
  }
  frame.m_ProjectManager.RemoveAll();
}

// Notes the folder view a finished burn opens instead of opening one.
class FolderShell : public CCaptureShell {
 public:
  void ShowInFolder(const wchar_t* path) override { shown.emplace_back(path); }
  std::vector<std::wstring> shown;
};

std::wstring g_burnPath;
bool ChooseBurnFile(std::wstring& path) {
  path = g_burnPath;
  return true;
}

TEST(SlideShowCommand, BurnWritesTheDialogsSizeRateAndFrames) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  // The transitions' plug-in is looked for in the program folder.
  if (g_Config.CopyAppDir().empty()) g_Config.Load(::GetModuleHandleW(nullptr));
  const std::wstring folder = projecttest::FreshFolder(L"slide_burn");
  const std::vector<CProject*> opened = OpenPictures(frame.m_ProjectManager, folder, {});
  // The second of the five is current: four slides.
  frame.m_pCurrentDocument = opened[1]->m_pDocument;
  g_burnPath = folder + L"\\show";
  SetSlideShowFileFunction(ChooseBurnFile);
  FolderShell shell;
  SetCaptureShell(&shell);
  const DWORD oldFormat = g_Config.m_MovieFormat;
  g_Config.m_MovieFormat = 0;

  DialogVisit visit;
  const wchar_t* texts[5] = {L"64", L"48", L"200", L"100", L"20"};
  for (int i = 0; i < 5; ++i) visit.texts[i] = texts[i];
  std::thread person = Visit(visit);
  frame.SendMessage(WM_COMMAND, ID_IMAGE_BURN, 0);
  person.join();
  ASSERT_TRUE(visit.found);
  ASSERT_NE(frame.m_pSlideShow, nullptr) << "no show started";
  CSlideShow* show = frame.m_pSlideShow;
  EXPECT_EQ(show->m_Slides.size(), 4u);
  const bool ended = projecttest::PumpUntil(
      [show] { return !show->m_hThread || ::WaitForSingleObject(show->m_hThread, 0) == WAIT_OBJECT_0; }, 60000);
  EXPECT_TRUE(ended);
  // The frame keeps the ended show until the next run or its close.
  EXPECT_EQ(frame.m_pSlideShow, show);
  show->Stop();
  delete show;
  frame.m_pSlideShow = nullptr;
  // The live document is current again, as the other tests expect.
  g_pDirectUI->SetActiveImage(frame.m_pLiveDocument, TRUE);
  frame.m_pCurrentDocument = frame.m_pLiveDocument;
  frame.m_Capture.Install();
  g_Config.m_MovieFormat = oldFormat;
  SetSlideShowFileFunction(nullptr);
  frame.m_ProjectManager.RemoveAll();
  DeleteKeyTree(kSlideSubKey);
  Pump();
  TakeCalls();

  const std::wstring avi = g_burnPath + L".avi";
  ASSERT_EQ(shell.shown.size(), 1u);
  EXPECT_EQ(shell.shown[0], avi);
  ASSERT_NE(::GetFileAttributesW(avi.c_str()), INVALID_FILE_ATTRIBUTES);
  FILE* f = std::fopen("slide_burn.json", "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f,
               "{\"avi\": \"slide_burn/show.avi\", \"width\": 64, \"height\": 48, \"fps\": 20, "
               "\"transition_ms\": 100, \"show_ms\": 200, \"slides\": 4}\n");
  std::fclose(f);
}

}  // namespace
