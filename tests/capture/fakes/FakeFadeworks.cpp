// Faulty transition plug-ins the slide show must survive, one per build
// (FAKE_FADEWORKS): an export missing, no transitions, no objects; and one
// that logs the order in which the show asks for its transitions.
#include <cstring>

#include "vendor/fadeworks/Fadeworks.h"

#define FAKE_NO_DELETE 1
#define FAKE_NO_TRANSITIONS 2
#define FAKE_NULL_OBJECTS 3
#define FAKE_LOG 4

namespace {

// Shows the entering picture at once.
class CCut : public CTransition {
 public:
  int Render(ZEvuvoro::CImage* output, const ZEvuvoro::CImage* from, const ZEvuvoro::CImage* to, int) override {
    (void)from;
    for (int y = 0; y < output->m_nHeight; ++y)
      std::memcpy(output->m_pData + static_cast<ptrdiff_t>(y) * output->m_nStride,
                  to->m_pData + static_cast<ptrdiff_t>(y) * to->m_nStride, static_cast<size_t>(output->m_nWidth) * 4);
    return 1;
  }
};

int g_log[64];
int g_logCount = 0;

}  // namespace

extern "C" {

__declspec(dllexport) int GetTransitionCount() {
#if FAKE_FADEWORKS == FAKE_NO_TRANSITIONS
  return 0;
#elif FAKE_FADEWORKS == FAKE_LOG
  return 3;
#else
  return 4;
#endif
}

__declspec(dllexport) CTransition* CreateTransition(int index) {
#if FAKE_FADEWORKS == FAKE_NULL_OBJECTS
  (void)index;
  return nullptr;
#else
  if (g_logCount < 64) g_log[g_logCount++] = index;
  return new CCut;
#endif
}

#if FAKE_FADEWORKS != FAKE_NO_DELETE
__declspec(dllexport) void DeleteTransition(CTransition* transition) { delete transition; }
#endif

// The indices given to CreateTransition so far, oldest first.
__declspec(dllexport) int CreatedTransitions(int* out, int max) {
  int n = 0;
  for (; n < g_logCount && n < max; ++n) out[n] = g_log[n];
  return n;
}

}  // extern "C"
