#include "panels/ThumbnailStrip.h"

#include "app/StandInCalls.h"

CWndImages* g_pWndImageList = nullptr;

void CWndImages::FuseCheckedImages() { StandInCall(L"CWndImages::FuseCheckedImages"); }
