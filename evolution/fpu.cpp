#include "evolution/fpu.h"

#include <cfenv>
#include <cstdint>

namespace zarudiv {

namespace {

constexpr int kFaultFlags = FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO;

}  // namespace

FloatingPointFault::FloatingPointFault(Kind kind) : CommandError(message(kind)), kind_(kind) {}

std::string FloatingPointFault::message(Kind kind)
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

std::optional<FloatingPointFault::Kind> TakeFpuFault()
{
    const int raised = std::fetestexcept(kFaultFlags);
    if (raised == 0)
        return std::nullopt;
    std::feclearexcept(kFaultFlags);
    if (raised & FE_OVERFLOW)
        return FloatingPointFault::Kind::Overflow;
    if (raised & FE_DIVBYZERO)
        return FloatingPointFault::Kind::DivisionByZero;
    return FloatingPointFault::Kind::InvalidOperation;
}

void CheckFpu()
{
    if (const auto kind = TakeFpuFault())
        throw FloatingPointFault(*kind);
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
