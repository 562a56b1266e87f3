#pragma once

#include <windows.h>

// Window messages that windows and threads of the program exchange. Their ids
// come from RegisterWindowMessageW during static initialisation, so they are
// not compile-time constants: compare incoming message numbers at run time.
// Every process of the desktop gets the same id for the same text, which is
// how a second instance recognises the first.
extern const UINT WM_CAPTURE_STOPPED;
extern const UINT WM_LOAD_RECENT_IMAGES;
extern const UINT WM_UPDATE_AVAILABLE;
extern const UINT WM_INSTANCE_PING;
extern const UINT WM_ICON_LOADIMAGE;
extern const UINT WM_IMAGES_ADDIMAGE;
extern const UINT WM_IMAGES_ADDTHUMBNAIL;
extern const UINT WM_IMAGES_REMOVEITEM;
extern const UINT WM_IMAGES_CLEAR;
extern const UINT WM_IMAGES_SELECTITEM;
extern const UINT WM_IMAGES_UPDATETHUMBNAIL;
// The canvas command message; defined here once for the engine and the rest.
inline const UINT WM_DIRECTUI_COMMAND = RegisterWindowMessageW(L"816A3E54-201D-46ae-942D-F4A4349EF7EB");
// Registered like the others; no window sends them.
extern const UINT WM_IMAGES_ITEMSIZE;
extern const UINT WM_PATCHWELL;

// The texts behind the ids, for a process that must register them itself.
inline constexpr wchar_t kInstancePingText[] = L"C1D618E5-4E23-441c-9182-D1E5DAE5C22C";
