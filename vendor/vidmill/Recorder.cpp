// The recorder: frames and sound into an AVI file.
#include "vendor/vidmill/Vidmill.h"

class CVidmillImpl {
 public:
  static CVidmill* NewRecorder() { return new CVidmill; }
};

CVidmill::CVidmill() : m_Impl(new CVidmillImpl) {}
CVidmill::~CVidmill() {
  delete m_Impl;
  delete[] m_Destination;
}
void CVidmill::SetDestinationFileName(const wchar_t*) {}
void CVidmill::SetInputMediaFormat(int, int, int) {}
void CVidmill::SetQuality(int) {}
void CVidmill::SetFormat(int) {}
void CVidmill::SetClipRect(int, const RECT*) {}
void CVidmill::SetDuration(int64_t) {}
int64_t CVidmill::GetDuration() { return 0; }
void CVidmill::SetFontFace(const wchar_t*) {}
void CVidmill::SetAudioSource(IBaseFilter*, IPin*) {}
int CVidmill::WriteFrame(const BYTE*, int, DWORD, int) { return 0; }
int CVidmill::Start() { return 0; }
int CVidmill::Stop() { return 0; }
int CVidmill::Encode() { return 0; }

CVidmill* CreateVidmill() { return CVidmillImpl::NewRecorder(); }
void DeleteVidmill(CVidmill* recorder) { delete recorder; }
