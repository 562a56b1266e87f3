// The main of every test program: GoogleTest with a watchdog. A test that
// hangs (a lost message, a deadlocked graph) would otherwise run until CTest
// kills the whole program, and CTest's report would not say which test it
// was. The watchdog names it and ends the program instead.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

class Watchdog : public testing::EmptyTestEventListener {
 public:
  explicit Watchdog(DWORD limitMs) : m_limitMs(limitMs) {
    ::InitializeCriticalSection(&m_lock);
    m_wake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_thread = ::CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
  }

  void OnTestStart(const testing::TestInfo& test) override {
    ::EnterCriticalSection(&m_lock);
    m_current = std::string(test.test_suite_name()) + "." + test.name();
    m_started = ::GetTickCount();
    m_running = true;
    ::LeaveCriticalSection(&m_lock);
    ::SetEvent(m_wake);
  }
  void OnTestEnd(const testing::TestInfo&) override {
    ::EnterCriticalSection(&m_lock);
    m_running = false;
    ::LeaveCriticalSection(&m_lock);
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<Watchdog*>(self)->Watch();
    return 0;
  }
  void Watch() {
    for (;;) {
      ::WaitForSingleObject(m_wake, 1000);
      ::EnterCriticalSection(&m_lock);
      const bool overdue = m_running && ::GetTickCount() - m_started > m_limitMs;
      const std::string name = m_current;
      ::LeaveCriticalSection(&m_lock);
      if (overdue) {
        std::fflush(stdout);
        std::fprintf(stderr, "\n[  FAILED  ] %s: the watchdog ended the program after %lu s\n", name.c_str(),
                     static_cast<unsigned long>(m_limitMs / 1000));
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
      }
    }
  }

  const DWORD m_limitMs;
  CRITICAL_SECTION m_lock;
  HANDLE m_wake = nullptr;
  HANDLE m_thread = nullptr;
  std::string m_current;
  DWORD m_started = 0;
  bool m_running = false;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // One test may run this long (MEASURE_TEST_LIMIT seconds, 240 unless set):
  // below CTest's limit for the whole program, above any test's honest time.
  const char* limit = std::getenv("MEASURE_TEST_LIMIT");
  const DWORD seconds = limit && std::atoi(limit) > 0 ? static_cast<DWORD>(std::atoi(limit)) : 240;
  testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(seconds * 1000));
  return RUN_ALL_TESTS();
}
