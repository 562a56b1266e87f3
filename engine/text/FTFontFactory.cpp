#include "engine/text/FTFontFactory.h"

#include <windows.h>

#include <cstring>
#include <list>
#include <string>

#include "engine/text/FTFontImpl.h"

namespace {

// Table tag of a whole TrueType collection, as GetFontData takes it.
constexpr DWORD kCollectionTable = 0x66637474;  // "ttcf"

class ScreenDc {
 public:
  ScreenDc() : m_dc(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (m_dc) ReleaseDC(nullptr, m_dc);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC Get() const { return m_dc; }

 private:
  HDC m_dc;
};

class GdiFont {
 public:
  explicit GdiFont(HFONT font) : m_font(font) {}
  ~GdiFont() {
    if (m_font) DeleteObject(m_font);
  }
  GdiFont(const GdiFont&) = delete;
  GdiFont& operator=(const GdiFont&) = delete;
  HFONT Get() const { return m_font; }

 private:
  HFONT m_font;
};

class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (m_old) SelectObject(m_dc, m_old);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// The raw file of an installed face; empty when GDI has none.
std::unique_ptr<unsigned char[]> ReadFaceFile(const wchar_t* faceName, DWORD* size) {
  GdiFont font(CreateFontW(0, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, faceName));
  if (!font.Get()) return nullptr;
  ScreenDc dc;
  if (!dc.Get()) return nullptr;
  SelectedObject selected(dc.Get(), font.Get());
  DWORD table = kCollectionTable;
  DWORD bytes = GetFontData(dc.Get(), table, 0, nullptr, 0);
  if (bytes == GDI_ERROR) {
    table = 0;
    bytes = GetFontData(dc.Get(), table, 0, nullptr, 0);
  }
  if (bytes == GDI_ERROR || bytes == 0 || bytes > 0x7FFFFFFF) return nullptr;
  std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[bytes]());
  if (!data || GetFontData(dc.Get(), table, 0, data.get(), bytes) != bytes) return nullptr;
  *size = bytes;
  return data;
}

}  // namespace

struct FontBlob {
  std::wstring faceName;
  std::unique_ptr<unsigned char[]> data;
  int byteCount = 0;
  int referenceCount = 0;  // live fonts made from these bytes
};

class FTFontFactoryPrivate {
 public:
  FTFontFactoryPrivate() { FT_Init_FreeType(&m_library); }
  virtual ~FTFontFactoryPrivate() {
    for (FTFontImpl* font : m_fonts) delete font;
    m_fonts.clear();
    if (m_library) FT_Done_FreeType(m_library);
    for (FontBlob* blob : m_blobs) delete blob;
  }

  FontBlob* FindBlob(const std::wstring& name) const {
    for (FontBlob* blob : m_blobs)
      if (blob->faceName == name) return blob;
    return nullptr;
  }

  void FreeBlobIfUnused(FontBlob* blob) {
    if (blob->referenceCount > 0) return;
    m_blobs.remove(blob);
    delete blob;
  }

  FTFont* CreateFromBlob(FontBlob* blob, int size, int secondSize, int styleValue, bool styleFlag) {
    FTFontImpl* font = nullptr;
    try {
      font = new FTFontImpl(m_library, blob->data.get(), blob->byteCount, size, secondSize, styleValue, styleFlag);
      font->SetFaceName(blob->faceName);
      if (font->Open()) {
        m_fonts.push_back(font);
        ++blob->referenceCount;
        return font;
      }
    } catch (...) {}
    // The failed font never counted as a user of the bytes: leave the count
    // alone and free the bytes only if no live font holds them.
    delete font;
    FreeBlobIfUnused(blob);
    return nullptr;
  }

  FT_Library m_library = nullptr;
  std::list<FTFontImpl*> m_fonts;
  std::list<FontBlob*> m_blobs;
};

FTFontFactory::FTFontFactory() : m_private(new FTFontFactoryPrivate) {}

FTFontFactory::~FTFontFactory() = default;

FTFont* FTFontFactory::CreateFaceFont(const wchar_t* faceName, int size, int secondSize, int styleValue,
                                      bool styleFlag) {
  if (!faceName) return nullptr;
  const std::wstring name(faceName);
  FontBlob* blob = m_private->FindBlob(name);
  if (!blob) {
    DWORD bytes = 0;
    auto data = ReadFaceFile(faceName, &bytes);
    if (!data) return nullptr;
    blob = new FontBlob{name, std::move(data), static_cast<int>(bytes), 0};
    m_private->m_blobs.push_back(blob);
  }
  return m_private->CreateFromBlob(blob, size, secondSize, styleValue, styleFlag);
}

FTFont* FTFontFactory::CreateMemoryFont(const wchar_t* faceName, const void* data, int byteCount, int size,
                                        int secondSize, int styleValue, bool styleFlag) {
  if (!faceName) return nullptr;
  const std::wstring name(faceName);
  FontBlob* blob = m_private->FindBlob(name);
  if (!blob) {
    if (!data || byteCount <= 0) return nullptr;
    std::unique_ptr<unsigned char[]> copy(new (std::nothrow) unsigned char[size_t(byteCount)]);
    if (!copy) return nullptr;
    std::memcpy(copy.get(), data, size_t(byteCount));
    blob = new FontBlob{name, std::move(copy), byteCount, 0};
    m_private->m_blobs.push_back(blob);
  }
  return m_private->CreateFromBlob(blob, size, secondSize, styleValue, styleFlag);
}

void FTFontFactory::ReleaseFont(FTFont* font) {
  if (!font) return;
  // Only fonts of this factory are touched: a stray or repeated release must
  // not lower the count of bytes that live fonts still use.
  auto& fonts = m_private->m_fonts;
  auto it = fonts.begin();
  while (it != fonts.end() && *it != font) ++it;
  if (it == fonts.end()) return;
  FTFontImpl* impl = *it;
  if (impl->RemoveReference() > 0) return;
  fonts.erase(it);
  // FreeType reads a face's bytes until the face is closed: close it first,
  // then give the bytes back.
  const bool fromMemory = impl->FromMemory();
  const std::wstring faceName = impl->FaceName();
  delete impl;
  if (fromMemory) {
    if (FontBlob* blob = m_private->FindBlob(faceName)) {
      if (blob->referenceCount > 0) --blob->referenceCount;
      m_private->FreeBlobIfUnused(blob);
    }
  }
}

int FTFontFactory::FontCount() const { return static_cast<int>(m_private->m_fonts.size()); }

int FTFontFactory::FaceDataCount() const { return static_cast<int>(m_private->m_blobs.size()); }

int FTFontFactory::FaceReferenceCount(const wchar_t* faceName) const {
  const FontBlob* blob = faceName ? m_private->FindBlob(faceName) : nullptr;
  return blob ? blob->referenceCount : -1;
}
