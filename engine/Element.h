// The base of everything the canvas draws and routes input to: documents and
// figures. Elements form a tree under the canvas's top-level list.
#pragma once

#include <windows.h>

#include <vector>

struct IDirect3DDevice9;
class CDirectUI;
class CDTLabel;
class CLabelBatch;

class CDTElement {
 public:
  CDTElement() = default;
  CDTElement(const CDTElement&) = delete;
  CDTElement& operator=(const CDTElement&) = delete;
  // Frees the name and the list storage only; whoever removes an element
  // runs DestroyChildren on it first.
  virtual ~CDTElement();

  virtual HRESULT Create(CDirectUI* owner, CDTElement* parent, const wchar_t* name, const RECT* bounds);
  virtual int SetRect(int left, int top, int width, int height);
  virtual int Render();
  virtual int Draw() = 0;
  // Whether Draw, up to its own label, may touch a label still queued in the
  // batch; an element that cannot tell says yes.
  virtual bool MayDrawOver(const CLabelBatch& /*batch*/) const { return true; }
  virtual int CreateDeviceObjects() { return 0; }
  virtual int ReleaseDeviceObjects() { return 0; }
  virtual int OnLostDevice() { return 0; }
  virtual int OnResetDevice() { return 0; }
  virtual int Resize(int /*width*/, int /*height*/) { return 0; }
  virtual LRESULT Command(int command, int value, void* data, int* handled);
  virtual int OnFontFaceChanged();
  virtual int OnLButtonDown(UINT /*flags*/, const POINT* /*point*/) { return 0; }
  virtual int OnLButtonUp(UINT /*flags*/, const POINT* /*point*/) { return 0; }
  virtual int OnRButton(UINT /*flags*/, const POINT* /*point*/) { return 0; }
  virtual int OnMouseMove(UINT /*flags*/, const POINT* /*point*/) { return 0; }
  virtual int OnMouseEnter(UINT /*flags*/, const POINT* /*point*/) {
    m_bHover = 1;
    return 0;
  }
  virtual int OnMouseLeave(UINT /*flags*/, const POINT* /*point*/) {
    m_bHover = 0;
    return 0;
  }
  virtual int OnChar(WPARAM /*character*/, LPARAM) { return 0; }
  virtual int OnCaptureEnd() {
    m_bCaptured = 0;
    return 0;
  }
  virtual int OnCaptureBegin() {
    m_bCaptured = 1;
    return 0;
  }

  // Keeps a copy; ignored for null or the very pointer already held.
  void Rename(const wchar_t* name);
  // Through the canvas command, whose handler repaints on the canvas thread.
  void SetVisible(BOOL visible);
  void SetLocked(BOOL locked);

  int m_nKind = 1;  // 0 document, 1 figure
  CDirectUI* m_pOwner = nullptr;
  CDTElement* m_pParent = nullptr;
  CDTLabel* m_pLabel = nullptr;
  IDirect3DDevice9* m_pDevice = nullptr;  // the canvas's; not counted here
  wchar_t* m_pszName = nullptr;
  RECT m_rcBounds{};
  std::vector<CDTElement*> m_children;
  int m_bCaptured = 0;
  int m_bHover = 0;
  int m_bVisible = 1;
  int m_bRemove = 0;  // ticked for deletion in the measurement list
  int m_bLocked = 0;

 protected:
  // Repaints the owning canvas, when there is one.
  void RepaintOwner() const;
};

// Deletes every child (depth first), empties the list, then releases the
// element's own device objects. The element itself stays.
void DestroyChildren(CDTElement* element);
void LostDeviceTree(CDTElement* element);
void ResetDeviceTree(CDTElement* element);
BOOL HitLabel(CDTElement* element, const POINT* point);
