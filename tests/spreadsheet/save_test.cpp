// A save that fails keeps the previous workbook file as it was and leaves nothing behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "spreadsheet/XlsWorkbook.h"
#include "tests/spreadsheet/allocation_limit.h"
#include "win32/Handle.h"

using namespace YExcel;

namespace {

std::vector<char> FileBytes(const std::wstring& path) {
  win32::CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::vector<char> bytes;
  if (!file) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
    bytes.clear();
  return bytes;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

// An empty folder of that name, whatever an earlier run left in it.
void FreshFolder(const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const std::wstring& name : FolderEntries(folder)) DeleteFileW((folder + L"\\" + name).c_str());
}

// A sheet of texts large enough that its stream needs the biggest allocation of the save.
void Fill(XlsWorkbook& wb, const std::wstring& prefix) {
  wb.Create(1);
  XlsSheet* sheet = wb.SheetAt(0);
  for (int r = 0; r < 300; ++r)
    for (int c = 0; c < 4; ++c) sheet->CellAt(r, c)->SetWideText((prefix + std::to_wstring(4 * r + c)).c_str());
}

std::wstring FirstText(const std::wstring& path) {
  XlsWorkbook back;
  if (!back.Load(path.c_str())) return L"(not loaded)";
  const wchar_t* text = back.SheetAt(0)->Cell(0, 0)->WideText();
  return text ? text : L"(no text)";
}

}  // namespace

TEST(WorkbookSave, FailedSaveKeepsThePreviousFile) {
  enum Failure { kBuildRunsOutOfMemory, kTargetLocked, kFolderIsAFile, kFolderMissing };
  const struct {
    Failure failure;
    const wchar_t* folder;
  } cases[] = {
      {kBuildRunsOutOfMemory, L"save_out_of_memory"},
      {kTargetLocked, L"save_locked"},
      {kFolderIsAFile, L"save_folder_is_a_file"},
      {kFolderMissing, L"save_folder_missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << c.failure);
    const std::wstring folder = c.folder;
    const std::wstring target = folder + L"\\book.xls";
    FreshFolder(folder);
    {
      XlsWorkbook previous;
      Fill(previous, L"old ");
      ASSERT_TRUE(previous.SaveToFile(target.c_str()));
    }
    const std::vector<char> before = FileBytes(target);
    ASSERT_FALSE(before.empty());

    XlsWorkbook next;
    Fill(next, L"new ");
    bool saved = true;
    switch (c.failure) {
      case kBuildRunsOutOfMemory: {
        const size_t streamSize = next.BuildStream().size();
        AllocationLimit limit(streamSize - 1);
        EXPECT_NO_THROW(saved = next.SaveToFile(target.c_str()));
        EXPECT_GT(limit.Refused(), 0);
        break;
      }
      case kTargetLocked: {
        // Another program has the file open without sharing: the finished copy cannot replace it.
        win32::CHandle lock(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_NO_THROW(saved = next.SaveToFile(target.c_str()));
        break;
      }
      case kFolderIsAFile:
        EXPECT_NO_THROW(saved = next.SaveToFile((target + L"\\book.xls").c_str()));
        break;
      case kFolderMissing:
        EXPECT_NO_THROW(saved = next.SaveToFile((folder + L"\\missing\\book.xls").c_str()));
        break;
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(FileBytes(target), before);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::wstring>{L"book.xls"});

    // The workbook stays usable: once the cause is gone the same save goes through.
    next.Storage().Close();
    ASSERT_TRUE(next.SaveToFile(target.c_str()));
    next.Storage().Close();
    EXPECT_EQ(FirstText(target), L"new 0");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::wstring>{L"book.xls"});
  }
}

TEST(WorkbookSave, SaveReplacesTheFileWholeAndKeepsItOpen) {
  const std::wstring folder = L"save_replaces";
  const std::wstring target = folder + L"\\book.xls";
  FreshFolder(folder);
  {
    win32::CHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "not a workbook", 14, &written, nullptr));
  }
  XlsWorkbook wb;
  Fill(wb, L"first ");
  ASSERT_TRUE(wb.SaveToFile(target.c_str()));
  EXPECT_EQ(FolderEntries(folder), std::vector<std::wstring>{L"book.xls"});

  // The document stays open for a further Save, which reports a failed build instead of throwing.
  wb.SheetAt(0)->CellAt(0, 0)->SetWideText(L"second");
  ASSERT_TRUE(wb.Save());
  {
    AllocationLimit limit(1000);
    bool saved = true;
    EXPECT_NO_THROW(saved = wb.Save());
    EXPECT_FALSE(saved);
  }
  wb.Storage().Close();
  EXPECT_EQ(FirstText(target), L"second");
}
