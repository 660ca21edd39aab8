#pragma once

// Which processor-specific vector paths this build carries. Every pass has a plain path that
// gives the same bits, and it is the only path on other processors; on x86-64 the vector paths
// are compiled beside it and chosen at run time. Configuring with KADREL_SCALAR=ON leaves them out
// there too, so that the plain paths are tested on the machines most builds run on.
#ifndef KADREL_VECTOR_ISA
#error "a target whose files include base/vector_isa.h links kadrel_vector_isa"
#endif

#if defined(__x86_64__) && !defined(KADREL_SCALAR)
#define KADREL_X86_64_VECTORS 1
#else
#define KADREL_X86_64_VECTORS 0
#endif
