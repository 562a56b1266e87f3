// The slide show: the pictures of a list of documents one after the other on
// the canvas, each entering through a transition of the plug-in Fadeworks.dll,
// played live (preview) or written into an AVI file (burn). One worker thread
// makes every frame; the main thread drives it with commands and dispatches
// messages while it waits, because the worker hands frames to the canvas with
// synchronous window messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/Image.h"
#include "image/Image.h"
#include "vendor/fadeworks/Fadeworks.h"

class CVidmill;

enum SlideCommand {
  SLIDE_PAUSE = 0,       // wait for the next command
  SLIDE_NEXT = 1,        // prepare the next slide
  SLIDE_STOP = 2,        // end the worker
  SLIDE_TRANSITION = 3,  // make transition frames (set by the worker itself)
};

class CSlideShow {
 public:
  class CCritSec {
   public:
    CCritSec() { ::InitializeCriticalSection(&m_cs); }
    virtual ~CCritSec() { ::DeleteCriticalSection(&m_cs); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;
    void Lock() { ::EnterCriticalSection(&m_cs); }
    void Unlock() { ::LeaveCriticalSection(&m_cs); }

   private:
    CRITICAL_SECTION m_cs;
  };

  struct Slide {
    CDTImage* document;
    int projectIndex;
  };

  CSlideShow();
  virtual ~CSlideShow();
  CSlideShow(const CSlideShow&) = delete;
  CSlideShow& operator=(const CSlideShow&) = delete;

  BOOL LoadTransitions();
  void SetShowTime(int ms);
  void SetTransitionTime(int ms);
  void SetFrameRate(int fps);
  void AddSlide(CDTImage* document, int projectIndex);
  void SetSize(int width, int height);
  void Start(BOOL burn, const wchar_t* aviPath);
  void Begin(CDTImage* documentToRestore);
  void Stop();

  CCritSec m_Lock;
  int m_nFrameRate = 30;
  int m_nShowTime = 1500;
  int m_nTransitionTime = 500;
  int m_nHeight = 0;
  int m_nWidth = 0;
  HANDLE m_hThread = nullptr;
  HANDLE m_hWake = nullptr;
  HANDLE m_hAck = nullptr;
  int m_nCommand = SLIDE_PAUSE;
  int m_nWaitCount = 0;
  int m_nProgress = 0;
  std::vector<Slide> m_Slides;
  ZEvuvoro::CImage m_BufferA;
  ZEvuvoro::CImage m_BufferB;
  ZEvuvoro::CImage m_Output;
  ZEvuvoro::CImage* m_pFrom = nullptr;
  ZEvuvoro::CImage* m_pTo = nullptr;
  HMODULE m_hPlugin = nullptr;
  CDTImage m_Document;
  CDTImage* m_pPrevious = nullptr;
  GetTransitionCountFn m_pfnGetTransitionCount = nullptr;
  CreateTransitionFn m_pfnCreateTransition = nullptr;
  DeleteTransitionFn m_pfnDeleteTransition = nullptr;
  int m_nTransitionCount = 0;
  CTransition* m_pTransition = nullptr;
  int m_nNextTransition = 0;
  DWORD m_dwClock = 0;
  DWORD m_dwFrameStep = 33;
  volatile LONG m_bRun = 0;
  DWORD m_dwWaitTime = INFINITE;
  int m_nNextSlide = 0;
  int m_nProgressStep = 7;
  volatile LONG m_bAttached = 0;
  CVidmill* m_pRecorder = nullptr;

 protected:
  // The folder that holds the plug-in: the program folder.
  virtual std::wstring PluginFolder();
  // Seeds the choice of the first transition.
  virtual DWORD RandomSeed();

 private:
  static DWORD WINAPI ThreadProc(void* param);
  void SendCommand(int command);
  // Waits while a wait is armed (until a command wakes it or the wait time
  // passes), then reads the command.
  int NextCommand();
  void PreviewLoop();
  void BurnLoop();
  // Acts on SLIDE_STOP, SLIDE_PAUSE and SLIDE_NEXT; false when the loop ends.
  bool HeadCommand(int command, bool preview);
  void PreviewFrame();
  bool BurnFrame();
  BOOL NextSlide();
  void Upload(const ZEvuvoro::CImage& picture);
  // Steps 2 to 4 of the show's end; each finds its part already released.
  void ReleaseShow();
  void DeleteTransition();
  void FinishRecorder(bool showFile);
  void ThreadEnd();
  // Waits for the event (or the worker's end) while dispatching messages.
  void PumpWait(HANDLE event);
};
