#include "tests/capture/fakes/FakePropertyPage.h"

#include <olectl.h>

#include <cstring>

namespace {

const wchar_t kChildClass[] = L"FakePropertyPageChild";

class FakePage : public IPropertyPage {
 public:
  explicit FakePage(FakePageClass* cls) : m_pClass(cls) { ++m_pClass->alive; }
  virtual ~FakePage() {
    if (m_hChild) ::DestroyWindow(m_hChild);
    if (m_pSite) m_pSite->Release();
    for (IUnknown* object : m_Objects) object->Release();
    --m_pClass->alive;
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
      *out = static_cast<IPropertyPage*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --m_nRefs;
    if (!refs) delete this;
    return refs;
  }
  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override {
    if (site) site->AddRef();
    if (m_pSite) m_pSite->Release();
    m_pSite = site;
    return S_OK;
  }
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL) override {
    ++m_pClass->activations;
    m_pClass->activatedWith = *rect;
    m_hChild = ::CreateWindowExW(0, kChildClass, L"", WS_CHILD, rect->left, rect->top, rect->right - rect->left,
                                 rect->bottom - rect->top, parent, nullptr, ::GetModuleHandleW(nullptr), this);
    return m_hChild ? S_OK : E_FAIL;
  }
  STDMETHODIMP Deactivate() override {
    if (m_hChild) ::DestroyWindow(m_hChild);
    m_hChild = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override {
    if (!info) return E_POINTER;
    // A caller whose structure is smaller than ours would be written past.
    if (info->cb != sizeof(PROPPAGEINFO)) {
      ++m_pClass->infoSizeMismatches;
      return E_INVALIDARG;
    }
    const size_t bytes = (m_pClass->title.size() + 1) * sizeof(wchar_t);
    info->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    std::memcpy(info->pszTitle, m_pClass->title.c_str(), bytes);
    info->size = m_pClass->size;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
  }
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override {
    for (IUnknown* object : m_Objects) object->Release();
    m_Objects.clear();
    if (count && !objects) return E_POINTER;
    for (ULONG i = 0; i < count; ++i) {
      objects[i]->AddRef();
      m_Objects.push_back(objects[i]);
    }
    return S_OK;
  }
  STDMETHODIMP Show(UINT cmd) override {
    if (m_hChild) ::ShowWindow(m_hChild, cmd);
    return S_OK;
  }
  STDMETHODIMP Move(LPCRECT rect) override {
    if (m_hChild)
      ::MoveWindow(m_hChild, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
  }
  STDMETHODIMP IsPageDirty() override { return m_bDirty ? S_OK : S_FALSE; }
  STDMETHODIMP Apply() override {
    ++m_pClass->applies;
    m_bDirty = false;
    return S_OK;
  }
  STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

  static LRESULT CALLBACK ChildProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakePage*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    switch (msg) {
      case WM_NCCREATE:
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
      case WM_ERASEBKGND: {
        RECT rc;
        ::GetClientRect(hWnd, &rc);
        HBRUSH brush = ::CreateSolidBrush(self ? self->m_pClass->colour : RGB(0, 0, 0));
        ::FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
        ::DeleteObject(brush);
        return 1;
      }
      case kFakePageTouch:
        if (self) {
          self->m_bDirty = true;
          if (self->m_pSite) self->m_pSite->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
        }
        return 0;
      default:
        break;
    }
    return ::DefWindowProcW(hWnd, msg, wParam, lParam);
  }

 private:
  FakePageClass* m_pClass;
  std::atomic<ULONG> m_nRefs{1};
  IPropertyPageSite* m_pSite = nullptr;
  std::vector<IUnknown*> m_Objects;
  HWND m_hChild = nullptr;
  bool m_bDirty = false;
};

class FakePageFactory : public IClassFactory {
 public:
  explicit FakePageFactory(FakePageClass* cls) : m_pClass(cls) {}
  virtual ~FakePageFactory() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --m_nRefs;
    if (!refs) delete this;
    return refs;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* page = new FakePage(m_pClass);
    const HRESULT hr = page->QueryInterface(iid, out);
    page->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  FakePageClass* m_pClass;
  std::atomic<ULONG> m_nRefs{1};
};

void RegisterChildClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &FakePage::ChildProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kChildClass;
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  ::RegisterClassW(&wc);  // fails harmlessly when already registered
}

}  // namespace

FakePageRegistration::FakePageRegistration(std::vector<FakePageClass*> classes) {
  RegisterChildClass();
  for (FakePageClass* cls : classes) {
    auto* factory = new FakePageFactory(cls);
    DWORD cookie = 0;
    const HRESULT hr = ::CoRegisterClassObject(cls->clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (FAILED(hr)) {
      m_hResult = hr;
      factory->Release();
      continue;
    }
    m_Factories.push_back(factory);
    m_Cookies.push_back(cookie);
  }
}

FakePageRegistration::~FakePageRegistration() {
  for (DWORD cookie : m_Cookies) ::CoRevokeClassObject(cookie);
  for (IClassFactory* factory : m_Factories) factory->Release();
}
