// ZEL_VECTOR_CLONES marks a hot kernel to be built twice, for AVX2 and for
// the baseline processor; the loader picks the AVX2 build where the processor
// has it (GCC on x86-64; elsewhere one ordinary build).
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define ZEL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ZEL_VECTOR_CLONES
#endif
