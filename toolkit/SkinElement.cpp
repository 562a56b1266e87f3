#include "toolkit/SkinElement.h"

#include <climits>
#include <cwchar>

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// A decimal number with optional white space around it and an optional plus
// sign, at most limit; false for anything else (a minus sign included).
bool ParseDecimal(std::wstring_view text, uint32_t limit, uint32_t* value) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i < text.size() && text[i] == L'+') ++i;
  const size_t first = i;
  uint64_t n = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    n = n * 10 + static_cast<uint64_t>(text[i] - L'0');
    if (n > limit) return false;
  }
  if (i == first) return false;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i != text.size()) return false;
  *value = static_cast<uint32_t>(n);
  return true;
}

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

bool EqualsNoCase(std::wstring_view a, const wchar_t* b) {
  const size_t n = std::wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

}  // namespace

const std::wstring_view* AvlfXmlAttributes::Find(const wchar_t* name) const {
  return m_node ? m_node->FindAttribute(name) : nullptr;
}

bool AvlfXmlAttributes::GetString(const wchar_t* name, std::wstring* value) const {
  const std::wstring_view* found = Find(name);
  if (!found) return false;
  value->assign(*found);
  return true;
}

bool AvlfXmlAttributes::GetBool(const wchar_t* name, uint8_t* value) const {
  const std::wstring_view* found = Find(name);
  if (!found) return false;
  const std::wstring_view text = *found;
  size_t a = 0, b = text.size();
  while (a < b && IsSpace(text[a])) ++a;
  while (b > a && IsSpace(text[b - 1])) --b;
  const std::wstring word(text.substr(a, b - a));
  if (EqualsNoCase(word, L"true")) {
    *value = 1;
    return true;
  }
  if (EqualsNoCase(word, L"false")) {
    *value = 0;
    return true;
  }
  if (word.empty()) return false;
  wchar_t* end = nullptr;
  const double number = std::wcstod(word.c_str(), &end);
  if (!end || *end != L'\0') return false;
  *value = number != 0.0 ? 1 : 0;
  return true;
}

bool AvlfXmlAttributes::GetByte(const wchar_t* name, uint8_t* value) const {
  const std::wstring_view* found = Find(name);
  uint32_t n = 0;
  if (!found || !ParseDecimal(*found, 255, &n)) return false;
  *value = static_cast<uint8_t>(n);
  return true;
}

bool AvlfXmlAttributes::GetInt(const wchar_t* name, int32_t* value) const {
  const std::wstring_view* found = Find(name);
  uint32_t n = 0;
  if (!found || !ParseDecimal(*found, 2147483647u, &n)) return false;
  *value = static_cast<int32_t>(n);
  return true;
}

bool AvlfXmlAttributes::GetUInt(const wchar_t* name, uint32_t* value) const {
  const std::wstring_view* found = Find(name);
  uint32_t n = 0;
  if (!found || !ParseDecimal(*found, 2147483647u, &n)) return false;
  *value = n;
  return true;
}

bool AvlfUiElement::Parse(const AvlfXmlNode* node) {
  if (!node) return false;
  m_strName.assign(node->Name());
  return true;
}

bool AvlfUiElementInformation::Parse(const AvlfXmlNode* node) {
  if (!AvlfUiElement::Parse(node)) return false;
  AvlfXmlAttributes a(node);
  if (!a.GetString(L"Title", &m_strTitle)) m_strTitle.clear();
  if (!a.GetString(L"Description", &m_strDescription)) m_strDescription.clear();
  if (!a.GetString(L"Author", &m_strAuthor)) m_strAuthor.clear();
  if (!a.GetString(L"Version", &m_strVersion)) m_strVersion.clear();
  a.GetInt(L"Language", &m_nLanguage);
  return true;
}

bool AvlfUiElementColor::Parse(const AvlfXmlNode* node) {
  if (!AvlfUiElement::Parse(node)) return false;
  AvlfXmlAttributes a(node);
  a.GetByte(L"Red", &m_red);
  a.GetByte(L"Green", &m_green);
  a.GetByte(L"Blue", &m_blue);
  a.GetByte(L"Alpha", &m_alpha);
  return true;
}

bool AvlfUiElementFont::Parse(const AvlfXmlNode* node) {
  if (!AvlfUiElement::Parse(node)) return false;
  AvlfXmlAttributes a(node);
  a.GetString(L"FamilyName", &m_strFamilyName);
  a.GetString(L"File", &m_strFile);
  a.GetInt(L"Height", &m_nHeight);
  a.GetInt(L"Width", &m_nWidth);
  a.GetInt(L"Weight", &m_nWeight);
  a.GetBool(L"Italic", &m_bItalic);
  a.GetBool(L"Underline", &m_bUnderline);
  a.GetBool(L"Bold", &m_bBold);
  return true;
}

bool AvlfUiElementImage::Parse(const AvlfXmlNode* node) {
  if (!AvlfUiElement::Parse(node)) return false;
  AvlfXmlAttributes a(node);
  a.GetString(L"KeyColorLow", &m_strKeyColorLow);
  a.GetString(L"KeyColorHigh", &m_strKeyColorHigh);
  a.GetString(L"File", &m_strFile);
  return true;
}

bool AvlfUiElementText::Parse(const AvlfXmlNode* node) {
  if (!AvlfUiElement::Parse(node)) return false;
  AvlfXmlAttributes a(node);
  if (!a.GetString(L"Text", &m_strText)) m_strText.clear();
  return true;
}

int AvlfUiWindow::Attribute::GetInt() const {
  const std::wstring& v = m_strValue;
  if (v.size() >= 3 && (v[1] == L'x' || v[1] == L'X')) {
    uint32_t sum = 0, weight = 1;
    for (size_t i = v.size(); i-- > 0;) {
      const wchar_t c = v[i];
      if (c == L'x' || c == L'X') break;
      uint32_t digit = 0;
      if (c >= L'0' && c <= L'9')
        digit = static_cast<uint32_t>(c - L'0');
      else if (c >= L'a' && c <= L'f')
        digit = static_cast<uint32_t>(c - L'a' + 10);
      else if (c >= L'A' && c <= L'F')
        digit = static_cast<uint32_t>(c - L'A' + 10);
      sum += digit * weight;
      weight *= 16;
    }
    return static_cast<int>(sum);
  }
  // The C library's reading: white space, sign, digits up to the first other
  // character; out-of-range values saturate.
  const long long n = std::wcstoll(v.c_str(), nullptr, 10);
  return n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<int>(n);
}

bool AvlfUiWindow::Parse(const AvlfXmlNode* node) {
  if (!AvlfUiElement::Parse(node)) return false;
  const size_t count = node->GetAttributeCount();
  if (count < 2) return false;
  m_attributes.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const AvlfXmlNode::Attribute& a = node->GetAttribute(i);
    m_attributes.push_back(std::make_unique<Attribute>(std::wstring(a.name), std::wstring(a.value)));
  }
  for (size_t i = 0; i < node->GetChildCount(); ++i) {
    const AvlfXmlNode* child = node->GetChild(i);
    if (child->IsComment() || EqualsNoCase(child->Name(), L"#comment")) continue;
    auto window = std::make_unique<AvlfUiWindow>();
    if (window->Parse(child)) m_children.push_back(std::move(window));
  }
  return true;
}

AvlfUiWindow::Attribute* AvlfUiWindow::FindAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  for (const auto& a : m_attributes)
    if (EqualsNoCase(a->Name(), name)) return a.get();
  return nullptr;
}

AvlfUiWindow::Attribute* AvlfUiWindow::GetAttribute(int index) const {
  if (index < 0 || index >= GetAttributeCount()) return nullptr;
  return m_attributes[static_cast<size_t>(index)].get();
}

AvlfUiWindow* AvlfUiWindow::FindChild(const wchar_t* name) const {
  if (!name) return nullptr;
  for (const auto& c : m_children)
    if (EqualsNoCase(c->Name(), name)) return c.get();
  return nullptr;
}

AvlfUiWindow* AvlfUiWindow::GetChild(int index) const {
  if (index < 0 || index >= GetChildCount()) return nullptr;
  return m_children[static_cast<size_t>(index)].get();
}

std::unique_ptr<AvlfUiElement> CreateUiElementOfType(int type) {
  switch (type) {
    case AVLF_UI_INFORMATION:
      return std::make_unique<AvlfUiElementInformation>();
    case AVLF_UI_COLOR:
      return std::make_unique<AvlfUiElementColor>();
    case AVLF_UI_FONT:
      return std::make_unique<AvlfUiElementFont>();
    case AVLF_UI_IMAGE:
      return std::make_unique<AvlfUiElementImage>();
    case AVLF_UI_TEXT:
      return std::make_unique<AvlfUiElementText>();
    case AVLF_UI_WINDOW:
      return std::make_unique<AvlfUiWindow>();
    default:
      return nullptr;
  }
}
