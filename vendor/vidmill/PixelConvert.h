// Row conversions between the library's frame formats. Each has a plain
// version (the reference) and, where it is a hot path, a SIMD version picked
// once from the processor's features; tests compare the two.
#pragma once

#include <windows.h>

namespace vidmill {

// 32-bit BGRA (alpha ignored) to 24-bit BGR.
void BgraToBgr24Row(const BYTE* src, BYTE* dst, int width);
void BgraToBgr24RowPlain(const BYTE* src, BYTE* dst, int width);

// 32-bit BGRX to BGRA with alpha 255.
void BgrxToBgraRow(const BYTE* src, BYTE* dst, int width);
void BgrxToBgraRowPlain(const BYTE* src, BYTE* dst, int width);

// 24-bit BGR to 32-bit BGRA with alpha 255.
void Bgr24ToBgraRow(const BYTE* src, BYTE* dst, int width);
void Bgr24ToBgraRowPlain(const BYTE* src, BYTE* dst, int width);

// YUY2 (Y0 U Y1 V, BT.601 studio range) to BGRA with alpha 255; width even.
void Yuy2ToBgraRow(const BYTE* src, BYTE* dst, int width);
void Yuy2ToBgraRowPlain(const BYTE* src, BYTE* dst, int width);

}  // namespace vidmill
