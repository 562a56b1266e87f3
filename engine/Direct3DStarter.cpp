#include "engine/Direct3DStarter.h"

namespace {

using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT);

}  // namespace

CDirect3DStarter::~CDirect3DStarter() {
  Wait();
  // The object goes before the library that holds its code.
  m_d3d.Release();
  m_library.Close();
}

bool CDirect3DStarter::Start() {
  if (m_thread) return false;
  m_thread.Attach(::CreateThread(nullptr, 0, Work, this, 0, nullptr));
  return static_cast<bool>(m_thread);
}

bool CDirect3DStarter::Take(HMODULE* library, IDirect3D9** d3d) {
  if (!m_thread) return false;
  Wait();
  m_thread.Close();
  *library = m_library.Detach();
  *d3d = m_d3d.Detach();
  return true;
}

void CDirect3DStarter::Wait() {
  if (m_thread) ::WaitForSingleObject(m_thread, INFINITE);
}

DWORD WINAPI CDirect3DStarter::Work(void* self) {
  auto* starter = static_cast<CDirect3DStarter*>(self);
  starter->m_library.Attach(::LoadLibraryW(L"d3d9.dll"));
  if (!starter->m_library) return 1;
  auto create = reinterpret_cast<Direct3DCreate9Function>(
      reinterpret_cast<void*>(::GetProcAddress(starter->m_library, "Direct3DCreate9")));
  if (create) starter->m_d3d.Attach(create(D3D_SDK_VERSION));
  return starter->m_d3d ? 0 : 1;
}
