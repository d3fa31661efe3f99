#include "fpu.h"

#include <cfenv>
#include <cstdint>

namespace zarudiv {

namespace {

constexpr int kFaultFlags = FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO;

}  // namespace

FloatingPointFault::FloatingPointFault(Kind kind) : CommandError(Message(kind)), kind_(kind) {}

std::string FloatingPointFault::Message(Kind kind)
{
    switch (kind) {
    case Kind::Overflow:
        return "Gleitkommaüberlauf";
    case Kind::InvalidOperation:
        return "Ungültige Gleitkommaoperation";
    case Kind::DivisionByZero:
        return "Gleitkommadivision durch Null";
    }
    return "Ungültige Gleitkommaoperation";
}

void PrepareFpu()
{
#if defined(__x86_64__) || defined(__i386__)
    // x87: all exceptions masked, 64-bit mantissa, round to nearest.
    const std::uint16_t controlWord = 0x037F;
    asm volatile("fldcw %0" : : "m"(controlWord));
#endif
    std::fesetround(FE_TONEAREST);
    std::feclearexcept(FE_ALL_EXCEPT);
}

void ClearFpuFaults()
{
    std::feclearexcept(kFaultFlags);
}

bool FpuFaultPending()
{
    return std::fetestexcept(kFaultFlags) != 0;
}

void CheckFpu()
{
    const int raised = std::fetestexcept(kFaultFlags);
    if (raised == 0)
        return;
    std::feclearexcept(kFaultFlags);
    if (raised & FE_OVERFLOW)
        throw FloatingPointFault(FloatingPointFault::Kind::Overflow);
    if (raised & FE_DIVBYZERO)
        throw FloatingPointFault(FloatingPointFault::Kind::DivisionByZero);
    throw FloatingPointFault(FloatingPointFault::Kind::InvalidOperation);
}

FpuFlagsShield::FpuFlagsShield()
{
    std::fegetexceptflag(&saved_, FE_ALL_EXCEPT);
}

FpuFlagsShield::~FpuFlagsShield()
{
    std::fesetexceptflag(&saved_, FE_ALL_EXCEPT);
}

}  // namespace zarudiv
