// A hidden canvas on the main thread for the project, opening and recent
// pictures tests, with message pumping, a watchdog and a frame read-back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "engine/DirectUI.h"
#include "tests/common/pump.h"
#include "win32/Window.h"

namespace projecttest {

// Dispatches the thread's messages for about ms milliseconds.
using ::PumpFor;

// Pumps until done() holds; false after ms milliseconds.
template <class Done>
bool PumpUntil(Done done, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  while (!done()) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    PumpFor(5);
  }
  return true;
}

// Ends the process when the test is not over in time: a lock-up between two
// threads leaves nothing else to do.
class CWatchdog {
 public:
  CWatchdog(DWORD ms, const char* what);
  ~CWatchdog();

 private:
  HANDLE m_hDone;
  std::thread m_thread;
};

class CCanvasHost : public win32::CWindowImpl<CCanvasHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CCanvasHost)
  END_MSG_MAP()
};

// A hidden canvas published as the program's canvas while it lives.
class CCanvasScene {
 public:
  CCanvasScene();
  ~CCanvasScene();
  bool Ready() const { return m_canvas.m_hWnd && m_canvas.m_pDevice; }
  CCanvasHost m_host;
  CDirectUI m_canvas;
  CDirectUI* m_pPrevious;
};

// The document's picture as its frame surface holds it, rows top-down,
// stride width x 4; empty when it has none.
std::vector<uint8_t> ReadBack(CDTImage* document);

// A folder of its own under the test's work folder, emptied first.
std::wstring FreshFolder(const wchar_t* name);
// Writes a 24-bit BMP of width x height, pixel (x, y) = colour(x, y) as BGR.
bool WriteBmp24(const std::wstring& path, int width, int height, uint32_t (*colour)(int x, int y));
// Writes a 32-bit top-down BMP whose alpha bytes are alpha.
bool WriteBmp32(const std::wstring& path, int width, int height, uint32_t (*colour)(int x, int y), uint8_t alpha);

}  // namespace projecttest
