// Owning holders of Win32 handles: kernel objects, loaded modules, GDI objects,
// menus, accelerator tables and icons.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

// Traits give the empty value, the test for emptiness and how to close.
template <class Traits>
class CHandleT {
 public:
  using Type = typename Traits::Type;

  CHandleT() = default;
  explicit CHandleT(Type h) : m_h(h) {}
  CHandleT(const CHandleT&) = delete;
  CHandleT& operator=(const CHandleT&) = delete;
  CHandleT(CHandleT&& other) noexcept : m_h(std::exchange(other.m_h, Traits::Empty())) {}
  CHandleT& operator=(CHandleT&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
  }
  ~CHandleT() { Close(); }

  void Close() {
    Type h = std::exchange(m_h, Traits::Empty());
    if (Traits::IsValid(h)) Traits::Close(h);
  }
  void Attach(Type h) {
    Close();
    m_h = h;
  }
  Type Detach() { return std::exchange(m_h, Traits::Empty()); }
  Type Get() const { return m_h; }
  operator Type() const { return m_h; }
  explicit operator bool() const { return Traits::IsValid(m_h); }

 private:
  Type m_h = Traits::Empty();
};

struct CKernelHandleTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  // Some calls report failure as INVALID_HANDLE_VALUE, others as null.
  static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};

struct CLibraryTraits {
  using Type = HMODULE;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};

template <class T>
struct CGdiObjectTraits {
  using Type = T;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};

struct CMemoryDCTraits {
  using Type = HDC;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};

// Menus, accelerator tables and icons are user objects: DeleteObject does not free them.
struct CMenuTraits {
  using Type = HMENU;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DestroyMenu(h); }  // with its sub-menus
};

struct CAcceleratorTraits {
  using Type = HACCEL;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DestroyAcceleratorTable(h); }
};

// For icons the program created or loaded without LR_SHARED; a shared icon
// (LoadIcon) must not be held.
struct CIconTraits {
  using Type = HICON;
  static Type Empty() { return nullptr; }
  static bool IsValid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};

using CHandle = CHandleT<CKernelHandleTraits>;
using CLibrary = CHandleT<CLibraryTraits>;
template <class T>
using CGdiObject = CHandleT<CGdiObjectTraits<T>>;
using CBitmap = CGdiObject<HBITMAP>;
using CBrush = CGdiObject<HBRUSH>;
using CFont = CGdiObject<HFONT>;
using CMemoryDC = CHandleT<CMemoryDCTraits>;
using CMenu = CHandleT<CMenuTraits>;
using CAccelerator = CHandleT<CAcceleratorTraits>;
using CIcon = CHandleT<CIconTraits>;

// A window's device context, released with the window it came from.
class CWindowDC {
 public:
  explicit CWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;
  ~CWindowDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
  }
  operator HDC() const { return m_hDC; }

 private:
  HWND m_hWnd;
  HDC m_hDC;
};

}  // namespace win32
