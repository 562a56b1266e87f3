#pragma once

#include <memory>

#include "engine/text/FTFont.h"

class FTFontFactoryPrivate;

// Makes fonts from installed faces. The bytes of a face are read once and
// shared by every live font of that face name.
class FTFontFactory {
 public:
  FTFontFactory();
  FTFontFactory(const FTFontFactory&) = delete;
  FTFontFactory& operator=(const FTFontFactory&) = delete;
  virtual ~FTFontFactory();

  // Null when the face cannot be found or opened.
  FTFont* CreateFaceFont(const wchar_t* faceName, int size, int secondSize, int styleValue, bool styleFlag);
  // The same from font file bytes given under a face name (copied, unless
  // bytes of that name are already held).
  FTFont* CreateMemoryFont(const wchar_t* faceName, const void* data, int byteCount, int size, int secondSize,
                           int styleValue, bool styleFlag);
  void ReleaseFont(FTFont* font);

  // Number of live fonts and of face byte blocks held.
  int FontCount() const;
  int FaceDataCount() const;
  // Live fonts sharing the bytes of a face name; -1 when none are held.
  int FaceReferenceCount(const wchar_t* faceName) const;

 private:
  std::unique_ptr<FTFontFactoryPrivate> m_private;
};
