// The objects that exist once per process, from before the program entry until
// exit. Construction order within this file is declaration order.

#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"

CConfiguration g_Config;

const UINT WM_CAPTURE_STOPPED = RegisterWindowMessageW(L"D42B9180-1EF3-421F-91A7-F36452EF56C5");
const UINT WM_LOAD_RECENT_IMAGES = RegisterWindowMessageW(L"7CD06CB7-CDD6-479A-821E-7B11276C8B36");
const UINT WM_UPDATE_AVAILABLE = RegisterWindowMessageW(L"1ECEFF8C-2BCA-4F22-8AEF-B7F311ABD71B");
const UINT WM_INSTANCE_PING = RegisterWindowMessageW(kInstancePingText);
const UINT WM_ICON_LOADIMAGE = RegisterWindowMessageW(L"F4A36CE4-1203-40E7-A602-EFEBD53F27B6");
const UINT WM_IMAGES_ADDIMAGE = RegisterWindowMessageW(L"5F647D83-E9BC-4CFE-886D-C7482F8C1DD2");
const UINT WM_IMAGES_ADDTHUMBNAIL = RegisterWindowMessageW(L"7DF87C1A-460C-4468-AF54-EA9E38214980");
const UINT WM_IMAGES_REMOVEITEM = RegisterWindowMessageW(L"1005977B-9E25-4EE9-87B5-C8419BE71D85");
const UINT WM_IMAGES_CLEAR = RegisterWindowMessageW(L"3BE31AC8-CF45-4E70-AABB-60F41257D662");
const UINT WM_IMAGES_SELECTITEM = RegisterWindowMessageW(L"2BD4FF09-CC63-4FD8-AFC4-A7C8A64663E8");
const UINT WM_IMAGES_UPDATETHUMBNAIL = RegisterWindowMessageW(L"E535638C-96A8-4255-B9F0-4F93FDB7ED7C");
const UINT WM_IMAGES_ITEMSIZE = RegisterWindowMessageW(L"0B035FFF-7AE3-414F-B1EA-5D617EC33E4B");
const UINT WM_PATCHWELL = RegisterWindowMessageW(L"QVX_PATCHWELL");
