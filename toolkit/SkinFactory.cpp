// The control factory: one control per child window element, of the type
// its "Class" names.
#include <cwchar>

#include "toolkit/Buttons.h"
#include "toolkit/NativeControls.h"
#include "toolkit/SkinCombo.h"
#include "toolkit/SkinEdit.h"
#include "toolkit/SkinPickers.h"
#include "toolkit/SkinTree.h"
#include "toolkit/SkinWindow.h"
#include "toolkit/Slider.h"
#include "toolkit/Static.h"

namespace {

template <class Control>
AvlfWindowBase* CreateControl(AvlfWindowBase* parent, const AvlfUiWindow* element) {
  auto* control = new Control;
  control->Create(parent, parent ? parent->m_hWnd : nullptr, nullptr, element->GetName());
  return control;
}

struct ControlType {
  const wchar_t* className;
  AvlfWindowBase* (*create)(AvlfWindowBase* parent, const AvlfUiWindow* element);
};

// In the order the Class is compared; a row without a creator makes nothing.
const ControlType kControlTypes[] = {
    {L"WINDOW", &CreateControl<AvlfWindow>},
    {L"LISTBOX", nullptr},
    {L"SCROLLBAR", &CreateControl<AvlfScrollBar>},
    {L"EDT", &CreateControl<AvlfEdt>},
    {L"TREEVIEW", &CreateControl<AvlfTree>},
    {L"SPIN", &CreateControl<AvlfSpinCtrl>},
    {L"COMMONEDIT", &CreateControl<AvlfCommonEdit>},
    // Text field, drop-down list and pickers.
    {L"EDIT", &CreateControl<AvlfEdit>},
    {L"COMBOBOX", &CreateControl<AvlfComboBox>},
    {L"BUTTONWEIGHT", &CreateControl<CWeightButton>},
    {L"BUTTONFONT", &CreateControl<CFontButton>},
    {L"BUTTONCOLOR", &CreateControl<CColorButton>},
    // Buttons, static and slider.
    {L"ICONBUTTON", &CreateControl<AvlfIconBtn>},
    {L"BUTTON", &CreateControl<AvlfButton>},
    {L"GEOMETRYBUTTON", &CreateControl<AvlfGeomeryBtn>},
    {L"CLBUTTON", &CreateControl<AvlfColorButton>},
    {L"STATIC", &CreateControl<AvlfStatic>},
    {L"SLIDER", &CreateControl<AvlfSlider>},
};

}  // namespace

AvlfWindowBase* CreateSkinControl(AvlfWindowBase* parent, const AvlfUiWindow* element) {
  if (!element) return nullptr;
  // An element without a Class is a skin mistake: it gets no control.
  const AvlfUiWindow::Attribute* type = element->FindAttribute(L"Class");
  if (!type) return nullptr;
  for (const ControlType& row : kControlTypes)
    if (::_wcsicmp(row.className, type->GetValue()) == 0) return row.create ? row.create(parent, element) : nullptr;
  return nullptr;
}
