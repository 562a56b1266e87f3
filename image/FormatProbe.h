#pragma once

#include <cstdint>

namespace ZEvuvoro {

// Tell a picture format from the first bytes of a memory block. GIF and TIFF
// are recognised but cannot be loaded.
bool IsPngData(const uint8_t* data, uint64_t size);
bool IsGifData(const uint8_t* data, uint64_t size);
bool IsJpegData(const uint8_t* data, uint64_t size);
bool IsBmpData(const uint8_t* data, uint64_t size);
bool IsTiffData(const uint8_t* data, uint64_t size);

}  // namespace ZEvuvoro
