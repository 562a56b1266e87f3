// The raw import dialog as a user drives it: a CBT hook sees the dialog
// activate, then a timer on it types the geometry, picks the pattern and
// presses OK, and presses Cancel when the dialog is still open afterwards.
// The mosaics come from raw_import_fixture.py; the decoded pictures go to
// raw_import_check.py, which holds them against OpenCV.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/RawImport.h"
#include "image/Image.h"
#include "image/colour/DecodeBayer.h"
#include "settings/WinRegistry.h"
#include "tests/app/frame_fixture.h"
#include "tests/capture/ui_helpers.h"
#include "tests/win32/watchdog.h"

namespace {

constexpr int kW = 100, kH = 80, kStride = 112, kOffset = 16;

// What the user types; null leaves an edit as it is, -1 leaves the choice.
struct Typing {
  const wchar_t* width = nullptr;
  const wchar_t* height = nullptr;
  const wchar_t* stride = nullptr;
  const wchar_t* offset = nullptr;
  int pattern = -1;
  int awb = -1;
  std::string shot;  // screenshot path, when wanted
};

// What the dialog showed when it opened, and how it ended.
struct Seen {
  std::wstring width, height, stride, offset;
  int checkedPattern = -1;
  bool awb = false;
  std::wstring caption, widthLabel;
  bool stayedOpen = false;
  bool dialogs = false;
};

HHOOK g_hook = nullptr;
Typing g_typing;
Seen g_seen;
int g_step = 0;

bool Checked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void CALLBACK Step(HWND dialog, UINT, UINT_PTR, DWORD) {
  if (g_step++ > 0) {
    // OK left it open: what the user sees, then Cancel.
    g_seen.stayedOpen = true;
    ::KillTimer(dialog, 1);
    Click(dialog, IDCANCEL);
    return;
  }
  g_seen.width = ui_test::TextOf(::GetDlgItem(dialog, IDC_RAW_WIDTH));
  g_seen.height = ui_test::TextOf(::GetDlgItem(dialog, IDC_RAW_HEIGHT));
  g_seen.stride = ui_test::TextOf(::GetDlgItem(dialog, IDC_RAW_STRIDE));
  g_seen.offset = ui_test::TextOf(::GetDlgItem(dialog, IDC_RAW_OFFSET));
  for (int p = 0; p < 4; ++p)
    if (Checked(dialog, IDC_RAW_BAYER1 + p)) g_seen.checkedPattern = p;
  g_seen.awb = Checked(dialog, IDC_RAW_AWB);
  g_seen.caption = ui_test::TextOf(dialog);
  g_seen.widthLabel = ui_test::TextOf(::GetDlgItem(dialog, 1052));

  const Typing& t = g_typing;
  if (t.width) ::SetDlgItemTextW(dialog, IDC_RAW_WIDTH, t.width);
  if (t.height) ::SetDlgItemTextW(dialog, IDC_RAW_HEIGHT, t.height);
  if (t.stride) ::SetDlgItemTextW(dialog, IDC_RAW_STRIDE, t.stride);
  if (t.offset) ::SetDlgItemTextW(dialog, IDC_RAW_OFFSET, t.offset);
  if (t.pattern >= 0) Click(dialog, IDC_RAW_BAYER1 + t.pattern);
  if (t.awb >= 0 && Checked(dialog, IDC_RAW_AWB) != (t.awb != 0)) Click(dialog, IDC_RAW_AWB);
  if (!t.shot.empty()) {
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ui_test::SaveWindowShot(dialog, t.shot);
  }
  Click(dialog, IDOK);
}

LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    ::GetClassNameW(dialog, name, 16);
    if (lstrcmpW(name, L"#32770") == 0 && ::GetDlgItem(dialog, IDC_RAW_WIDTH) && ::SetTimer(dialog, 1, 30, &Step))
      g_seen.dialogs = true;
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

struct Stored {
  DWORD width = 0xDEAD, height = 0xDEAD, stride = 0xDEAD, offset = 0xDEAD, bayer = 0xDEAD, awb = 0xDEAD;
};

Stored ReadStored() {
  Stored s;
  CWinRegistry key(HKEY_CURRENT_USER, kRawKey, FALSE, TRUE);
  key.ReadDword(L"Width", &s.width);
  key.ReadDword(L"Height", &s.height);
  key.ReadDword(L"Stride", &s.stride);
  key.ReadDword(L"Offset", &s.offset);
  key.ReadDword(L"Bayer", &s.bayer);
  key.ReadDword(L"Awb", &s.awb);
  return s;
}

void ClearStored() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kRawKey); }

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f) << path;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// The picture's rows, width x 4 bytes each.
std::vector<uint8_t> Pixels(const ZEvuvoro::CImage& image) {
  std::vector<uint8_t> out;
  for (int y = 0; y < image.m_nHeight; ++y) {
    const uint8_t* row = image.m_pData + static_cast<ptrdiff_t>(y) * image.m_nStride;
    out.insert(out.end(), row, row + image.m_nWidth * 4);
  }
  return out;
}

class RawImport : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = SharedFrame().m_hWnd;
    ClearStored();
    g_hook = ::SetWindowsHookExW(WH_CBT, &WatchWindows, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(g_hook);
  }
  void TearDown() override {
    ::UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    ClearStored();
  }

  // Runs the dialog on file with what the user types.
  std::unique_ptr<ZEvuvoro::CImage> Import(const std::string& file, Typing typing) {
    g_typing = std::move(typing);
    g_seen = Seen();
    g_step = 0;
    win32test::CWatchdog watchdog(30000);
    std::unique_ptr<ZEvuvoro::CImage> image(ImportRawImage(Wide("raw_import/" + file).c_str(), owner));
    EXPECT_FALSE(watchdog.Fired()) << "the dialog did not end";
    EXPECT_TRUE(g_seen.dialogs) << "no dialog came";
    return image;
  }

  HWND owner = nullptr;
};

TEST_F(RawImport, FirstImportShowsTheDefaultsAndTheSkinTexts) {
  Typing t;
  t.shot = "raw_import/dialog.bmp";
  auto image = Import("exact.raw", t);
  EXPECT_EQ(g_seen.width, L"0");
  EXPECT_EQ(g_seen.height, L"0");
  EXPECT_EQ(g_seen.stride, L"0");
  EXPECT_EQ(g_seen.offset, L"0");
  EXPECT_EQ(g_seen.checkedPattern, 0);
  EXPECT_TRUE(g_seen.awb);
  EXPECT_EQ(g_seen.caption, L"Import Raw Picture");
  EXPECT_EQ(g_seen.widthLabel, L"Width (pixels):");
  // OK with no geometry: closed, no picture, nothing stored.
  EXPECT_FALSE(g_seen.stayedOpen);
  EXPECT_FALSE(image);
  EXPECT_EQ(ReadStored().width, 0xDEADu);
}

TEST_F(RawImport, GeometryAgainstTheFile) {
  struct Case {
    const char* file;
    const wchar_t *width, *height, *stride, *offset;
    bool closes;
    bool picture;
    DWORD storedStride, storedOffset;  // 0xDEAD: nothing stored
  };
  const Case cases[] = {
      {"exact.raw", L"640", L"480", L"0", L"0", true, true, 640, 0},
      {"short.raw", L"640", L"480", L"0", L"0", false, false, 0xDEAD, 0xDEAD},
      {"offset16.raw", L"640", L"480", L"640", L"16", true, true, 640, 16},
      {"exact.raw", L"640", L"480", L"640", L"16", false, false, 0xDEAD, 0xDEAD},
      {"exact.raw", L"640", L"480", L"", L"-5", true, true, 640, 0},
      {"exact.raw", L"640", L"0", L"0", L"0", true, false, 0xDEAD, 0xDEAD},
      {"exact.raw", L"abc", L"480", L"0", L"0", true, false, 0xDEAD, 0xDEAD},
      {"missing.raw", L"640", L"480", L"0", L"0", false, false, 0xDEAD, 0xDEAD},
      // A stride below the width would read rows over each other.
      {"exact.raw", L"640", L"480", L"320", L"0", false, false, 0xDEAD, 0xDEAD},
      // 65536 x 65537 wraps to 65536 bytes in 32 bits; refused, nothing read.
      {"exact.raw", L"65536", L"65537", L"0", L"0", false, false, 0xDEAD, 0xDEAD},
      {"exact.raw", L"1", L"480", L"2000000000", L"0", false, false, 0xDEAD, 0xDEAD},
      // A file past 4 GiB whose low 32 bits of size say 100 bytes: only the
      // picture's 10000 bytes are read.
      {"huge.raw", L"100", L"100", L"0", L"0", true, true, 100, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::string(c.width, c.width + wcslen(c.width)) + " x " +
                 std::string(c.height, c.height + wcslen(c.height)) + " stride " +
                 std::string(c.stride, c.stride + wcslen(c.stride)) + " offset " +
                 std::string(c.offset, c.offset + wcslen(c.offset)));
    ClearStored();
    Typing t;
    t.width = c.width;
    t.height = c.height;
    t.stride = c.stride;
    t.offset = c.offset;
    const ULONGLONG start = ::GetTickCount64();
    auto image = Import(c.file, t);
    EXPECT_LT(::GetTickCount64() - start, 10000u);
    EXPECT_EQ(g_seen.stayedOpen, !c.closes);
    EXPECT_EQ(image != nullptr, c.picture);
    if (image) {
      EXPECT_TRUE(image->IsValid());
      EXPECT_EQ(image->m_nWidth, _wtoi(c.width));
      EXPECT_EQ(image->m_nHeight, _wtoi(c.height));
    }
    const Stored s = ReadStored();
    EXPECT_EQ(s.stride, c.storedStride);
    EXPECT_EQ(s.offset, c.storedOffset);
  }
}

TEST_F(RawImport, TheTypedValuesComeBackNextTime) {
  Typing t;
  t.width = L"640";
  t.height = L"480";
  t.stride = L"0";
  t.offset = L"-7";
  t.pattern = 2;
  t.awb = 0;
  EXPECT_TRUE(Import("exact.raw", t));
  Stored s = ReadStored();
  EXPECT_EQ(s.width, 640u);
  EXPECT_EQ(s.height, 480u);
  EXPECT_EQ(s.stride, 640u);
  EXPECT_EQ(s.offset, 0u);
  EXPECT_EQ(s.bayer, 2u);
  EXPECT_EQ(s.awb, 0u);

  // Opened again the dialog shows them, and OK with them imports again.
  auto again = Import("exact.raw", Typing());
  EXPECT_EQ(g_seen.width, L"640");
  EXPECT_EQ(g_seen.stride, L"640");
  EXPECT_EQ(g_seen.offset, L"0");
  EXPECT_EQ(g_seen.checkedPattern, 2);
  EXPECT_FALSE(g_seen.awb);
  EXPECT_TRUE(again);

  // A pattern number beyond the four checks the fourth; OK stores 3.
  {
    CWinRegistry key(HKEY_CURRENT_USER, kRawKey, TRUE, TRUE);
    key.WriteDword(L"Bayer", 7);
  }
  EXPECT_TRUE(Import("exact.raw", Typing()));
  EXPECT_EQ(g_seen.checkedPattern, 3);
  EXPECT_EQ(ReadStored().bayer, 3u);
}

TEST_F(RawImport, CancelStoresNothing) {
  g_typing = Typing();
  g_typing.width = L"640";
  g_typing.height = L"480";
  g_seen = Seen();
  g_step = 1;  // the first tick already presses Cancel
  std::unique_ptr<ZEvuvoro::CImage> image(ImportRawImage(L"raw_import/exact.raw", owner));
  EXPECT_FALSE(image);
  EXPECT_EQ(ReadStored().width, 0xDEADu);
}

// Each pattern through the dialog equals the decoder on the whole file; the
// pictures without white balance, and a wrong pattern, offset and stride, go
// to the Python check.
TEST_F(RawImport, MosaicsDecodeLikeTheLibrary) {
  for (int pattern = 0; pattern < 4; ++pattern) {
    const std::string file = "p" + std::to_string(pattern) + ".raw";
    const std::vector<uint8_t> bytes = ReadAll("raw_import/" + file);
    ASSERT_EQ(bytes.size(), static_cast<size_t>(kOffset + kStride * kH)) << file;
    for (int awb = 0; awb < 2; ++awb) {
      SCOPED_TRACE(file + (awb ? " awb" : ""));
      Typing t;
      t.width = L"100";
      t.height = L"80";
      t.stride = L"112";
      t.offset = L"16";
      t.pattern = pattern;
      t.awb = awb;
      auto image = Import(file, t);
      ASSERT_TRUE(image);
      ASSERT_EQ(image->m_nWidth, kW);
      ASSERT_EQ(image->m_nHeight, kH);

      CDecodeBayer decoder;
      decoder.m_nStride = kStride;
      decoder.m_nOffset = kOffset;
      decoder.m_bAwb = awb;
      decoder.m_nBayerType = pattern;
      ASSERT_TRUE(decoder.SetInput(bytes.data(), bytes.size(), kW, kH));
      const std::vector<uint8_t> got = Pixels(*image);
      ASSERT_EQ(got.size(), static_cast<size_t>(kW * kH * 4));
      EXPECT_EQ(std::memcmp(got.data(), decoder.GetOutput(), got.size()), 0);
      if (!awb) WriteAll("raw_import/out_p" + std::to_string(pattern) + ".bgra", got.data(), got.size());
    }
  }

  struct Wrong {
    const char* name;
    const wchar_t *width, *stride, *offset;
    int pattern;
  };
  const Wrong wrongs[] = {
      {"pattern", L"100", L"112", L"16", 1},
      {"offset", L"100", L"112", L"15", 0},
      {"stride", L"100", L"110", L"16", 0},
  };
  for (const Wrong& w : wrongs) {
    SCOPED_TRACE(w.name);
    Typing t;
    t.width = w.width;
    t.height = L"80";
    t.stride = w.stride;
    t.offset = w.offset;
    t.pattern = w.pattern;
    t.awb = 0;
    auto image = Import("p0.raw", t);
    ASSERT_TRUE(image);
    const std::vector<uint8_t> got = Pixels(*image);
    WriteAll(std::string("raw_import/wrong_") + w.name + ".bgra", got.data(), got.size());
  }
}

}  // namespace
