#include "app/DialogSkin.h"

#include "app/MainFrame.h"

namespace {

constexpr int kIconProgram = 128;

}  // namespace

void SetDialogSkinTexts(HWND dialog, const DialogSkinText* texts, size_t count) {
  for (size_t i = 0; i < count; ++i) ::SetDlgItemTextW(dialog, texts[i].id, SkinTextOrKey(texts[i].key));
}

void SetProgramIcon(HWND dialog) {
  if (HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconProgram)))
    ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}
