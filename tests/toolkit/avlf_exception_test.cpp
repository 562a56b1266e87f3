#include <gtest/gtest.h>

#include <cwchar>

#include "toolkit/AvlfException.h"

TEST(AvlfException, TextsAndCodesOfEachConstructor) {
  EXPECT_STREQ(AvlfException("package").Text(), L"package");
  EXPECT_EQ(AvlfException("package").Code(), -1);
  EXPECT_STREQ(AvlfException(L"wide").Text(), L"wide");
  EXPECT_EQ(AvlfException(2, "Skin.xml").Code(), 2);
  EXPECT_STREQ(AvlfException(2, "Skin.xml").Text(), L"Skin.xml");
  // An empty ANSI text is an empty text; a null wide text is none.
  ASSERT_NE(AvlfException("").Text(), nullptr);
  EXPECT_STREQ(AvlfException("").Text(), L"");
  EXPECT_EQ(AvlfException(static_cast<const wchar_t*>(nullptr)).Text(), nullptr);
}

TEST(AvlfException, CopyOwnsItsOwnText) {
  auto* original = new AvlfException(7, L"text");
  AvlfException copy(*original);
  EXPECT_NE(copy.Text(), original->Text());
  delete original;
  EXPECT_STREQ(copy.Text(), L"text");
  EXPECT_EQ(copy.Code(), 7);

  AvlfException assigned(L"other");
  assigned = copy;
  EXPECT_STREQ(assigned.Text(), L"text");
  EXPECT_EQ(assigned.Code(), 7);
}

TEST(AvlfException, ThrownByValueCaughtByReference) {
  try {
    ThrowAvlfException(1, "C:\\missing\\velin.dll");
    FAIL();
  } catch (const AvlfException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Text(), L"C:\\missing\\velin.dll");
  }
}
