// Axis ticks: nice tick values for a range, the SI prefix or power of ten
// that keeps tick labels short, and the labels themselves.
//
// Tick steps are 1, 2 or 5 times a power of ten.  An axis with units gets
// the engineering prefix (multiple of three) of its largest end, so that
// -0.08..0.04 V reads -80..40 with the units "mV"; an axis without units
// keeps plain numbers from 0.001 to 99999 and uses "×10ⁿ" outside.
#pragma once

#include <string>
#include <vector>

namespace kwt {

// The step, 1, 2 or 5 times a power of ten, that divides `span` into
// about `intervals` parts.  Returns 0 for an empty or non-finite span.
double NiceStep(double span, int intervals);

// The next larger nice step after `step` (1 -> 2 -> 5 -> 10).
double NextNiceStep(double step);

// The multiples of `step` within [lo, hi] (either order), ascending, with a
// tolerance of a ten-thousandth of a step at the ends.  At most 1000 values.
std::vector<double> TicksWithin(double lo, double hi, double step);

// How an axis shows its scale: tick values are divided by 10^exponent and
// `unitText` ("mV", "×10⁻¹²", "") goes into the axis label.  UTF-8.
struct AxisScale {
  int exponent = 0;
  std::string unitText;
};

// The scale for an axis spanning lo..hi with `units` (UTF-8, may be empty).
AxisScale ChooseAxisScale(double lo, double hi, const std::string& units);

// The SI prefix for an exponent that is a multiple of 3 in -24..24 ("" for
// 0, "µ" for -6); empty for any other exponent.
std::string SiPrefix(int exponent);

// The label of a tick at `value` (already divided by the scale) on an axis
// whose step (also divided) is `step`: as many decimals as the step needs,
// a true minus sign, and never "-0".  UTF-8.
std::string FormatTick(double value, double step);

}  // namespace kwt
