// The recorder writes files that check_recordings.py then reads with ffprobe,
// ffmpeg and a RIFF walk of its own; recordings.jsonl tells it what each file
// was made from.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include <cmath>
#include <mmsystem.h>

#include "tests/vendor/frame_pattern.h"
#include "tests/vendor/test_source.h"
#include "vendor/vidmill/Vidmill.h"

namespace {

struct Pushed {
  int number;
  DWORD stamp;
};

struct RecordingCase {
  const char* name;
  int format;
  int quality;
  int width, height;
  bool direct;
  bool clip;
  RECT clipRect;
  bool slideShow;
  std::vector<Pushed> frames;
};

std::vector<Pushed> Regular(int count, DWORD step, DWORD first = 5000) {
  std::vector<Pushed> v;
  for (int i = 0; i < count; ++i) v.push_back({i, first + DWORD(i) * step});
  return v;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool FileExists(const std::string& name) { return ::GetFileAttributesW(Wide(name).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Tells the checker what a file was made from.
void Describe(const RecordingCase& c, const std::string& file, int tone = 0, const char* extra = "") {
  FILE* f = std::fopen("recordings.jsonl", "a");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "{\"file\": \"%s\", \"codec\": \"%s\", \"width\": %d, \"height\": %d, ", file.c_str(),
               c.format == VIDMILL_FORMAT_MJPEG ? "mjpeg" : "rawvideo", c.width, c.height);
  if (c.clip)
    std::fprintf(f, "\"clip\": [%ld, %ld, %ld, %ld], ", c.clipRect.left, c.clipRect.top, c.clipRect.right,
                 c.clipRect.bottom);
  if (tone) std::fprintf(f, "\"tone\": %d, ", tone);
  std::fprintf(f, "%s", extra);
  std::fprintf(f, "\"frames\": [");
  for (size_t i = 0; i < c.frames.size(); ++i)
    std::fprintf(f, "%s[%d, %lu]", i ? ", " : "", c.frames[i].number, c.frames[i].stamp);
  std::fprintf(f, "]}\n");
  std::fclose(f);
}

// Stands in for the encoding dialog: remembers what the library said.
class CObserver : public CVidmillObserver {
 public:
  CObserver()
      : m_Finished(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        m_Progressed(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~CObserver() {
    ::CloseHandle(m_Finished);
    ::CloseHandle(m_Progressed);
  }
  void OnState(int, int state) override {
    ++m_Calls;
    std::lock_guard<std::mutex> hold(m_Mutex);
    m_States.push_back(state);
    if (state == VIDMILL_STATE_DONE || state == VIDMILL_STATE_FAILED) ::SetEvent(m_Finished);
  }
  void OnProgress(int percent) override {
    ++m_Calls;
    std::lock_guard<std::mutex> hold(m_Mutex);
    m_Progress.push_back(percent);
    if (percent > 0) ::SetEvent(m_Progressed);
  }
  std::vector<int> States() {
    std::lock_guard<std::mutex> hold(m_Mutex);
    return m_States;
  }
  std::vector<int> Progress() {
    std::lock_guard<std::mutex> hold(m_Mutex);
    return m_Progress;
  }
  HANDLE m_Finished, m_Progressed;
  std::atomic<int> m_Calls{0};

 private:
  std::mutex m_Mutex;
  std::vector<int> m_States, m_Progress;
};

void Record(CVidmill* recorder, const RecordingCase& c, std::vector<BYTE>& frame) {
  const ptrdiff_t stride = ptrdiff_t(c.width) * 4;
  for (const Pushed& p : c.frames) {
    PaintFrame(frame.data(), c.width, c.height, stride, p.number, c.slideShow);
    ASSERT_EQ(recorder->WriteFrame(frame.data(), int(stride), p.stamp, 0), 1) << "frame " << p.number;
  }
}

// Runs one case the way the program does and leaves its file for the checker.
void Produce(const RecordingCase& c) {
  SCOPED_TRACE(c.name);
  const std::string file = std::string(c.name) + ".avi";
  ::DeleteFileW(Wide(file).c_str());
  std::vector<BYTE> frame(size_t(c.width) * c.height * 4);
  CVidmill* recorder = CreateVidmill();
  ASSERT_NE(recorder, nullptr);
  if (c.direct) {
    recorder->SetDestinationFileName(Wide(file).c_str());
    if (c.clip) recorder->SetClipRect(1, &c.clipRect);
  }
  recorder->m_DirectFile = c.direct ? 1 : 0;
  recorder->m_Reserved = 0;
  recorder->SetDuration(60000);
  recorder->SetFontFace(L"Arial");
  recorder->SetInputMediaFormat(c.width, c.height, 32);
  recorder->SetQuality(c.quality);
  recorder->SetFormat(c.format);
  recorder->m_SlideShow = c.slideShow ? 1 : 0;
  ASSERT_EQ(recorder->Start(), 1);
  Record(recorder, c, frame);
  if (c.direct) {
    EXPECT_EQ(recorder->Stop(), 1);
  } else {
    CObserver observer;
    recorder->SetDestinationFileName(Wide(file).c_str());
    if (c.clip) recorder->SetClipRect(1, &c.clipRect);
    recorder->m_Observer = &observer;
    ASSERT_NE(recorder->Encode(), 0);
    ASSERT_EQ(::WaitForSingleObject(observer.m_Finished, 60000), WAIT_OBJECT_0);
    recorder->m_Observer = nullptr;
    EXPECT_EQ(recorder->Stop(), 1);
    const std::vector<int> states = observer.States();
    const std::vector<int> progress = observer.Progress();
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back(), VIDMILL_STATE_DONE);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]);
  }
  EXPECT_EQ(recorder->Stop(), 1) << "a second Stop changes nothing";
  DeleteVidmill(recorder);
  ASSERT_TRUE(FileExists(file));
  Describe(c, file);
}

class RecorderFiles : public ::testing::TestWithParam<RecordingCase> {};

TEST_P(RecorderFiles, WritesWhatWasRecorded) { Produce(GetParam()); }

std::vector<Pushed> WithGaps() {
  // 25 frames a second, then frames 10 and 11 missing, then a late one.
  std::vector<Pushed> v = Regular(10, 40);
  for (int i = 12; i < 20; ++i) v.push_back({i, 5000 + DWORD(i) * 40});
  v.push_back({20, 5000 + 20 * 40 + 3});
  v.push_back({21, 5000 + 20 * 40 + 10});  // lands on frame 20's place: dropped
  for (int i = 22; i < 30; ++i) v.push_back({i, 5000 + DWORD(i) * 40});
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecorderFiles,
    ::testing::Values(
        RecordingCase{"bitmap_direct", VIDMILL_FORMAT_BITMAP, 0, 320, 240, true, false, {}, false, Regular(40, 40)},
        RecordingCase{"mjpeg_direct", VIDMILL_FORMAT_MJPEG, 2, 320, 240, true, false, {}, false, Regular(40, 33)},
        RecordingCase{"bitmap_buffered", VIDMILL_FORMAT_BITMAP, 0, 322, 200, false, false, {}, false, Regular(30, 50)},
        RecordingCase{"mjpeg_buffered", VIDMILL_FORMAT_MJPEG, 0, 640, 480, false, false, {}, false, Regular(30, 20)},
        RecordingCase{
            "clip_direct", VIDMILL_FORMAT_BITMAP, 0, 320, 240, true, true, {30, 40, 190, 160}, false, Regular(20, 40)},
        RecordingCase{"clip_buffered",
                      VIDMILL_FORMAT_BITMAP,
                      0,
                      320,
                      240,
                      false,
                      true,
                      {-20, 100, 150, 400},
                      false,
                      Regular(20, 40)},
        RecordingCase{"slide_show", VIDMILL_FORMAT_BITMAP, 1, 320, 240, true, false, {}, true, Regular(20, 33, 0)},
        RecordingCase{"gaps", VIDMILL_FORMAT_BITMAP, 0, 160, 128, true, false, {}, false, WithGaps()}),
    [](const ::testing::TestParamInfo<RecordingCase>& info) { return std::string(info.param.name); });

TEST(Recorder, RefusesFramesOutsideARecording) {
  std::vector<BYTE> frame(64 * 48 * 4);
  CVidmill* recorder = CreateVidmill();
  EXPECT_EQ(recorder->WriteFrame(frame.data(), 64 * 4, 0, 0), 0) << "before Start";
  EXPECT_EQ(recorder->Start(), 0) << "no input format";
  recorder->SetInputMediaFormat(64, 48, 32);
  EXPECT_EQ(recorder->Start(), 0) << "direct without a destination";
  recorder->SetDestinationFileName(L"no such folder\\file.avi");
  EXPECT_EQ(recorder->Start(), 0) << "a destination that cannot be created";
  EXPECT_EQ(recorder->Stop(), 0);
  EXPECT_EQ(recorder->Stop(), 0);
  EXPECT_EQ(recorder->WriteFrame(frame.data(), 64 * 4, 0, 0), 0) << "after Stop";
  EXPECT_EQ(recorder->Encode(), 0);
  DeleteVidmill(recorder);
}

TEST(Recorder, BufferedKeepsAtMostTheDuration) {
  std::vector<BYTE> frame(64 * 48 * 4);
  CVidmill* recorder = CreateVidmill();
  recorder->m_DirectFile = 0;
  recorder->SetDuration(2000);
  EXPECT_EQ(recorder->GetDuration(), 2000);
  recorder->SetInputMediaFormat(64, 48, 32);
  ASSERT_EQ(recorder->Start(), 1);
  int taken = 0;
  for (int i = 0; i < 100; ++i) taken += recorder->WriteFrame(frame.data(), 64 * 4, 1000 + 40 * DWORD(i), 0);
  EXPECT_EQ(taken, 51) << "frames at 0, 40, ..., 2000 ms";
  EXPECT_EQ(recorder->Stop(), 0) << "nothing was encoded";
  DeleteVidmill(recorder);
}

// A recording that ends without a frame leaves a file of that name as it was.
TEST(Recorder, EmptyRecordingLeavesTheOldFile) {
  const wchar_t* name = L"keep_me.avi";
  HANDLE f = ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD put = 0;
  ::WriteFile(f, "old", 3, &put, nullptr);
  ::CloseHandle(f);
  CVidmill* recorder = CreateVidmill();
  recorder->SetDestinationFileName(name);
  recorder->SetInputMediaFormat(64, 48, 32);
  ASSERT_EQ(recorder->Start(), 1);
  EXPECT_EQ(recorder->Stop(), 0);
  DeleteVidmill(recorder);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(::GetFileAttributesExW(name, GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_EQ(::GetFileAttributesW(L"keep_me.avi.part"), INVALID_FILE_ATTRIBUTES);
}

// Cancelling an encoding: Stop aborts it, reports that no file was made,
// leaves none, and no observer call comes after it returns, even with the
// observer still set.
TEST(Recorder, CancelledEncodingIsNotDone) {
  const int w = 640, h = 480;
  std::vector<BYTE> frame(size_t(w) * h * 4);
  CVidmill* recorder = CreateVidmill();
  recorder->m_DirectFile = 0;
  recorder->SetInputMediaFormat(w, h, 32);
  recorder->SetFormat(VIDMILL_FORMAT_MJPEG);
  ASSERT_EQ(recorder->Start(), 1);
  for (int i = 0; i < 400; ++i) {
    PaintFrame(frame.data(), w, h, w * 4, i, false);
    ASSERT_EQ(recorder->WriteFrame(frame.data(), w * 4, DWORD(i) * 40, 0), 1);
  }
  ::DeleteFileW(L"cancelled.avi");
  recorder->SetDestinationFileName(L"cancelled.avi");
  CObserver observer;
  recorder->m_Observer = &observer;
  ASSERT_NE(recorder->Encode(), 0);
  ASSERT_EQ(::WaitForSingleObject(observer.m_Progressed, 30000), WAIT_OBJECT_0);
  EXPECT_EQ(recorder->Stop(), 0);
  const int calls = observer.m_Calls;
  ::Sleep(200);
  EXPECT_EQ(observer.m_Calls, calls) << "an observer call after Stop";
  for (int s : observer.States()) EXPECT_NE(s, VIDMILL_STATE_DONE);
  for (int p : observer.Progress()) EXPECT_LT(p, 100);
  EXPECT_EQ(::GetFileAttributesW(L"cancelled.avi"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesW(L"cancelled.avi.part"), INVALID_FILE_ATTRIBUTES);
  DeleteVidmill(recorder);
  // The spool in the temporary folder went with the recorder.
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  ASSERT_GT(n, 0u);
  const std::wstring pattern = std::wstring(folder, n) + L"vdm*.tmp";
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left in the temporary folder";
  if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
}

// Past 2 GiB the file needs its OpenDML index: frames pushed unpaced into an
// uncompressed recording of about 2.2 GB, which the checker plays to its last
// frame (by seeking there) and then deletes.
TEST(RecorderLarge, PlaysPastTwoGiB) {
  RecordingCase c{"large", VIDMILL_FORMAT_BITMAP, 0, 1280, 720, true, false, {}, false, Regular(800, 40)};
  const std::string file = std::string(c.name) + ".avi";
  ::DeleteFileW(Wide(file).c_str());
  std::vector<BYTE> frame(size_t(c.width) * c.height * 4);
  CVidmill* recorder = CreateVidmill();
  recorder->SetDestinationFileName(Wide(file).c_str());
  recorder->SetInputMediaFormat(c.width, c.height, 32);
  ASSERT_EQ(recorder->Start(), 1);
  Record(recorder, c, frame);
  EXPECT_EQ(recorder->Stop(), 1);
  DeleteVidmill(recorder);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(::GetFileAttributesExW(Wide(file).c_str(), GetFileExInfoStandard, &data));
  EXPECT_GT((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow, uint64_t(2) << 30);
  Describe(c, file, 0, "\"last_only\": true, \"delete\": true, ");
}

// The encoding dialog's observer updates its controls with messages sent to
// the main thread, which may be inside Stop at that moment: Stop must serve
// them while it waits for the encoder.
class CSendingObserver : public CVidmillObserver {
 public:
  void OnState(int, int) override {}
  void OnProgress(int) override {
    ::SetEvent(m_Progressed);
    ::SendMessageW(m_Window, WM_USER, 0, 0);
  }
  HWND m_Window = nullptr;
  HANDLE m_Progressed = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

TEST(Recorder, StopServesMessagesSentByTheObserver) {
  const int w = 640, h = 480;
  std::vector<BYTE> frame(size_t(w) * h * 4);
  CVidmill* recorder = CreateVidmill();
  recorder->m_DirectFile = 0;
  recorder->SetInputMediaFormat(w, h, 32);
  recorder->SetFormat(VIDMILL_FORMAT_MJPEG);
  ASSERT_EQ(recorder->Start(), 1);
  for (int i = 0; i < 200; ++i) {
    PaintFrame(frame.data(), w, h, w * 4, i, false);
    ASSERT_EQ(recorder->WriteFrame(frame.data(), w * 4, DWORD(i) * 40, 0), 1);
  }
  recorder->SetDestinationFileName(L"sent.avi");
  CSendingObserver observer;
  observer.m_Window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(observer.m_Window, nullptr);
  recorder->m_Observer = &observer;
  ASSERT_NE(recorder->Encode(), 0);
  // The encoder is now waiting in SendMessage for this thread, or about to.
  ASSERT_EQ(::WaitForSingleObject(observer.m_Progressed, 30000), WAIT_OBJECT_0);
  EXPECT_EQ(recorder->Stop(), 0);  // would hang if it did not serve the message
  DeleteVidmill(recorder);
  ::DestroyWindow(observer.m_Window);
  ::CloseHandle(observer.m_Progressed);
  EXPECT_EQ(::GetFileAttributesW(L"sent.avi"), INVALID_FILE_ATTRIBUTES);
}

// A sound card stand-in: 44.1 kHz 16-bit mono sine in 20 ms buffers, with
// a line input whose mixer remembers being enabled.
class SoundRecording : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override { ::CoUninitialize(); }
};

TEST_P(SoundRecording, HasTheToneForTheWholePicture) {
  const bool direct = GetParam();
  const int tone = 1000, rate = 44100;
  WAVEFORMATEX wf = {WAVE_FORMAT_PCM, 1, DWORD(rate), DWORD(rate) * 2, 2, 16, 0};
  AM_MEDIA_TYPE mt = {};
  mt.majortype = MEDIATYPE_Audio;
  mt.subtype = MEDIASUBTYPE_PCM;
  mt.bFixedSizeSamples = TRUE;
  mt.lSampleSize = 2;
  mt.formattype = FORMAT_WaveFormatEx;
  mt.cbFormat = sizeof wf;
  mt.pbFormat = reinterpret_cast<BYTE*>(&wf);
  CTestSource* source = new CTestSource(mt, rate / 50 * 2, true);
  long phase = 0;
  source->SetGenerator(
      [&phase](BYTE* data, long capacity) {
        auto* s = reinterpret_cast<short*>(data);
        for (long i = 0; i < capacity / 2; ++i, ++phase)
          s[i] = short(12000 * std::sin(2 * 3.14159265358979 * tone * double(phase) / rate));
        return capacity;
      },
      20);
  RecordingCase c{
      direct ? "sound_direct" : "sound_buffered", VIDMILL_FORMAT_MJPEG, 1, 320, 240, direct, false, {}, false, {}};
  const std::string file = std::string(c.name) + ".avi";
  ::DeleteFileW(Wide(file).c_str());
  CVidmill* recorder = CreateVidmill();
  if (direct) recorder->SetDestinationFileName(Wide(file).c_str());
  recorder->m_DirectFile = direct;
  recorder->SetInputMediaFormat(c.width, c.height, 32);
  recorder->SetFormat(c.format);
  recorder->SetQuality(c.quality);
  recorder->m_AudioEnabled = 1;
  recorder->SetAudioSource(source, source->MixerPin());
  ASSERT_EQ(recorder->Start(), 1);
  EXPECT_TRUE(source->MixerEnabled()) << "the chosen input is switched on";
  std::vector<BYTE> frame(size_t(c.width) * c.height * 4);
  // Frames paced on the clock, as a camera delivers them.
  const DWORD first = ::timeGetTime();
  for (int i = 0; i < 50; ++i) {
    const DWORD due = first + DWORD(i) * 40;
    const LONG wait = LONG(due - ::timeGetTime());
    if (wait > 0) ::Sleep(DWORD(wait));
    PaintFrame(frame.data(), c.width, c.height, c.width * 4, i, false);
    ASSERT_EQ(recorder->WriteFrame(frame.data(), c.width * 4, due, 0), 1);
    c.frames.push_back({i, due});
  }
  if (!direct) {
    recorder->SetDestinationFileName(Wide(file).c_str());
    CObserver observer;
    recorder->m_Observer = &observer;
    ASSERT_NE(recorder->Encode(), 0);
    ASSERT_EQ(::WaitForSingleObject(observer.m_Finished, 60000), WAIT_OBJECT_0);
    recorder->m_Observer = nullptr;
  }
  EXPECT_EQ(recorder->Stop(), 1);
  DeleteVidmill(recorder);
  source->Release();
  Describe(c, file, tone);
}

INSTANTIATE_TEST_SUITE_P(Modes, SoundRecording, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "direct" : "buffered");
                         });

}  // namespace
