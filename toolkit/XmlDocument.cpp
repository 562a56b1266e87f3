#include "toolkit/XmlDocument.h"

#include <windows.h>

#include <expat.h>

#include <climits>
#include <cstring>

namespace {

// Deeper documents are refused: the element tree and the window elements
// made from it are walked recursively.
constexpr int kMaxDepth = 256;

struct Builder {
  XML_Parser parser = nullptr;
  std::unique_ptr<AvlfXmlNode>* root = nullptr;
  std::vector<AvlfXmlNode*> open;
  bool tooDeep = false;
};

// The text of line `line` (from 1) of the document's bytes, without its line
// break, decoded as the document most likely is.
std::wstring SourceLine(const unsigned char* bytes, size_t size, int line) {
  std::wstring text;
  if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF) ||
                    (bytes[0] == '<' && bytes[1] == 0) || (bytes[0] == 0 && bytes[1] == '<'))) {
    const bool big = bytes[0] == 0xFE || bytes[0] == 0;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2)
      text.push_back(static_cast<wchar_t>(big ? bytes[i] << 8 | bytes[i + 1] : bytes[i + 1] << 8 | bytes[i]));
    if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  } else {
    size_t skip = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    const char* from = reinterpret_cast<const char*>(bytes) + skip;
    const int n = static_cast<int>(size - skip);
    UINT page = CP_UTF8;
    int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, from, n, nullptr, 0);
    if (length <= 0) {
      page = 1252;  // a declared single-byte encoding
      length = MultiByteToWideChar(page, 0, from, n, nullptr, 0);
    }
    if (length > 0) {
      text.resize(static_cast<size_t>(length));
      MultiByteToWideChar(page, 0, from, n, text.data(), length);
    }
  }
  // Line breaks as the parser counts them: CR LF, CR or LF.
  size_t start = 0;
  for (int current = 1; current < line && start < text.size(); ++start) {
    if (text[start] == L'\r') {
      if (start + 1 < text.size() && text[start + 1] == L'\n') ++start;
      ++current;
    } else if (text[start] == L'\n') {
      ++current;
    }
  }
  if (start >= text.size()) return {};
  const size_t end = text.find_first_of(L"\r\n", start);
  return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto* b = static_cast<Builder*>(data);
  if (b->tooDeep) return;
  if (static_cast<int>(b->open.size()) >= kMaxDepth) {
    b->tooDeep = true;
    XML_StopParser(b->parser, XML_FALSE);
    return;
  }
  auto node = std::make_unique<AvlfXmlNode>();
  AvlfXmlNode* raw = node.get();
  AvlfXmlDocumentAccess::SetName(raw, name);
  for (const XML_Char** a = attributes; a[0]; a += 2) AvlfXmlDocumentAccess::AddAttribute(raw, a[0], a[1]);
  if (b->open.empty())
    *b->root = std::move(node);
  else
    AvlfXmlDocumentAccess::AddChild(b->open.back(), std::move(node));
  b->open.push_back(raw);
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  auto* b = static_cast<Builder*>(data);
  if (!b->open.empty()) b->open.pop_back();
}

void XMLCALL OnComment(void* data, const XML_Char*) {
  auto* b = static_cast<Builder*>(data);
  // Comments outside the document element are not part of the tree.
  if (b->open.empty() || b->tooDeep) return;
  auto node = std::make_unique<AvlfXmlNode>();
  AvlfXmlDocumentAccess::SetComment(node.get());
  AvlfXmlDocumentAccess::AddChild(b->open.back(), std::move(node));
}

}  // namespace

const std::wstring* AvlfXmlNode::FindAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  for (const Attribute& a : m_attributes)
    if (a.first == name) return &a.second;
  return nullptr;
}

void AvlfXmlDocumentAccess::SetName(AvlfXmlNode* node, const wchar_t* name) { node->m_name = name; }

void AvlfXmlDocumentAccess::SetComment(AvlfXmlNode* node) {
  node->m_name = L"#comment";
  node->m_comment = true;
}

void AvlfXmlDocumentAccess::AddAttribute(AvlfXmlNode* node, const wchar_t* name, const wchar_t* value) {
  node->m_attributes.emplace_back(name, value);
}

void AvlfXmlDocumentAccess::AddChild(AvlfXmlNode* node, std::unique_ptr<AvlfXmlNode> child) {
  node->m_children.push_back(std::move(child));
}

AvlfXmlDocument::AvlfXmlDocument() = default;

AvlfXmlDocument::~AvlfXmlDocument() = default;

bool AvlfXmlDocument::Load(const void* bytes, size_t size) {
  m_root.reset();
  m_hasError = false;
  m_error = AvlfXmlParseError();
  if (size > static_cast<size_t>(INT_MAX)) {
    m_hasError = true;
    m_error.line = 1;
    m_error.column = 1;
    m_error.reason = L"document too large";
    return false;
  }

  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) {
    m_hasError = true;
    m_error.reason = L"out of memory";
    return false;
  }
  Builder builder;
  builder.parser = parser;
  builder.root = &m_root;
  XML_SetUserData(parser, &builder);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCommentHandler(parser, OnComment);

  const XML_Status status =
      XML_Parse(parser, static_cast<const char*>(bytes ? bytes : ""), static_cast<int>(size), XML_TRUE);
  if (status != XML_STATUS_OK || builder.tooDeep) {
    m_hasError = true;
    m_error.line = static_cast<int>(XML_GetCurrentLineNumber(parser));
    m_error.column = static_cast<int>(XML_GetCurrentColumnNumber(parser)) + 1;
    if (builder.tooDeep) {
      m_error.reason = L"elements nested too deeply";
    } else {
      const XML_LChar* reason = XML_ErrorString(XML_GetErrorCode(parser));
      m_error.reason = reason ? reason : L"error";
    }
    m_error.sourceText = SourceLine(static_cast<const unsigned char*>(bytes), bytes ? size : 0, m_error.line);
    m_root.reset();
  }
  XML_ParserFree(parser);
  return !m_hasError;
}

const AvlfXmlNode* AvlfXmlDocument::SelectRoot(const wchar_t* name) const {
  return m_root && name && m_root->Name() == name ? m_root.get() : nullptr;
}
