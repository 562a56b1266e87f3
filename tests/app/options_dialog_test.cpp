// The Options dialog as a user drives it: a CBT hook sees it activate, then a
// timer on it lets the test's user pick, type and click on its pages and end
// it with OK or Cancel. The settings in memory and a window-less canvas show
// the result; each page's screenshot stays in options/.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/DlgOptions.h"
#include "engine/DirectUI.h"
#include "settings/Configuration.h"
#include "tests/app/frame_fixture.h"
#include "tests/capture/ui_helpers.h"
#include "tests/win32/watchdog.h"
// Last: the DirectShow headers bring windowsx.h.
#include "capture/AudioFactory.h"
#include "tests/capture/fakes/FakeAudioFilter.h"

namespace {

HHOOK g_hook = nullptr;
std::function<void(HWND)> g_user;
bool g_opened = false;
int g_browsers = -1;  // counts folder browsers from 0 when set so

// The page of the dialog that holds control id.
HWND Page(HWND dialog, int id) {
  for (HWND page = ::FindWindowExW(dialog, nullptr, L"#32770", nullptr); page;
       page = ::FindWindowExW(dialog, page, L"#32770", nullptr))
    if (::GetDlgItem(page, id)) return page;
  return nullptr;
}
HWND Control(HWND dialog, int id) { return ::GetDlgItem(Page(dialog, id), id); }

void Click(HWND button) { ::SendMessageW(button, BM_CLICK, 0, 0); }
void Type(HWND dialog, int id, const wchar_t* text) { ::SetWindowTextW(Control(dialog, id), text); }
// A pick in a drop-down list, with the notification the list sends.
void Pick(HWND dialog, int id, int index) {
  HWND combo = Control(dialog, id);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}
int Selected(HWND dialog, int id) { return static_cast<int>(::SendMessageW(Control(dialog, id), CB_GETCURSEL, 0, 0)); }
std::wstring ItemText(HWND dialog, int id, int index) {
  wchar_t text[256] = {};
  ::SendMessageW(Control(dialog, id), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(Control(dialog, id)) != 0; }

void CALLBACK Act(HWND dialog, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(dialog, id);
  if (g_user) g_user(dialog);
}

LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    ::GetClassNameW(dialog, name, 16);
    if (lstrcmpW(name, L"#32770") == 0 && Page(dialog, IDC_OPT_LANGUAGE) && ::SetTimer(dialog, 1, 30, &Act))
      g_opened = true;
    else if (lstrcmpW(name, L"#32770") == 0 && g_browsers >= 0) {
      // The folder browser: OK on what it selected when it opened.
      ++g_browsers;
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

// The settings the dialog edits, to put back after each test.
struct Settings {
  DWORD language, camTimer, background, precision, movieFormat, movieQuality, highSpeed, duration, addVideo,
      audioEnabled, audioDevice, audioInput, imageFormat, imageStill, autoSnap, snapInterval;
  std::wstring font, imageDir;

  static Settings Take() {
    const CConfiguration& c = g_Config;
    return {c.m_Language,     c.m_ShowCamTimer,    c.m_BackgroundColor, c.m_DecimalPrecision, c.m_MovieFormat,
            c.m_MovieQuality, c.m_HighSpeedRecord, c.m_Duration,        c.m_AddVideo,         c.m_AudioEnabled,
            c.m_AudioDevice,  c.m_AudioInput,      c.m_ImageFormat,     c.m_ImageStill,       c.m_AutoSnap,
            c.m_SnapInterval, c.CopyFontFace(),    c.CopyImageDir()};
  }
  void Put() const {
    CConfiguration& c = g_Config;
    c.m_Language = language;
    c.m_ShowCamTimer = camTimer;
    c.m_BackgroundColor = background;
    c.m_DecimalPrecision = precision;
    c.m_MovieFormat = movieFormat;
    c.m_MovieQuality = movieQuality;
    c.m_HighSpeedRecord = highSpeed;
    c.m_Duration = duration;
    c.m_AddVideo = addVideo;
    c.m_AudioEnabled = audioEnabled;
    c.m_AudioDevice = audioDevice;
    c.m_AudioInput = audioInput;
    c.m_ImageFormat = imageFormat;
    c.m_ImageStill = imageStill;
    c.m_AutoSnap = autoSnap;
    c.m_SnapInterval = snapInterval;
    if (!font.empty()) c.SetFontFace(font.c_str());
    if (!imageDir.empty()) c.SetImageDir(imageDir.c_str());
  }
  bool operator==(const Settings& o) const {
    return language == o.language && camTimer == o.camTimer && background == o.background && precision == o.precision &&
           movieFormat == o.movieFormat && movieQuality == o.movieQuality && highSpeed == o.highSpeed &&
           duration == o.duration && addVideo == o.addVideo && audioEnabled == o.audioEnabled &&
           audioDevice == o.audioDevice && audioInput == o.audioInput && imageFormat == o.imageFormat &&
           imageStill == o.imageStill && autoSnap == o.autoSnap && snapInterval == o.snapInterval && font == o.font &&
           imageDir == o.imageDir;
  }
};

class OptionsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = SharedFrame().m_hWnd;
    saved = Settings::Take();
    previousCanvas = g_pDirectUI;
    g_pDirectUI = &canvas;
    ::CreateDirectoryW(L"options", nullptr);
    g_hook = ::SetWindowsHookExW(WH_CBT, &WatchWindows, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(g_hook);
  }
  void TearDown() override {
    ::UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    g_user = nullptr;
    g_pDirectUI = previousCanvas;
    saved.Put();
  }

  // Runs the dialog while user acts on it; returns how it ended.
  INT_PTR Run(CDlgOptions& dialog, std::function<void(HWND)> user) {
    g_user = std::move(user);
    g_opened = false;
    win32test::CWatchdog watchdog(30000);
    const INT_PTR result = dialog.DoModal(owner);
    EXPECT_FALSE(watchdog.Fired()) << "the dialog did not end";
    EXPECT_TRUE(g_opened) << "no dialog came";
    return result;
  }

  HWND owner = nullptr;
  Settings saved{};
  CDirectUI canvas;
  CDirectUI* previousCanvas = nullptr;
};

TEST_F(OptionsDialog, TabsShowOnePageEachWithItsSkinTexts) {
  struct Tab {
    int tab;
    int control;  // one control of its page
    const char* shot;
  };
  const Tab tabs[] = {{IDC_TAB_GENERAL, IDC_OPT_LANGUAGE, "general"},
                      {IDC_TAB_VIDEO, IDC_OPT_MOVIE_QUALITY, "video"},
                      {IDC_TAB_AUDIO, IDC_OPT_AUDIO_DEVICE, "audio"},
                      {IDC_TAB_IMAGE, IDC_OPT_SNAP_INTERVAL, "image"}};
  std::vector<std::string> problems;
  CDlgOptions dialog;
  const INT_PTR result = Run(dialog, [&](HWND d) {
    if (ui_test::TextOf(d) != L"Options") problems.push_back("caption");
    if (ui_test::TextOf(::GetDlgItem(d, IDC_TAB_VIDEO)) != L"Video") problems.push_back("tab text");
    if (ItemText(d, IDC_OPT_LANGUAGE, 1) != L"Chinese") problems.push_back("language item");
    if (ItemText(d, IDC_OPT_MOVIE_QUALITY, 2) != L"Low") problems.push_back("quality item");
    for (const Tab& shown : tabs) {
      Click(::GetDlgItem(d, shown.tab));
      for (const Tab& other : tabs) {
        const bool visible = ::IsWindowVisible(Page(d, other.control)) != 0;
        if (visible != (&other == &shown)) problems.push_back(std::string(shown.shot) + ": " + other.shot);
        if (dialog.m_tabs[&other - tabs].GetCheck() != (&other == &shown))
          problems.push_back(std::string(shown.shot) + ": check of " + other.shot);
      }
      ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      if (!ui_test::SaveWindowShot(d, std::string("options/") + shown.shot + ".bmp"))
        problems.push_back(std::string("shot ") + shown.shot);
    }
    Click(::GetDlgItem(d, IDCANCEL));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(problems, std::vector<std::string>());
  EXPECT_EQ(Settings::Take(), saved);
}

// What OK takes of typed and picked values, and what it drops or clamps.
TEST_F(OptionsDialog, OkClampsOrIgnoresValuesOutOfRange) {
  struct Case {
    const wchar_t *precision, *interval, *duration;
    DWORD storedPrecision, storedInterval, storedDuration;
  };
  const Case cases[] = {
      {L"7", L"5", L"45", 3, 10, 45},
      {L"5", L"100000", L"0", 5, 60000, 0},
      {L"-1", L"250", L"12", 3, 250, 12},
      // Text that is no number reads as 0.
      {L"abc", L"abc", L"abc", 0, 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.precision << " " << c.interval << " " << c.duration);
    g_Config.m_DecimalPrecision = 3;
    canvas.SetDecimalPrecision(3);
    CDlgOptions dialog;
    const INT_PTR result = Run(dialog, [&](HWND d) {
      Type(d, IDC_OPT_PRECISION, c.precision);
      Type(d, IDC_OPT_SNAP_INTERVAL, c.interval);
      Type(d, IDC_OPT_DURATION, c.duration);
      Click(::GetDlgItem(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(dialog.NeedsRestart());
    EXPECT_EQ(g_Config.m_DecimalPrecision, c.storedPrecision);
    EXPECT_EQ(canvas.m_nDecimalPrecision, static_cast<int>(c.storedPrecision));
    EXPECT_EQ(g_Config.m_SnapInterval, c.storedInterval);
    EXPECT_EQ(g_Config.m_Duration, c.storedDuration);
  }
}

TEST_F(OptionsDialog, StoredValuesOutsideTheListsShowAsTheirNearestItem) {
  g_Config.m_MovieQuality = 7;
  g_Config.m_MovieFormat = 5;
  g_Config.m_ImageFormat = 3;
  g_Config.m_Language = 1041;
  g_Config.m_HighSpeedRecord = 0;
  int quality = -2, format = -2, image = -2, language = -2;
  bool durationEnabled = true, enabledAfterClick = false;
  std::wstring durationText;
  wchar_t missing[MAX_PATH] = {};
  ::GetFullPathNameW(L"options\\no such folder", MAX_PATH, missing, nullptr);
  CDlgOptions dialog;
  Run(dialog, [&](HWND d) {
    quality = Selected(d, IDC_OPT_MOVIE_QUALITY);
    format = Selected(d, IDC_OPT_MOVIE_FORMAT);
    image = ::SendMessageW(::GetDlgItem(Page(d, IDC_OPT_SNAP_INTERVAL), IDC_OPT_IMAGE_FORMAT), CB_GETCURSEL, 0, 0);
    language = Selected(d, IDC_OPT_LANGUAGE);
    durationEnabled = Enabled(d, IDC_OPT_DURATION_SLIDER) || Enabled(d, IDC_OPT_DURATION);
    Click(Control(d, IDC_OPT_HIGHSPEED));
    enabledAfterClick = Enabled(d, IDC_OPT_DURATION_SLIDER) && Enabled(d, IDC_OPT_DURATION);
    // A key on the duration slider: the edit follows, and OK stores it.
    HWND slider = Control(d, IDC_OPT_DURATION_SLIDER);
    ::SendMessageW(slider, TBM_SETPOS, TRUE, 19);
    ::SendMessageW(slider, WM_KEYDOWN, VK_RIGHT, 1);
    ::SendMessageW(slider, WM_KEYUP, VK_RIGHT, 0xC0000001);
    durationText = ui_test::TextOf(Control(d, IDC_OPT_DURATION));
    // The edit is read-only; a folder that is gone by OK is not taken.
    ::SetWindowTextW(Control(d, IDC_OPT_IMAGE_DIR), missing);
    Click(::GetDlgItem(d, IDOK));
  });
  EXPECT_EQ(quality, 2);
  EXPECT_EQ(format, 0);
  EXPECT_EQ(image, 1);
  EXPECT_EQ(language, -1);
  EXPECT_FALSE(durationEnabled);
  EXPECT_TRUE(enabledAfterClick);
  EXPECT_EQ(g_Config.m_MovieQuality, 2u);
  EXPECT_EQ(g_Config.m_MovieFormat, 0u);
  EXPECT_EQ(g_Config.m_ImageFormat, 1u);
  EXPECT_EQ(g_Config.m_HighSpeedRecord, 1u);
  EXPECT_EQ(durationText, L"20");
  EXPECT_EQ(g_Config.m_Duration, 20u);
  EXPECT_EQ(g_Config.CopyImageDir(), saved.imageDir);
  // No language chosen reads as English, which differs from 1041.
  EXPECT_EQ(g_Config.m_Language, 1033u);
  EXPECT_TRUE(dialog.NeedsRestart());
}

TEST_F(OptionsDialog, LanguageChangeNeedsARestartOnlyAfterOk) {
  g_Config.m_Language = 1033;
  for (const int answer : {IDCANCEL, IDOK}) {
    SCOPED_TRACE(answer);
    CDlgOptions dialog;
    const INT_PTR result = Run(dialog, [&](HWND d) {
      Pick(d, IDC_OPT_LANGUAGE, 1);
      Click(::GetDlgItem(d, answer));
    });
    EXPECT_EQ(result, answer);
    EXPECT_EQ(dialog.NeedsRestart(), answer == IDOK);
    EXPECT_EQ(g_Config.m_Language, answer == IDOK ? 2052u : 1033u);
  }
}

TEST_F(OptionsDialog, FontChangeTakesEffectWithoutRestartAndTheListIsMadeOnce) {
  const std::vector<std::wstring>& fonts = CPageGeneral::FontList();
  ASSERT_GE(fonts.size(), 2u);
  const int listings = CPageGeneral::s_nFontListings;
  for (const std::wstring& face : fonts) EXPECT_NE(face[0], L'@') << face;
  std::vector<std::wstring> sorted = fonts;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a face listed twice";

  g_Config.SetFontFace(fonts[0].c_str());
  int shownFirst = -2, count = 0;
  CDlgOptions dialog;
  Run(dialog, [&](HWND d) {
    shownFirst = Selected(d, IDC_OPT_FONT);
    count = static_cast<int>(::SendMessageW(Control(d, IDC_OPT_FONT), CB_GETCOUNT, 0, 0));
    Pick(d, IDC_OPT_FONT, 1);
    Click(::GetDlgItem(d, IDOK));
  });
  EXPECT_EQ(shownFirst, 0);
  EXPECT_EQ(count, static_cast<int>(fonts.size()));
  EXPECT_FALSE(dialog.NeedsRestart());
  EXPECT_EQ(g_Config.CopyFontFace(), fonts[1]);
  EXPECT_EQ(canvas.m_strFontFace, fonts[1]);
  EXPECT_EQ(CPageGeneral::s_nFontListings, listings);
}

// The camera clock and the background act at once and stay after Cancel.
TEST_F(OptionsDialog, AtOnceControlsStayAfterCancel) {
  g_Config.m_ShowCamTimer = 1;
  canvas.m_bShowInfoLines = 1;
  g_Config.m_BackgroundColor = 0xFF000000;
  CDlgOptions dialog;
  const INT_PTR result = Run(dialog, [&](HWND d) {
    Click(Control(d, IDC_OPT_CAMTIMER));
    // What the colour button tells its page once a colour is picked.
    HWND button = Control(d, IDC_OPT_BACKGROUND);
    ColorPickNotify pick{{button, IDC_OPT_BACKGROUND, COLORPICK_CHANGED}, TRUE, RGB(0x12, 0x34, 0x56)};
    ::SendMessageW(::GetParent(button), WM_NOTIFY, IDC_OPT_BACKGROUND, reinterpret_cast<LPARAM>(&pick));
    // A pick without a valid colour changes nothing.
    pick.bValid = FALSE;
    pick.clr = RGB(1, 2, 3);
    ::SendMessageW(::GetParent(button), WM_NOTIFY, IDC_OPT_BACKGROUND, reinterpret_cast<LPARAM>(&pick));
    Click(::GetDlgItem(d, IDCANCEL));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(g_Config.m_ShowCamTimer, 0u);
  EXPECT_EQ(canvas.m_bShowInfoLines, 0);
  EXPECT_EQ(g_Config.m_BackgroundColor, 0xFF123456u);
  EXPECT_EQ(canvas.m_clrBackground, 0xFF123456u);
}

TEST_F(OptionsDialog, WithoutAudioDevicesTheListsAreGreyAndOkChangesNothing) {
  COrvelAudioFactory* const frameFactory = g_pAudioFactory;
  {
    COrvelAudioFactory none;
    g_pAudioFactory = &none;
    bool devices = true, inputs = true, level = true;
    int chosen = 0;
    CDlgOptions dialog;
    Run(dialog, [&](HWND d) {
      devices = Enabled(d, IDC_OPT_AUDIO_DEVICE);
      inputs = Enabled(d, IDC_OPT_AUDIO_INPUT);
      level = Enabled(d, IDC_OPT_AUDIO_LEVEL);
      chosen = Selected(d, IDC_OPT_AUDIO_DEVICE);
      Click(::GetDlgItem(d, IDOK));
    });
    EXPECT_FALSE(devices);
    EXPECT_FALSE(inputs);
    EXPECT_FALSE(level);
    EXPECT_EQ(chosen, -1);
    EXPECT_EQ(Settings::Take(), saved);
    EXPECT_EQ(none.GetSelectedDevice(), -1);
  }
  g_pAudioFactory = frameFactory;
}

// Two sound cards of fake inputs: the lists follow the chosen card, the level
// acts at once, OK selects the card and the input.
TEST_F(OptionsDialog, AudioListsFollowTheDeviceAndTheLevelActsAtOnce) {
  COrvelAudioFactory* const frameFactory = g_pAudioFactory;
  {
    COrvelAudioFactory factory;
    for (const auto& card :
         {std::make_pair(L"Card A", std::vector<FakeAudioInput>{{L"Line", true, 0.5}, {L"Rear Microphone", true, 0.3}}),
          std::make_pair(L"Card B", std::vector<FakeAudioInput>{{L"Mic", true, 0.25}})}) {
      IBaseFilter* filter = CreateFakeAudioFilter(card.second);
      factory.AddDevice(new CAudioDevice(card.first, filter), L"microphone");
      filter->Release();
    }
    ASSERT_EQ(factory.GetDevices().size(), 2u);
    CAudioInput* line = factory.GetDevices()[0]->GetInputs()[0];
    struct Look {
      int device, input;
      bool devices, inputs, level;
      int position;
      std::wstring text;
    };
    std::vector<Look> looks;
    auto look = [&](HWND d) {
      looks.push_back({Selected(d, IDC_OPT_AUDIO_DEVICE), Selected(d, IDC_OPT_AUDIO_INPUT),
                       Enabled(d, IDC_OPT_AUDIO_DEVICE), Enabled(d, IDC_OPT_AUDIO_INPUT),
                       Enabled(d, IDC_OPT_AUDIO_LEVEL),
                       static_cast<int>(::SendMessageW(Control(d, IDC_OPT_AUDIO_LEVEL), TBM_GETPOS, 0, 0)),
                       ui_test::TextOf(Control(d, IDC_OPT_AUDIO_LEVEL_TEXT))});
    };
    CDlgOptions dialog;
    Run(dialog, [&](HWND d) {
      Click(::GetDlgItem(d, IDC_TAB_AUDIO));
      look(d);  // card A, its microphone input
      Pick(d, IDC_OPT_AUDIO_INPUT, 0);
      look(d);  // its line input
      // A key on the slider moves it and reports the end of the move.
      HWND slider = Control(d, IDC_OPT_AUDIO_LEVEL);
      ::SendMessageW(slider, TBM_SETPOS, TRUE, 79);
      ::SendMessageW(slider, WM_KEYDOWN, VK_RIGHT, 1);
      ::SendMessageW(slider, WM_KEYUP, VK_RIGHT, 0xC0000001);
      look(d);
      Pick(d, IDC_OPT_AUDIO_DEVICE, 1);
      look(d);  // card B: one input, greyed
      Click(::GetDlgItem(d, IDOK));
    });
    ASSERT_EQ(looks.size(), 4u);
    EXPECT_EQ(looks[0].device, 0);
    EXPECT_EQ(looks[0].input, 1);
    EXPECT_TRUE(looks[0].devices && looks[0].inputs && looks[0].level);
    EXPECT_EQ(looks[0].position, 30);
    EXPECT_EQ(looks[0].text, L"30");
    EXPECT_EQ(looks[1].position, 50);
    EXPECT_EQ(looks[2].position, 80);
    EXPECT_EQ(looks[2].text, L"80");
    EXPECT_NEAR(line->GetMixLevel(), 0.8, 1e-9);
    EXPECT_EQ(looks[3].device, 1);
    EXPECT_EQ(looks[3].input, 0);
    EXPECT_TRUE(looks[3].devices);
    EXPECT_FALSE(looks[3].inputs);
    EXPECT_EQ(looks[3].position, 25);
    EXPECT_EQ(factory.GetSelectedDevice(), 1);
    EXPECT_EQ(g_Config.m_AudioDevice, 1u);
    EXPECT_EQ(g_Config.m_AudioInput, 0u);
  }
  g_pAudioFactory = frameFactory;
}

TEST_F(OptionsDialog, TheBrowserStartsAtThePictureFolderAndOnlyAnExistingFolderIsTaken) {
  wchar_t here[MAX_PATH] = {}, missing[MAX_PATH] = {};
  ::GetFullPathNameW(L"options", MAX_PATH, here, nullptr);
  ::GetFullPathNameW(L"options\\gone", MAX_PATH, missing, nullptr);
  ::CreateDirectoryW(missing, nullptr);
  // A folder on the system drive, which the browser's tree holds under the desktop.
  wchar_t start[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, start);
  ::GetLongPathNameW(start, start, MAX_PATH);
  start[std::wcslen(start) - 1] = 0;
  g_Config.SetImageDir(start);
  std::wstring browsed, shown;
  g_browsers = 0;
  CDlgOptions dialog;
  Run(dialog, [&](HWND d) {
    Click(::GetDlgItem(d, IDC_TAB_IMAGE));
    shown = ui_test::TextOf(Control(d, IDC_OPT_IMAGE_DIR));
    Click(Control(d, IDC_OPT_BROWSE));
    browsed = ui_test::TextOf(Control(d, IDC_OPT_IMAGE_DIR));
    // A folder chosen, then deleted before OK.
    ::SetWindowTextW(Control(d, IDC_OPT_IMAGE_DIR), missing);
    ::RemoveDirectoryW(missing);
    Click(::GetDlgItem(d, IDOK));
  });
  const int browsers = g_browsers;
  g_browsers = -1;
  EXPECT_EQ(shown, start);
  EXPECT_EQ(browsers, 1);
  EXPECT_EQ(browsed, start);
  EXPECT_EQ(g_Config.CopyImageDir(), start);
}

}  // namespace
