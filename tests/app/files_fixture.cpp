#include "tests/app/files_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/MeasureFiles.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "tests/app/frame_fixture.h"

CFileAnswers* g_pFileAnswers = nullptr;

namespace {

BOOL WINAPI AnswerFileDialog(OPENFILENAMEW* dialog) {
  CFileAnswers* answers = g_pFileAnswers;
  if (!answers) return FALSE;
  ++answers->dialogs;
  answers->shownFilterIndex.push_back(dialog->nFilterIndex);
  answers->titles.push_back(dialog->lpstrTitle ? dialog->lpstrTitle : L"");
  if (!answers->ok) return FALSE;
  wcsncpy(dialog->lpstrFile, answers->file.c_str(), dialog->nMaxFile - 1);
  dialog->lpstrFile[dialog->nMaxFile - 1] = 0;
  dialog->nFilterIndex = answers->filterIndex;
  return TRUE;
}

int WINAPI AnswerBox(HWND, const wchar_t* text, const wchar_t*, UINT) {
  if (!g_pFileAnswers) return IDOK;
  g_pFileAnswers->boxes.push_back(text ? text : L"");
  return g_pFileAnswers->boxAnswer;
}

}  // namespace

CFileAnswers::CFileAnswers() {
  g_pFileAnswers = this;
  SetOpenFileNameFunction(AnswerFileDialog);
  SetSaveFileNameFunction(AnswerFileDialog);
  SetFileMessageBoxFunction(AnswerBox);
}

CFileAnswers::~CFileAnswers() {
  SetOpenFileNameFunction(nullptr);
  SetSaveFileNameFunction(nullptr);
  SetFileMessageBoxFunction(nullptr);
  g_pFileAnswers = nullptr;
}

std::string ReadWholeFile(const wchar_t* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CFixtureDocument::CFixtureDocument(const wchar_t* name, bool figures) {
  CMainFrame& frame = SharedFrame();
  m_pPrevious = frame.m_pCurrentDocument;
  if (!g_pDirectUI || !g_pDirectUI->m_hWnd) return;
  m_pPreviousActive = g_pDirectUI->m_pActiveImage;
  const std::string bytes = ReadWholeFile(L"measure_picture.bin");
  if (bytes.size() != static_cast<size_t>(kFixtureWidth) * kFixtureHeight * 4) return;
  m_picture.assign(bytes.begin(), bytes.end());
  m_pDocument = new CDTImage;
  const RECT rc{0, 0, 800, 600};
  if (FAILED(m_pDocument->Create(g_pDirectUI, nullptr, name, &rc))) return;
  m_pDocument->UploadFrame(m_picture.data(), kFixtureWidth, kFixtureHeight, kFixtureWidth * 4, nullptr);
  // Actual size at the window's corner: a vertex's physical value is its pixel times the scale.
  m_pDocument->SetZoomMode(1, 1.0f);
  m_pDocument->SetOffsetForTile(0, 0);
  if (figures && m_pDocument->LoadFile(L"measure_fixture.prj") != 1) return;
  frame.m_pCurrentDocument = m_pDocument;
  m_bReady = m_pDocument->m_nWidth == kFixtureWidth && m_pDocument->m_nHeight == kFixtureHeight;
}

CFixtureDocument::~CFixtureDocument() {
  CMainFrame& frame = SharedFrame();
  if (m_pDocument) {
    if (g_pDirectUI && g_pDirectUI->m_hWnd) g_pDirectUI->DetachElement(m_pDocument);
    DestroyChildren(m_pDocument);
    delete m_pDocument;
  }
  if (g_pDirectUI && g_pDirectUI->m_hWnd) g_pDirectUI->SetActiveImage(m_pPreviousActive, TRUE);
  frame.m_pCurrentDocument = m_pPrevious;
}
