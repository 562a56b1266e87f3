#pragma once
// A sound capture filter for tests: named input pins, each with or without an
// input mixer, and one output pin.
#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

struct FakeAudioInput {
  std::wstring name;
  bool hasMixer = true;
  double level = 0.5;
};

// A new filter with one reference.
IBaseFilter* CreateFakeAudioFilter(const std::vector<FakeAudioInput>& inputs);
