#include "platform/core/vectorstate.h"

namespace platform {

#if defined(__x86_64__)
namespace {
bool CpuHasAvx()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}
}  // namespace

// Out of line on purpose: the call ends any vector value the caller holds (they are all
// caller-saved), and vzeroupper keeps the low 128 bits that SSE code uses.
void ClearUpperVectorState()
{
    static const bool hasAvx = CpuHasAvx();
    if (hasAvx)
        asm volatile("vzeroupper");
}
#else
void ClearUpperVectorState() {}
#endif

}  // namespace platform
