#pragma once
// Floating-point faults. The arithmetic runs with all exceptions masked; the
// FPU's sticky flags are tested at fixed points and a raised overflow, invalid
// operation or division by zero becomes a FloatingPointFault carrying the
// German message the user sees. Underflow, denormal operands and inexact
// results are not faults.

#include <cfenv>
#include <optional>
#include <string>
#include <utility>

#include "evolution/command_error.h"

namespace zarudiv {

class FloatingPointFault : public CommandError {
public:
    enum class Kind { Overflow, InvalidOperation, DivisionByZero };
    explicit FloatingPointFault(Kind kind);
    Kind kind() const { return kind_; }
    static std::string message(Kind kind);

private:
    Kind kind_;
};

// Puts this thread's FPU into the state the numerics need: x87 precision 64-bit
// mantissa, round to nearest on x87 and SSE, all exceptions masked, flags cleared.
// The FPU state is per thread: every worker calls this before it computes.
void PrepareFpu();

// Makes sure a value is really computed before the flags are read: the
// compiler may otherwise move arithmetic past a flag test it cannot see into.
template <typename T>
inline void SettleFpu(const T& value)
{
    asm volatile("" : : "m"(value) : "memory");
}

// Clears the fault flags (overflow, invalid, division by zero).
void ClearFpuFaults();

// True when a fault flag is raised; the flags stay as they are.
bool FpuFaultPending();

// The fault raised since the flags were last cleared, if any, and clears the
// flags. An overflow or a division by zero is reported before an invalid
// operation, since the infinities they leave behind are what makes later
// operations invalid.
std::optional<FloatingPointFault::Kind> TakeFpuFault();

// Throws the fault TakeFpuFault would return.
void CheckFpu();

// The value once it is really computed; throws the fault its computation
// raised.
template <typename T>
inline const T& Checked(const T& value)
{
    SettleFpu(value);
    CheckFpu();
    return value;
}

// Runs a region of arithmetic with the fault flags cleared first and throws
// the fault it raised: faults left behind by earlier code are not the region's.
template <typename Region>
inline void CheckedRegion(Region&& region)
{
    ClearFpuFaults();
    std::forward<Region>(region)();
    asm volatile("" : : : "memory");
    CheckFpu();
}

// Keeps the flags raised by foreign code (the window toolkit, the C library)
// out of the campaign's checks: flags are saved on entry and restored on exit.
class FpuFlagsShield {
public:
    FpuFlagsShield();
    ~FpuFlagsShield();
    FpuFlagsShield(const FpuFlagsShield&) = delete;
    FpuFlagsShield& operator=(const FpuFlagsShield&) = delete;

private:
    std::fexcept_t saved_{};
};

}  // namespace zarudiv
