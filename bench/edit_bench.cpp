// Typing into a skinned text field holding 1,000 characters (up to the
// 1,024 limit), single-line and multi-line, at the end and in the middle,
// layout and paint included, against the native EDIT control typing the
// same; and a picker's press-to-visible time.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timer.h"
#include "toolkit/SkinEdit.h"
#include "toolkit/SkinPickers.h"
#include "toolkit/SkinUi.h"
#include "toolkit/XmlDocument.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Windows>
    <Single Class="EDIT" Style="WS_CHILD|WS_VISIBLE" X="0" Y="0" Width="400" Height="24"/>
    <Multi Class="EDIT" Style="WS_CHILD|WS_VISIBLE|ES_MULTILINE" X="0" Y="30" Width="400" Height="400"/>
  </Windows>
</Skin>
)";

constexpr int kTyped = 24;

const std::wstring& Base() {
  static const std::wstring text = [] {
    std::wstring t;
    while (t.size() < 1000) t += L"measure the line ";
    t.resize(1000);
    return t;
  }();
  return text;
}

// ms per character of kTyped characters typed at `at` (-1: the end).
double TypeSkinned(AvlfEdit& edit, int at) {
  return BestMs(3,
                [&] {
                  ::SendMessageW(edit.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Base().c_str()));
                  edit.m_nCaret = at < 0 ? edit.Length() : at;
                  for (int i = 0; i < kTyped; ++i) ::SendMessageW(edit.m_hWnd, WM_CHAR, L'a' + i % 26, 1);
                }) /
         kTyped;
}

double TypeNative(HWND edit, int at) {
  return BestMs(3,
                [&] {
                  ::SetWindowTextW(edit, Base().c_str());
                  const int caret = at < 0 ? static_cast<int>(Base().size()) : at;
                  ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(caret), caret);
                  for (int i = 0; i < kTyped; ++i) {
                    ::SendMessageW(edit, WM_CHAR, L'a' + i % 26, 1);
                    ::UpdateWindow(edit);
                  }
                }) /
         kTyped;
}

}  // namespace

int main() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
    std::fprintf(stderr, "GDI+ did not start\n");
    return 1;
  }
  AvlfXmlDocument document;
  if (!document.Load(kSkin, sizeof kSkin - 1)) {
    std::fprintf(stderr, "skin did not parse\n");
    return 1;
  }
  GetSkinUi()->SetLanguage(1033);
  GetSkinUi()->WalkSkinDocument(document);
  HWND host = ::CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 820, 460, nullptr,
                                nullptr, nullptr, nullptr);
  AvlfEdit single, multi;
  if (!host || !single.Create(nullptr, host, nullptr, L"Single") || !multi.Create(nullptr, host, nullptr, L"Multi")) {
    std::fprintf(stderr, "windows were not created\n");
    return 1;
  }
  HWND nativeSingle = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 410, 0, 400, 24, host,
                                        nullptr, nullptr, nullptr);
  HWND nativeMulti = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 410, 30, 400, 400, host,
                                       nullptr, nullptr, nullptr);
  ::SendMessageW(nativeSingle, EM_SETLIMITTEXT, 2048, 0);
  ::SendMessageW(nativeMulti, EM_SETLIMITTEXT, 2048, 0);

  const struct {
    const char* name;
    AvlfEdit* edit;
    HWND native;
    int at;
  } cases[] = {
      {"single_end", &single, nativeSingle, -1},
      {"single_middle", &single, nativeSingle, 500},
      {"multi_end", &multi, nativeMulti, -1},
      {"multi_middle", &multi, nativeMulti, 500},
  };
  for (const auto& c : cases) {
    const double ours = TypeSkinned(*c.edit, c.at);
    const double native = TypeNative(c.native, c.at);
    std::printf("edit_type_%s: %.3f ms\n", c.name, ours);
    std::printf("native_edit_type_%s: %.3f ms\n", c.name, native);
    std::printf("edit_type_%s_vs_native: %.2f x\n", c.name, ours / native);
  }

  // Press to visible: the popup is created, laid out, shown and painted.
  const POINT at{100, 100};
  const double weight = BestMs(5, [&] {
    g_WeightPicker.Popup(&at, host);
    ::UpdateWindow(g_WeightPicker.m_hWnd);
    ::DestroyWindow(g_WeightPicker.m_hWnd);
    g_WeightPicker.m_hWnd = nullptr;
  });
  const double colour = BestMs(5, [&] {
    g_ColorPicker.Popup(&at, host);
    ::UpdateWindow(g_ColorPicker.m_hWnd);
    ::DestroyWindow(g_ColorPicker.m_hWnd);
    g_ColorPicker.m_hWnd = nullptr;
  });
  // The peer: a native drop-down list shown and painted.
  HWND nativeCombo = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 440, 200, 200,
                                       host, nullptr, nullptr, nullptr);
  for (int i = 0; i < 8; ++i) ::SendMessageW(nativeCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"item"));
  COMBOBOXINFO comboInfo{};
  comboInfo.cbSize = sizeof comboInfo;
  ::GetComboBoxInfo(nativeCombo, &comboInfo);
  const double plain = BestMs(5, [&] {
    ::SendMessageW(nativeCombo, CB_SHOWDROPDOWN, TRUE, 0);
    ::UpdateWindow(comboInfo.hwndList);
    ::SendMessageW(nativeCombo, CB_SHOWDROPDOWN, FALSE, 0);
  });
  // Layout alone: every character of the 1,000 measured (into boxes of
  // its own, which keep nothing from an earlier measuring).
  ::SendMessageW(single.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Base().c_str()));
  std::vector<AvlfEditCharBox> boxes;
  const double layout = BestMs(3, [&] { MeasureEditCharacters(single, boxes); });
  const double oneByOne = BestMs(1, [&] { MeasureEditCharactersOneByOne(single, boxes); });
  const double overTheRest = BestMs(3, [&] { MeasureEditCharactersOverTheRest(single, boxes); });
  std::printf("edit_layout_1000: %.3f ms\n", layout);
  std::printf("edit_measure_one_call_per_character_1000: %.3f ms\n", oneByOne);
  std::printf("edit_layout_vs_one_call_per_character: %.2f x\n", layout / oneByOne);
  std::printf("edit_measure_runs_over_the_rest_1000: %.3f ms\n", overTheRest);
  std::printf("edit_layout_vs_runs_over_the_rest: %.2f x\n", layout / overTheRest);
  std::printf("weight_picker_press_to_visible: %.3f ms\n", weight);
  std::printf("colour_picker_press_to_visible: %.3f ms\n", colour);
  std::printf("native_dropdown_visible: %.3f ms\n", plain);
  std::printf("weight_picker_vs_native_dropdown: %.2f x\n", weight / plain);
  std::printf("colour_picker_vs_native_dropdown: %.2f x\n", colour / plain);

  ::DestroyWindow(single.m_hWnd);
  ::DestroyWindow(multi.m_hWnd);
  ::DestroyWindow(host);
  GetSkinUi()->ClearSkin();
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
