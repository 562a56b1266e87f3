#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "spreadsheet/XlsStorage.h"

using namespace YExcel;

TEST(Storage, CreateReplacesAnExistingFileAndStreamsRoundTrip) {
  std::ofstream("replaced.xls", std::ios::binary) << "not a compound document";
  XlsStorage storage;
  ASSERT_TRUE(storage.Create("replaced.xls"));
  EXPECT_TRUE(storage.IsOpen());
  ASSERT_EQ(storage.CreateStream(), XlsStorage::kSuccess);
  const Bytes payload = {1, 2, 3, 4, 5};
  EXPECT_EQ(storage.WriteStream(kWorkbookStreamName, payload, 5), XlsStorage::kSuccess);
  EXPECT_EQ(storage.CreateStream(L"Empty"), XlsStorage::kSuccess);
  EXPECT_TRUE(storage.CloseChecked());
  EXPECT_FALSE(storage.IsOpen());
  EXPECT_FALSE(storage.CloseChecked());

  ASSERT_TRUE(storage.Open(L"replaced.xls"));
  Bytes back = {9};
  uint64_t size = 0;
  EXPECT_EQ(storage.StreamSize("Workbook", size), XlsStorage::kSuccess);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(storage.ReadWholeStream(back), XlsStorage::kSuccess);
  EXPECT_EQ(back, payload);
  EXPECT_EQ(storage.ReadWholeStream(L"Empty", back), XlsStorage::kSuccess);
  EXPECT_TRUE(back.empty());
  back = {9};
  EXPECT_EQ(storage.ReadWholeStream(L"Missing", back), XlsStorage::kFailed);
  EXPECT_TRUE(back.empty());
  EXPECT_EQ(storage.WriteStream(L"Never", payload.data(), 5), XlsStorage::kFailed);
  EXPECT_EQ(storage.StreamSize(L"Never", size), XlsStorage::kFailed);
}

TEST(Storage, RefusedPathsLeaveTheHolderClosed) {
  XlsStorage storage;
  EXPECT_FALSE(storage.Create(L"no-such-folder\\book.xls"));
  EXPECT_FALSE(storage.IsOpen());
  EXPECT_FALSE(storage.Open(L"no-such-file.xls"));
  std::ofstream("plain.txt") << "plain text";
  EXPECT_FALSE(storage.Open("plain.txt"));
  EXPECT_FALSE(storage.IsOpen());
  EXPECT_EQ(storage.CreateStream(), XlsStorage::kFailed);
}
