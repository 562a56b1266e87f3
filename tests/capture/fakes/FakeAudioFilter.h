#pragma once
// A sound capture filter for tests: named input pins, each with or without an
// input mixer, and one output pin. While the filter runs, the output sends
// 16-bit mono PCM at 44.1 kHz in 20 ms buffers: the sum of the tones of the
// inputs that are switched on (put_Enable), silence when none is.
#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

struct FakeAudioInput {
  std::wstring name;
  bool hasMixer = true;
  double level = 0.5;
  double toneHz = 0;  // what this input hears
};

// A new filter with one reference.
IBaseFilter* CreateFakeAudioFilter(const std::vector<FakeAudioInput>& inputs);
