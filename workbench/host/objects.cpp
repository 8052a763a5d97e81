// Waves, variables and data folders.
#include "workbench/host/objects.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace kwt {

// ---- HostWave ---------------------------------------------------------------

size_t HostWave::ElementSize(int32_t type) {
  size_t base;
  switch (type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: base = 4; break;
    case kWaveFloat64: base = 8; break;
    case kWaveInt8: base = 1; break;
    case kWaveInt16: base = 2; break;
    case kWaveInt32: base = 4; break;
    default: return 0;
  }
  return (type & kWaveComplex) ? 2 * base : base;
}

bool HostWave::ValidType(int32_t type) {
  if (type == kWaveText) return true;
  const int32_t base = type & ~(kWaveComplex | kWaveUnsigned);
  if (base != kWaveFloat32 && base != kWaveFloat64 && base != kWaveInt8 &&
      base != kWaveInt16 && base != kWaveInt32)
    return false;
  // Floating-point types have no unsigned form.
  if ((type & kWaveUnsigned) && (base == kWaveFloat32 || base == kWaveFloat64))
    return false;
  return true;
}

std::string HostWave::TypeName(int32_t type) {
  if (type == kWaveText) return "text";
  const bool complex = (type & kWaveComplex) != 0;
  const bool isUnsigned = (type & kWaveUnsigned) != 0;
  switch (type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: return complex ? "complex64" : "float32";
    case kWaveFloat64: return complex ? "complex128" : "float64";
    case kWaveInt8: return std::string(complex ? "complex_" : "") + (isUnsigned ? "uint8" : "int8");
    case kWaveInt16: return std::string(complex ? "complex_" : "") + (isUnsigned ? "uint16" : "int16");
    case kWaveInt32: return std::string(complex ? "complex_" : "") + (isUnsigned ? "uint32" : "int32");
    default: return "unknown";
  }
}

namespace {

template <class T>
T Load(const std::byte* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <class T>
void Store(std::byte* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// Integer conversion as the host does it: truncate toward zero, saturate,
// NaN becomes 0.
template <class T>
T ToInteger(double v) {
  if (std::isnan(v)) return 0;
  const double t = std::trunc(v);
  if (t <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (t >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(t);
}

}  // namespace

double HostWave::Value(int64_t i) const {
  if (type == kWaveText || i < 0 || i >= points) return std::nan("");
  const std::byte* p = samples.data() + static_cast<size_t>(i) * ElementSize(type);
  const bool isUnsigned = (type & kWaveUnsigned) != 0;
  switch (type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: return Load<float>(p);
    case kWaveFloat64: return Load<double>(p);
    case kWaveInt8: return isUnsigned ? Load<uint8_t>(p) : Load<int8_t>(p);
    case kWaveInt16: return isUnsigned ? Load<uint16_t>(p) : Load<int16_t>(p);
    case kWaveInt32: return isUnsigned ? Load<uint32_t>(p) : Load<int32_t>(p);
    default: return std::nan("");
  }
}

void HostWave::SetValue(int64_t i, double v) {
  if (type == kWaveText || i < 0 || i >= points) return;
  std::byte* p = samples.data() + static_cast<size_t>(i) * ElementSize(type);
  const bool isUnsigned = (type & kWaveUnsigned) != 0;
  switch (type & ~(kWaveComplex | kWaveUnsigned)) {
    case kWaveFloat32: Store<float>(p, static_cast<float>(v)); break;
    case kWaveFloat64: Store<double>(p, v); break;
    case kWaveInt8:
      if (isUnsigned) Store(p, ToInteger<uint8_t>(v)); else Store(p, ToInteger<int8_t>(v));
      break;
    case kWaveInt16:
      if (isUnsigned) Store(p, ToInteger<uint16_t>(v)); else Store(p, ToInteger<int16_t>(v));
      break;
    case kWaveInt32:
      if (isUnsigned) Store(p, ToInteger<uint32_t>(v)); else Store(p, ToInteger<int32_t>(v));
      break;
    default: break;
  }
}

void HostWave::Resize(int32_t newType, int64_t newPoints) {
  if (newPoints < 0) newPoints = 0;
  if (newType == kWaveText || type == kWaveText) {
    if (newType != type) {
      samples = SampleBuffer();
      texts.clear();
    }
    type = newType;
    points = newPoints;
    if (type == kWaveText) texts.resize(static_cast<size_t>(points));
    else samples.Resize(static_cast<size_t>(points) * ElementSize(type));
    return;
  }
  if (newType == type) {
    samples.Resize(static_cast<size_t>(newPoints) * ElementSize(type));
    points = newPoints;
    return;
  }
  // A change of type converts the values that stay.
  HostWave converted;
  converted.type = newType;
  converted.points = newPoints;
  converted.samples = SampleBuffer(static_cast<size_t>(newPoints) * ElementSize(newType));
  const int64_t kept = newPoints < points ? newPoints : points;
  for (int64_t i = 0; i < kept; ++i) converted.SetValue(i, Value(i));
  samples = std::move(converted.samples);
  type = newType;
  points = newPoints;
}

// ---- HostFolder -------------------------------------------------------------

HostFolder* HostFolder::FindFolder(std::string_view n) const {
  for (const auto& f : folders)
    if (SameName(f->name, n)) return f.get();
  return nullptr;
}

HostWave* HostFolder::FindWave(std::string_view n) const {
  for (const auto& w : waves)
    if (SameName(w->name, n)) return w.get();
  return nullptr;
}

Variable* HostFolder::FindVariable(std::string_view n) {
  for (auto& v : variables)
    if (SameName(v.name, n)) return &v;
  return nullptr;
}

bool HostFolder::NameInUse(std::string_view n) const {
  if (FindWave(n) != nullptr || FindFolder(n) != nullptr) return true;
  for (const auto& v : variables)
    if (SameName(v.name, n)) return true;
  return false;
}

std::string HostFolder::Path(bool quoted) const {
  if (parent == nullptr) return name + ":";
  return parent->Path(quoted) + (quoted ? QuoteNameIfNeeded(name) : name) + ":";
}

}  // namespace kwt
