// Makes the Direct3D object on a worker thread. Its first creation is slow
// under some drivers (the runtime probes the adapter with a context of its
// own) and nothing needs it before the canvas makes its device, so it can be
// made while the windows are built and handed to the canvas then.
#pragma once

#include <windows.h>

#include <d3d9.h>

#include "win32/ComPtr.h"
#include "win32/Handle.h"

class CDirect3DStarter {
 public:
  CDirect3DStarter() = default;
  // Waits for the worker; what no canvas took is released.
  ~CDirect3DStarter();
  CDirect3DStarter(const CDirect3DStarter&) = delete;
  CDirect3DStarter& operator=(const CDirect3DStarter&) = delete;

  // Loads d3d9.dll and creates the Direct3D object on a worker; a second
  // call while one is started does nothing. False when no worker started.
  bool Start();
  // Waits for the worker and hands over the library (one reference, the
  // caller's to keep) and the object, either null when it failed. False when
  // nothing was started or it was taken already.
  bool Take(HMODULE* library, IDirect3D9** d3d);

 private:
  static DWORD WINAPI Work(void* self);
  void Wait();

  win32::CHandle m_thread;
  win32::CLibrary m_library;
  win32::CComPtr<IDirect3D9> m_d3d;
};
