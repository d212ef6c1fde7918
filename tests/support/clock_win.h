#pragma once
// Milliseconds on the performance counter, for measuring waits in tests and benchmarks.
#include <windows.h>

namespace qelvo::test {

inline double nowMs() {
  LARGE_INTEGER f;
  LARGE_INTEGER c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace qelvo::test
