// The opened projects in strip order, and the live project whose document
// shows the cameras. Every access to the list is serialised; calls that send
// window messages (detaching, uploading, showing) run outside the lock.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

#include "capture/Project.h"

class CDTImage;
class CDirectUI;

class CProjectManager {
 public:
  // A listed project kept alive while a thread fills it; a Remove meanwhile
  // takes it off the list and the last release closes and deletes it.
  class CHold {
   public:
    CHold() = default;
    CHold(CProjectManager* manager, CProject* project) : m_pManager(manager), m_pProject(project) {}
    CHold(CHold&& other) noexcept : m_pManager(other.m_pManager), m_pProject(other.m_pProject) {
      other.m_pProject = nullptr;
    }
    CHold& operator=(CHold&& other) noexcept;
    CHold(const CHold&) = delete;
    CHold& operator=(const CHold&) = delete;
    ~CHold() { Release(); }
    void Release();
    CProject* Get() const { return m_pProject; }
    CProject* operator->() const { return m_pProject; }
    explicit operator bool() const { return m_pProject != nullptr; }

   private:
    CProjectManager* m_pManager = nullptr;
    CProject* m_pProject = nullptr;
  };

  CProjectManager();
  virtual ~CProjectManager();
  CProjectManager(const CProjectManager&) = delete;
  CProjectManager& operator=(const CProjectManager&) = delete;

  // The listed project of that path, unchanged, or a new one with a fresh
  // document appended; null when the new project refused its document.
  CProject* OpenImage(const wchar_t* path);
  CProject* OpenVideo(const wchar_t* path);
  // The same, held for a thread that fills the project. created tells a new
  // project from a listed one.
  CHold OpenImageHeld(const wchar_t* path, bool* created = nullptr);
  CHold OpenVideoHeld(const wchar_t* path, bool* created = nullptr);
  // The first listed project whose path has the same length and matches
  // without regard to case; never the live project.
  CProject* Find(const wchar_t* path);
  CHold FindHeld(const wchar_t* path);
  // Holds a project while it is listed; an empty hold otherwise.
  CHold Hold(CProject* project);
  void Remove(CProject* project);
  void RemoveAll();
  // RemoveAll, then the live project's document goes too.
  void CloseAll();
  // Puts moved directly before target; 0 unless both are listed and differ.
  int MoveBefore(CProject* target, CProject* moved);

  int GetCount() const;
  // The listed projects in order, under the list lock: visit must send no
  // window message (hold the projects it needs and act after).
  void ForEachProject(const std::function<void(CProject*)>& visit) const;
  // The paths of the listed projects in order (closed ones give empty texts).
  std::vector<std::wstring> CopyPaths() const;

  CDTImage* GetLiveDocument() const { return m_LiveProject.m_pDocument; }
  // The canvas the host set, or the program's canvas until it does.
  CDirectUI* GetCanvas() const;

  CDirectUI* m_pCanvas = nullptr;
  std::vector<CProject*> m_projects;
  CProject m_LiveProject;

 private:
  CHold Open(const wchar_t* path, bool video, bool hold, bool* created);
  void ReleaseHold(CProject* project);
  // The closing steps and the delete, outside the lock.
  static void Destroy(CProject* project);

  mutable std::mutex m_lock;
};

// The one manager of the main frame.
extern CProjectManager* g_pProjectManager;
