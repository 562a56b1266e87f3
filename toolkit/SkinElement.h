// The elements a skin document describes: texts, colours, fonts, images and
// trees of window descriptions, each read from the attributes of one node.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/XmlDocument.h"

// Element type codes, also the sections "Infoes" to "Windows".
enum AvlfUiElementType {
  AVLF_UI_NONE = 0,
  AVLF_UI_INFORMATION = 1,
  AVLF_UI_COLOR = 2,
  AVLF_UI_FONT = 3,
  AVLF_UI_IMAGE = 4,
  AVLF_UI_TEXT = 5,
  AVLF_UI_WINDOW = 6,
};

// Typed reads of one node's attributes by exact name. Each returns true and
// stores the value when the attribute exists and converts; otherwise the
// target keeps its value and the result is false.
class AvlfXmlAttributes {
 public:
  explicit AvlfXmlAttributes(const AvlfXmlNode* node) : m_node(node) {}

  bool GetString(const wchar_t* name, std::wstring* value) const;
  // true, false (any case) or a number, non-zero being true.
  bool GetBool(const wchar_t* name, uint8_t* value) const;
  // A decimal integer 0..255.
  bool GetByte(const wchar_t* name, uint8_t* value) const;
  // A decimal integer 0..2147483647.
  bool GetInt(const wchar_t* name, int32_t* value) const;
  bool GetUInt(const wchar_t* name, uint32_t* value) const;

 private:
  const std::wstring_view* Find(const wchar_t* name) const;

  const AvlfXmlNode* m_node;
};

class AvlfUiElement {
 public:
  explicit AvlfUiElement(int type) : m_nType(type) {}
  AvlfUiElement(const AvlfUiElement&) = delete;
  AvlfUiElement& operator=(const AvlfUiElement&) = delete;
  virtual ~AvlfUiElement() = default;
  // Reads the tag name; the derived classes then read their attributes.
  virtual bool Parse(const AvlfXmlNode* node);

  int GetType() const { return m_nType; }
  const wchar_t* GetName() const { return m_strName.c_str(); }
  const std::wstring& Name() const { return m_strName; }

 protected:
  int m_nType;
  std::wstring m_strName;
};

class AvlfUiElementInformation : public AvlfUiElement {
 public:
  AvlfUiElementInformation() : AvlfUiElement(AVLF_UI_INFORMATION) {}
  bool Parse(const AvlfXmlNode* node) override;

  const wchar_t* GetTitle() const { return m_strTitle.c_str(); }
  const wchar_t* GetDescription() const { return m_strDescription.c_str(); }
  const wchar_t* GetAuthor() const { return m_strAuthor.c_str(); }
  const wchar_t* GetVersion() const { return m_strVersion.c_str(); }
  int GetLanguage() const { return m_nLanguage; }

 private:
  std::wstring m_strTitle, m_strDescription, m_strAuthor, m_strVersion;
  int32_t m_nLanguage = 1033;
};

class AvlfUiElementColor : public AvlfUiElement {
 public:
  AvlfUiElementColor() : AvlfUiElement(AVLF_UI_COLOR) {}
  bool Parse(const AvlfXmlNode* node) override;

  uint8_t GetRed() const { return m_red; }
  uint8_t GetGreen() const { return m_green; }
  uint8_t GetBlue() const { return m_blue; }
  uint8_t GetAlpha() const { return m_alpha; }
  // Alpha in the top byte, then red, green, blue.
  uint32_t GetArgb() const {
    return static_cast<uint32_t>(m_alpha) << 24 | static_cast<uint32_t>(m_red) << 16 |
           static_cast<uint32_t>(m_green) << 8 | m_blue;
  }

 private:
  uint8_t m_red = 0, m_green = 0, m_blue = 0, m_alpha = 255;
};

class AvlfUiElementFont : public AvlfUiElement {
 public:
  AvlfUiElementFont() : AvlfUiElement(AVLF_UI_FONT) {}
  bool Parse(const AvlfXmlNode* node) override;

  int GetHeight() const { return m_nHeight; }
  int GetWidth() const { return m_nWidth; }
  int GetWeight() const { return m_nWeight; }
  uint8_t IsItalic() const { return m_bItalic; }
  uint8_t IsUnderline() const { return m_bUnderline; }
  uint8_t IsBold() const { return m_bBold; }
  const wchar_t* GetFamilyName() const { return m_strFamilyName.c_str(); }
  // Null when the element names no font file.
  const wchar_t* GetFile() const { return m_strFile.empty() ? nullptr : m_strFile.c_str(); }

 private:
  int32_t m_nHeight = 18;
  int32_t m_nWidth = 0;
  int32_t m_nWeight = 400;
  uint8_t m_bItalic = 0, m_bUnderline = 0, m_bBold = 0;
  std::wstring m_strFamilyName = L"Arial";
  std::wstring m_strFile;
};

class AvlfUiElementImage : public AvlfUiElement {
 public:
  AvlfUiElementImage() : AvlfUiElement(AVLF_UI_IMAGE) {}
  bool Parse(const AvlfXmlNode* node) override;

  // The package entry of the picture; null when the element names none.
  const wchar_t* GetFile() const { return m_strFile.empty() ? nullptr : m_strFile.c_str(); }
  const wchar_t* GetKeyColorLow() const { return m_strKeyColorLow.c_str(); }
  const wchar_t* GetKeyColorHigh() const { return m_strKeyColorHigh.c_str(); }

 private:
  std::wstring m_strKeyColorLow, m_strKeyColorHigh, m_strFile;
};

class AvlfUiElementText : public AvlfUiElement {
 public:
  AvlfUiElementText() : AvlfUiElement(AVLF_UI_TEXT) {}
  bool Parse(const AvlfXmlNode* node) override;

  // Never null.
  const wchar_t* GetText() const { return m_strText.c_str(); }

 private:
  std::wstring m_strText;
};

class AvlfUiWindow : public AvlfUiElement {
 public:
  class Attribute {
   public:
    Attribute(std::wstring name, std::wstring value) : m_strName(std::move(name)), m_strValue(std::move(value)) {}
    virtual ~Attribute() = default;
    const wchar_t* GetName() const { return m_strName.c_str(); }
    const wchar_t* GetValue() const { return m_strValue.c_str(); }
    const std::wstring& Name() const { return m_strName; }
    const std::wstring& Value() const { return m_strValue; }
    // The skin's integer rule: "0x..." (three or more characters, second
    // one x or X) is hexadecimal, anything else decimal.
    int GetInt() const;

   private:
    std::wstring m_strName;
    std::wstring m_strValue;
  };

  AvlfUiWindow() : AvlfUiElement(AVLF_UI_WINDOW) {}
  // False for an element with fewer than two attributes (then neither its
  // attributes nor its children are kept).
  bool Parse(const AvlfXmlNode* node) override;

  // Name compared without letter case; null when absent.
  Attribute* FindAttribute(const wchar_t* name) const;
  Attribute* GetAttribute(int index) const;
  int GetAttributeCount() const { return static_cast<int>(m_attributes.size()); }
  AvlfUiWindow* FindChild(const wchar_t* name) const;
  AvlfUiWindow* GetChild(int index) const;
  int GetChildCount() const { return static_cast<int>(m_children.size()); }

 private:
  std::vector<std::unique_ptr<Attribute>> m_attributes;
  std::vector<std::unique_ptr<AvlfUiWindow>> m_children;
};

// Creates the element class of a type code 1..6; null for any other code.
std::unique_ptr<AvlfUiElement> CreateUiElementOfType(int type);
