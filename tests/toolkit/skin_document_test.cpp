// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/toolkit/skin_test_support.h"
#include "toolkit/SkinUi.h"
#include "win32/ComPtr.h"

using skin_test::FullPath;
using skin_test::ReadStream;
using skin_test::Widen;

namespace {

const std::wstring kPackage = L"vocabulary\\velin.dll";

class SkinVocabulary : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ui = std::make_unique<AvlfUI>();
    ASSERT_NO_THROW(m_ui->LoadSkinPackage(FullPath(kPackage).c_str()));
  }
  const wchar_t* Text(LANGID language, const wchar_t* key) {
    m_ui->SetLanguage(language);
    auto* text = static_cast<AvlfUiElementText*>(m_ui->FindElement(key, AVLF_UI_TEXT));
    return text ? text->GetText() : nullptr;
  }
  template <class T>
  T* Find(const wchar_t* name, int type) {
    m_ui->SetLanguage(1033);
    return static_cast<T*>(m_ui->FindElement(name, type));
  }

  std::unique_ptr<AvlfUI> m_ui;
};

}  // namespace

// Lookups by key and language: exact language first, then 1033 key by key;
// letter case ignored, lengths must agree; the first element in document
// order wins, an include standing where it was written.
TEST_F(SkinVocabulary, TextsByKeyAndLanguage) {
  struct Case {
    LANGID language;
    const wchar_t* key;
    const wchar_t* text;  // null: no element
  } cases[] = {
      {1033, L"MFileOpen", L"Open"},
      {2052, L"MFileOpen", L"\x6253\x5F00"},
      {2052, L"mFILEopen", L"\x6253\x5F00"},
      {2052, L"OnlyChinese", L"\x4E2D"},
      {1033, L"OnlyChinese", nullptr},
      {2052, L"Twice", L"first"},
      {1033, L"TWICE", L"first"},
      {1033, L"NoText", L""},
      {1033, L"NoId", L"under 1033"},
      {2052, L"NoId", L"under 1033"},
      {1031, L"German", L"Datei"},
      {1031, L"MFileOpen", L"Open"},
      {3082, L"MFileOpen", L"Open"},
      {1033, L"MFile", nullptr},
      {1033, L"MFileOpenX", nullptr},
      {1033, L"Between", L"from the include"},
      {1033, L"After", L"after the include"},
      {1033, L"Hidden", nullptr},
      {1033, L"Foo", nullptr},
      {1033, L"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.language << " " << testing::PrintToString(std::wstring(c.key)));
    const wchar_t* text = Text(c.language, c.key);
    if (!c.text) {
      EXPECT_EQ(text, nullptr);
      m_ui->SetLanguage(c.language);
      EXPECT_STREQ(m_ui->FindText(c.key), L"");
    } else {
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text, c.text);
      EXPECT_STREQ(m_ui->FindText(c.key), c.text);
    }
  }
  m_ui->SetLanguage(1033);
  for (int type : {-1, 0, 7, 100}) EXPECT_EQ(m_ui->FindElement(L"MFileOpen", type), nullptr) << type;
  EXPECT_EQ(m_ui->FindElement(nullptr, AVLF_UI_TEXT), nullptr);
  EXPECT_STREQ(m_ui->FindText(nullptr), L"");
}

// Document order with the include in its place; the self-inclusions of
// Skin.xml (directly and through more.xml) are skipped.
TEST_F(SkinVocabulary, IncludedTextsStandWhereTheIncludeIs) {
  const auto* list = m_ui->GetElements(AVLF_UI_TEXT, 1033);
  ASSERT_NE(list, nullptr);
  std::wstring names;
  for (const auto& e : *list) names += std::wstring(e->GetName()) + L" ";
  EXPECT_EQ(names, L"MFileOpen Twice Twice NoText NoId Between twice After ");
  const auto* chinese = m_ui->GetElements(AVLF_UI_TEXT, 2052);
  ASSERT_NE(chinese, nullptr);
  EXPECT_EQ(chinese->size(), 2u);
  EXPECT_EQ(m_ui->GetElements(AVLF_UI_COLOR, 2052), nullptr);
}

TEST_F(SkinVocabulary, ColoursFontsImagesAndInformation) {
  struct ColourCase {
    const wchar_t* name;
    uint32_t argb;
  } colours[] = {{L"RedOnly", 0xFFFF0000u}, {L"Full", 0x04010203u}, {L"Odd", 0xFF00000Cu}};
  for (const ColourCase& c : colours) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
    auto* colour = Find<AvlfUiElementColor>(c.name, AVLF_UI_COLOR);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->GetArgb(), c.argb);
    EXPECT_EQ(static_cast<uint32_t>(colour->GetAlpha()) << 24 | static_cast<uint32_t>(colour->GetRed()) << 16 |
                  static_cast<uint32_t>(colour->GetGreen()) << 8 | colour->GetBlue(),
              c.argb);
  }
  // The lower-case section is not a colour section; with language 2052 the
  // colours of 1033 serve.
  EXPECT_EQ(Find<AvlfUiElementColor>(L"Lower", AVLF_UI_COLOR), nullptr);
  m_ui->SetLanguage(2052);
  EXPECT_NE(m_ui->FindElement(L"full", AVLF_UI_COLOR), nullptr);

  struct FontCase {
    const wchar_t* name;
    const wchar_t* family;
    int height, width, weight, italic, underline;
    const wchar_t* file;
  } fonts[] = {
      {L"Plain", L"Arial", 18, 0, 400, 0, 0, nullptr},
      {L"Glyphs", L"MensaroIcon", 20, 7, 700, 1, 1, L"fontawesome-webfont.ttf"},
      {L"Broken", L"A family name far longer than thirty-one characters", 18, 0, 400, 0, 0, nullptr},
  };
  for (const FontCase& c : fonts) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
    auto* font = Find<AvlfUiElementFont>(c.name, AVLF_UI_FONT);
    ASSERT_NE(font, nullptr);
    EXPECT_STREQ(font->GetFamilyName(), c.family);
    EXPECT_EQ(font->GetHeight(), c.height);
    EXPECT_EQ(font->GetWidth(), c.width);
    EXPECT_EQ(font->GetWeight(), c.weight);
    EXPECT_EQ(font->IsItalic(), c.italic);
    EXPECT_EQ(font->IsUnderline(), c.underline);
    if (c.file)
      EXPECT_STREQ(font->GetFile(), c.file);
    else
      EXPECT_EQ(font->GetFile(), nullptr);
  }

  auto* logo = Find<AvlfUiElementImage>(L"Logo", AVLF_UI_IMAGE);
  ASSERT_NE(logo, nullptr);
  ASSERT_STREQ(logo->GetFile(), L"images/logo.png");
  EXPECT_STREQ(logo->GetKeyColorLow(), L"0");
  win32::CComPtr<IStream> stream;
  m_ui->GetPackageStream(&stream, logo->GetFile());
  EXPECT_EQ(ReadStream(stream).size(), 40u);
  auto* noFile = Find<AvlfUiElementImage>(L"NoFile", AVLF_UI_IMAGE);
  ASSERT_NE(noFile, nullptr);
  EXPECT_EQ(noFile->GetFile(), nullptr);

  // The section element itself comes first, then its children.
  const auto* infoes = m_ui->GetElements(AVLF_UI_INFORMATION, 1033);
  ASSERT_NE(infoes, nullptr);
  ASSERT_EQ(infoes->size(), 2u);
  auto* section = static_cast<AvlfUiElementInformation*>((*infoes)[0].get());
  EXPECT_STREQ(section->GetName(), L"Infoes");
  EXPECT_STREQ(section->GetTitle(), L"Gallery");
  EXPECT_STREQ(section->GetAuthor(), L"Mensaro");
  EXPECT_EQ(section->GetLanguage(), 2052);
  auto* about = static_cast<AvlfUiElementInformation*>((*infoes)[1].get());
  EXPECT_STREQ(about->GetTitle(), L"");
  EXPECT_STREQ(about->GetDescription(), L"no title");
  EXPECT_EQ(about->GetLanguage(), 1033);
}

TEST_F(SkinVocabulary, WindowTrees) {
  auto* main = Find<AvlfUiWindow>(L"mainframe", AVLF_UI_WINDOW);
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(main->GetAttributeCount(), 2);
  EXPECT_STREQ(main->GetAttribute(0)->GetName(), L"Class");
  ASSERT_NE(main->FindAttribute(L"COMMANDID"), nullptr);
  EXPECT_EQ(main->FindAttribute(L"commandId")->GetInt(), 31);
  EXPECT_EQ(main->FindAttribute(L"Command"), nullptr);
  // The comment and the one-attribute child are not children.
  ASSERT_EQ(main->GetChildCount(), 2);
  EXPECT_STREQ(main->GetChild(0)->GetName(), L"Child");
  EXPECT_EQ(main->FindChild(L"lonely"), nullptr);
  AvlfUiWindow* list = main->FindChild(L"LIST");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->FindAttribute(L"Width")->GetInt(), 12);
  ASSERT_EQ(list->GetChildCount(), 1);
  EXPECT_STREQ(list->GetChild(0)->FindAttribute(L"text")->GetValue(), L"a");

  // A top-level element with one attribute is kept, empty.
  auto* single = Find<AvlfUiWindow>(L"Single", AVLF_UI_WINDOW);
  ASSERT_NE(single, nullptr);
  EXPECT_EQ(single->GetAttributeCount(), 0);
  EXPECT_EQ(single->GetAttribute(0), nullptr);
  EXPECT_EQ(single->GetChildCount(), 0);
  EXPECT_EQ(single->GetChild(0), nullptr);
}

TEST(SkinWindowAttribute, IntegerRule) {
  struct Case {
    const wchar_t* value;
    int expected;
  } cases[] = {
      {L"0x1F", 31},
      {L"31", 31},
      {L"0X1f", 31},
      {L"x1", 0},
      {L"12abc", 12},
      {L"0x1G", 16},
      {L"0xFF000000", static_cast<int>(0xFF000000u)},
      {L"  -5", -5},
      {L"+7", 7},
      {L"", 0},
      {L"abc", 0},
      {L"1x10", 16},
      {L"0x", 0},
      {L"99999999999", 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
    EXPECT_EQ(AvlfUiWindow::Attribute(L"X", c.value).GetInt(), c.expected);
  }
}

// The font named by the skin is found by the family name inside the file,
// not by the element's name; a family the system has but the skin did not
// load is not.
TEST_F(SkinVocabulary, FontsFromTheResourceFolderOnly) {
  const auto fonts = skin_test::ReadTable("vocabulary/fonts.tsv");
  ASSERT_EQ(fonts.size(), 1u);
  const std::wstring family = Widen(fonts[0][1]);
  std::wstring folder = FullPath(kPackage);
  folder.erase(folder.find_last_of(L'\\'));
  EXPECT_EQ(std::wstring(m_ui->GetPackageFolder()), folder);

  std::unique_ptr<Gdiplus::Font> font(m_ui->FindFont(family.c_str(), 20));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->GetSize(), 20.0f);
  EXPECT_EQ(font->GetUnit(), Gdiplus::UnitPixel);
  EXPECT_EQ(font->GetStyle(), Gdiplus::FontStyleRegular);
  Gdiplus::FontFamily got;
  font->GetFamily(&got);
  wchar_t name[LF_FACESIZE] = {};
  got.GetFamilyName(name);
  EXPECT_EQ(std::wstring(name), family);

  std::unique_ptr<Gdiplus::Font> lower(m_ui->FindFont(L"mensaroicon", 12));
  EXPECT_NE(lower, nullptr);
  EXPECT_EQ(m_ui->FindFont(L"Glyphs", 20), nullptr);
  EXPECT_EQ(m_ui->FindFont(nullptr, 20), nullptr);

  // Installed in the system, not loaded by the skin.
  for (const wchar_t* installed : {L"FontAwesome", L"DejaVu Sans", L"Arial"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(installed)));
    Gdiplus::FontFamily system(installed);
    ASSERT_TRUE(system.IsAvailable());
    EXPECT_EQ(m_ui->FindFont(installed, 20), nullptr);
  }
  Gdiplus::FontFamily onlyInTheSkin(family.c_str());
  EXPECT_FALSE(onlyInTheSkin.IsAvailable());
}

TEST(SkinManager, MissingEntriesAndPackages) {
  struct Case {
    const wchar_t* package;
    int code;
    const wchar_t* text;  // null: the package path
  } cases[] = {
      {L"vocabulary\\missing-include.zip", 2, L"nothere.xml"},
      {L"vocabulary\\include-without-file.zip", 2, L""},
      {L"packages\\good.zip", -2, nullptr},  // Skin.xml is there as skin.XML
      {L"packages\\second.zip", 2, L"Skin.xml"},
      {L"packages\\not-a-zip.zip", 1, nullptr},
      {L"vocabulary\\absent.dll", 1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.package)));
    AvlfUI ui;
    const std::wstring path = FullPath(c.package);
    if (c.code == -2) {
      EXPECT_NO_THROW(ui.LoadSkinPackage(path.c_str()));
      continue;
    }
    try {
      ui.LoadSkinPackage(path.c_str());
      ADD_FAILURE() << "loaded";
    } catch (const AvlfException& e) {
      EXPECT_EQ(e.Code(), c.code);
      EXPECT_STREQ(e.Text(), c.text ? c.text : path.c_str());
    }
  }
  // Texts read before the missing include stay.
  AvlfUI ui;
  EXPECT_THROW(ui.LoadSkinPackage(FullPath(L"vocabulary\\missing-include.zip").c_str()), AvlfException);
  EXPECT_STREQ(ui.FindText(L"A"), L"a");
}

// Skins written in a code page the system knows load as they would in the
// original parser.
TEST(SkinManager, DeclaredCodePageEncodings) {
  struct Case {
    const wchar_t* package;
    const wchar_t* text;
  } cases[] = {
      {L"vocabulary\\gb2312.zip", L"\x6253\x5F00\x6587\x4EF6"},
      {L"vocabulary\\windows-1251.zip", L"\x0424\x0430\x0439\x043B"},
      {L"vocabulary\\big5.zip", L"\x958B\x555F\x6A94\x6848\x8A31"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.package)));
    AvlfUI ui;
    ui.SetLanguage(2052);
    ASSERT_NO_THROW(ui.LoadSkinPackage(FullPath(c.package).c_str()));
    EXPECT_STREQ(ui.FindText(L"MFileOpen"), c.text);
  }
}

// Each broken Skin.xml gives the long parse-error text; its line is the one
// xmllint reports for the same document.
TEST(SkinManager, ParseErrorsNameLineColumnSourceAndReason) {
  const auto rows = skin_test::ReadTable("errors/errors.tsv");
  ASSERT_GE(rows.size(), 8u) << "no fixture: run skin_packages.py in the working folder";
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    AvlfUI ui;
    const std::wstring path = FullPath(Widen("errors\\" + row[0] + ".zip"));
    try {
      ui.LoadSkinPackage(path.c_str());
      ADD_FAILURE() << "parsed";
      continue;
    } catch (const AvlfException& e) {
      EXPECT_EQ(e.Code(), -1);
      ASSERT_NE(e.Text(), nullptr);
      const std::wstring text = e.Text();
      const std::wstring head = L"Skin Parse Error: 'Skin.xml'. Error Line=";
      ASSERT_EQ(text.compare(0, head.size(), head), 0) << testing::PrintToString(text);
      const int line = std::stoi(text.substr(head.size()));
      const int xmllint = std::stoi(row[1]);
      if (xmllint > 0) {
        EXPECT_EQ(line, xmllint) << testing::PrintToString(text);
      }
      const size_t column = text.find(L", Error Column=");
      ASSERT_NE(column, std::wstring::npos);
      EXPECT_GE(std::stoi(text.substr(column + 15)), 1);
      // A blank line, the source line, a blank line and the reason.
      const size_t source = text.find(L"\n\n");
      ASSERT_NE(source, std::wstring::npos);
      const size_t reason = text.find(L"\n\n", source + 2);
      ASSERT_NE(reason, std::wstring::npos);
      EXPECT_GT(text.size(), reason + 2);
      const std::wstring sourceLine = text.substr(source + 2, reason - source - 2);
      if (row[0] == "line12") {
        EXPECT_EQ(text,
                  L"Skin Parse Error: 'Skin.xml'. Error Line=12, Error Column=5\n\n   <1/>\n\n"
                  L"not well-formed (invalid token)");
      } else if (row[0] == "unclosed") {
        EXPECT_EQ(sourceLine, L"</Skin>");
      } else if (row[0] == "after-root") {
        EXPECT_EQ(sourceLine, L"trailing text");
      }
    }
  }
}

// The toolkit's start and end around the process's one manager.
TEST(SkinManager, InitAndExit) {
  try {
    InitSkinUi(FullPath(L"vocabulary\\absent.dll").c_str(), 2052);
    ADD_FAILURE() << "started";
  } catch (const AvlfException& e) {
    EXPECT_EQ(e.Code(), 1);
  }
  ExitSkinUi();

  ASSERT_NO_THROW(InitSkinUi(FullPath(kPackage).c_str(), 2052));
  AvlfUI* ui = GetSkinUi();
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->GetLanguage(), 2052);
  EXPECT_STREQ(ui->FindText(L"MFileOpen"), L"\x6253\x5F00");
  EXPECT_STREQ(ui->FindText(L"After"), L"after the include");
  ExitSkinUi();
  ExitSkinUi();
}
