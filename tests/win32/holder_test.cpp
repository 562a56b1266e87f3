// Holders of COM pointers and handles release exactly once.

#include "win32/ComPtr.h"
#include "win32/Handle.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

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

// Assigning into a holder goes through the move assignment, which must not
// take the other holder's out-parameter slot (that would release it).
TEST(ComPtr, AssignsFromPointersTemporariesAndItselfAndLivesInVectors) {
  CCounted a, b;
  {
    win32::CComPtr<IUnknown> p;
    p = &a;
    EXPECT_EQ(a.refs, 2u);
    p = win32::CComPtr<IUnknown>(&b);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 2u);
    EXPECT_EQ(p.Get(), &b);
    win32::CComPtr<IUnknown>& same = p;
    p = std::move(same);
    EXPECT_EQ(p.Get(), &b);
    EXPECT_EQ(b.refs, 2u);
    p = nullptr;
    EXPECT_EQ(b.refs, 1u);

    std::vector<win32::CComPtr<IUnknown>> holders;
    holders.push_back(&a);
    holders.emplace_back(&b);
    holders.insert(holders.begin(), win32::CComPtr<IUnknown>(&b));
    EXPECT_EQ(a.refs, 2u);
    EXPECT_EQ(b.refs, 3u);
    holders.erase(holders.begin());  // shifts the others down by assignment
    EXPECT_EQ(holders[0].Get(), &a);
    EXPECT_EQ(holders[1].Get(), &b);
    EXPECT_EQ(b.refs, 2u);
    std::swap(holders[0], holders[1]);
    EXPECT_EQ(holders[0].Get(), &b);
    EXPECT_EQ(a.refs, 2u);
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

// User objects go back with their own calls: a holder that deleted them as
// GDI objects would leave them alive.
TEST(Handle, MenusAcceleratorsAndIconsAreDestroyed) {
  HMENU popup = ::CreatePopupMenu();
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(::AppendMenuW(popup, MF_STRING, 100, L"item"));
  HMENU bar = ::CreateMenu();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"popup"));
  {
    win32::CMenu menu(bar);
    EXPECT_TRUE(::IsMenu(menu));
  }
  EXPECT_FALSE(::IsMenu(bar));
  EXPECT_FALSE(::IsMenu(popup)) << "the sub-menu goes with its menu";

  ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'O', 0xE101}, {FVIRTKEY, VK_F5, 0x8021}};
  HACCEL table = ::CreateAcceleratorTableW(keys, 2);
  ASSERT_NE(table, nullptr);
  {
    win32::CAccelerator accel(table);
    EXPECT_EQ(::CopyAcceleratorTableW(accel, nullptr, 0), 2);
  }
  EXPECT_EQ(::CopyAcceleratorTableW(table, nullptr, 0), 0);

  BYTE andMask[32 * 4], xorMask[32 * 4];
  std::fill(std::begin(andMask), std::end(andMask), BYTE{0xFF});
  std::fill(std::begin(xorMask), std::end(xorMask), BYTE{0});
  HICON raw = ::CreateIcon(::GetModuleHandleW(nullptr), 32, 32, 1, 1, andMask, xorMask);
  ASSERT_NE(raw, nullptr);
  ICONINFO info{};
  {
    win32::CIcon icon(raw);
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
  }
  EXPECT_FALSE(::GetIconInfo(raw, &info));
}

}  // namespace
