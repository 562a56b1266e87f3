// Link behaviour for a static control of a dialog: its text drawn blue and
// underlined, a hand cursor, and a press that opens the address.
#pragma once

#include <windows.h>

#include <string>

class CHyperLinker {
 public:
  CHyperLinker();
  CHyperLinker(const CHyperLinker&) = delete;
  CHyperLinker& operator=(const CHyperLinker&) = delete;
  virtual ~CHyperLinker();

  // FALSE when the control has no font.
  BOOL Attach(HWND staticControl, const wchar_t* address);
  // FALSE when nothing is attached.
  BOOL Detach();

  HWND GetControl() const { return m_hWnd; }
  const std::wstring& GetAddress() const { return m_strAddress; }
  const std::wstring& GetText() const { return m_strText; }

 private:
  static LRESULT CALLBACK LinkProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR refData);
  LRESULT OnMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);

  bool m_bSubclassed = false;
  HFONT m_hLinkFont = nullptr;
  HBRUSH m_hBackBrush = nullptr;
  HWND m_hWnd = nullptr;
  std::wstring m_strAddress;
  std::wstring m_strText;
};
