#include "python/errors.h"

#include <Python.h>

#include <exception>
#include <string>

#include "campaign/law_file.h"
#include "evolution/command_error.h"
#include "evolution/fpu.h"
#include "protocol/protocol_file.h"

namespace zarudiv::python {

void RaiseCampaignError(std::exception_ptr error, const std::string& protocol,
                        int generationsDone)
{
    namespace py = pybind11;
    PyObject* type = PyExc_RuntimeError;
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const FloatingPointFault& fault) {
        type = PyExc_FloatingPointError;
        message = fault.what();
    } catch (const ProtocolIoError& io) {
        type = PyExc_OSError;
        message = io.file() + ": " + io.what();
    } catch (const std::exception& other) {
        message = other.what();
    }
    py::object exception = py::reinterpret_borrow<py::object>(type)(message);
    exception.attr("protocol") = py::bytes(protocol);
    exception.attr("generations_done") = generationsDone;
    PyErr_SetObject(type, exception.ptr());
    throw py::error_already_set();
}

void RaiseOSError(const std::string& message)
{
    PyErr_SetString(PyExc_OSError, message.c_str());
    throw pybind11::error_already_set();
}

void RegisterErrors()
{
    pybind11::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised)
                std::rethrow_exception(raised);
        } catch (const LawFileError& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const FloatingPointFault& error) {
            PyErr_SetString(PyExc_FloatingPointError, error.what());
        } catch (const ProtocolIoError& error) {
            PyErr_SetString(PyExc_OSError, (error.file() + ": " + error.what()).c_str());
        } catch (const CommandError& error) {
            PyErr_SetString(PyExc_RuntimeError, error.what());
        }
    });
}

}  // namespace zarudiv::python
