#pragma once
// 256 x 256 -> 512-bit product with the BMI2/ADX instructions of x86-64: mulx leaves
// the flags alone, so adcx and adox run two carry chains side by side. Chosen at run
// time when the processor has them (see CMontgomeryField); other builds use C++.
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(SGVR_PORTABLE_WIDE_MUL)
#define SGVR_HAVE_PRODUCT_ADX 1

namespace sgvr {

// True when the processor has BMI2 and ADX.
bool CpuHasBmi2Adx();

// t[0..7] = a * b.
__attribute__((always_inline)) inline void Product256Adx(const uint64_t* a, const uint64_t* b, uint64_t t[8]) {
    uint64_t t0, t1, t2, t3, t4, t5, t6, t7, lo, hi;
    __asm__(
        // row 0
        "movq (%[b]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq (%[a]), %[t0], %[t1]\n\t"
        "mulxq 8(%[a]), %[lo], %[t2]\n\t"
        "adcxq %[lo], %[t1]\n\t"
        "mulxq 16(%[a]), %[lo], %[t3]\n\t"
        "adcxq %[lo], %[t2]\n\t"
        "mulxq 24(%[a]), %[lo], %[t4]\n\t"
        "adcxq %[lo], %[t3]\n\t"
        "adcxq %%rax, %[t4]\n\t"
        // row 1: low halves on the CF chain, high halves on the OF chain
        "movq 8(%[b]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq (%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t1]\n\t"
        "adoxq %[hi], %[t2]\n\t"
        "mulxq 8(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t2]\n\t"
        "adoxq %[hi], %[t3]\n\t"
        "mulxq 16(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t3]\n\t"
        "adoxq %[hi], %[t4]\n\t"
        "mulxq 24(%[a]), %[lo], %[t5]\n\t"
        "adcxq %[lo], %[t4]\n\t"
        "adoxq %%rax, %[t5]\n\t"
        "adcxq %%rax, %[t5]\n\t"
        // row 2
        "movq 16(%[b]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq (%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t2]\n\t"
        "adoxq %[hi], %[t3]\n\t"
        "mulxq 8(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t3]\n\t"
        "adoxq %[hi], %[t4]\n\t"
        "mulxq 16(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t4]\n\t"
        "adoxq %[hi], %[t5]\n\t"
        "mulxq 24(%[a]), %[lo], %[t6]\n\t"
        "adcxq %[lo], %[t5]\n\t"
        "adoxq %%rax, %[t6]\n\t"
        "adcxq %%rax, %[t6]\n\t"
        // row 3
        "movq 24(%[b]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq (%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t3]\n\t"
        "adoxq %[hi], %[t4]\n\t"
        "mulxq 8(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t4]\n\t"
        "adoxq %[hi], %[t5]\n\t"
        "mulxq 16(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t5]\n\t"
        "adoxq %[hi], %[t6]\n\t"
        "mulxq 24(%[a]), %[lo], %[t7]\n\t"
        "adcxq %[lo], %[t6]\n\t"
        "adoxq %%rax, %[t7]\n\t"
        "adcxq %%rax, %[t7]\n\t"
        : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4), [t5] "=&r"(t5),
          [t6] "=&r"(t6), [t7] "=&r"(t7), [lo] "=&r"(lo), [hi] "=&r"(hi)
        : [a] "r"(a), [b] "r"(b), "m"(*(const uint64_t(*)[4])a), "m"(*(const uint64_t(*)[4])b)
        : "rax", "rdx", "cc");
    t[0] = t0; t[1] = t1; t[2] = t2; t[3] = t3;
    t[4] = t4; t[5] = t5; t[6] = t6; t[7] = t7;
}

// t[0..7] = a * a: the six cross products once, doubled, plus the four squares.
__attribute__((always_inline)) inline void Square256Adx(const uint64_t* a, uint64_t t[8]) {
    uint64_t t0, t1, t2, t3, t4, t5, t6, t7, lo, hi;
    __asm__(
        // a0 * (a1, a2, a3) at limbs 1..4
        "movq (%[a]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq 8(%[a]), %[t1], %[t2]\n\t"
        "mulxq 16(%[a]), %[lo], %[t3]\n\t"
        "adcxq %[lo], %[t2]\n\t"
        "mulxq 24(%[a]), %[lo], %[t4]\n\t"
        "adcxq %[lo], %[t3]\n\t"
        "adcxq %%rax, %[t4]\n\t"
        // a1 * (a2, a3) at limbs 3..5
        "movq 8(%[a]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq 16(%[a]), %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t3]\n\t"
        "adoxq %[hi], %[t4]\n\t"
        "mulxq 24(%[a]), %[lo], %[t5]\n\t"
        "adcxq %[lo], %[t4]\n\t"
        "adoxq %%rax, %[t5]\n\t"
        "adcxq %%rax, %[t5]\n\t"
        // a2 * a3 at limbs 5..6
        "movq 16(%[a]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq 24(%[a]), %[lo], %[t6]\n\t"
        "adcxq %[lo], %[t5]\n\t"
        "adcxq %%rax, %[t6]\n\t"
        // times two
        "movq $0, %[t7]\n\t"
        "addq %[t1], %[t1]\n\t"
        "adcq %[t2], %[t2]\n\t"
        "adcq %[t3], %[t3]\n\t"
        "adcq %[t4], %[t4]\n\t"
        "adcq %[t5], %[t5]\n\t"
        "adcq %[t6], %[t6]\n\t"
        "adcq $0, %[t7]\n\t"
        // plus the squares on the diagonal
        "movq (%[a]), %%rdx\n\t"
        "xorl %%eax, %%eax\n\t"
        "mulxq %%rdx, %[t0], %[hi]\n\t"
        "adcxq %[hi], %[t1]\n\t"
        "movq 8(%[a]), %%rdx\n\t"
        "mulxq %%rdx, %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t2]\n\t"
        "adcxq %[hi], %[t3]\n\t"
        "movq 16(%[a]), %%rdx\n\t"
        "mulxq %%rdx, %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t4]\n\t"
        "adcxq %[hi], %[t5]\n\t"
        "movq 24(%[a]), %%rdx\n\t"
        "mulxq %%rdx, %[lo], %[hi]\n\t"
        "adcxq %[lo], %[t6]\n\t"
        "adcxq %[hi], %[t7]\n\t"
        : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4), [t5] "=&r"(t5),
          [t6] "=&r"(t6), [t7] "=&r"(t7), [lo] "=&r"(lo), [hi] "=&r"(hi)
        : [a] "r"(a), "m"(*(const uint64_t(*)[4])a)
        : "rax", "rdx", "cc");
    t[0] = t0; t[1] = t1; t[2] = t2; t[3] = t3;
    t[4] = t4; t[5] = t5; t[6] = t6; t[7] = t7;
}

}  // namespace sgvr

#endif
