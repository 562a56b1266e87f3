// The program entry: COM, common controls, settings, the skin, then the main
// frame and its message loop.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/Program.h"
#include "app/StartupTimes.h"
#include "settings/Configuration.h"
#include "toolkit/SkinUi.h"

int Run(const wchar_t* /*commandLine*/, int showCommand) {
  win32::CMessageLoop loop;
  g_AppModule.AddMessageLoop(&loop);
  auto frame = std::make_unique<CMainFrame>();
  int result = 0;
  if (frame->CreateFrame()) {
    frame->ShowWindow(g_Config.m_MaxiMized ? SW_MAXIMIZE : showCommand);
    result = loop.Run();
  }
  g_AppModule.RemoveMessageLoop();
  frame.reset();
  return result;
}

std::wstring SkinPackagePath(const std::wstring& programFolder) {
  std::wstring path = programFolder;
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path + L"\\velin.dll";
}

int ProgramMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
  MarkStartup(StartupEntry);
  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  g_AppModule.Init(instance);
  g_Config.Load(instance);
  const std::wstring package = SkinPackagePath(g_Config.CopyAppDir());
  try {
    InitSkinUi(package.c_str(), static_cast<LANGID>(g_Config.m_Language));
  } catch (const AvlfException& e) {
    ::MessageBoxW(nullptr, e.Text(), nullptr, MB_ICONERROR);
    return -1;
  }
  MarkStartup(StartupSkinDone);
  const int result = Run(commandLine, showCommand);
  ExitSkinUi();
  g_AppModule.Term();
  ::CoUninitialize();
  return result;
}
