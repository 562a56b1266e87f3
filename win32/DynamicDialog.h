// Dialog templates built in memory, and a property page whose template is
// one: for pages whose size is known only at run time.
#pragma once

#include <windows.h>

#include "win32/PropertySheet.h"

namespace win32 {

// An empty child dialog template (no controls, no menu, class or title) in
// movable global memory, locked while the object lives.
class CDynamicDialogTemplate {
 public:
  CDynamicDialogTemplate() = default;
  CDynamicDialogTemplate(const CDynamicDialogTemplate&) = delete;
  CDynamicDialogTemplate& operator=(const CDynamicDialogTemplate&) = delete;
  virtual ~CDynamicDialogTemplate();

  // Writes the template of a cx x cy dialog-unit page with the given styles.
  // False when the memory could not be had; a second call rewrites the size.
  bool Create(int cx, int cy, DWORD style = WS_CHILD | DS_FIXEDSYS, DWORD exStyle = WS_EX_CONTROLPARENT);
  const DLGTEMPLATE* Get() const { return m_pTemplate; }
  size_t GetUsedSize() const { return m_nUsed; }

  static constexpr size_t kAllocated = 256;
  static constexpr size_t kEmptySize = 24;  // the header and three empty words

 private:
  HGLOBAL m_hMem = nullptr;
  DLGTEMPLATE* m_pTemplate = nullptr;
  size_t m_nUsed = 0;
};

// A page that builds its template once, just before its handle is made. T
// provides `void GetPageSize(int* cx, int* cy)` in dialog units.
template <class T>
class CDynamicPropertyPageImpl : public CPropertyPage {
 public:
  explicit CDynamicPropertyPageImpl(const wchar_t* title = nullptr) : CPropertyPage(nullptr, title) {}

  // The handle a sheet takes, or null when the page has no template.
  HPROPSHEETPAGE CreatePage() {
    if (!m_bTemplateBuilt) {
      int cx = 0, cy = 0;
      static_cast<T*>(this)->GetPageSize(&cx, &cy);
      if (m_Template.Create(cx, cy)) SetTemplate(m_Template.Get());
      m_bTemplateBuilt = true;
    }
    return m_Template.Get() ? Create() : nullptr;
  }
  const CDynamicDialogTemplate& GetTemplate() const { return m_Template; }

 protected:
  bool m_bTemplateBuilt = false;
  CDynamicDialogTemplate m_Template;
};

}  // namespace win32
