// The workbench session behind kwt.Session: command lines in, results,
// variables and views of the waves' samples out, as Python objects.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "workbench/workbench.h"

namespace kwt::python {

// The owner of the samples a NumPy view shows: the array's base object.
// It holds a share in the wave's block, so the view stays valid after the
// session is closed or the wave is killed or redimensioned (it then shows
// the samples as they were).
struct WaveMemory {
  std::shared_ptr<const std::byte> block;
  std::string path;  // the wave it was taken from
  size_t bytes = 0;
};

class SessionCore {
 public:
  // answer: "yes" or "no" to every question; prefs: the stored
  // preferences' file ("" the default place); memoryPrefs: preferences
  // start empty and stay in memory.  Only one session can be open at a
  // time: the module is loaded into one host per process.
  SessionCore(const std::string& answer, const std::string& prefs, bool memoryPrefs);
  ~SessionCore();

  // Runs one command line as kwt does; the line's code, text, diagnosis,
  // problems and the alerts it showed, as a dict.
  pybind11::dict Run(const std::string& line);
  std::string History() const;
  // Every global variable by its full path ("root:kwtActGroup").
  pybind11::dict Variables() const;
  // The wave's fields with its samples as a NumPy view; None when no wave
  // has that path (as a command names it, or plain as its "path" field).
  pybind11::object Wave(const std::string& path) const;
  // The fields of every wave, depth-first from root, or of the waves of
  // one data folder; None when the folder does not exist.
  pybind11::object Waves(const std::string& folder) const;
  // Writes every wave and variable as an Igor text file, or the session
  // dump (DIR/session.json and a .npy file per wave), as kwt --save and
  // --dump do; the reason when that fails, "" when it worked.
  std::string SaveItx(const std::string& path) const;
  std::string Dump(const std::string& dir) const;
  // Ends the session: the waves not viewed from Python are freed.
  void Close();
  bool closed() const { return workbench_ == nullptr; }

  static bool AnyOpen() { return open_; }

 private:
  Workbench& Open() const;

  std::unique_ptr<Workbench> workbench_;
  std::vector<std::pair<std::string, std::string>> alerts_;  // of the line that runs
  static bool open_;
};

void BindSession(pybind11::module_& m);

}  // namespace kwt::python
