#pragma once

#include "image/Decode.h"

namespace ZEvuvoro {

// TGA files: colour-mapped, true-colour and grey, plain or run-length encoded,
// with the alpha rules of the TGA 2.0 footer and extension area.
class CDecodeTGA : public CDecode {
 public:
  CDecodeTGA();

  // Records the TGA 2.0 footer and the extension area's attributes type, if present.
  void ReadFooter();

 protected:
  bool DoDecode() override;
  void Reset() override;

 private:
  const uint8_t* m_pFooter;
  const uint8_t* m_pHeader;
  int m_bAlpha;
  int m_nTopDown;
  uint8_t m_nAttributesType;
};

}  // namespace ZEvuvoro
