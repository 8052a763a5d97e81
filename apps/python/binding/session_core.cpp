#include "session_core.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "host/result_codes.h"
#include "workbench/export/itx.h"
#include "workbench/export/session_dump.h"
#include "workbench/host/encoding.h"
#include "workbench/syntax/command_line.h"

namespace py = pybind11;

namespace kwt::python {

bool SessionCore::open_ = false;

namespace {

std::string PathOf(const HostWave& w) { return HostToUtf8(w.folder->Path(false) + w.name); }

// The samples of a numeric wave as an array over the wave's own memory.
py::object SampleView(const HostWave& w) {
  const char* name = NumpySampleType(w.type);
  if (name == nullptr) return py::none();
  const py::dtype dtype(name);
  const bool complexInteger =
      (w.type & kWaveComplex) != 0 && (w.type & (kWaveFloat32 | kWaveFloat64)) == 0;
  const size_t size = HostWave::ElementSize(w.type);
  // Never more points than the block holds.
  const auto points =
      static_cast<py::ssize_t>(std::min<size_t>(static_cast<size_t>(w.points), w.samples.size() / size));
  std::vector<py::ssize_t> shape{points};
  std::vector<py::ssize_t> strides{static_cast<py::ssize_t>(size)};
  if (complexInteger) {
    shape.push_back(2);
    strides.push_back(static_cast<py::ssize_t>(size / 2));
  }
  if (points == 0) return py::array(dtype, shape, strides);
  py::object base = py::cast(WaveMemory{w.samples.Share(), PathOf(w), w.samples.size()});
  return py::array(dtype, shape, strides, w.samples.data(), base);
}

py::object Number(double v) { return py::float_(v); }

// The wave of a full path written plainly, as the wave's "path" field and
// the session dump give it ("root:f:PMPulse_1_1_1_1_DA-0": no quotes
// around liberal names, which cannot hold a colon); null when none.
const HostWave* FindPlain(const HostFolder& root, const std::string& path) {
  const std::string text = Utf8ToCp1252(path);
  size_t start = 0, colon = text.find(':');
  if (colon == std::string::npos || text.compare(0, colon, "root") != 0) return nullptr;
  const HostFolder* f = &root;
  for (start = colon + 1; (colon = text.find(':', start)) != std::string::npos; start = colon + 1) {
    f = f->FindFolder(std::string_view(text).substr(start, colon - start));
    if (f == nullptr) return nullptr;
  }
  return f->FindWave(std::string_view(text).substr(start));
}

py::dict Fields(const HostWave* w) {
  py::dict d;
  d["name"] = HostToUtf8(w->name);
  d["path"] = PathOf(*w);
  d["type"] = HostWave::TypeName(w->type);
  d["points"] = w->points;
  d["x_start"] = w->dims[0].offset;
  d["x_delta"] = w->dims[0].delta;
  d["x_units"] = HostToUtf8(w->dims[0].units);
  d["data_units"] = HostToUtf8(w->dataUnits);
  d["note"] = HistoryToUtf8(w->note);
  if (w->type == kWaveText) {
    py::list texts;
    for (const std::string& t : w->texts) texts.append(HostToUtf8(t));
    d["data"] = texts;
  } else {
    d["data"] = SampleView(*w);
  }
  return d;
}

}  // namespace

SessionCore::SessionCore(const std::string& answer, const std::string& prefs, bool memoryPrefs) {
  if (open_)
    throw std::runtime_error(
        "another kwt.Session is open: the module runs in one session per process at a time "
        "(close() it, or let it go, first)");
  Workbench::Options options;
  options.prefsPath = prefs;
  options.memoryPrefs = memoryPrefs;
  workbench_ = std::make_unique<Workbench>(options);
  open_ = true;
  workbench_->interaction().SetFixed(answer == "no" ? kAnswerNo : kAnswerYes);
  workbench_->interaction().SetAlertSink([this](std::string_view title, std::string_view text) {
    alerts_.emplace_back(HistoryToUtf8(title), HistoryToUtf8(text));
  });
}

SessionCore::~SessionCore() { Close(); }

void SessionCore::Close() {
  if (workbench_ == nullptr) return;
  workbench_.reset();
  open_ = false;
}

Workbench& SessionCore::Open() const {
  if (workbench_ == nullptr) throw std::runtime_error("the kwt.Session is closed");
  return *workbench_;
}

py::dict SessionCore::Run(const std::string& line) {
  Workbench& wb = Open();
  alerts_.clear();
  const size_t before = wb.results().size();
  const int32_t code = wb.Run(line);
  py::dict out;
  out["code"] = code;
  std::string text, diagnosis;
  py::list problems;
  for (size_t i = before; i < wb.results().size(); ++i) {
    const LineResult& r = wb.results()[i];
    if (r.code != 0) {
      text = HistoryToUtf8(r.text);
      diagnosis = HistoryToUtf8(r.diagnosis);
    }
    for (const Problem& p : r.problems) {
      py::dict d;
      d["kind"] = std::string(ProblemKindName(p.kind));
      d["text"] = HistoryToUtf8(p.text);
      d["missing"] = p.missing;
      d["points"] = p.points;
      problems.append(d);
    }
  }
  if (code != 0 && text.empty()) text = HistoryToUtf8(Workbench::ErrorText(code));
  out["text"] = text;
  out["diagnosis"] = diagnosis;
  out["problems"] = problems;
  out["alerts"] = alerts_;
  return out;
}

std::string SessionCore::History() const { return HistoryToUtf8(Open().history()); }

py::dict SessionCore::Variables() const {
  py::dict out;
  std::vector<const HostFolder*> folders{&Open().root()};
  while (!folders.empty()) {
    const HostFolder* f = folders.back();
    folders.pop_back();
    for (const Variable& v : f->variables) {
      const std::string key = HostToUtf8(f->Path(false) + v.name);
      if (v.isString) out[py::str(key)] = HostToUtf8(v.text);
      else out[py::str(key)] = Number(v.number);
    }
    for (auto it = f->folders.rbegin(); it != f->folders.rend(); ++it) folders.push_back(it->get());
  }
  return out;
}

py::object SessionCore::Wave(const std::string& path) const {
  Workbench& wb = Open();
  const HostWave* w = wb.ResolveWave(Utf8ToCp1252(path));
  if (w == nullptr) w = FindPlain(wb.root(), path);
  if (w == nullptr) return py::none();
  return Fields(w);
}

py::object SessionCore::Waves(const std::string& folder) const {
  Workbench& wb = Open();
  py::list out;
  if (folder.empty()) {
    for (const HostWave* w : wb.AllWaves()) out.append(Fields(w));
    return out;
  }
  CommandCursor cursor{Utf8ToCp1252(folder)};
  ParsedPath path;
  if (!cursor.ReadPath(&path) || !cursor.AtEnd()) return py::none();
  const HostFolder* f =
      (path.absolute && path.parts.size() == 1) ? &wb.root() : wb.ResolveFolder(path, true);
  if (f == nullptr) return py::none();
  for (const auto& w : f->waves) out.append(Fields(w.get()));
  return out;
}

std::string SessionCore::SaveItx(const std::string& path) const {
  const std::string text = kwt::SaveItx(Open());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return out ? "" : "cannot write " + path;
}

std::string SessionCore::Dump(const std::string& dir) const {
  std::string error;
  return WriteSessionDump(Open(), dir, &error) ? "" : error;
}

void BindSession(py::module_& m) {
  py::class_<WaveMemory>(m, "WaveMemory",
                         "The samples of a wave that NumPy views show: the views' base object.")
      .def_readonly("path", &WaveMemory::path)
      .def_readonly("nbytes", &WaveMemory::bytes)
      .def_property_readonly("address", [](const WaveMemory& mem) {
        return reinterpret_cast<uintptr_t>(mem.block.get());
      });
  py::class_<SessionCore>(m, "SessionCore")
      .def(py::init<const std::string&, const std::string&, bool>(), py::arg("answer"),
           py::arg("prefs"), py::arg("memory_prefs"))
      .def("run", &SessionCore::Run)
      .def("history", &SessionCore::History)
      .def("variables", &SessionCore::Variables)
      .def("wave", &SessionCore::Wave)
      .def("waves", &SessionCore::Waves)
      .def("save_itx", &SessionCore::SaveItx)
      .def("dump", &SessionCore::Dump)
      .def("close", &SessionCore::Close)
      .def_property_readonly("closed", &SessionCore::closed);
  m.attr("NO_SUCH_WAVE") = kHostErrNoSuchWave;
  m.attr("NO_SUCH_FOLDER") = kHostErrNoSuchFolder;
  m.def("session_open", &SessionCore::AnyOpen);
  m.def("error_text", [](int32_t code) { return HistoryToUtf8(Workbench::ErrorText(code)); });
}

}  // namespace kwt::python
