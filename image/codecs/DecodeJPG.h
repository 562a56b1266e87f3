#pragma once

#include "image/Decode.h"

namespace ZEvuvoro {

// JPEG through libjpeg's IJG 8 interface, from the file held in memory.
class CDecodeJPG : public CDecode {
 protected:
  bool DoDecode() override;
};

}  // namespace ZEvuvoro
