// Whether the processor has a byte shuffle (SSSE3). The baseline x86-64
// vector unit has none, so loops over three-byte pixels take a shuffle path
// only where this says so and keep their plain twin for the rest.
#ifndef PELRITH_CORE_BYTE_SHUFFLE_H_
#define PELRITH_CORE_BYTE_SHUFFLE_H_

[[nodiscard]] inline bool IpiHasByteShuffle() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}

// Whether the byte shuffle also works on 256-bit vectors (AVX2), each
// 128-bit half shuffled on its own.
[[nodiscard]] inline bool IpiHasWideByteShuffle() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

#endif  // PELRITH_CORE_BYTE_SHUFFLE_H_
