// What the shell's dialogs take from the skin and the program when they
// open: their controls' texts and the program's icon.
#pragma once

#include <windows.h>

#include <cstddef>

// A control of a dialog and the key of its text in the skin.
struct DialogSkinText {
  int id;
  const wchar_t* key;
};

// Sets each control's text to the skin's text of its key (the key itself
// when the skin has none).
void SetDialogSkinTexts(HWND dialog, const DialogSkinText* texts, size_t count);
template <size_t N>
void SetDialogSkinTexts(HWND dialog, const DialogSkinText (&texts)[N]) {
  SetDialogSkinTexts(dialog, texts, N);
}

// The program's icon as the dialog's large icon.
void SetProgramIcon(HWND dialog);
