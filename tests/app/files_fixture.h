// A document on the shared frame's canvas holding the picture and figures of
// measure_fixture.prj (written by measure_files_fixture.py), made the
// frame's current document at actual size, and the file commands' dialogs
// and message boxes answered by the test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CDTImage;

class CFixtureDocument {
 public:
  // name: the document's path (its file need not exist); figures: load the
  // fixture's figures into it.
  explicit CFixtureDocument(const wchar_t* name = L"fixture.bmp", bool figures = true);
  ~CFixtureDocument();
  CFixtureDocument(const CFixtureDocument&) = delete;
  CFixtureDocument& operator=(const CFixtureDocument&) = delete;
  bool Ready() const { return m_bReady; }

  CDTImage* m_pDocument = nullptr;
  std::vector<unsigned char> m_picture;  // BGRA, top row first

 private:
  CDTImage* m_pPrevious = nullptr;
  CDTImage* m_pPreviousActive = nullptr;
  bool m_bReady = false;
};

inline constexpr int kFixtureWidth = 600;
inline constexpr int kFixtureHeight = 400;

// What the file dialogs and message boxes of the file commands are answered with.
struct CFileAnswers {
  CFileAnswers();
  ~CFileAnswers();
  std::wstring file;      // the name the dialog returns ("" with ok: an empty name)
  DWORD filterIndex = 1;  // the filter the user chose
  bool ok = true;         // false: cancelled
  int boxAnswer = IDOK;
  // What the commands asked.
  std::vector<std::wstring> boxes;
  std::vector<DWORD> shownFilterIndex;
  std::vector<std::wstring> titles;
  int dialogs = 0;
};
// The one active set of answers.
extern CFileAnswers* g_pFileAnswers;

std::string ReadWholeFile(const wchar_t* path);
