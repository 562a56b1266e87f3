// The toolkit's one exception type: a wide text and a code. Everything that
// can stop the toolkit's start-up throws it; the program entry shows Text().
#pragma once

class AvlfException {
 public:
  // Text from the ANSI code page; code -1.
  explicit AvlfException(const char* text);
  // A copy of text (null leaves no text); code -1.
  explicit AvlfException(const wchar_t* text);
  AvlfException(int code, const char* text);
  AvlfException(int code, const wchar_t* text);
  AvlfException(const AvlfException& other);
  AvlfException& operator=(const AvlfException& other);
  virtual ~AvlfException();

  // Null when there is no text.
  virtual const wchar_t* Text() const;
  virtual int Code() const;

 private:
  void SetText(const wchar_t* text);
  void SetAnsiText(const char* text);
  void FreeText();

  wchar_t* m_text = nullptr;
  int m_code = -1;
  bool m_ownsText = false;
};

[[noreturn]] void ThrowAvlfException(int code, const char* text);
[[noreturn]] void ThrowAvlfException(int code, const wchar_t* text);
