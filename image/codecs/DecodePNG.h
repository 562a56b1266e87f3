#pragma once

#include "image/Decode.h"

namespace ZEvuvoro {

// PNG through libpng, from the file held in memory.
class CDecodePNG : public CDecode {
 protected:
  bool DoDecode() override;
};

}  // namespace ZEvuvoro
