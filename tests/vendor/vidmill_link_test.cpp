#include "vendor/vidmill/Vidmill.h"

#include <gtest/gtest.h>

TEST(VidmillLink, CreatesAndDeletes) {
  CVidmill* recorder = CreateVidmill();
  ASSERT_NE(recorder, nullptr);
  DeleteVidmill(recorder);
  CMediaGrabber* grabber = CreateMediaGrabber();
  ASSERT_NE(grabber, nullptr);
  grabber->Release();
}
