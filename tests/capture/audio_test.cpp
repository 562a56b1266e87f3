// Sound capture devices, their inputs, the microphone search through the
// mixer calls and the restored selection.
#include <windows.h>
#include <dshow.h>
#include <mmsystem.h>

#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/AudioFactory.h"
#include "settings/Configuration.h"
#include "tests/capture/fakes/FakeAudioFilter.h"

namespace {

// Mixers as the test describes them: a product name and, per wave-in
// destination, its source lines.
struct FakeLine {
  std::wstring name;
  DWORD type;
};
struct FakeMixer {
  std::wstring product;
  bool opens = true;
  std::vector<std::vector<FakeLine>> waveInDestinations;
  bool speakersFirst = true;  // a destination of another kind before the wave-in ones
};

class FakeMixerCalls : public CMixerCalls {
 public:
  std::vector<FakeMixer> mixers;
  int open = 0;
  UINT GetNumDevs() override { return static_cast<UINT>(mixers.size()); }
  MMRESULT Open(HMIXER* mixer, UINT id) override {
    if (id >= mixers.size() || !mixers[id].opens) return MMSYSERR_BADDEVICEID;
    *mixer = reinterpret_cast<HMIXER>(static_cast<UINT_PTR>(id + 1));
    ++open;
    return MMSYSERR_NOERROR;
  }
  MMRESULT GetDevCaps(UINT id, MIXERCAPSW* caps) override {
    memset(caps, 0, sizeof(*caps));
    wcsncpy(caps->szPname, mixers[id].product.c_str(), MAXPNAMELEN - 1);  // 31 characters at most
    caps->cDestinations = static_cast<DWORD>(Destinations(id).size());
    return MMSYSERR_NOERROR;
  }
  MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags) override {
    const UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(mixer) - 1);
    const auto destinations = Destinations(id);
    if (line->dwDestination >= destinations.size()) return MIXERR_INVALLINE;
    const auto& dest = destinations[line->dwDestination];
    if ((flags & 0xF) == MIXER_GETLINEINFOF_DESTINATION) {
      line->dwComponentType = dest.first;
      line->cConnections = static_cast<DWORD>(dest.second.size());
      return MMSYSERR_NOERROR;
    }
    if (line->dwSource >= dest.second.size()) return MIXERR_INVALLINE;
    line->dwComponentType = dest.second[line->dwSource].type;
    wcsncpy(line->szName, dest.second[line->dwSource].name.c_str(), MIXER_LONG_NAME_CHARS - 1);
    return MMSYSERR_NOERROR;
  }
  MMRESULT Close(HMIXER) override {
    --open;
    return MMSYSERR_NOERROR;
  }

 private:
  std::vector<std::pair<DWORD, std::vector<FakeLine>>> Destinations(UINT id) {
    std::vector<std::pair<DWORD, std::vector<FakeLine>>> out;
    if (mixers[id].speakersFirst)
      out.push_back({MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, {{L"Microphone", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE}}});
    for (const auto& lines : mixers[id].waveInDestinations) out.push_back({MIXERLINE_COMPONENTTYPE_DST_WAVEIN, lines});
    return out;
  }
};

const DWORD kMic = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
const DWORD kLine = MIXERLINE_COMPONENTTYPE_SRC_LINE;

TEST(MicrophoneLine, FoundOnTheMixerOfTheDevicesName) {
  struct Case {
    const char* what;
    std::vector<FakeMixer> mixers;
    std::wstring device;
    std::wstring line;
  };
  const std::wstring longName = L"A Very Long Sound Card Name Of 40 Chars!";
  const std::vector<Case> cases = {
      {"name matched ignoring case",
       {{L"USB Audio", true, {{{L"Line In", kLine}, {L"Mic Boost", kMic}}}}},
       L"usb audio",
       L"Mic Boost"},
      {"other names skipped",
       {{L"Other", true, {{{L"Mic", kMic}}}}, {L"Card", true, {{{L"Front Mic", kMic}}}}},
       L"Card",
       L"Front Mic"},
      {"a mixer that does not open is skipped",
       {{L"Card", false, {{{L"Mic", kMic}}}}, {L"Card", true, {{{L"Mic 2", kMic}}}}},
       L"Card",
       L"Mic 2"},
      {"no microphone source", {{L"Card", true, {{{L"Line In", kLine}}}}}, L"Card", L""},
      {"a longer name than a mixer holds never matches", {{longName, true, {{{L"Mic", kMic}}}}}, longName, L""},
      {"no mixer", {}, L"Card", L""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    FakeMixerCalls calls;
    calls.mixers = test.mixers;
    EXPECT_EQ(FindMicrophoneLine(calls, test.device), test.line);
    EXPECT_EQ(calls.open, 0);  // every opened mixer closed again
  }
}

class TestAudioFactory : public COrvelAudioFactory {
 public:
  struct Device {
    std::wstring name;
    std::vector<FakeAudioInput> inputs;
    std::wstring line;
  };
  std::vector<Device> devices;

 protected:
  void ListDevices() override {
    for (const Device& device : devices) {
      IBaseFilter* filter = CreateFakeAudioFilter(device.inputs);
      AddDevice(new CAudioDevice(device.name.c_str(), filter), device.line.c_str());
      filter->Release();
    }
  }
};

TEST(AudioInputs, SelectionRestoredOrRewritten) {
  const std::vector<FakeAudioInput> inputs = {{L"Line", true}, {L"Rear Microphone", true}, {L"CD", false}};
  struct Case {
    const char* what;
    int devices;
    DWORD storedDevice, storedInput;
    int selectedDevice;
    int selectedInput;  // of the selected device
    DWORD savedDevice, savedInput;
  };
  const Case cases[] = {
      {"defaults: first device, its microphone input", 2, 0, 999, 0, 1, 0, 1},
      {"stored device and input kept", 2, 1, 2, 1, 2, 1, 2},
      {"device 5 of two: device 0 and the setting rewritten", 2, 5, 0, 0, 0, 0, 0},
      {"no device: none selected, setting -1", 0, 0, 999, -1, -1, static_cast<DWORD>(-1), 999},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    TestAudioFactory factory;
    for (int i = 0; i < test.devices; ++i)
      factory.devices.push_back({L"Card " + std::to_wstring(i), inputs, L"microphone"});
    g_Config.m_AudioDevice = test.storedDevice;
    g_Config.m_AudioInput = test.storedInput;
    EXPECT_EQ(factory.EnumerateDevices(), test.devices);
    EXPECT_EQ(factory.GetSelectedDevice(), test.selectedDevice);
    if (test.selectedDevice >= 0) {
      EXPECT_EQ(factory.GetDevices()[test.selectedDevice]->GetSelectedInput(), test.selectedInput);
    }
    EXPECT_EQ(g_Config.m_AudioDevice, test.savedDevice);
    EXPECT_EQ(g_Config.m_AudioInput, test.savedInput);
  }
}

TEST(AudioInputs, InputsLevelsAndSelection) {
  TestAudioFactory factory;
  factory.devices.push_back({L"Card", {{L"Line", true, 0.25}, {L"CD", false, 0.5}}, L""});
  factory.devices.push_back({L"Other", {}, L""});
  g_Config.m_AudioDevice = 0;
  g_Config.m_AudioInput = 999;
  ASSERT_EQ(factory.EnumerateDevices(), 2);
  CAudioDevice* device = factory.GetDevices()[0];
  ASSERT_EQ(device->GetInputs().size(), 2u);  // the output pin is not an input
  EXPECT_EQ(device->GetSelectedInput(), 0);   // no line name: the first input
  CAudioInput* line = device->GetInputs()[0];
  CAudioInput* cd = device->GetInputs()[1];
  EXPECT_EQ(line->GetName(), L"Line");
  EXPECT_EQ(cd->GetIndex(), 1);
  EXPECT_DOUBLE_EQ(line->GetMixLevel(), 0.25);  // read from the mixer
  EXPECT_DOUBLE_EQ(cd->GetMixLevel(), 1.0);     // no mixer: the stored level
  line->SetMixLevel(0.75);
  EXPECT_DOUBLE_EQ(line->GetMixLevel(), 0.75);
  cd->SetMixLevel(0.3);
  EXPECT_DOUBLE_EQ(cd->GetMixLevel(), 0.3);
  EXPECT_EQ(device->SelectInput(cd), 2);
  EXPECT_EQ(device->GetSelectedInput(), 1);
  EXPECT_EQ(g_Config.m_AudioInput, 1u);
  EXPECT_EQ(factory.GetDevices()[1]->GetSelectedInput(), -1);
  for (int index : {-1, 2}) {
    factory.SelectDevice(index);
    EXPECT_EQ(factory.GetSelectedDevice(), 0);
  }
  factory.SelectDevice(1);
  EXPECT_EQ(factory.GetSelectedDevice(), 1);
  EXPECT_EQ(g_Config.m_AudioDevice, 1u);
  factory.ReleaseDevices();
  EXPECT_TRUE(factory.GetDevices().empty());
  EXPECT_EQ(factory.GetSelectedDevice(), -1);
  g_Config.m_AudioDevice = 0;
  g_Config.m_AudioInput = 999;
}

}  // namespace
