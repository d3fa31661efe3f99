#include "python/extended_array.h"

#include <cstring>
#include <string>

namespace zarudiv::python {

namespace py = pybind11;

namespace {

static_assert(sizeof(long double) == 16, "numpy.longdouble is 16 bytes on x86-64");
// The 64-bit significand and the sign with the 15-bit exponent.
constexpr std::size_t kSignificantBytes = 10;

using ExtendedInput = py::array_t<long double, py::array::c_style | py::array::forcecast>;

void CopyOut(long double x, void* to)
{
    std::memset(to, 0, sizeof(long double));
    std::memcpy(to, &x, kSignificantBytes);
}

long double CopyIn(const void* from)
{
    long double x = 0.0L;
    std::memset(&x, 0, sizeof x);
    std::memcpy(&x, from, kSignificantBytes);
    return x;
}

ExtendedInput Ensured(const py::handle& values, const char* what)
{
    ExtendedInput array = ExtendedInput::ensure(values);
    if (!array) {
        PyErr_Clear();
        throw py::type_error(std::string(what) + " must be numbers that numpy takes as longdouble");
    }
    return array;
}

}  // namespace

py::array_t<long double> ExtendedArray(const TVector& v)
{
    const int n = VectorCount(v);
    py::array_t<long double> array(n);
    auto* data = static_cast<long double*>(array.mutable_data());
    for (int i = 1; i <= n; ++i)
        CopyOut(v[i], data + (i - 1));
    return array;
}

py::object ExtendedScalar(long double x)
{
    py::array_t<long double> array(std::vector<py::ssize_t>{});
    CopyOut(x, array.mutable_data());
    return array[py::tuple()];
}

TVector VectorOf(const py::handle& values, int lo, int hi, const char* what)
{
    const ExtendedInput array = Ensured(values, what);
    if (array.ndim() != 1 || array.shape(0) < lo || array.shape(0) > hi) {
        const std::string count =
            lo == hi ? std::to_string(lo) : std::to_string(lo) + " to " + std::to_string(hi);
        throw py::value_error(std::string(what) + " must be a one-dimensional array of " + count +
                              " values (got shape " +
                              py::str(array.attr("shape")).cast<std::string>() + ")");
    }
    const auto n = static_cast<int>(array.shape(0));
    TVector v = ZeroVector(n);
    const long double* data = array.data();
    for (int i = 1; i <= n; ++i)
        v[i] = CopyIn(data + (i - 1));
    return v;
}

long double ExtendedOf(const py::handle& value, const char* what)
{
    const ExtendedInput array = Ensured(value, what);
    if (array.ndim() != 0)
        throw py::type_error(std::string(what) + " must be one number");
    return CopyIn(array.data());
}

}  // namespace zarudiv::python
