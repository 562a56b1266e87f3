// The skinned drop-down list: a 20-pixel button-like window with its own item
// list, answering the combo-box messages itself, and the popup list window it
// drops down.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/SkinWindow.h"
#include "win32/Paint.h"

struct AvlfMenuItem {
  Gdiplus::Bitmap* picture = nullptr;  // owned
  std::wstring text;
  int32_t id = 0;
  RECT rect{};
  ~AvlfMenuItem() { delete picture; }
};

// The popup list: equal rows that follow the pointer; a click on a row sends
// the owner WM_COMMAND with the row's id. One lives at a time.
class AvlfMenuWindow : public AvlfWindowImpl<AvlfMenuWindow>, public win32::CDoubleBufferImpl<AvlfMenuWindow> {
 public:
  DECLARE_WND_CLASS_EX(L"AvlfMenuWindow", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)
  ~AvlfMenuWindow() override;

  static constexpr int kRowHeight = 20;

  BEGIN_MSG_MAP(AvlfMenuWindow)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnClose)
  MESSAGE_HANDLER(WM_CANCELMODE, OnClose)
  MESSAGE_HANDLER(WM_ACTIVATE, OnClose)
  MESSAGE_HANDLER(WM_ENABLE, OnClose)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<AvlfMenuWindow>)
  END_MSG_MAP()

  // Index of an existing row with this id (nothing changes), else the new
  // row count. Takes the picture.
  int AddItem(const wchar_t* text, int id, Gdiplus::Bitmap* picture);
  int ListHeight() const { return static_cast<int>(m_rows.size()) * kRowHeight; }
  // Called on a builder that only holds rows: replaces the live popup by a
  // new one with these rows, open and holding the capture.
  void Popup(const wchar_t* element, const RECT* screenRect, AvlfWindowBase* owner);
  HWND Create(AvlfWindowBase* owner, const RECT* screenRect, const wchar_t* element);
  void DoPaint(HDC hdc);

  AvlfWindowBase* m_pOwnerWindow = nullptr;
  int32_t m_nRowHeight = kRowHeight;
  bool m_bTracking = false;
  std::vector<std::unique_ptr<AvlfMenuItem>> m_rows;
  AvlfMenuItem* m_pHot = nullptr;

  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);

 private:
  LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  void Hide();
};

// The live popup list, or null.
extern AvlfMenuWindow* g_pAvlfMenuWindow;
// Destroys the live popup list; the toolkit's shut-down calls it.
void ReleaseMenuWindow();

struct AvlfComboItem {
  std::wstring text;
  int32_t data = 0;
};

// What CB_ADDSTRING and CB_INSERTSTRING take in lParam.
struct AvlfComboItemInfo {
  const wchar_t* text;
  int32_t data;
};

class AvlfComboBox : public AvlfWindowImpl<AvlfComboBox>,
                     public win32::CDoubleBufferImpl<AvlfComboBox>,
                     public CTransparentImpl<AvlfComboBox> {
 public:
  DECLARE_WND_CLASS_EX(L"AvlfComboBox", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)
  ~AvlfComboBox() override;

  static constexpr int kHeight = 20;
  static constexpr int kMaxItems = 128;

  BEGIN_MSG_MAP(AvlfComboBox)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnReset)
  MESSAGE_HANDLER(WM_CANCELMODE, OnReset)
  MESSAGE_HANDLER(WM_ACTIVATE, OnReset)
  MESSAGE_HANDLER(WM_ENABLE, OnReset)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_RANGE_HANDLER(CB_GETEDITSEL, CB_MSGMAX, OnComboMessage)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<AvlfComboBox>)
  CHAIN_MSG_MAP(AvlfWindowImpl<AvlfComboBox>)
  END_MSG_MAP()

  int AddString(const wchar_t* text, int data);
  void ResetContent();
  int DeleteString(int index, int data);
  int GetCount();
  int GetCurSel();
  int GetItemData(int index);
  int SetCurSel(int index);

  // The combo-box messages on the list, with or without a window.
  LRESULT HandleComboMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled);
  void DoPaint(HDC hdc);

  int32_t m_nHeight = 0;
  int32_t m_nItemHeight = 26;
  bool m_bHot = false;
  std::vector<std::unique_ptr<AvlfComboItem>> m_items;
  AvlfComboItem* m_pSelected = nullptr;
  RECT m_rcClient{};
  int32_t m_nState = 0;  // 0 normal, 1 hot, 2 pressed, 3 disabled
  Gdiplus::Font* m_pArrowFont = nullptr;

  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

 private:
  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);
  LRESULT OnReset(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnComboMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

  int IndexOf(const AvlfComboItem* item) const;
  // After the selected item went away: tells the parent, repaints.
  void SelectionLost(bool hadSelection);
  void NotifySelChange();
  void Repaint(BOOL erase = TRUE);
  int RestingState() const { return ::IsWindowEnabled(m_hWnd) ? 0 : 3; }
  bool m_bSizing = false;
};
