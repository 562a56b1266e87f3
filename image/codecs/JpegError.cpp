#include "image/codecs/JpegError.h"

namespace ZEvuvoro {

namespace {

void JumpOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->m_jump, 1); }

void IgnoreMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallJpegErrorManager(JpegErrorManager& manager) {
  jpeg_error_mgr* errors = jpeg_std_error(&manager.m_pub);
  errors->error_exit = JumpOnError;
  errors->output_message = IgnoreMessage;
  return errors;
}

}  // namespace ZEvuvoro
