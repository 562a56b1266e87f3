#include "engine/Element.h"

#include <cwchar>

#include "engine/Command.h"
#include "engine/DirectUI.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Label.h"

CDTElement::~CDTElement() { delete[] m_pszName; }

void CDTElement::Rename(const wchar_t* name) {
  if (!name || name == m_pszName) return;
  size_t length = std::wcslen(name);
  auto* copy = new wchar_t[length + 1]();
  std::wmemcpy(copy, name, length);
  delete[] m_pszName;
  m_pszName = copy;
}

HRESULT CDTElement::Create(CDirectUI* owner, CDTElement* parent, const wchar_t* name, const RECT* bounds) {
  m_pOwner = owner;
  m_pParent = parent;
  if (bounds) m_rcBounds = *bounds;
  if (name && name != m_pszName) Rename(name);
  if (!parent) {
    if (!owner || !owner->m_hWnd) return E_FAIL;
    return static_cast<HRESULT>(owner->SendCommand(nullptr, CANVAS_ATTACH_ELEMENT, 0, this));
  }
  m_pDevice = owner ? owner->m_pDevice.Get() : nullptr;
  int hr = Resize(m_rcBounds.right - m_rcBounds.left, m_rcBounds.bottom - m_rcBounds.top);
  if (hr < 0) {
    DestroyChildren(this);
    return hr;
  }
  hr = CreateDeviceObjects();
  if (hr < 0) return hr;
  parent->m_children.push_back(this);
  RepaintOwner();
  return hr;
}

int CDTElement::SetRect(int left, int top, int width, int height) {
  m_rcBounds = {left, top, left + width, top + height};
  return Resize(width, height);
}

int CDTElement::Render() {
  if (!m_bVisible) return 0;
  CLabelBatch* labels = m_pOwner ? &m_pOwner->m_labelBatch : nullptr;
  if (labels) labels->BeginElement(this);
  int result = Draw();
  for (CDTElement* child : m_children) child->Render();
  if (labels) labels->EndElement();
  return result;
}

LRESULT CDTElement::Command(int command, int value, void*, int*) {
  switch (command) {
    case PROPERTY_VISIBLE:
      if (value != m_bVisible) {
        m_bVisible = value;
        if (!value && m_pOwner) m_pOwner->ForgetInput(this);
        if (m_nKind == 1 && m_pOwner && m_pOwner->m_pObserver)
          m_pOwner->m_pObserver->OnFigureVisibilityChanged(this, value);
      }
      break;
    case PROPERTY_LOCKED:
      if (value != m_bLocked) {
        m_bLocked = value;
        if (m_nKind == 1 && m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureLockChanged(this, value);
      }
      break;
    default:
      return 0;
  }
  // Here, on the canvas thread: the device is not made for several threads.
  RepaintOwner();
  return 0;
}

int CDTElement::OnFontFaceChanged() {
  for (CDTElement* child : m_children) child->OnFontFaceChanged();
  if (m_pLabel && m_pOwner) m_pLabel->SetFontFace(m_pOwner->m_strFontFace.c_str());
  return 0;
}

void CDTElement::SetVisible(BOOL visible) {
  if (m_pOwner && m_pOwner->m_hWnd) {
    m_pOwner->SendCommand(this, PROPERTY_VISIBLE, visible, nullptr);
  } else {
    int handled = 0;
    Command(PROPERTY_VISIBLE, visible, nullptr, &handled);
  }
}

void CDTElement::SetLocked(BOOL locked) {
  if (m_nKind == 1 && static_cast<CDTDraw*>(this)->m_nType == DRAW_RULER) return;
  if (m_pOwner && m_pOwner->m_hWnd) {
    m_pOwner->SendCommand(this, PROPERTY_LOCKED, locked, nullptr);
  } else {
    int handled = 0;
    Command(PROPERTY_LOCKED, locked, nullptr, &handled);
  }
}

void CDTElement::RepaintOwner() const {
  if (m_pOwner) m_pOwner->Repaint();
}

void DestroyChildren(CDTElement* element) {
  for (CDTElement* child : element->m_children) {
    DestroyChildren(child);
    delete child;
  }
  element->m_children.clear();
  element->ReleaseDeviceObjects();
}

void LostDeviceTree(CDTElement* element) {
  for (CDTElement* child : element->m_children) LostDeviceTree(child);
  element->OnLostDevice();
}

void ResetDeviceTree(CDTElement* element) {
  for (CDTElement* child : element->m_children) ResetDeviceTree(child);
  element->OnResetDevice();
}

BOOL HitLabel(CDTElement* element, const POINT* point) {
  return element->m_pLabel ? element->m_pLabel->HitTest(point) : FALSE;
}
