#include "app/MeasureView.h"

win32::CWndClassInfo& COrvelMeasureView::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"OrvelMeasureView", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

LRESULT COrvelMeasureView::OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  AvlfWindowImpl<COrvelMeasureView>::OnCreate(msg, wParam, lParam, handled);
  // A member whose skin child is missing or cannot be taken over stays
  // without a window; the view is made all the same.
  AttachSkinChild(this, m_wndTool, 1);
  AttachSkinChild(this, m_wndProcess, 2);
  return 0;
}
