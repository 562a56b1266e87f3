#pragma once

#include "image/Decode.h"

namespace ZEvuvoro {

// Uncompressed BMP files with the 40-byte information header, 1 to 32 bits per pixel.
class CDecodeBitmap : public CDecode {
 protected:
  bool DoDecode() override;
};

}  // namespace ZEvuvoro
