#include "engine/Command.h"

const UINT WM_DIRECTUI_COMMAND = ::RegisterWindowMessageW(L"816A3E54-201D-46ae-942D-F4A4349EF7EB");
