#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace ZEvuvoro {

// libjpeg's error manager with the fatal handler jumping back to the caller
// instead of ending the process, and warnings kept silent. The function that
// calls setjmp on m_jump holds only plain data, so the jump skips no destructor.
struct JpegErrorManager {
  jpeg_error_mgr m_pub;
  std::jmp_buf m_jump;
};

jpeg_error_mgr* InstallJpegErrorManager(JpegErrorManager& manager);

}  // namespace ZEvuvoro
