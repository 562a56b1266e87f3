// The grabber: a renderer filter that hands each frame to a callback.
#include "vendor/vidmill/Vidmill.h"

namespace {
class CGrabberStub : public CMediaGrabber {
 public:
  void SetCallback(CMediaGrabberCallback*) override {}
  HRESULT GetFilter(IBaseFilter** filter) override {
    if (filter) *filter = nullptr;
    return E_NOTIMPL;
  }
  void Release() override { delete this; }
  void GetFrameSize(int* width, int* height) override {
    if (width) *width = 0;
    if (height) *height = 0;
  }
};
}  // namespace

CMediaGrabber* CreateMediaGrabber() { return new CGrabberStub; }
