// A page of memory that records the first access to it instead of crashing:
// shows whether code followed a pointer it had no business following.
#pragma once

#include <windows.h>

namespace win32test {

class CGuardedPage {
 public:
  CGuardedPage() {
    m_page = static_cast<unsigned char*>(::VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD));
    s_page = m_page;
    s_touched = false;
    m_handler = ::AddVectoredExceptionHandler(1, &CGuardedPage::OnException);
  }
  ~CGuardedPage() {
    ::RemoveVectoredExceptionHandler(m_handler);
    ::VirtualFree(m_page, 0, MEM_RELEASE);
    s_page = nullptr;
  }
  void* Address() const { return m_page; }
  static bool Touched() { return s_touched; }

 private:
  // The guard falls at the first access, which then goes on: the access is
  // recorded instead of crashing the test.
  static LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* rec = info->ExceptionRecord;
    if (rec->ExceptionCode == STATUS_GUARD_PAGE_VIOLATION && rec->NumberParameters >= 2) {
      auto* at = reinterpret_cast<unsigned char*>(rec->ExceptionInformation[1]);
      if (s_page && at >= s_page && at < s_page + 4096) {
        s_touched = true;
        return EXCEPTION_CONTINUE_EXECUTION;
      }
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }
  unsigned char* m_page;
  void* m_handler;
  static inline unsigned char* s_page = nullptr;
  static inline bool s_touched = false;
};

}  // namespace win32test
