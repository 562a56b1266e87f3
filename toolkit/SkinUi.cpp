#include "toolkit/SkinUi.h"

// clang-format off
#include <objbase.h>
#include <gdiplus.h>
// clang-format on

#include <cwchar>
#include <new>

#include "toolkit/SkinCombo.h"
#include "toolkit/XmlDocument.h"
#include "win32/ComPtr.h"

namespace {

AvlfUI* g_skinUi = nullptr;
AvlfUI* g_startedSkinUi = nullptr;
ULONG_PTR g_gdiplusToken = 0;

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

bool EqualsNoCase(const wchar_t* a, const wchar_t* b, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && EqualsNoCase(a.data(), b.data(), a.size());
}

// Keeps an entry on the list of entries being loaded while it is walked.
class LoadingMark {
 public:
  LoadingMark(std::vector<std::wstring>& list, const wchar_t* entry) : m_list(list) { m_list.emplace_back(entry); }
  ~LoadingMark() { m_list.pop_back(); }
  LoadingMark(const LoadingMark&) = delete;
  LoadingMark& operator=(const LoadingMark&) = delete;

 private:
  std::vector<std::wstring>& m_list;
};

}  // namespace

AvlfUI::AvlfUI() : m_zip(std::make_unique<ZipFile>()), m_fonts(std::make_unique<Gdiplus::PrivateFontCollection>()) {}

AvlfUI::~AvlfUI() { ClearSkin(); }

void AvlfUI::SetLanguage(LANGID language) {
  if (language != m_language) m_language = language;
}

void AvlfUI::LoadSkinPackage(const wchar_t* packagePath) {
  m_packageFolder = packagePath ? packagePath : L"";
  const size_t slash = m_packageFolder.find_last_of(L"\\/");
  m_packageFolder.erase(slash == std::wstring::npos ? 0 : slash);
  m_zip->Open(packagePath);
  ClearSkin();
  LoadSkinXml(L"Skin.xml");
}

void AvlfUI::ClearSkin() {
  for (auto& map : m_elements) map.clear();
}

void AvlfUI::GetPackageStream(IStream** stream, const wchar_t* entry) { m_zip->GetStream(stream, entry); }

void AvlfUI::LoadSkinXml(const wchar_t* entry) {
  const std::wstring name = entry ? entry : L"";
  for (const std::wstring& loading : m_loading)
    if (EqualsNoCase(loading, name)) return;

  win32::CComPtr<IStream> stream;
  m_zip->GetStream(&stream, name.c_str());
  if (!stream) return;
  HGLOBAL block = nullptr;
  STATSTG stat{};
  const void* bytes = nullptr;
  size_t size = 0;
  if (SUCCEEDED(GetHGlobalFromStream(stream, &block)) && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
    size = static_cast<size_t>(stat.cbSize.QuadPart);
    bytes = size ? GlobalLock(block) : nullptr;
    if (!bytes) size = 0;
  }
  AvlfXmlDocument document;
  const bool loaded = document.Load(bytes, size);
  if (bytes) GlobalUnlock(block);
  if (!loaded) {
    const AvlfXmlParseError* error = document.GetParseError();
    std::wstring text;
    if (error) {
      text = L"Skin Parse Error: '" + name + L"'. Error Line=" + std::to_wstring(error->line) + L", Error Column=" +
             std::to_wstring(error->column) + L"\n\n" + error->sourceText + L"\n\n" + error->reason;
    } else {
      text = L"Skin Parse Error: '" + name + L"'";
    }
    throw AvlfException(-1, text.c_str());
  }
  LoadingMark mark(m_loading, name.c_str());
  WalkSkinDocument(document);
}

void AvlfUI::WalkSkinDocument(const AvlfXmlDocument& document) {
  const AvlfXmlNode* root = document.SelectRoot(L"Skin");
  if (!root) return;
  for (size_t i = 0; i < root->GetChildCount(); ++i) {
    const AvlfXmlNode* section = root->GetChild(i);
    if (section->IsComment()) continue;
    const std::wstring_view name = section->Name();
    if (EqualsNoCase(name, L"Include")) {
      // Attribute values are stored with a terminator.
      const std::wstring_view* file = section->FindAttribute(L"File");
      LoadSkinXml(file ? file->data() : L"");
      continue;
    }
    int type = AVLF_UI_NONE;
    if (name == L"Infoes")
      type = AVLF_UI_INFORMATION;
    else if (name == L"Colors")
      type = AVLF_UI_COLOR;
    else if (name == L"Fonts")
      type = AVLF_UI_FONT;
    else if (name == L"Images")
      type = AVLF_UI_IMAGE;
    else if (name == L"Text")
      type = AVLF_UI_TEXT;
    else if (name == L"Windows")
      type = AVLF_UI_WINDOW;
    if (type == AVLF_UI_NONE) continue;
    if (type == AVLF_UI_INFORMATION) CreateSkinElement(section, type, 1033);
    for (size_t j = 0; j < section->GetChildCount(); ++j) {
      const AvlfXmlNode* e = section->GetChild(j);
      if (e->IsComment()) continue;
      if (e->Name() == L"Language") {
        uint32_t id = 1033;
        AvlfXmlAttributes(e).GetUInt(L"Id", &id);
        for (size_t k = 0; k < e->GetChildCount(); ++k) {
          const AvlfXmlNode* f = e->GetChild(k);
          if (!f->IsComment()) CreateSkinElement(f, type, static_cast<LANGID>(id));
        }
      } else {
        CreateSkinElement(e, type, 1033);
      }
    }
  }
}

void AvlfUI::CreateSkinElement(const AvlfXmlNode* node, int type, LANGID language) {
  std::unique_ptr<AvlfUiElement> element = CreateUiElementOfType(type);
  if (!element) return;
  AvlfUiElement* raw = element.get();
  m_elements[type - 1][language].push_back(std::move(element));
  raw->Parse(node);
  if (type == AVLF_UI_FONT) {
    if (const wchar_t* file = static_cast<AvlfUiElementFont*>(raw)->GetFile()) AddFontFile(file);
  }
}

void AvlfUI::AddFontFile(const wchar_t* file) {
  const std::wstring path = m_packageFolder + L"\\resource\\" + file;
  // A file that does not load only means FindFont finds no family for it.
  m_fonts->AddFontFile(path.c_str());
}

AvlfUiElement* AvlfUI::FindInList(const wchar_t* name, size_t length, int type, LANGID language) const {
  const auto& map = m_elements[type - 1];
  const auto list = map.find(language);
  if (list == map.end()) return nullptr;
  for (const auto& element : list->second) {
    const std::wstring& own = element->Name();
    if (own.size() == length && EqualsNoCase(own.c_str(), name, length)) return element.get();
  }
  return nullptr;
}

AvlfUiElement* AvlfUI::FindElement(const wchar_t* name, int type) const {
  if (type < AVLF_UI_INFORMATION || type > AVLF_UI_WINDOW || !name) return nullptr;
  const size_t length = std::wcslen(name);
  AvlfUiElement* found = FindInList(name, length, type, m_language);
  if (!found && m_language != 1033) found = FindInList(name, length, type, 1033);
  return found;
}

const wchar_t* AvlfUI::FindText(const wchar_t* key) const {
  const auto* text = static_cast<const AvlfUiElementText*>(FindElement(key, AVLF_UI_TEXT));
  return text ? text->GetText() : L"";
}

Gdiplus::Font* AvlfUI::FindFont(const wchar_t* family, int pixelSize) const {
  if (!family) return nullptr;
  const INT count = m_fonts->GetFamilyCount();
  if (count <= 0) return nullptr;
  std::vector<Gdiplus::FontFamily> families(static_cast<size_t>(count));
  INT found = 0;
  if (m_fonts->GetFamilies(count, families.data(), &found) != Gdiplus::Ok) return nullptr;
  for (INT i = 0; i < found; ++i) {
    WCHAR name[LF_FACESIZE] = {};
    if (families[static_cast<size_t>(i)].GetFamilyName(name, LANG_NEUTRAL) != Gdiplus::Ok) continue;
    if (_wcsicmp(name, family) != 0) continue;
    return new Gdiplus::Font(&families[static_cast<size_t>(i)], static_cast<Gdiplus::REAL>(pixelSize),
                             Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
  }
  return nullptr;
}

const std::vector<std::unique_ptr<AvlfUiElement>>* AvlfUI::GetElements(int type, LANGID language) const {
  if (type < AVLF_UI_INFORMATION || type > AVLF_UI_WINDOW) return nullptr;
  const auto& map = m_elements[type - 1];
  const auto list = map.find(language);
  return list == map.end() ? nullptr : &list->second;
}

AvlfUI* GetSkinUi() {
  if (!g_skinUi) g_skinUi = new (std::nothrow) AvlfUI();
  return g_skinUi;
}

void InitSkinUi(const wchar_t* packagePath, LANGID language) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok)
    throw AvlfException(-1,
                        L"Can't find gdiplus.\nPlease make sure you have installed gdiplus!\nYou can go to Microsoft "
                        L"web to install it");
  g_startedSkinUi = GetSkinUi();
  if (!g_startedSkinUi) throw AvlfException(-1, L"Out of memory");
  g_startedSkinUi->SetLanguage(language);
  g_startedSkinUi->LoadSkinPackage(packagePath);
}

void ExitSkinUi() {
  if (!g_startedSkinUi) return;
  // Cleared too, so a second call cannot shut GDI+ down twice.
  g_startedSkinUi = nullptr;
  ReleaseMenuWindow();
  delete g_skinUi;
  g_skinUi = nullptr;
  Gdiplus::GdiplusShutdown(g_gdiplusToken);
  CoUninitialize();
}
