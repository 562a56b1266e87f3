// Holders of COM pointers and handles release exactly once.

#include "win32/ComPtr.h"
#include "win32/Handle.h"

#include <utility>

#include <gtest/gtest.h>

namespace {

class CCounted : public IUnknown {
 public:
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, CountsReferencesThroughCopyMoveAttachAndRefill) {
  CCounted a, b;
  {
    win32::CComPtr<IUnknown> p(&a);
    EXPECT_EQ(a.refs, 2u);
    win32::CComPtr<IUnknown> copy(p);
    EXPECT_EQ(a.refs, 3u);
    win32::CComPtr<IUnknown> moved(std::move(copy));
    EXPECT_EQ(a.refs, 3u);
    EXPECT_EQ(copy.Get(), nullptr);
    copy = moved;
    EXPECT_EQ(a.refs, 4u);
    // Refilling through & releases the old pointer first; the creation call
    // then hands over a reference it already counted.
    IUnknown** slot = &moved;
    EXPECT_EQ(a.refs, 3u);
    b.AddRef();
    *slot = &b;
    EXPECT_EQ(b.refs, 2u);
    win32::CComPtr<IUnknown> attached;
    b.AddRef();
    attached.Attach(&b);
    EXPECT_EQ(b.refs, 3u);
    attached.Detach()->Release();
    EXPECT_EQ(b.refs, 2u);
  }
  EXPECT_EQ(a.refs, 1u);
  EXPECT_EQ(b.refs, 1u);
}

TEST(Handle, ClosesOnceAndTreatsBothFailureValuesAsEmpty) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  DWORD flags = 0;
  {
    win32::CHandle event(raw);
    EXPECT_TRUE(event);
    win32::CHandle other(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_TRUE(::GetHandleInformation(other, &flags));
  }
  EXPECT_FALSE(::GetHandleInformation(raw, &flags)) << "closed when the holder went";

  win32::CHandle invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(invalid);
  win32::CHandle none;
  EXPECT_FALSE(none);

  win32::CBitmap bitmap(::CreateBitmap(4, 4, 1, 32, nullptr));
  EXPECT_TRUE(bitmap);
  HBITMAP h = bitmap;
  bitmap.Close();
  EXPECT_EQ(::GetObjectType(h), 0u);
}

}  // namespace
