// The four lab calculators as Python functions: keyword arguments in,
// numbers out.  They call the computations the dialogs call, without a
// dialog; a calculation that the dialog would refuse raises ValueError
// with the text the dialog shows (kwt.CalculatorError on the Python side).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "calculators/buffer_capacity.h"
#include "calculators/free_ca_mg.h"
#include "calculators/junction_potential.h"
#include "calculators/patcher.h"
#include "resources/dialogs.h"
#include "workbench/host/encoding.h"

namespace py = pybind11;

namespace kwt::python {
namespace {

// A field not given takes the value its dialog opens with (its initial
// text), as kwt calc does: the convergence, the iterations, the pH, the
// temperature.
std::optional<double> OrDefault(std::optional<double> given, int32_t dialog, std::string_view field) {
  if (given) return given;
  for (const ControlDesc& c : resources::FindDialog(dialog)->controls) {
    if (c.name != field || c.text.empty()) continue;
    char* end = nullptr;
    const double v = std::strtod(c.text.c_str(), &end);
    if (end != c.text.c_str() && *end == '\0') return v;
  }
  return std::nullopt;
}

[[noreturn]] void Refuse(std::string_view text) {
  throw py::value_error(HistoryToUtf8(text));
}

py::dict BufferCapacity(std::optional<double> totalIon, std::optional<double> freeIon,
                        std::optional<double> totalBuffer, std::optional<double> freeBuffer,
                        std::optional<double> kd) {
  BufferCapacityResult r;
  CalculatorMessage message;
  if (!CalculateBufferCapacity({totalIon, freeIon, totalBuffer, freeBuffer, kd}, &r, &message))
    Refuse(message.text);
  py::dict out;
  out["total_ion"] = r.totalIon;
  out["free_ion"] = r.freeIon;
  out["total_buffer"] = r.totalBuffer;
  out["free_buffer"] = r.freeBuffer;
  out["complexed_buffer"] = r.complexedBuffer;
  out["kd"] = r.kd;
  out["capacity"] = r.capacity;
  out["max_binding_ratio"] = r.maxBindingRatio;
  return out;
}

// The popup item that shows `name` in a list of table names (items from
// `first` on); 0 when none does.
template <class Table>
int32_t ItemNamed(const Table& table, const std::string& name, int32_t first) {
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].name != "-" && table[i].name == name) return first + static_cast<int32_t>(i);
  return 0;
}

template <class Table>
std::string Names(const Table& table) {
  std::string out;
  for (const auto& e : table)
    if (e.name != "-") out += (out.empty() ? "" : ", ") + std::string(e.name);
  return out;
}

py::dict FreeCaMg(const std::vector<std::pair<std::string, double>>& buffers,
                  std::optional<double> totalCa, std::optional<double> totalMg,
                  std::optional<double> pH, std::optional<double> correction,
                  std::optional<double> convergence, std::optional<double> iterations) {
  if (buffers.size() > static_cast<size_t>(kBufferRows))
    throw py::value_error("at most " + std::to_string(kBufferRows) + " buffers");
  FreeCaMgInput in;
  in.totalCa = totalCa;
  in.totalMg = totalMg;
  const int32_t dialog = resources::kFreeCaMgDialogId;
  in.pH = OrDefault(pH, dialog, "ph");
  in.correction = OrDefault(correction, dialog, "correction");
  in.convergencePercent = OrDefault(convergence, dialog, "convergence");
  in.iterations = OrDefault(iterations, dialog, "iterations");
  for (size_t i = 0; i < buffers.size(); ++i) {
    const int32_t item = ItemNamed(BufferTable(), buffers[i].first, kBufferFirstEntryItem);
    if (item == 0)
      throw py::value_error("no buffer \"" + buffers[i].first + "\" (one of " +
                            Names(BufferTable()) + ")");
    SelectBuffer(item, &in.rows[i]);
    in.rows[i].total = buffers[i].second;
  }
  FreeCaMgResult r;
  CalculatorMessage message;
  if (!CalculateFreeCaMg(in, &r, &message)) Refuse(message.text);
  py::dict out;
  out["free_ca"] = r.freeCa;
  out["free_mg"] = r.freeMg;
  out["ph"] = r.pHInUse;
  out["converged"] = r.converged;
  out["passes"] = r.passes;
  py::list rows;
  for (size_t i = 0; i < buffers.size(); ++i) {
    const FreeCaMgRowResult& row = r.rows[i];
    py::dict d;
    d["name"] = buffers[i].first;
    d["active"] = row.active;
    d["free"] = row.freeBuffer;
    d["k_ca"] = row.kCa;
    d["k_mg"] = row.kMg;
    rows.append(d);
  }
  out["buffers"] = rows;
  return out;
}

// One ion: (name, pipette mM, bath mM) from the table, or (name, pipette,
// bath, valence, mobility) for an ion of one's own.
using Ion = std::tuple<std::string, double, double, std::optional<double>, std::optional<double>>;

py::dict JunctionPotential(const std::vector<Ion>& ions, std::optional<double> temperature) {
  JunctionInput in;
  in.temperature = OrDefault(temperature, resources::kJunctionPotentialDialogId, "temperature");
  int tableRow = 0, customRow = kTableRows;
  for (const auto& [name, pipette, bath, valence, mobility] : ions) {
    JunctionRow* row = nullptr;
    if (!valence && !mobility) {
      const int32_t item = ItemNamed(IonTable(), name, kIonFirstEntryItem);
      if (item == 0)
        throw py::value_error("no ion \"" + name + "\" in the table (give its valence and "
                              "mobility, or one of " + Names(IonTable()) + ")");
      if (tableRow == kTableRows)
        throw py::value_error("at most " + std::to_string(kTableRows) + " ions from the table");
      row = &in.rows[tableRow++];
      row->selection = item;
      const IonEntry& e = *IonForItem(item);
      row->valence = std::strtod(std::string(e.valence).c_str(), nullptr);
      row->mobility = std::strtod(std::string(e.mobility).c_str(), nullptr);
    } else {
      if (!valence || !mobility) throw py::value_error("ion \"" + name + "\": valence and mobility go together");
      if (customRow == kJunctionRows)
        throw py::value_error("at most " + std::to_string(kJunctionRows - kTableRows) +
                              " ions of one's own");
      row = &in.rows[customRow++];
      row->valence = *valence;
      row->mobility = *mobility;
    }
    row->included = true;
    row->pipette = pipette;
    row->bath = bath;
  }
  JunctionResult r;
  if (!CalculateJunctionPotential(in, &r)) Refuse(r.whyNot.empty() ? "Calculation was not possible." : r.whyNot);
  py::dict out;
  out["potential"] = r.potential;  // mV
  out["temperature"] = r.temperature;
  out["rows_used"] = r.rowsUsed;
  return out;
}

// The patcher's formula for a quantity of a category (popup texts).
int32_t PatcherFormulaNamed(const std::string& function, const std::string& quantity) {
  const auto categories = PatcherCategories();
  std::string known;
  for (int32_t c = 0; c < static_cast<int32_t>(categories.size()); ++c) {
    if (HostToUtf8(categories[c].name) != function) {
      known += (known.empty() ? "" : ", ") + HostToUtf8(categories[c].name);
      continue;
    }
    const std::vector<std::string> items = PatcherQuantityItems(c);
    std::string quantities;
    for (int32_t i = 1; i <= static_cast<int32_t>(items.size()); ++i) {
      const int32_t formula = PatcherFormulaAt(c, i);
      if (formula < 0) continue;
      if (HostToUtf8(items[i - 1]) == quantity) return formula;
      quantities += (quantities.empty() ? "" : ", ") + HostToUtf8(items[i - 1]);
    }
    throw py::value_error("no quantity \"" + quantity + "\" under \"" + function + "\" (one of " +
                          quantities + ")");
  }
  throw py::value_error("no function \"" + function + "\" (one of " + known + ")");
}

py::dict Patcher(const std::string& function, const std::string& quantity,
                 std::optional<double> p1, std::optional<double> p2, std::optional<double> p3) {
  const int32_t formula = PatcherFormulaNamed(function, quantity);
  // A parameter not given is missing (NaN) where the formula takes plain
  // numbers and 0 where it takes prefixed ones, as an empty field is.
  const double empty = PatcherUsesPlainNumbers(formula) ? std::nan("") : 0.0;
  PatcherValues values{{p1.value_or(empty), p2.value_or(empty), p3.value_or(empty)}, std::nan("")};
  std::string whyNot;
  if (!CalculatePatcherFormula(formula, &values, &whyNot)) Refuse(whyNot);
  const PatcherFormula& f = *FindPatcherFormula(formula);
  py::dict out;
  out["result"] = values.result;
  out["unit"] = HostToUtf8(f.resultUnit);
  const char* keys[3] = {"p1", "p2", "p3"};
  for (int i = 0; i < 3; ++i) out[keys[i]] = values.parameters[i];
  return out;
}

}  // namespace

void BindCalculators(py::module_& m) {
  m.def("buffer_capacity", &BufferCapacity, py::kw_only(), py::arg("total_ion") = py::none(),
        py::arg("free_ion") = py::none(), py::arg("total_buffer") = py::none(),
        py::arg("free_buffer") = py::none(), py::arg("kd") = py::none());
  m.def("free_ca_mg", &FreeCaMg, py::kw_only(), py::arg("buffers"),
        py::arg("total_ca") = py::none(), py::arg("total_mg") = py::none(),
        py::arg("ph") = py::none(),
        py::arg("correction") = py::none(), py::arg("convergence") = py::none(),
        py::arg("iterations") = py::none());
  m.def("junction_potential", &JunctionPotential, py::kw_only(), py::arg("ions"),
        py::arg("temperature") = py::none());
  m.def("patcher", &Patcher, py::kw_only(), py::arg("function"), py::arg("quantity"),
        py::arg("p1") = py::none(), py::arg("p2") = py::none(), py::arg("p3") = py::none());
}

}  // namespace kwt::python
