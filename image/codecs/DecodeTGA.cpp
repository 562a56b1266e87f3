#include "DecodeTGA.h"

namespace ZEvuvoro {

bool CDecodeTGA::DoDecode() {
  return false;
}

}  // namespace ZEvuvoro
namespace ZEvuvoro {
CDecodeTGA::CDecodeTGA() { Reset(); }
void CDecodeTGA::Reset() {}
void CDecodeTGA::ReadFooter() {}
}
