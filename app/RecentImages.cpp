#include "app/RecentImages.h"

#include "app/StandInCalls.h"

void CRecentImages::Start() { StandInCall(L"CRecentImages::Start"); }
void CRecentImages::Stop() { StandInCall(L"CRecentImages::Stop"); }
