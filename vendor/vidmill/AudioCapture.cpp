#include "vendor/vidmill/AudioCapture.h"

namespace vidmill {

CAudioCapture::CAudioCapture() { ::InitializeCriticalSection(&m_Lock); }
CAudioCapture::~CAudioCapture() { ::DeleteCriticalSection(&m_Lock); }
void CAudioCapture::SetSource(IBaseFilter*, IPin*) {}
bool CAudioCapture::Prepare() { return false; }
bool CAudioCapture::Run() { return false; }
void CAudioCapture::Stop() {}
void CAudioCapture::Release() {}
void CAudioCapture::MarkStart() {}
uint64_t CAudioCapture::BytesAt(uint64_t, DWORD, DWORD) const { return 0; }
bool CAudioCapture::Peek(BYTE**, DWORD*, uint64_t) { return false; }
void CAudioCapture::Consume(DWORD) {}
void CAudioCapture::ReplayFrom(HANDLE, uint64_t) {}
void CAudioCapture::Collect(const BYTE*, DWORD) {}

}  // namespace vidmill
