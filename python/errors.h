#pragma once
// The programs' errors as Python exceptions, with the programs' messages: a
// law file that cannot be used is a ValueError naming the file and the line,
// a floating-point fault a FloatingPointError with the campaign's German
// message.

#include <pybind11/pybind11.h>

#include <cfenv>
#include <exception>
#include <string>

namespace zarudiv::python {

void RegisterErrors();

// A campaign's error (CommandError) as its Python exception, with what the
// campaign left behind as attributes: `protocol`, the bytes written until it
// ended (as the runner leaves the file), and `generations_done`.
[[noreturn]] void RaiseCampaignError(std::exception_ptr error, const std::string& protocol,
                                     int generationsDone);

// Raises OSError with the message.
[[noreturn]] void RaiseOSError(const std::string& message);

// The caller's floating-point environment, given back on the way out: the
// numerics set the FPU as they need it and leave its flags raised, which is
// nothing Python or numpy should inherit.
class CallerFpu {
public:
    CallerFpu() { std::fegetenv(&saved_); }
    ~CallerFpu() { std::fesetenv(&saved_); }
    CallerFpu(const CallerFpu&) = delete;
    CallerFpu& operator=(const CallerFpu&) = delete;

private:
    std::fenv_t saved_{};
};

}  // namespace zarudiv::python
