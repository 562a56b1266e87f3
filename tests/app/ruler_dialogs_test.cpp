// The ruler dialogs run modally from the frame's commands; a thread timer
// inside their loop drives them one step per tick as a person would (list
// selections, typed names, button clicks) and reads what they show. A
// screenshot of each dialog stays in the work folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RulerDialogs.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Ruler.h"
#include "image/Image.h"
#include "settings/Configuration.h"
#include "tests/app/files_fixture.h"
#include "tests/app/frame_fixture.h"
#include "tests/settings/registry_support.h"

namespace {

using Step = std::function<void(HWND dialog)>;

struct CDriver {
  std::vector<Step> steps;
  size_t next = 0;
  int idleTicks = 0;
  std::wstring caption;
};
CDriver* g_pDriver = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  CDriver* driver = g_pDriver;
  if (!driver) return;
  HWND dialog = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  if (driver->caption.empty()) {
    wchar_t caption[64] = {};
    ::GetWindowTextW(dialog, caption, 64);
    driver->caption = caption;
  }
  if (driver->next < driver->steps.size()) {
    driver->steps[driver->next++](dialog);
  } else if (++driver->idleTicks > 20) {
    ADD_FAILURE() << "the dialog stayed open after the last step";
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

// Runs a command with the steps driving its dialog; false when no dialog came.
bool Drive(void (CMainFrame::*command)(), std::vector<Step> steps) {
  CDriver driver;
  driver.steps = std::move(steps);
  g_pDriver = &driver;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, Tick);
  (SharedFrame().*command)();
  ::KillTimer(nullptr, timer);
  g_pDriver = nullptr;
  EXPECT_EQ(driver.next, driver.steps.size()) << "steps left undone";
  return !driver.caption.empty();
}

std::wstring Text(HWND dialog, int id) {
  wchar_t text[256] = {};
  ::GetDlgItemTextW(dialog, id, text, 256);
  return text;
}

std::vector<std::wstring> Names(HWND dialog) {
  std::vector<std::wstring> names;
  HWND list = ::GetDlgItem(dialog, IDC_RULER_LIST);
  const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t name[256] = {};
    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
    names.push_back(name);
  }
  return names;
}

int Selected(HWND dialog) {
  return static_cast<int>(::SendDlgItemMessageW(dialog, IDC_RULER_LIST, CB_GETCURSEL, 0, 0));
}

// What a person's click on a button or choice in the list sends.
void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Choose(HWND dialog, int index) {
  HWND list = ::GetDlgItem(dialog, IDC_RULER_LIST);
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RULER_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// The dialog as it shows now, as a BMP in the work folder.
void Screenshot(HWND dialog, const wchar_t* path) {
  RECT rc{};
  ::GetWindowRect(dialog, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  ZEvuvoro::CImage image(w, h);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::BitBlt(memory, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
  for (int y = 0; y < h; ++y)
    memcpy(image.GetData() + static_cast<ptrdiff_t>(y) * image.GetStride(), static_cast<uint8_t*>(bits) + y * w * 4,
           static_cast<size_t>(w) * 4);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  image.SaveBmp(path, 1);
}

// Three stored rulers, stored in an order other than sorted.
void StoreThree() {
  g_Config.ClearRulers();
  const float gamma[4] = {0.1f, 0.2f, 0.1f, 0.8f};  // upright
  const float beta[4] = {0.2f, 0.5f, 0.6f, 0.5f};
  const float alpha[4] = {0.25f, 0.25f, 0.75f, 0.25f};
  g_Config.SetRuler(L"gamma", 0.5, gamma);
  g_Config.SetRuler(L"Beta", 0.25, beta);
  g_Config.SetRuler(L"alpha", 0.0125, alpha);
}

struct CRulerState {
  CRulerState() : keep(g_Config.m_KeepRulerLength), scale(g_Config.m_ReferenceScale) {}
  ~CRulerState() {
    g_Config.ClearRulers();
    g_Config.m_KeepRulerLength = keep;
    g_Config.m_ReferenceScale = scale;
  }
  DWORD keep;
  double scale;
};

TEST(RulerLoadDialog, SortedNamesFirstSelectedAndLoadWithOrWithoutKeepingTheLength) {
  CRulerState state;
  CFixtureDocument fixture(L"ruler.bmp", false);
  ASSERT_TRUE(fixture.Ready());
  CDTImage* document = fixture.m_pDocument;
  const std::vector<PointF> before = document->m_pRuler->m_vertices;
  StoreThree();

  // Without "KeepRulerLength": the first sorted ruler, the scale alone.
  g_Config.m_KeepRulerLength = 0;
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureLoadRuler,
                    {[](HWND d) {
                       EXPECT_EQ(Names(d), (std::vector<std::wstring>{L"alpha", L"Beta", L"gamma"}));
                       EXPECT_EQ(Selected(d), 0);
                       EXPECT_EQ(Text(d, IDC_RULER_SCALE), L"1 : 0.012500");
                       EXPECT_EQ(::IsDlgButtonChecked(d, IDC_KEEP_RULER_LENGTH), static_cast<UINT>(BST_UNCHECKED));
                       EXPECT_EQ(Text(d, IDOK), L"Load");
                       Screenshot(d, L"ruler_load_dialog.bmp");
                     },
                     [](HWND d) { Click(d, IDOK); }}));
  EXPECT_EQ(g_Config.m_ReferenceScale, 0.0125);
  EXPECT_EQ(document->ReferenceScale, 0.0125);
  EXPECT_EQ(g_Config.m_KeepRulerLength, 0u);
  ASSERT_EQ(document->m_pRuler->m_vertices.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(document->m_pRuler->m_vertices[i].x, before[i].x);
    EXPECT_EQ(document->m_pRuler->m_vertices[i].y, before[i].y);
  }

  // Choosing "gamma" and ticking the box: the ruler turns upright along its stored points.
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureLoadRuler, {[](HWND d) { Choose(d, 2); },
                                                      [](HWND d) {
                                                        EXPECT_EQ(Text(d, IDC_RULER_SCALE), L"1 : 0.500000");
                                                        Click(d, IDC_KEEP_RULER_LENGTH);
                                                      },
                                                      [](HWND d) { Click(d, IDOK); }}));
  EXPECT_EQ(g_Config.m_KeepRulerLength, 1u);
  EXPECT_EQ(g_Config.m_ReferenceScale, 0.5);
  EXPECT_EQ(document->ReferenceScale, 0.5);
  const std::vector<PointF>& turned = document->m_pRuler->m_vertices;
  ASSERT_GE(turned.size(), 2u);
  EXPECT_NEAR(turned[0].x, turned[1].x, 0.01);  // upright now
  EXPECT_GT(std::fabs(turned[1].y - turned[0].y), 1.0f);

  // Cancel leaves the box's setting alone.
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureLoadRuler,
                    {[](HWND d) { Click(d, IDC_KEEP_RULER_LENGTH); }, [](HWND d) { Click(d, IDCANCEL); }}));
  EXPECT_EQ(g_Config.m_KeepRulerLength, 1u);
}

TEST(RulerLoadDialog, DeleteAllStandsAfterCancel) {
  CRulerState state;
  StoreThree();
  g_Config.m_ReferenceScale = 2.0;
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureLoadRuler, {[](HWND d) { Click(d, IDC_RULER_DELETE_ALL); },
                                                      [](HWND d) {
                                                        EXPECT_TRUE(Names(d).empty());
                                                        EXPECT_EQ(Text(d, IDC_RULER_SCALE), L"");
                                                        Click(d, IDCANCEL);
                                                      }}));
  EXPECT_TRUE(g_Config.m_Rulers.empty());
  // Loading from the empty list changes nothing but the box's setting.
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureLoadRuler, {[](HWND d) { Click(d, IDOK); }}));
  EXPECT_EQ(g_Config.m_ReferenceScale, 2.0);
}

TEST(RulerSaveDialog, NamesAskAndCaseVariantsStayApartAndThePointsAreFractions) {
  CRulerState state;
  StoreThree();
  // A 2000 x 1000 picture with its ruler from (500, 250) to (1500, 250).
  CMainFrame& frame = SharedFrame();
  CDTImage* previous = frame.m_pCurrentDocument;
  CDTImage* previousActive = g_pDirectUI->m_pActiveImage;
  auto* document = new CDTImage;
  const RECT rc{0, 0, 800, 600};
  ASSERT_TRUE(SUCCEEDED(document->Create(g_pDirectUI, nullptr, L"big.bmp", &rc)));
  std::vector<uint32_t> pixels(2000u * 1000u, 0xFF808080u);
  document->UploadFrame(pixels.data(), 2000, 1000, 2000 * 4, nullptr);
  document->m_pRuler->m_vertices = {{500.0f, 250.0f}, {1500.0f, 250.0f}};
  document->ReferenceScale = 0.0125;
  frame.m_pCurrentDocument = document;

  CFileAnswers answers;
  answers.boxAnswer = IDNO;
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureSaveRuler, {[](HWND d) {
                                                        EXPECT_EQ(Text(d, IDC_RULER_SCALE_OWN), L"1 : 0.012500");
                                                        EXPECT_EQ(Selected(d), 0);
                                                        EXPECT_EQ(Text(d, IDC_RULER_SCALE), L"1 : 0.012500");  // alpha
                                                        Click(d, IDOK);  // no name yet
                                                      },
                                                      [](HWND d) {
                                                        Screenshot(d, L"ruler_save_dialog.bmp");
                                                        ::SetDlgItemTextW(d, IDC_RULER_NAME, L"gamma");
                                                        Click(d, IDOK);  // asks, answered No: stays open
                                                      },
                                                      [](HWND d) {
                                                        ::SetDlgItemTextW(d, IDC_RULER_NAME, L"GAMMA");
                                                        Click(d, IDOK);  // another name: stored, closes
                                                      }}));
  ASSERT_EQ(answers.boxes.size(), 2u);
  EXPECT_EQ(answers.boxes[0], L"Please enter a name for the ruler.");
  EXPECT_EQ(answers.boxes[1], L"A ruler with this name exists already. Replace it?");
  ASSERT_EQ(g_Config.m_Rulers.size(), 4u);
  EXPECT_EQ(g_Config.FindRuler(L"GAMMA"), 3);
  EXPECT_EQ(g_Config.m_Rulers[0]->m_Scale, 0.5);  // gamma untouched
  const float* stored = g_Config.m_Rulers[3]->m_Points;
  EXPECT_EQ(stored[0], 0.25f);
  EXPECT_EQ(stored[1], 0.25f);
  EXPECT_EQ(stored[2], 0.75f);
  EXPECT_EQ(stored[3], 0.25f);

  // Yes replaces gamma's scale and points; Delete takes the selected one away.
  answers.boxes.clear();
  answers.boxAnswer = IDYES;
  ASSERT_TRUE(Drive(&CMainFrame::OnMeasureSaveRuler,
                    {[](HWND d) {
                       // Both letter cases, in either order.
                       std::vector<std::wstring> names = Names(d);
                       ASSERT_EQ(names.size(), 4u);
                       if (names[2] == L"GAMMA") std::swap(names[2], names[3]);
                       EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"Beta", L"gamma", L"GAMMA"}));
                       Choose(d, 1);
                     },
                     [](HWND d) {
                       EXPECT_EQ(Text(d, IDC_RULER_SCALE), L"1 : 0.250000");
                       Click(d, IDC_RULER_DELETE);
                     },
                     [](HWND d) {
                       EXPECT_EQ(Names(d).size(), 3u);
                       EXPECT_EQ(Text(d, IDC_RULER_SCALE), L"");
                       ::SetDlgItemTextW(d, IDC_RULER_NAME, L"gamma");
                       Click(d, IDOK);
                     }}));
  EXPECT_EQ(answers.boxes.size(), 1u);
  EXPECT_EQ(g_Config.FindRuler(L"Beta"), -1);
  ASSERT_GE(g_Config.FindRuler(L"gamma"), 0);
  EXPECT_EQ(g_Config.m_Rulers[g_Config.FindRuler(L"gamma")]->m_Scale, 0.0125);

  // What reaches the registry, read by the system's own reg.exe.
  g_Config.SaveRulers();
  const ExportedKeys keys = ExportKey(kRulersKey);
  bool found = false;
  for (const auto& [key, values] : keys) {
    const auto name = values.find(L"name");
    if (name == values.end() || name->second.Text() != L"GAMMA") continue;
    found = true;
    EXPECT_EQ(values.at(L"pts").Text(), L"0.250,0.250,0.750,0.250");
    EXPECT_EQ(values.at(L"scale").Text(), L"0.012500");
  }
  EXPECT_TRUE(found);

  // Without a picture the save command does nothing.
  document->m_nWidth = 0;
  EXPECT_FALSE(Drive(&CMainFrame::OnMeasureSaveRuler, {}));
  document->m_nWidth = 2000;

  g_Config.ClearRulers();
  g_Config.SaveRulers();
  g_pDirectUI->DetachElement(document);
  DestroyChildren(document);
  delete document;
  g_pDirectUI->SetActiveImage(previousActive, TRUE);
  frame.m_pCurrentDocument = previous;
}

}  // namespace
