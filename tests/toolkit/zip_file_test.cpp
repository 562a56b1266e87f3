#include <gtest/gtest.h>

#include <string>

#include "tests/toolkit/skin_test_support.h"
#include "toolkit/AvlfException.h"
#include "toolkit/ZipFile.h"
#include "win32/ComPtr.h"

using skin_test::ReadFileBytes;
using skin_test::ReadStream;
using skin_test::Widen;

// Every lookup of packages.tsv, through one reader that reopens when the
// archive changes: the bytes equal Python zipfile's read of the entry, and an
// entry zipfile cannot read whole and intact gives an empty stream.
TEST(ZipFile, EveryEntryReadsAsZipfileReadsIt) {
  const auto rows = skin_test::ReadTable("packages/packages.tsv");
  ASSERT_GE(rows.size(), 15u) << "no fixture: run skin_packages.py in the working folder";
  ZipFile zip;
  std::string open;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 4u);
    const std::string& archive = row[0];
    const std::wstring entry = Widen(row[1]);
    const std::string& outcome = row[2];
    SCOPED_TRACE(archive + " " + row[1].substr(0, 40) + " " + outcome);
    const std::wstring path = Widen("packages\\" + archive);
    if (outcome == "badarchive") {
      try {
        zip.Open(path.c_str());
        ADD_FAILURE() << "opened";
      } catch (const AvlfException& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_STREQ(e.Text(), path.c_str());
      }
      EXPECT_FALSE(zip.IsOpen());
      open.clear();
      continue;
    }
    if (archive != open) {
      zip.Open(path.c_str());
      open = archive;
    }
    win32::CComPtr<IStream> stream;
    if (outcome == "missing") {
      try {
        zip.GetStream(&stream, entry.c_str());
        ADD_FAILURE() << "found";
      } catch (const AvlfException& e) {
        EXPECT_EQ(e.Code(), 2);
        EXPECT_STREQ(e.Text(), entry.c_str());
      }
      continue;
    }
    zip.GetStream(&stream, entry.c_str());
    ASSERT_TRUE(stream);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    const std::string bytes = ReadStream(stream);
    if (outcome == "empty") {
      EXPECT_EQ(stat.cbSize.QuadPart, 0u);
      EXPECT_EQ(bytes.size(), 0u);
    } else {
      const std::string expected = ReadFileBytes("packages/" + row[3]);
      ASSERT_FALSE(expected.empty());
      EXPECT_EQ(stat.cbSize.QuadPart, expected.size());
      EXPECT_TRUE(bytes == expected) << "got " << bytes.size() << " bytes, zipfile read " << expected.size();
    }
  }
}

// A program folder whose name the ANSI code page cannot spell still opens.
TEST(ZipFile, PackageInFolderOutsideTheAnsiCodePage) {
  const std::wstring folder = L"packages\\\x041F\x0430\x043A\x0435\x0442-\x4E2D\x6587-\x03A3";
  BOOL lossy = FALSE;
  char ansi[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansi, MAX_PATH, nullptr, &lossy);
  ASSERT_TRUE(lossy) << "code page " << GetACP() << " spells the folder name";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\velin.dll";
  ASSERT_TRUE(CopyFileW(L"packages\\good.zip", path.c_str(), FALSE));

  ZipFile zip;
  ASSERT_NO_THROW(zip.Open(path.c_str()));
  win32::CComPtr<IStream> stream;
  zip.GetStream(&stream, L"Skin.xml");
  EXPECT_EQ(ReadStream(stream), "<Skin/>");
}

TEST(ZipFile, ReadEntryWithoutArchiveIsMissing) {
  ZipFile zip;
  try {
    zip.ReadEntry("Skin.xml");
    ADD_FAILURE() << "read";
  } catch (const AvlfException& e) {
    EXPECT_EQ(e.Code(), 2);
    EXPECT_STREQ(e.Text(), L"Skin.xml");
  }
}
