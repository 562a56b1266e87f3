// The calibration panel in the product skin's property host on a real
// canvas: lengths, units and magnifications typed into its fields and
// applied with its buttons, read back from the document, the figures and the
// settings; wrong and empty fields answered with their messages.

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/figures/Ruler.h"
#include "panels/RulerPanel.h"
#include "panels/WorkArea.h"
#include "tests/panels/figure_scene.h"
#include "tests/panels/screen_shot.h"
#include "toolkit/SkinUi.h"

namespace {

std::wstring SkinMessage(const wchar_t* key) {
  auto* text = dynamic_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(key, AVLF_UI_TEXT));
  return text ? text->GetText() : L"<missing " + std::wstring(key) + L">";
}

// The boxes the panel asked for, instead of showing them.
struct Box {
  HWND owner;
  std::wstring text;
  bool noCaption;
  UINT type;
};
std::vector<Box> g_boxes;

int WINAPI RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  g_boxes.push_back({owner, text ? text : L"", caption == nullptr, type});
  return IDOK;
}

// A real box: its text is read and it is closed with OK from a timer that
// runs inside its modal loop.
std::wstring g_shown;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK CloseBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  wchar_t text[256] = {};
  ::GetDlgItemTextW(box, 0xFFFF, text, 256);
  g_shown = text;
  ::EndDialog(box, IDOK);
}

class CalibrationPanel : public figscene::FigureScene {
 protected:
  void SetUp() override {
    g_boxes.clear();
    SetRulerMessageBoxFunction(&RecordBox);
    FigureScene::SetUp();
    if (HasFatalFailure()) return;
    CDTRuler* ruler = m_document.m_pRuler;
    ASSERT_TRUE(ruler);
    ruler->SetVertexPixel(0, 100.0f, 100.0f);
    ruler->SetVertexPixel(1, 300.0f, 100.0f);
    ASSERT_NEAR(ruler->PixelLength(), 200.0, 1e-3);
    m_document.SelectElement(ruler);
    ASSERT_EQ(host().m_pCurrentPanel->m_nCommandID, PANEL_RULER);
  }
  void TearDown() override {
    SetRulerMessageBoxFunction(nullptr);
    FigureScene::TearDown();
  }
  CWndSettingsRuler& panel() { return m_view.m_wndProcess.m_wndSettingsRuler; }
  // Types the text into the field and presses the button beside it; the
  // message the panel answered with, or empty.
  std::wstring Apply(HWND field, int button, const wchar_t* typed) {
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
    g_boxes.clear();
    Click(panel().m_hWnd, button);
    if (g_boxes.empty()) return L"";
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].owner, panel().m_hWnd);
    EXPECT_TRUE(g_boxes[0].noCaption);
    EXPECT_EQ(g_boxes[0].type, static_cast<UINT>(MB_OK));
    return g_boxes[0].text;
  }
};

TEST_F(CalibrationPanel, FieldsStartFromTheSettingsAndKeepWhatWasTyped) {
  ASSERT_TRUE(panel().m_hLength && panel().m_hUnit && panel().m_hPower);
  EXPECT_EQ(TextOf(panel().m_hLength), L"100");
  // The panel was initialised before any document: the settings fill the fields.
  EXPECT_EQ(TextOf(panel().m_hUnit), m_saved.unit);
  wchar_t power[32];
  std::swprintf(power, 32, L"%.2f", m_saved.power);
  EXPECT_EQ(TextOf(panel().m_hPower), power);
  EXPECT_EQ(host().m_pCaptionLabel->m_strText, L"Calibration") << "never the ruler's name";
  paneltest::SaveScreenShot(host().m_hWnd, L"calibration_panel.png");

  // Another document, and selecting the ruler again, leave the fields alone.
  ::SendMessageW(panel().m_hUnit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
  CDTImage other;
  host().SetDocument(&other);
  host().SetDocument(&m_document);
  m_document.SelectElement(nullptr);
  m_document.SelectElement(m_document.m_pRuler);
  EXPECT_EQ(TextOf(panel().m_hUnit), L"typed");
  EXPECT_EQ(panel().m_pDocument, &m_document);
}

TEST_F(CalibrationPanel, LengthCases) {
  CDTDraw* line = Add(DRAW_LINE, {{100, 300}, {600, 300}}, L"#1 length");  // 500 px
  ASSERT_TRUE(line);
  const std::wstring wrong = SkinMessage(L"eWrongLength");
  struct Case {
    const wchar_t* typed;
    double scale;  // 0: refused, the scale stays
  };
  const Case cases[] = {
      {L"50", 0.25}, {L"12.5cm", 0.0625}, {L"1e-8", 5e-11}, {L"0", 0},    {L"-1", 0}, {L"abc", 0},
      {L"inf", 0},   {L"1e999", 0},       {L"0x10", 0},     {L"9e-9", 0}, {L"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "typed \"" << std::string(c.typed, c.typed + std::wcslen(c.typed)) << "\"");
    const double before = m_document.ReferenceScale;
    g_Config.m_ReferenceScale = 7.0;
    const std::wstring message = Apply(panel().m_hLength, RULER_APPLY_LENGTH, c.typed);
    if (c.scale == 0) {
      EXPECT_EQ(message, wrong);
      EXPECT_EQ(m_document.ReferenceScale, before);
      EXPECT_EQ(g_Config.m_ReferenceScale, 7.0) << "the setting is not touched";
      continue;
    }
    EXPECT_EQ(message, L"");
    EXPECT_NEAR(m_document.ReferenceScale / c.scale, 1.0, 1e-5);
    EXPECT_EQ(g_Config.m_ReferenceScale, m_document.ReferenceScale);
  }
  // The figures are measured again: the line of 500 px at 0.25.
  Apply(panel().m_hLength, RULER_APPLY_LENGTH, L"50");
  EXPECT_EQ(std::wstring(line->m_szValue), L"125.000 cm");
}

TEST_F(CalibrationPanel, MagnificationCases) {
  const std::wstring wrong = SkinMessage(L"eWrongPower");
  struct Case {
    const wchar_t* typed;
    double power;  // 0: refused
  };
  const Case cases[] = {
      {L"0.001", 0.001}, {L"2", 2.0}, {L"0.0005", 0}, {L"0", 0}, {L"inf", 0}, {L"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "typed \"" << std::string(c.typed, c.typed + std::wcslen(c.typed)) << "\"");
    const double before = m_document.MultiPower;
    g_Config.m_MultiPower = 9.0;
    const std::wstring message = Apply(panel().m_hPower, RULER_APPLY_POWER, c.typed);
    if (c.power == 0) {
      EXPECT_EQ(message, wrong);
      EXPECT_EQ(m_document.MultiPower, before);
      EXPECT_EQ(g_Config.m_MultiPower, 9.0);
      continue;
    }
    EXPECT_EQ(message, L"");
    EXPECT_EQ(m_document.MultiPower, c.power);
    EXPECT_EQ(g_Config.m_MultiPower, c.power);
  }
}

TEST_F(CalibrationPanel, UnitReachesLabelsAndSetting) {
  CDTDraw* line = Add(DRAW_LINE, {{100, 300}, {600, 300}}, L"#1 length");
  ASSERT_TRUE(line);
  EXPECT_EQ(Apply(panel().m_hUnit, RULER_APPLY_UNIT, L"mm"), L"");
  EXPECT_STREQ(m_document.m_szUnit, L"mm");
  EXPECT_EQ(g_Config.CopyUnit(), L"mm");
  EXPECT_EQ(std::wstring(line->m_szValue), L"5.000 mm");
  // Nothing typed, or blanks only, is no unit: told, and nothing changes.
  const std::wstring wrong = SkinMessage(L"eWrongUnit");
  for (const wchar_t* typed : {L"", L"   "}) {
    EXPECT_EQ(Apply(panel().m_hUnit, RULER_APPLY_UNIT, typed), wrong);
    EXPECT_STREQ(m_document.m_szUnit, L"mm");
    EXPECT_EQ(g_Config.CopyUnit(), L"mm");
  }
}

TEST_F(CalibrationPanel, TypedKeysAreReadAndNoDocumentMeansNoAction) {
  // Real typing into the length field: select all, then the characters.
  ::SetFocus(panel().m_hLength);
  ::SendMessageW(panel().m_hLength, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  for (wchar_t ch : std::wstring(L"50")) ::SendMessageW(panel().m_hLength, WM_CHAR, ch, 1);
  EXPECT_EQ(TextOf(panel().m_hLength), L"50");
  Click(panel().m_hWnd, RULER_APPLY_LENGTH);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_NEAR(m_document.ReferenceScale, 0.25, 1e-5);

  // Without a document every button is silent, whatever the fields hold.
  host().SetDocument(nullptr);
  ASSERT_EQ(panel().m_pDocument, nullptr);
  g_Config.m_MultiPower = 9.0;
  EXPECT_EQ(Apply(panel().m_hLength, RULER_APPLY_LENGTH, L"abc"), L"");
  EXPECT_EQ(Apply(panel().m_hPower, RULER_APPLY_POWER, L"2"), L"");
  EXPECT_EQ(Apply(panel().m_hUnit, RULER_APPLY_UNIT, L""), L"");
  EXPECT_EQ(g_Config.m_MultiPower, 9.0);
}

TEST_F(CalibrationPanel, WrongLengthShowsARealMessageBox) {
  SetRulerMessageBoxFunction(nullptr);
  ::SendMessageW(panel().m_hLength, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
  g_shown.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &CloseBox);
  Click(panel().m_hWnd, RULER_APPLY_LENGTH);
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(g_shown, SkinMessage(L"eWrongLength"));
  EXPECT_TRUE(::IsWindowEnabled(m_view.m_hWnd)) << "the box gave its owner back";
}

TEST(ReadLeadingNumber, DecimalPrefixOnly) {
  struct Case {
    const wchar_t* text;
    double value;
  };
  const Case cases[] = {
      {L"12.5cm", 12.5}, {L"  -3e2x", -300.0}, {L".5", 0.5},  {L"7.", 7.0},   {L"1e", 1.0},  {L"1e+", 1.0},
      {L"abc", 0.0},     {L"inf", 0.0},        {L"NaN", 0.0}, {L"0x1A", 0.0}, {L"+-1", 0.0}, {L"", 0.0},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadLeadingNumber(c.text), c.value) << static_cast<int>(c.text[0]);
  EXPECT_TRUE(std::isinf(ReadLeadingNumber(L"1e999")));
}

}  // namespace
