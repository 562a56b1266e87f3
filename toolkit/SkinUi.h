// The skin manager: the process's one store of what the skin package
// describes, and the toolkit's start-up and shut-down.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/AvlfException.h"
#include "toolkit/SkinElement.h"
#include "toolkit/ZipFile.h"

namespace Gdiplus {
class Font;
class PrivateFontCollection;
}  // namespace Gdiplus

class AvlfXmlDocument;

class AvlfUI {
 public:
  AvlfUI();
  AvlfUI(const AvlfUI&) = delete;
  AvlfUI& operator=(const AvlfUI&) = delete;
  virtual ~AvlfUI();

  // Opens the package, clears the store and reads "Skin.xml" with its
  // includes, every language at once. Throws AvlfException.
  virtual void LoadSkinPackage(const wchar_t* packagePath);

  // Steers lookups only; nothing is reloaded.
  void SetLanguage(LANGID language);
  LANGID GetLanguage() const { return m_language; }
  void ClearSkin();

  // The element of that type and name (letter case ignored) in the current
  // language, else in 1033; null when neither holds it or type is not 1..6.
  AvlfUiElement* FindElement(const wchar_t* name, int type) const;
  // The text of the Text element of that key, "" when the skin lacks it.
  const wchar_t* FindText(const wchar_t* key) const;
  // A regular font in pixel units of a family loaded from the skin's
  // "resource" folder (never a system font); null when none matches. The
  // caller deletes it.
  Gdiplus::Font* FindFont(const wchar_t* family, int pixelSize) const;
  // A stream over a copy of the whole package entry; throws code 2 when the
  // entry is missing.
  void GetPackageStream(IStream** stream, const wchar_t* entry);

  // Loads one package entry and walks it. Throws AvlfException.
  void LoadSkinXml(const wchar_t* entry);
  void WalkSkinDocument(const AvlfXmlDocument& document);
  // Creates, stores and parses one element (types 1..6; others are ignored).
  void CreateSkinElement(const AvlfXmlNode* node, int type, LANGID language);

  // The folder that holds the package, without a trailing separator.
  const wchar_t* GetPackageFolder() const { return m_packageFolder.c_str(); }
  // Every element of a type stored under a language, in document order.
  const std::vector<std::unique_ptr<AvlfUiElement>>* GetElements(int type, LANGID language) const;

 private:
  using ElementList = std::vector<std::unique_ptr<AvlfUiElement>>;

  AvlfUiElement* FindInList(const wchar_t* name, size_t length, int type, LANGID language) const;
  void AddFontFile(const wchar_t* file);

  std::wstring m_packageFolder;
  LANGID m_language = 1033;
  std::unique_ptr<ZipFile> m_zip;
  std::unique_ptr<Gdiplus::PrivateFontCollection> m_fonts;
  std::map<LANGID, ElementList> m_elements[6];
  // Entries being loaded: an entry that includes itself, directly or
  // through others, is skipped instead of recursing without end.
  std::vector<std::wstring> m_loading;
};

// The manager, created on the first call.
AvlfUI* GetSkinUi();
// Starts COM and GDI+, creates the manager, sets the language and loads the
// package; throws AvlfException.
void InitSkinUi(const wchar_t* packagePath, LANGID language);
void ExitSkinUi();
