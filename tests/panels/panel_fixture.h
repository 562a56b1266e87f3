// A skin given as text (or the product skin beside the test program), and a
// shown top-level skinned host built from one of its window elements, whose
// skin children the panels under test attach to. The host writes down every
// WM_COMMAND and WM_NOTIFY before reflecting it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/real_input.h"
#include "toolkit/SkinWindow.h"

namespace paneltest {

struct Command {
  UINT message;
  WORD id;
  WORD code;
  LPARAM lParam;
};

class CHostWindow : public AvlfWindowImpl<CHostWindow> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CHostWindow)
  MESSAGE_HANDLER(WM_COMMAND, OnRecord)
  MESSAGE_HANDLER(WM_NOTIFY, OnRecord)
  CHAIN_MSG_MAP(AvlfWindowImpl<CHostWindow>)
  END_MSG_MAP()

  LRESULT OnRecord(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  // The recorded WM_COMMANDs from the child with that CommandID.
  std::vector<Command> CommandsFrom(int id) const;

  std::vector<Command> m_log;
};

class PanelFixture : public ::testing::Test {
 protected:
  void TearDown() override;

  // Replaces the skin by the document (UTF-8).
  void LoadSkin(const std::string& xml);
  // Loads the product skin (velin.dll beside the test program); false when
  // it is not there.
  bool LoadProductSkin();
  // Creates the host from the top-level window element `name`, shown at its
  // skin place; null when the element is missing.
  CHostWindow* CreateHost(const wchar_t* name);
  // Attaches a panel to the host's skin child with that CommandID.
  template <class T>
  bool Attach(T& panel, int commandId) {
    return m_host && AttachSkinChild(m_host.get(), panel, commandId);
  }

  std::unique_ptr<CHostWindow> m_host;
  bool m_bProductSkin = false;
};

// Runs the messages waiting for this thread.
void Pump();
// Pumps until done() holds or about four seconds passed; injected input
// comes back through the X server when it comes back.
template <class Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 400 && !done(); ++i) {
    ::Sleep(10);
    Pump();
  }
  Pump();
  return done();
}

// Real input, as a person gives it: the cursor to a screen point, a button.
using realinput::MouseButton;
using realinput::MoveMouseTo;
POINT ScreenPoint(HWND window, int x, int y);

// What the window paints into a top-down 32-bit DIB of its client size,
// read back as 0xRRGGBB.
class PaintedPicture {
 public:
  explicit PaintedPicture(HWND window, UINT message = WM_PRINTCLIENT);
  PaintedPicture(const PaintedPicture&) = delete;
  PaintedPicture& operator=(const PaintedPicture&) = delete;
  ~PaintedPicture();
  unsigned At(int x, int y) const;
  // Writes the picture as a PNG (a test artefact in the work folder).
  bool Save(const std::wstring& file) const;

  int m_nWidth = 0, m_nHeight = 0;
  HDC m_hDC = nullptr;
  HBITMAP m_hBitmap = nullptr;
  HGDIOBJ m_hOld = nullptr;
  unsigned* m_pBits = nullptr;
};

std::wstring ExecutableFolder();

}  // namespace paneltest
