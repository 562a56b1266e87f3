#pragma once
// OLE property pages for tests, registered in this process only: each class
// id gets a title, a size and a colour; its page fills the rectangle it is
// activated with by a child window of that colour, and asks its site to apply
// when the child receives kFakePageTouch (a user's change).
#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <string>
#include <vector>

inline constexpr UINT kFakePageTouch = WM_APP + 40;

struct FakePageClass {
  CLSID clsid;
  std::wstring title;
  SIZE size;
  COLORREF colour;
  // What the pages made of this class did.
  std::atomic<int> applies{0};
  std::atomic<int> activations{0};
  std::atomic<int> alive{0};
  std::atomic<int> infoSizeMismatches{0};  // GetPageInfo got a structure size other than its own
  RECT activatedWith{};
};

// Registers the classes with CoRegisterClassObject for as long as it lives.
class FakePageRegistration {
 public:
  explicit FakePageRegistration(std::vector<FakePageClass*> classes);
  ~FakePageRegistration();
  FakePageRegistration(const FakePageRegistration&) = delete;
  FakePageRegistration& operator=(const FakePageRegistration&) = delete;
  HRESULT Result() const { return m_hResult; }

 private:
  std::vector<IClassFactory*> m_Factories;
  std::vector<DWORD> m_Cookies;
  HRESULT m_hResult = S_OK;
};
