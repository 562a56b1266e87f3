#include "toolkit/XmlDocument.h"

#include <windows.h>

#include <expat.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace {

// Deeper documents are refused: the element tree and the window elements
// made from it are walked recursively.
constexpr int kMaxDepth = 256;

// The text of line `line` (from 1) of the document's bytes, without its line
// break, decoded as the document most likely is.
std::wstring SourceLine(const unsigned char* bytes, size_t size, int line, UINT declaredPage) {
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
    UINT page = declaredPage ? declaredPage : CP_UTF8;
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

// Encodings beyond expat's own (UTF-8, UTF-16, ISO-8859-1, US-ASCII) that a
// skin may declare, read through the system's code pages.
struct NamedCodePage {
  const wchar_t* name;
  UINT page;
};
constexpr NamedCodePage kCodePages[] = {
    {L"windows-1250", 1250}, {L"windows-1251", 1251}, {L"windows-1252", 1252},
    {L"windows-1253", 1253}, {L"windows-1254", 1254}, {L"windows-1255", 1255},
    {L"windows-1256", 1256}, {L"windows-1257", 1257}, {L"windows-1258", 1258},
    {L"gb2312", 936},        {L"gbk", 936},           {L"big5", 950},
    {L"shift_jis", 932},     {L"euc-kr", 949},        {L"ks_c_5601-1987", 949},
};

UINT CodePageOf(const XML_Char* name) {
  for (const NamedCodePage& c : kCodePages)
    if (_wcsicmp(c.name, name) == 0) return c.page;
  return 0;
}

int XMLCALL ConvertDoubleByte(void* data, const char* bytes) {
  wchar_t c = 0;
  const UINT page = static_cast<UINT>(reinterpret_cast<uintptr_t>(data));
  return MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes, 2, &c, 1) == 1 ? c : -1;
}

}  // namespace

const std::wstring_view* AvlfXmlNode::FindAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  const std::wstring_view wanted(name);
  for (uint32_t i = 0; i < m_attributeCount; ++i)
    if (m_attributes[i].name == wanted) return &m_attributes[i].value;
  return nullptr;
}

struct AvlfXmlDocument::Builder {
  AvlfXmlDocument* document = nullptr;
  XML_Parser parser = nullptr;
  std::vector<AvlfXmlNode*> open;
  bool tooDeep = false;
  UINT codePage = 0;  // of a declared encoding expat does not know itself

  static int XMLCALL OnUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
    const UINT page = CodePageOf(name);
    CPINFO cp{};
    if (!page || !GetCPInfo(page, &cp) || cp.MaxCharSize > 2) return XML_STATUS_ERROR;
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      wchar_t c = 0;
      if (cp.MaxCharSize == 2 && IsDBCSLeadByteEx(page, static_cast<BYTE>(b)))
        info->map[b] = -2;
      else if (MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, &c, 1) == 1)
        info->map[b] = c;
      else
        info->map[b] = -1;
    }
    info->data = reinterpret_cast<void*>(static_cast<uintptr_t>(page));
    info->convert = cp.MaxCharSize == 2 ? ConvertDoubleByte : nullptr;
    info->release = nullptr;
    static_cast<Builder*>(data)->codePage = page;
    return XML_STATUS_OK;
  }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* b = static_cast<Builder*>(data);
    if (b->tooDeep) return;
    if (static_cast<int>(b->open.size()) >= kMaxDepth) {
      b->tooDeep = true;
      XML_StopParser(b->parser, XML_FALSE);
      return;
    }
    AvlfXmlDocument* d = b->document;
    AvlfXmlNode* node = d->NewNode(b->open.empty() ? nullptr : b->open.back());
    const size_t nameLength = std::wcslen(name);
    node->m_name = d->Store(name, nameLength);
    node->m_nameLength = nameLength;
    size_t count = 0;
    while (attributes[2 * count]) ++count;
    AvlfXmlNode::Attribute* stored = d->NewAttributes(count);
    for (size_t i = 0; i < count; ++i) {
      const XML_Char* n = attributes[2 * i];
      const XML_Char* v = attributes[2 * i + 1];
      const size_t nl = std::wcslen(n), vl = std::wcslen(v);
      stored[i] = {{d->Store(n, nl), nl}, {d->Store(v, vl), vl}};
    }
    node->m_attributes = stored;
    node->m_attributeCount = static_cast<uint32_t>(count);
    b->open.push_back(node);
  }

  static void XMLCALL OnEnd(void* data, const XML_Char*) {
    auto* b = static_cast<Builder*>(data);
    if (!b->open.empty() && !b->tooDeep) b->open.pop_back();
  }

  static void XMLCALL OnComment(void* data, const XML_Char*) {
    auto* b = static_cast<Builder*>(data);
    // Comments outside the document element are not part of the tree.
    if (b->open.empty() || b->tooDeep) return;
    AvlfXmlNode* node = b->document->NewNode(b->open.back());
    node->m_name = L"#comment";
    node->m_nameLength = 8;
    node->m_comment = true;
  }
};

AvlfXmlDocument::AvlfXmlDocument() = default;

AvlfXmlDocument::~AvlfXmlDocument() = default;

void AvlfXmlDocument::Clear() {
  m_nodeBlocks.clear();
  m_nodeCount = 0;
  m_attributeBlocks.clear();
  m_attributesUsed = m_attributeBlockSize = 0;
  m_childBlocks.clear();
  m_childrenUsed = m_childBlockSize = 0;
  m_blocks.clear();
  m_blockUsed = m_blockSize = 0;
  m_root = nullptr;
  m_hasError = false;
  m_error = AvlfXmlParseError();
}

namespace {

// count items from the current block of a list of blocks, starting a new
// block of at least `usual` items when it is full.
template <class T>
T* Take(std::vector<std::unique_ptr<T[]>>& blocks, size_t& used, size_t& size, size_t count, size_t usual) {
  if (used + count > size || blocks.empty()) {
    size = count > usual ? count : usual;
    blocks.push_back(std::unique_ptr<T[]>(new T[size]));
    used = 0;
  }
  T* out = blocks.back().get() + used;
  used += count;
  return out;
}

}  // namespace

AvlfXmlNode::Attribute* AvlfXmlDocument::NewAttributes(size_t count) {
  if (count == 0) return nullptr;
  return Take(m_attributeBlocks, m_attributesUsed, m_attributeBlockSize, count, 256);
}

wchar_t* AvlfXmlDocument::NewText(size_t count) { return Take(m_blocks, m_blockUsed, m_blockSize, count, 4096); }

const wchar_t* AvlfXmlDocument::Store(const wchar_t* text, size_t length) {
  wchar_t* out = NewText(length + 1);
  std::wmemcpy(out, text, length);
  out[length] = L'\0';
  return out;
}

AvlfXmlNode* AvlfXmlDocument::NewNode(AvlfXmlNode* parent) {
  if (m_nodeCount % kNodeBlock == 0)
    m_nodeBlocks.push_back(std::unique_ptr<AvlfXmlNode[]>(new AvlfXmlNode[kNodeBlock]));
  AvlfXmlNode* node = &m_nodeBlocks.back()[m_nodeCount % kNodeBlock];
  ++m_nodeCount;
  if (!parent) {
    m_root = node;
  } else {
    if (parent->m_lastChild)
      parent->m_lastChild->m_next = node;
    else
      parent->m_firstChild = node;
    parent->m_lastChild = node;
    ++parent->m_childCount;
  }
  return node;
}

// Children become arrays once nothing is added any more.
void AvlfXmlDocument::Finish() {
  for (size_t i = 0; i < m_nodeCount; ++i) {
    AvlfXmlNode& node = m_nodeBlocks[i / kNodeBlock][i % kNodeBlock];
    if (node.m_childCount == 0) continue;
    AvlfXmlNode** children = Take(m_childBlocks, m_childrenUsed, m_childBlockSize, node.m_childCount, 1024);
    size_t n = 0;
    for (AvlfXmlNode* child = node.m_firstChild; child; child = child->m_next) children[n++] = child;
    node.m_children = children;
  }
}

bool AvlfXmlDocument::Load(const void* bytes, size_t size) {
  Clear();
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
  builder.document = this;
  builder.parser = parser;
  XML_SetUserData(parser, &builder);
  XML_SetElementHandler(parser, Builder::OnStart, Builder::OnEnd);
  XML_SetCommentHandler(parser, Builder::OnComment);
  XML_SetUnknownEncodingHandler(parser, Builder::OnUnknownEncoding, &builder);

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
    m_error.sourceText =
        SourceLine(static_cast<const unsigned char*>(bytes), bytes ? size : 0, m_error.line, builder.codePage);
  }
  XML_ParserFree(parser);
  if (m_hasError) {
    const AvlfXmlParseError error = m_error;
    Clear();
    m_error = error;
    m_hasError = true;
    return false;
  }
  Finish();
  return true;
}

const AvlfXmlNode* AvlfXmlDocument::SelectRoot(const wchar_t* name) const {
  return m_root && name && m_root->Name() == name ? m_root : nullptr;
}
