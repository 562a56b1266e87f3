#include "DecodeJPG.h"

namespace ZEvuvoro {

bool CDecodeJPG::DoDecode() {
  return false;
}

}  // namespace ZEvuvoro
