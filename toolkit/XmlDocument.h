// A parsed XML document as the skin reader needs it: elements with their
// attributes, and comments, in document order. Character data is not kept.
// The document owns every node and text in a few large blocks, so a skin of
// thousands of elements costs a handful of allocations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AvlfXmlNode {
 public:
  struct Attribute {
    std::wstring_view name;
    std::wstring_view value;  // terminated by a null character
  };

  // "#comment" for a comment, else the tag name as written.
  const wchar_t* GetName() const { return m_name; }
  std::wstring_view Name() const { return {m_name, m_nameLength}; }
  bool IsComment() const { return m_comment; }
  size_t GetAttributeCount() const { return m_attributeCount; }
  const Attribute& GetAttribute(size_t index) const { return m_attributes[index]; }
  // The value of the attribute of exactly that name, or null.
  const std::wstring_view* FindAttribute(const wchar_t* name) const;
  size_t GetChildCount() const { return m_childCount; }
  const AvlfXmlNode* GetChild(size_t index) const { return m_children[index]; }

 private:
  friend class AvlfXmlDocument;
  const wchar_t* m_name = L"";
  size_t m_nameLength = 0;
  bool m_comment = false;
  uint32_t m_attributeCount = 0;
  uint32_t m_childCount = 0;
  const Attribute* m_attributes = nullptr;
  AvlfXmlNode* const* m_children = nullptr;
  // While parsing: the children as a list.
  AvlfXmlNode* m_firstChild = nullptr;
  AvlfXmlNode* m_lastChild = nullptr;
  AvlfXmlNode* m_next = nullptr;
};

// Where and why a document did not parse. Line and column count from 1.
struct AvlfXmlParseError {
  int line = 0;
  int column = 0;
  std::wstring sourceText;  // the text of the failing line
  std::wstring reason;
};

class AvlfXmlDocument {
 public:
  AvlfXmlDocument();
  ~AvlfXmlDocument();
  AvlfXmlDocument(const AvlfXmlDocument&) = delete;
  AvlfXmlDocument& operator=(const AvlfXmlDocument&) = delete;

  // Parses the bytes of a whole document (UTF-8, UTF-16 with a byte-order
  // mark, or an encoding the declaration names); false with GetParseError()
  // set when it is not well-formed.
  bool Load(const void* bytes, size_t size);
  // The document element, or null before a successful Load.
  const AvlfXmlNode* GetDocumentElement() const { return m_root; }
  // The document element when it is named exactly name, else null.
  const AvlfXmlNode* SelectRoot(const wchar_t* name) const;
  const AvlfXmlParseError* GetParseError() const { return m_hasError ? &m_error : nullptr; }

 private:
  struct Builder;
  void Clear();
  // A copy of text with a terminator, in the document's text blocks.
  const wchar_t* Store(const wchar_t* text, size_t length);
  AvlfXmlNode* NewNode(AvlfXmlNode* parent);
  void Finish();

  // Nodes in blocks of kNodeBlock, in document order. Blocks stay small:
  // large heap blocks are mapped and unmapped one by one under Wine.
  static constexpr size_t kNodeBlock = 64;
  std::vector<std::unique_ptr<AvlfXmlNode[]>> m_nodeBlocks;
  size_t m_nodeCount = 0;
  // Room for count attributes side by side.
  AvlfXmlNode::Attribute* NewAttributes(size_t count);
  // Room for count characters.
  wchar_t* NewText(size_t count);

  std::vector<std::unique_ptr<AvlfXmlNode::Attribute[]>> m_attributeBlocks;
  size_t m_attributesUsed = 0;
  size_t m_attributeBlockSize = 0;
  std::vector<std::unique_ptr<AvlfXmlNode*[]>> m_childBlocks;
  size_t m_childrenUsed = 0;
  size_t m_childBlockSize = 0;
  std::vector<std::unique_ptr<wchar_t[]>> m_blocks;
  size_t m_blockUsed = 0;
  size_t m_blockSize = 0;
  AvlfXmlNode* m_root = nullptr;
  AvlfXmlParseError m_error;
  bool m_hasError = false;
};
