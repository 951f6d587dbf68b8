#pragma once

namespace platform {

// Marks the upper halves of the AVX registers unused. Library code (Qt's fill and hashing
// routines among them) can return with them in use, and every later switch between our SSE
// code and the AVX-encoded maths of the C library then stalls; clearing the state before a
// run of maths calls keeps log10 and pow at their normal speed. Does nothing where the CPU
// has no AVX or the build is not for x86-64.
void ClearUpperVectorState();

}  // namespace platform
