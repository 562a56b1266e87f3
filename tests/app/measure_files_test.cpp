// Measure > Save and Measure > Load on a document holding the figures of
// measure_fixture.prj: the text report byte for byte, the filter deciding
// what is written, failed writes, and the files measure_files_check.py reads
// (the project file through the format's own parser, the workbook through
// xlrd and LibreOffice).
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <cwchar>
#include <string>

#include "app/MainFrame.h"
#include "app/MeasureFiles.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "tests/app/files_fixture.h"
#include "tests/app/frame_fixture.h"

namespace {

std::string Utf16(const std::wstring& text) {
  std::string out = "\xFF\xFE";
  for (wchar_t c : text) {
    out.push_back(static_cast<char>(static_cast<uint16_t>(c) & 0xFF));
    out.push_back(static_cast<char>(static_cast<uint16_t>(c) >> 8));
  }
  return out;
}

// The fixture's report: the header, the named line with its -2.7 vertex, an
// empty line for the unnamed one, no clip-art or text, the named angle.
const wchar_t kFixtureReport[] =
    L"Scale: 0.10, Magnification: 1.00\r\n"
    L"\r\n#1 length\r\n5.000 cm\r\n1: (-2.700, 1.000)\r\n2: (0.300, 5.000)\r\n\r\n"
    L"\r\n"
    L"\r\n#5 angle\r\n90.000\u00B0\r\n1: (15.000, 5.000)\r\n2: (10.000, 5.000)\r\n3: (10.000, 0.000)\r\n\r\n";

std::string ReportOf(CDTImage* document) { return BuildMeasureReport(document, L"Scale", L"Magnification"); }

TEST(MeasureReport, GoldenBytesAlsoUnderACommaLocale) {
  CFixtureDocument bare(L"bare.bmp", false);
  ASSERT_TRUE(bare.Ready());
  // The ruler alone: the byte-order mark and the header line.
  EXPECT_EQ(ReportOf(bare.m_pDocument), Utf16(L"Scale: 1.00, Magnification: 1.00\r\n"));

  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  ASSERT_EQ(fixture.m_pDocument->m_children.size(), 6u);
  EXPECT_EQ(ReportOf(fixture.m_pDocument), Utf16(kFixtureReport));

  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* comma = nullptr;
  for (const char* name : {"German_Germany.1252", "de-DE", "German"}) {
    if (std::setlocale(LC_ALL, name)) {
      comma = name;
      break;
    }
  }
  ASSERT_NE(comma, nullptr);
  wchar_t printed[16];
  std::swprintf(printed, 16, L"%.2f", 1.5);
  EXPECT_STREQ(printed, L"1,50");  // the runtime itself now writes commas
  EXPECT_EQ(ReportOf(fixture.m_pDocument), Utf16(kFixtureReport));
  std::setlocale(LC_ALL, previous.c_str());
}

TEST(MeasureSave, TheFilterDecidesWhatIsWritten) {
  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  CMainFrame& frame = SharedFrame();
  ::CreateDirectoryW(L"dotted.dir", nullptr);
  struct Row {
    const wchar_t* chosen;
    DWORD filter;
    const wchar_t* written;
    const char* magic;
  };
  const Row rows[] = {
      {L"measure_saved", 1, L"measure_saved.prj", "BM"},
      {L"measure_report", 2, L"measure_report.txt", "\xFF\xFE"},
      {L"measure_text.xls", 2, L"measure_text.xls", "\xFF\xFE"},  // the typed extension stays
      {L"measure_sheet", 3, L"measure_sheet.xls", "\xD0\xCF\x11\xE0"},
      {L"dotted.dir\\measure_report", 2, L"dotted.dir\\measure_report.txt", "\xFF\xFE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::string(row.chosen, row.chosen + wcslen(row.chosen)));
    ::DeleteFileW(row.written);
    CFileAnswers answers;
    answers.file = row.chosen;
    answers.filterIndex = row.filter;
    frame.OnMeasureSave();
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_EQ(answers.shownFilterIndex.at(0), 1u);
    EXPECT_EQ(answers.titles.at(0), L"Save Measurements");
    EXPECT_TRUE(answers.boxes.empty());
    const std::string bytes = ReadWholeFile(row.written);
    EXPECT_EQ(bytes.compare(0, strlen(row.magic), row.magic), 0);
    if (row.filter == 2) {
      EXPECT_EQ(bytes, Utf16(kFixtureReport));
    }
  }

  // An empty name is refused, a cancel does nothing.
  {
    CFileAnswers answers;
    answers.file = L"";
    frame.OnMeasureSave();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0], L"Please enter a file name.");
  }
  {
    ::DeleteFileW(L"measure_cancelled.txt");
    CFileAnswers answers;
    answers.ok = false;
    answers.file = L"measure_cancelled";
    answers.filterIndex = 2;
    frame.OnMeasureSave();
    EXPECT_TRUE(answers.boxes.empty());
    EXPECT_EQ(::GetFileAttributesW(L"measure_cancelled.txt"), INVALID_FILE_ATTRIBUTES);
  }
}

TEST(MeasureLoad, ASavedProjectGivesTheSameReportAndACorruptOneChangesNothing) {
  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  CMainFrame& frame = SharedFrame();
  {
    CFileAnswers answers;
    answers.file = L"measure_roundtrip.prj";
    frame.OnMeasureSave();
  }
  const std::string expected = ReportOf(fixture.m_pDocument);

  CFixtureDocument other(L"other.bmp", false);
  ASSERT_TRUE(other.Ready());
  {
    CFileAnswers answers;
    answers.file = L"measure_roundtrip.prj";
    frame.OnMeasureLoad();
    EXPECT_EQ(answers.titles.at(0), L"Load Measurements");
  }
  EXPECT_EQ(ReportOf(other.m_pDocument), expected);

  const size_t figures = other.m_pDocument->m_children.size();
  {
    CFileAnswers answers;
    answers.file = L"measure_corrupt.prj";
    frame.OnMeasureLoad();
    EXPECT_TRUE(answers.boxes.empty());
  }
  EXPECT_EQ(other.m_pDocument->m_children.size(), figures);
  EXPECT_EQ(ReportOf(other.m_pDocument), expected);
}

// Writes the first half of what it is given.
BOOL WriteHalf(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return ::WriteFile(file, data, size / 2, written, nullptr);
}

TEST(MeasureSave, FailedWritesAreReportedAndLeaveTheOldFile) {
  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  CMainFrame& frame = SharedFrame();
  {
    HANDLE file = ::CreateFileW(L"measure_keep.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "old", 3, &written, nullptr);
    ::CloseHandle(file);
  }
  SetReportWriteFunction(WriteHalf);
  {
    CFileAnswers answers;
    answers.file = L"measure_keep.txt";
    answers.filterIndex = 2;
    frame.OnMeasureSave();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0],
              L"Save text file 'measure_keep.txt' failed.\nPlease check you have right to write the folder");
  }
  SetReportWriteFunction(nullptr);
  EXPECT_EQ(ReadWholeFile(L"measure_keep.txt"), "old");
  EXPECT_EQ(::GetFileAttributesW(L"measure_keep.txt.part"), INVALID_FILE_ATTRIBUTES);

  // A folder that does not exist: each form says so.
  const struct {
    DWORD filter;
    const wchar_t* box;
  } rows[] = {
      {1, L"Save project file 'no such dir\\m.prj' failed.\nPlease check you have right to write the folder"},
      {2, L"Save text file 'no such dir\\m.txt' failed.\nPlease check you have right to write the folder"},
      {3, L"Save excel file 'no such dir\\m.xls' failed.\nPlease check you have right to write the folder"},
  };
  for (const auto& row : rows) {
    CFileAnswers answers;
    answers.file = L"no such dir\\m";
    answers.filterIndex = row.filter;
    frame.OnMeasureSave();
    ASSERT_EQ(answers.boxes.size(), 1u) << row.filter;
    EXPECT_EQ(answers.boxes[0], row.box);
  }
}

// The workbooks measure_files_check.py reads: precision 5 and 3.
TEST(MeasureWorkbook, WrittenForTheChecks) {
  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  CMainFrame& frame = SharedFrame();
  const DWORD precision = g_Config.m_DecimalPrecision;
  g_Config.m_DecimalPrecision = 5;
  EXPECT_TRUE(frame.ExportSpreadsheet(fixture.m_pDocument, L"measure_p5.xls"));
  g_Config.m_DecimalPrecision = precision;
  EXPECT_FALSE(frame.ExportSpreadsheet(nullptr, L"measure_none.xls"));
  EXPECT_EQ(::GetFileAttributesW(L"measure_none.xls"), INVALID_FILE_ATTRIBUTES);
  // The report beside it, whose value texts the workbook must repeat.
  EXPECT_TRUE(WriteMeasureReport(fixture.m_pDocument, L"measure_p5.txt"));

  CFixtureDocument bare(L"bare.bmp", false);
  ASSERT_TRUE(bare.Ready());
  g_Config.m_DecimalPrecision = 3;
  EXPECT_TRUE(frame.ExportSpreadsheet(bare.m_pDocument, L"measure_bare.xls"));
  g_Config.m_DecimalPrecision = precision;
}

TEST(MeasureFormatting, FixedPointAndTruncation) {
  EXPECT_EQ(FormatFixed(-2.7f, 3), L"-2.700");
  EXPECT_EQ(FormatFixed(0.1, 2), L"0.10");
  EXPECT_EQ(FormatFixed(1e300, 2).size(), 304u);
  EXPECT_EQ(TruncateToInt(-2.7), -2);
  EXPECT_EQ(TruncateToInt(2.99), 2);
  EXPECT_EQ(TruncateToInt(1e12), INT_MAX);
  EXPECT_EQ(TruncateToInt(-1e12), INT_MIN);
  EXPECT_EQ(TruncateToInt(std::nan("")), 0);
  EXPECT_EQ(WithDefaultExtension(L"a.b\\c", L".txt"), L"a.b\\c.txt");
  EXPECT_EQ(WithDefaultExtension(L"a\\c.xls", L".txt"), L"a\\c.xls");
  EXPECT_EQ(WithDefaultExtension(L"c", L".prj"), L"c.prj");
}

}  // namespace
