// The file side of the fuse command (CWndImages::FuseCheckedImages): the
// name of a fused picture and its 24-bit top-down BMP.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Bytes of one 24-bit row, padded to a multiple of 4.
uint32_t FusedRowBytes(int width);
// "<folder>\fused-<month>.<day>-<hour>;<minute>;<second>", without extension.
std::wstring FusedFileStem(const wchar_t* folder, const SYSTEMTIME& time);
// Creates "<stem>.bmp", or "<stem>(n).bmp" when that name is taken; the
// file's path goes to path. INVALID_HANDLE_VALUE when none can be created.
HANDLE CreateFusedFile(const std::wstring& stem, std::wstring* path);
// The 14-byte file header, the 40-byte information header and the rows.
bool WriteFusedBmp(HANDLE file, int width, int height, const uint8_t* pixels);
