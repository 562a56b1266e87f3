#include "DecodePNG.h"

namespace ZEvuvoro {

bool CDecodePNG::DoDecode() {
  return false;
}

}  // namespace ZEvuvoro
