// The skinned text field: not a native edit. It keeps its text in the skinned
// window's text string, measures every character, breaks the text into
// lines, draws selection, characters and a grey hint itself, and moves a
// system caret over the result.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string>
#include <vector>

#include "toolkit/SkinWindow.h"
#include "win32/Paint.h"

// Notification sent to the parent when Escape is typed.
constexpr WORD EN_AVLF_ESCAPE = 0x0500;

struct AvlfEditLine {
  int32_t start;
  int32_t count;
  float x, y;
  float width;
  float height;
};

// The bounds of one character measured at the start of the text from it to
// the end; only x and width are used.
struct AvlfEditCharBox {
  float x, y, width, height;
};

class AvlfEdit : public AvlfWindowImpl<AvlfEdit>,
                 public win32::CDoubleBufferImpl<AvlfEdit>,
                 public CTransparentImpl<AvlfEdit> {
 public:
  DECLARE_WND_CLASS_EX(L"AvlfEdit", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)
  ~AvlfEdit() override;

  // Fills one box per character of the text; the default measures with
  // GDI+. Replaceable so the layout can be checked with known widths.
  using MeasureFunction = void (*)(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes);
  static constexpr int kMaxTyped = 1024;

  BEGIN_MSG_MAP(AvlfEdit)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
  MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
  MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_CHAR, OnChar)
  MESSAGE_HANDLER(WM_IME_COMPOSITION, OnImeComposition)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
  MESSAGE_HANDLER(WM_RBUTTONDOWN, OnRButtonDown)
  MESSAGE_HANDLER(WM_COPY, OnClipboardMessage)
  MESSAGE_HANDLER(WM_CUT, OnClipboardMessage)
  MESSAGE_HANDLER(WM_PASTE, OnClipboardMessage)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<AvlfEdit>)
  CHAIN_MSG_MAP(AvlfWindowImpl<AvlfEdit>)
  END_MSG_MAP()

  void LayoutText();
  void PlaceCaret(int index);
  int HitTest(POINT pt);
  void ScrollToCaret(const RECT& client);
  void RescrollAfterDelete();
  void ReplaceSelection(const std::wstring& text);
  void DeleteSelection();
  void InsertText(const std::wstring& text);
  void CopyOrCut(bool cut);
  void Paste();
  void DoPaint(HDC hdc);

  // The number of consecutive characters from first visible whose widths
  // stay within the client width.
  int CharactersThatFit() const;
  int Length() const { return static_cast<int>(m_strText.size()); }

  int32_t m_nLineHeight = 0;
  int32_t m_nAnchor = 0;
  int32_t m_nFirstVisible = 0;
  int32_t m_nCaret = 0;
  uint32_t m_nCodePage = 1252;
  bool m_bImeAware = false;
  bool m_bSelecting = false;
  bool m_bHasSelection = false;
  int32_t m_nCaretX = 0;
  int32_t m_nCaretY = 0;
  uint32_t m_nClipboardFormat = 0;
  bool m_bImeOpenAtFocusGain = false;
  bool m_bImeOpenAtFocusLoss = true;
  uint32_t m_nImeConversion = 9;
  uint32_t m_nImeSentence = 4;
  std::vector<AvlfEditLine> m_lines;
  std::vector<AvlfEditCharBox> m_boxes;
  Gdiplus::StringFormat* m_pMeasureFormat = nullptr;
  bool m_bSwallowNextChar = false;
  bool m_bMultiLine = false;
  Gdiplus::SolidBrush* m_pSelBrush = nullptr;
  Gdiplus::SolidBrush* m_pSelTextBrush = nullptr;
  int32_t m_nMargin = 4;
  std::wstring m_strHint;
  bool m_bFocused = false;

  MeasureFunction m_pMeasure = nullptr;
  // The single-line drawing font (Arial, 11 pixels), made once.
  Gdiplus::Font* m_pDrawFont = nullptr;

  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

 private:
  LRESULT OnSetText(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL&) { return DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTARROWS; }
  LRESULT OnSetFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnKillFocus(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnChar(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnImeComposition(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnLButtonDblClk(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnRButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnClipboardMessage(UINT uMsg, WPARAM, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);

  void Notify(WORD code);
  void Repaint();
  void ApplyShiftRule(bool shift);
  RECT Client() const;
  // Index of the line an index belongs to; at a boundary the earlier line
  // (caret placement) or the later one (selection painting).
  int LineOf(int index, bool later) const;
  void PaintSelection(Gdiplus::Graphics& graphics, const RECT& client);
  void PaintText(Gdiplus::Graphics& graphics, const RECT& client);
};

// The most character ranges one GDI+ measuring call takes.
constexpr int kEditRangesPerCall = 32;

// The default measurer: each character's box as measured at the start of the
// text from it to the end, taken 32 characters per GDI+ call (each call lays
// out only the run and the next non-blank character: the same boxes).
void MeasureEditCharacters(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes);
// The same runs, each laid out with the whole rest of the text; the
// reference of the default.
void MeasureEditCharactersOverTheRest(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes);
// The same boxes with one GDI+ call per character over the whole rest of the
// text; the reference.
void MeasureEditCharactersOneByOne(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes);
