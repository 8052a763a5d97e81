// _kwt: the C++ side of the Python package kwt (apps/python/kwt), which
// turns its plain results into Python's exceptions and objects.
#include <pybind11/pybind11.h>

#include <string>

#include "info.h"
#include "session_core.h"

namespace py = pybind11;

namespace kwt::python {
void BindCalculators(py::module_& m);
}  // namespace kwt::python

PYBIND11_MODULE(_kwt, m) {
  m.doc() = "The KWT module and workbench, for the Python package kwt";
  kwt::python::BindSession(m);
  kwt::python::BindCalculators(m);
  // (True, JSON text) or (False, the reason the file cannot be described).
  m.def("info_json", [](const std::string& path) {
    std::string json, error;
    const bool ok = kwt::InfoJson(path, &json, &error);
    return py::make_tuple(ok, ok ? json : error);
  });
}
