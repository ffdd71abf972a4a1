#pragma once
// Which vector instructions the codec's loops use: SSE2, which every x86-64 processor has, so
// no check at run time is needed. Elsewhere, or built with QUILLET_PORTABLE_PNG (the tests build
// the codec so too, to check the plain loops against the same expectations), the plain loops.

#if defined(__SSE2__) && !defined(QUILLET_PORTABLE_PNG)
#define QUILLET_PNG_SSE2 1
#include <emmintrin.h>
#endif
