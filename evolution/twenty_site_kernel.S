/*
 * The model step for the campaign's size, 20 sites and laws of 20 ranges, in
 * x87 code whose order of operations is fixed here rather than left to the
 * compiler. Every site still receives the literal step's operations in the
 * literal order: emitter i, then range j, the activator term added before the
 * inhibitor term is subtracted, each product c * (S[i] * A[j]) rounded in
 * extended precision.
 *
 * Why it is written this way. On the machines we measured (Zen 3) the x87 unit
 * starts one addition or multiplication per cycle, and an 80-bit load (fldt)
 * occupies the microcode sequencer for about five cycles; loading a double is
 * free, and so are register copies and exchanges. A step needs 22,880 extended
 * operations, so the cost is set by how few extra operations it takes to get
 * the operands into the eight registers:
 *
 *   - Four sites of a block keep their running values in st(0)..st(3) for the
 *     whole step; the products S[i]*A[j] and S[i]*B[j] are loaded once per
 *     (i, j) for all four, and each site's cosine factor once per term.
 *   - The products are formed once per step (zarudiv_twenty_site_products) and
 *     stored as two doubles each, so that loading one costs one exact
 *     subtraction instead of an fldt. The cosine factors are loaded with fldt,
 *     and one in eight as an exact pair of doubles, which keeps the microcode
 *     sequencer just below its limit while the adder stays busy.
 *   - Where c = cos(pi*j*k/20) is exactly +1 or -1 (j*k a multiple of 20;
 *     checked when the model is built) c*x is x or -x exactly, so the two
 *     multiplications are left out: a fifth of all terms.
 *   - Where j*k = 10 mod 20 the factor is a rounding residue of cos(pi/2) of
 *     about 1e-18. A site may skip those terms when the caller has proved
 *     that they cannot change its sum (bit k-1 of the last argument; see
 *     twenty_site_kernel.h).
 *
 * The code is written out in full by the assembler's macros: 5 blocks x 20
 * emitters x 20 ranges, each site's term chosen at assembly time. It is long
 * (about 40,000 instructions, 125 KB) but has no branches except the skips,
 * and it streams from the second-level cache fast enough to keep the adder
 * busy: a loop over the same work would have to pick each term's kind at run
 * time.
 *
 * AT&T mnemonics swap fsub/fsubr for the register forms whose destination is
 * st(i): "fsubrp %st, %st(i)" computes st(i) = st(i) - st(0), and
 * "fsubr %st, %st(i)" the same without the pop. Products are formed as
 * st(0) * st(i); multiplication is commutative bit for bit.
 */

#if defined(__x86_64__)

        .set    ROW, 21                 /* table rows hold elements 0..20 */

/* ------------------------------------------------------------------------ */
/* zarudiv_twenty_site_products(state, activator, inhibitor, products)      */
/*   rdi = state (element k at 16*k), rsi = A, rdx = B, rcx = products      */
/* For each (i, j): products + 32*(21*i + j) receives four doubles           */
/*   h(S[i]*A[j]), m(S[i]*A[j]), h(S[i]*B[j]), m(S[i]*B[j])                  */
/* where h(p) is p rounded to double and m(p) = h(p) - p, so that            */
/* h - m == p exactly, also for p = -0 (p - h would lose the sign of zero).  */
/* The caller guarantees that every product lies well inside the range of   */
/* double, so h and m are exact.                                            */
/* ------------------------------------------------------------------------ */

.macro  SPLIT_PRODUCT i, j, half
        fstl    (((\i)*ROW+(\j))*32+(\half))(%rcx)
        fsubrl  (((\i)*ROW+(\j))*32+(\half))(%rcx)
        fstpl   (((\i)*ROW+(\j))*32+(\half)+8)(%rcx)
.endm

/* One law coefficient times the four resident states [x, s0, s1, s2, s3]. */
.macro  FORM_FOUR i0, j, half, law
        fldt    (\j)*16(\law)
        fld     %st(0)
        fmul    %st(2), %st
        SPLIT_PRODUCT (\i0), (\j), \half
        fld     %st(0)
        fmul    %st(3), %st
        SPLIT_PRODUCT (\i0)+1, (\j), \half
        fld     %st(0)
        fmul    %st(4), %st
        SPLIT_PRODUCT (\i0)+2, (\j), \half
        fmul    %st(4), %st
        SPLIT_PRODUCT (\i0)+3, (\j), \half
.endm

.macro  FORM_BLOCK i0
        fldt    ((\i0)+3)*16(%rdi)
        fldt    ((\i0)+2)*16(%rdi)
        fldt    ((\i0)+1)*16(%rdi)
        fldt    (\i0)*16(%rdi)
        .set    fj, 1
        .rept   20
        FORM_FOUR (\i0), fj, 0, %rsi
        FORM_FOUR (\i0), fj, 16, %rdx
        .set    fj, fj+1
        .endr
        fstp    %st(0)
        fstp    %st(0)
        fstp    %st(0)
        fstp    %st(0)
.endm

        .text
        .p2align 4
        .globl  zarudiv_twenty_site_products
        .type   zarudiv_twenty_site_products, @function
zarudiv_twenty_site_products:
        FORM_BLOCK 1
        FORM_BLOCK 5
        FORM_BLOCK 9
        FORM_BLOCK 13
        FORM_BLOCK 17
        ret
        .size   zarudiv_twenty_site_products, .-zarudiv_twenty_site_products

/* ------------------------------------------------------------------------ */
/* zarudiv_twenty_site_step(state, next, products, cos80, cosSplit, skips)  */
/*   rdi = state, rsi = next (element k at 16*k), rdx = products,           */
/*   rcx = cosine factors as long double, r8 = the same as exact pairs of   */
/*   doubles (both at 16*(21*k + j)), r9d = sites that may skip their       */
/*   negligible terms (bit k-1 for site k).                                 */
/* ------------------------------------------------------------------------ */

        .set    cosLoads, 0

/* The cosine factor of site k at range j onto the stack. */
.macro  LOAD_COS k, j
        .if     (cosLoads % 8) == 7
        fldl    (((\k)*ROW+(\j))*16)(%r8)
        faddl   (((\k)*ROW+(\j))*16+8)(%r8)
        .else
        fldt    (((\k)*ROW+(\j))*16)(%rcx)
        .endif
        .set    cosLoads, cosLoads+1
.endm

/* S[i]*A[j] and S[i]*B[j]: [t0..t3] becomes [sb, sa, t0..t3]. */
.macro  LOAD_PRODUCTS i, j
        fldl    (((\i)*ROW+(\j))*32)(%rdx)
        fsubl   (((\i)*ROW+(\j))*32+8)(%rdx)
        fldl    (((\i)*ROW+(\j))*32+16)(%rdx)
        fsubl   (((\i)*ROW+(\j))*32+24)(%rdx)
.endm

/*
 * One term for the site whose running value sits at st(p2) below
 * [sb, sa]; p1..p4 are its positions with one to four values above it
 * (the assembler wants register numbers as literals). The site that comes
 * last in its group uses up sa and sb, the others leave them in place.
 */
.macro  TERM_PLAIN p1, p2, p3, p4, k, j, last
        LOAD_COS (\k), (\j)
        .if     \last
        fmul    %st, %st(2)             /* [c, sb, c*sa] */
        fmulp   %st, %st(1)             /* [c*sb, c*sa] */
        fxch    %st(1)
        faddp   %st, %st(\p2)           /* T = T + c*sa */
        fsubrp  %st, %st(\p1)           /* T = T - c*sb */
        .else
        fld     %st(0)                  /* [c, c, sb, sa] */
        fmul    %st(3), %st
        faddp   %st, %st(\p4)           /* T = T + c*sa */
        fmul    %st(1), %st
        fsubrp  %st, %st(\p3)           /* T = T - c*sb */
        .endif
.endm

/* c = +1 or -1: T + c*sa is T + sa or T - sa, bit for bit (x - y is x + (-y)). */
.macro  TERM_UNIT p1, p2, sign, last
        fxch    %st(1)                  /* [sa, sb] */
        .if     \last
          .if   \sign > 0
          faddp   %st, %st(\p2)
          fsubrp  %st, %st(\p1)
          .else
          fsubrp  %st, %st(\p2)
          faddp   %st, %st(\p1)
          .endif
        .else
          .if   \sign > 0
          fadd    %st, %st(\p2)
          fxch    %st(1)
          fsubr   %st, %st(\p2)
          .else
          fsubr   %st, %st(\p2)
          fxch    %st(1)
          fadd    %st, %st(\p2)
          .endif
        .endif
.endm

.macro  TERM p1, p2, p3, p4, k, j, last
        .set    jk, (\j)*(\k)
        .if     (jk % 20) == 0
          .if   ((jk / 20) % 2) == 0
          TERM_UNIT \p1, \p2, 1, \last
          .else
          TERM_UNIT \p1, \p2, -1, \last
          .endif
        .elseif (jk % 20) == 10
          /* Skipped when the site's bit is set; the last site then only
             has to drop sa and sb. */
          testl   $(1 << ((\k)-1)), %r9d
          .if   \last
          jnz     1f
          TERM_PLAIN \p1, \p2, \p3, \p4, \k, \j, 1
          jmp     2f
1:        fstp    %st(0)
          fstp    %st(0)
2:
          .else
          jnz     1f
          TERM_PLAIN \p1, \p2, \p3, \p4, \k, \j, 0
1:
          .endif
        .else
          TERM_PLAIN \p1, \p2, \p3, \p4, \k, \j, \last
        .endif
.endm

/* Site k receives from emitter i at range j when |k - i| <= j. */
.macro  RECEIVES name, k, i, j
        .set    \name, ((\j) >= (\k)-(\i)) && ((\j) >= (\i)-(\k))
.endm

/*
 * Emitter i at range j for the block k0..k0+3. The receiving sites form a
 * run, so the last one is the one whose right neighbour does not receive.
 */
.macro  GROUP k0, i, j
        RECEIVES rcv0, (\k0), \i, \j
        RECEIVES rcv1, (\k0)+1, \i, \j
        RECEIVES rcv2, (\k0)+2, \i, \j
        RECEIVES rcv3, (\k0)+3, \i, \j
        .if     rcv0 || rcv1 || rcv2 || rcv3
          LOAD_PRODUCTS \i, \j
          .if   rcv0
          TERM  1, 2, 3, 4, (\k0), \j, !rcv1
          .endif
          .if   rcv1
          TERM  2, 3, 4, 5, (\k0)+1, \j, !rcv2
          .endif
          .if   rcv2
          TERM  3, 4, 5, 6, (\k0)+2, \j, !rcv3
          .endif
          .if   rcv3
          TERM  4, 5, 6, 7, (\k0)+3, \j, 1
          .endif
        .endif
.endm

.macro  BLOCK block
        .set    k0, 4*(\block)+1
        fldt    (k0+3)*16(%rdi)
        fldt    (k0+2)*16(%rdi)
        fldt    (k0+1)*16(%rdi)
        fldt    k0*16(%rdi)
        .set    gi, 1
        .rept   20
          .set  gj, 1
          .rept 20
          GROUP k0, gi, gj
          .set  gj, gj+1
          .endr
        .set    gi, gi+1
        .endr
        fstpt   k0*16(%rsi)
        fstpt   (k0+1)*16(%rsi)
        fstpt   (k0+2)*16(%rsi)
        fstpt   (k0+3)*16(%rsi)
.endm

        .p2align 4
        .globl  zarudiv_twenty_site_step
        .type   zarudiv_twenty_site_step, @function
zarudiv_twenty_site_step:
        BLOCK   0
        BLOCK   1
        BLOCK   2
        BLOCK   3
        BLOCK   4
        ret
        .size   zarudiv_twenty_site_step, .-zarudiv_twenty_site_step

#endif

        .section .note.GNU-stack,"",@progbits
