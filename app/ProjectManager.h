// Projects. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

class CDTImage;
class CDirectUI;

// Projects: the live project's document and the closing of every project.
class CProjectManager {
 public:
  CProjectManager();
  ~CProjectManager();
  CProjectManager(const CProjectManager&) = delete;
  CProjectManager& operator=(const CProjectManager&) = delete;
  CDTImage* GetLiveDocument() const { return m_pLiveDocument; }
  CDirectUI* GetCanvas() const;
  void CloseAll();

 private:
  CDTImage* m_pLiveDocument;
};
