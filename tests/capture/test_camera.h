#pragma once
// A camera without a device: its graph operations succeed or fail as a test
// sets them, and its frame size is what the test gives.
#include <atomic>

#include "capture/Camera.h"

class TestCamera : public COrvelCamera {
 public:
  TestCamera(const wchar_t* name, int width, int height) : m_nGraphWidth(width), m_nGraphHeight(height) {
    SetName(name);
    SetDevicePath((std::wstring(L"\\\\?\\fake#") + name).c_str());
  }
  int EnumerateFormats() override { return m_bOpenFails ? 0 : 1; }
  int BuildGraph() override {
    if (m_bConnectFails) return 0;
    m_nWidth = m_nGraphWidth;
    m_nHeight = m_nGraphHeight;
    return 1;
  }
  int RunGraph() override {
    ++m_nRuns;
    return m_bRunFails ? 0 : 1;
  }
  int StopGraph() override {
    ++m_nStops;
    return 1;
  }
  int LoadConfig(int index) override {
    m_nLoadedIndex = index;
    return 1;
  }
  int SaveConfig(int index) override {
    m_nSavedIndex = index;
    return 1;
  }

  int m_nGraphWidth;
  int m_nGraphHeight;
  bool m_bOpenFails = false;
  bool m_bConnectFails = false;
  bool m_bRunFails = false;
  int m_nRuns = 0;
  int m_nStops = 0;
  int m_nLoadedIndex = -1;
  int m_nSavedIndex = -1;
};
