// A parsed XML document as the skin reader needs it: elements with their
// attributes, and comments, in document order. Character data is not kept.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class AvlfXmlNode {
 public:
  using Attribute = std::pair<std::wstring, std::wstring>;

  // "#comment" for a comment, else the tag name as written.
  const wchar_t* GetName() const { return m_name.c_str(); }
  const std::wstring& Name() const { return m_name; }
  bool IsComment() const { return m_comment; }
  const std::vector<Attribute>& GetAttributes() const { return m_attributes; }
  // The value of the attribute of exactly that name, or null.
  const std::wstring* FindAttribute(const wchar_t* name) const;
  size_t GetChildCount() const { return m_children.size(); }
  const AvlfXmlNode* GetChild(size_t index) const { return m_children[index].get(); }

 private:
  friend struct AvlfXmlDocumentAccess;
  std::wstring m_name;
  bool m_comment = false;
  std::vector<Attribute> m_attributes;
  std::vector<std::unique_ptr<AvlfXmlNode>> m_children;
};

// How the parser fills nodes.
struct AvlfXmlDocumentAccess {
  static void SetName(AvlfXmlNode* node, const wchar_t* name);
  static void SetComment(AvlfXmlNode* node);
  static void AddAttribute(AvlfXmlNode* node, const wchar_t* name, const wchar_t* value);
  static void AddChild(AvlfXmlNode* node, std::unique_ptr<AvlfXmlNode> child);
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
  const AvlfXmlNode* GetDocumentElement() const { return m_root.get(); }
  // The document element when it is named exactly name, else null.
  const AvlfXmlNode* SelectRoot(const wchar_t* name) const;
  const AvlfXmlParseError* GetParseError() const { return m_hasError ? &m_error : nullptr; }

 private:
  std::unique_ptr<AvlfXmlNode> m_root;
  AvlfXmlParseError m_error;
  bool m_hasError = false;
};
