// The workbench's host objects: data folders, waves and global variables.
// Their names follow the host's rules (names.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "workbench/host/names.h"  // the rules of the objects' names
#include "workbench/host/sample_buffer.h"

namespace kwt {

// Scaling of one dimension: value of point i is offset + i * delta.
struct DimScaling {
  double delta = 1.0;
  double offset = 0.0;
  std::string units;
};

// The host's wave.  The module sees it only as an opaque WaveHandle.
struct HostWave {
  std::string name;
  HostFolder* folder = nullptr;
  int32_t type = kWaveFloat32;
  int64_t points = 0;
  DimScaling dims[2];           // x and the second dimension
  double fullScaleTop = 0.0;    // data full scale, as the host keeps it
  double fullScaleBottom = 0.0;
  std::string dataUnits;
  std::string note;
  SampleBuffer samples;              // numeric data
  std::vector<std::string> texts;    // text waves
  int lockCount = 0;

  // Bytes per point of a numeric type (0 for text).
  static size_t ElementSize(int32_t type);
  // True for the types the workbench can hold.
  static bool ValidType(int32_t type);
  // "float32", "int16", "uint8", "complex64", "text", ...
  static std::string TypeName(int32_t type);
  // The value of point i as a double (the real part of complex data);
  // NaN for text waves.
  double Value(int64_t i) const;
  // Stores v at point i, converted to the wave's type (integers truncate
  // toward zero and saturate).
  void SetValue(int64_t i, double v);
  // Changes the number of points and the type, keeping what fits.
  void Resize(int32_t newType, int64_t newPoints);
};

// A global variable: numeric or string.
struct Variable {
  std::string name;
  bool isString = false;
  double number = 0.0;
  std::string text;
};

struct HostFolder {
  std::string name;  // "root" for the root folder
  HostFolder* parent = nullptr;
  std::vector<std::unique_ptr<HostFolder>> folders;
  std::vector<std::unique_ptr<HostWave>> waves;
  std::vector<Variable> variables;

  HostFolder* FindFolder(std::string_view n) const;
  HostWave* FindWave(std::string_view n) const;
  Variable* FindVariable(std::string_view n);
  // True when any object of this folder bears the name.
  bool NameInUse(std::string_view n) const;
  // The full path ending in ":"; liberal names quoted when `quoted`.
  std::string Path(bool quoted) const;
};

}  // namespace kwt
