#include "calculators/free_ca_mg.h"

#include <cmath>

#include "calculators/prefixed_number.h"
#include "host/host.h"
#include "support/format.h"

namespace kwt {
namespace {

// log10 of the association constants (1/M): H1 to H4, Ca, Mg, CaH, MgH.
// The "-" rows separate chelators, nucleotides, indicators and anions in
// the popups; they are entries all the same, with every constant 10^0.
constexpr BufferEntry kTable[] = {
    {"EGTA", {9.47, 8.85, 2.66, 2, 10.91, 5.21, 5.28, 3.37}},
    {"EDTA", {10.263, 6.188, 2.678, 1.983, 11.06, 9.094, 3.1, 4}},
    {"BAPTA", {6.36, 5.47, 0.01, 0.01, 6.97, 1.77, 0, 0}},
    {"Di-Br-BAPTA", {5.6, 4.57, 0.01, 0.01, 5.96, 1, 0, 0}},
    {"HEDTA", {9.89, 5.41, 2.6, 0, 8.3, 7, 0, 0}},
    {"NTA", {9.71, 2.48, 1.8, 0, 6.41, 5.41, 0, 0}},
    {"-", {0, 0, 0, 0, 0, 0, 0, 0}},
    {"AMP", {6.19, 3.8, 0, 0, 1.88, 1.97, 0, 0}},
    {"ADP", {6.4, 3.96, 0, 0, 2.81, 3.17, 5.16, 4.91}},
    {"ATP", {6.51, 4.06, 0, 0, 3.77, 4.06, 4.69, 4.55}},
    {"GMP", {6.1, 2.4, 0, 0, 0, 1.8, 0, 0}},
    {"GDP", {6.3, 2.9, 0, 0, 0, 3.4, 0, 0}},
    {"GTP", {6.5, 3.3, 0, 0, 3.58, 4.02, 0, 0}},
    {"DM-Nitrophen", {0, 0, 0, 0, 8.3, 6.08, 0, 0}},
    {"-", {0, 0, 0, 0, 0, 0, 0, 0}},
    {"Fura-2", {0, 0, 0, 0, 3.65, 2.01, 0, 0}},
    {"Furaptra", {0, 0, 0, 0, 4.4, 2.7, 0, 0}},
    {"Fluo-3", {0, 0, 0, 0, 6.23, 0, 0, 0}},
    {"Ca green", {0, 0, 0, 0, 6.72, 0, 0, 0}},
    {"Fura red", {0, 0, 0, 0, 6.8, 0, 0, 0}},
    {"-", {0, 0, 0, 0, 0, 0, 0, 0}},
    {"PO4", {11.74, 6.57, 1.72, 0, 5.58, 3.6, 1.86, 2.03}},
    {"SO4", {1.55, 0.01, 0, 0, 1.43, 1.35, 0, 0}},
    {"Citrate", {5.69, 4.35, 2.87, 0, 3.5, 3.37, 2.1, 1.92}},
    {"TPEN", {7.19, 4.86, 3.35, 2.95, 4.4, 1.7, 0, 0}},
};

constexpr CalculatorMessage kNoIon{
    kErrorTitle, "Total ion concentration (Calcium and/or Magnesium) required!"};
constexpr CalculatorMessage kNoBuffer{kErrorTitle, "At least one buffer is required!"};
constexpr CalculatorMessage kRanOut{kNoteTitle,
                                    "Maximal number of iterations reached. Please, increase value!"};
constexpr CalculatorMessage kNotComputed{
    kNoteTitle, "Free Calcium/Magnesium concentration couldn't be calculated!"};

// The busy cursor spins once per this many passes.
constexpr int64_t kPassesPerSpin = 4096;

struct Pair {
  double ca;
  double mg;
};

// One step of the mass balance: with the free ions (x, y), each buffer
// holds B = total / (K'Ca x + K'Mg y + 1) free, and the ions' totals split
// into free and bound.
Pair Step(const Pair& p, double totalCa, double totalMg, const FreeCaMgInput& in,
          const FreeCaMgResult& r) {
  double sumCa = 0.0, sumMg = 0.0;
  for (int i = 0; i < kBufferRows; ++i) {
    const FreeCaMgRowResult& row = r.rows[i];
    if (!row.active) continue;
    const double b = *in.rows[i].total / (row.kCa * p.ca + row.kMg * p.mg + 1.0);
    sumCa += b * row.kCa;
    sumMg += b * row.kMg;
  }
  return {totalCa / (1.0 + sumCa), totalMg / (1.0 + sumMg)};
}

bool Finite(const Pair& p) { return std::isfinite(p.ca) && std::isfinite(p.mg); }

// 2 (high - low) / (high + low) is still at or above the criterion.
bool Apart(double low, double high, double criterion) {
  return 2.0 * (high - low) / (high + low) >= criterion;
}

}  // namespace

std::span<const BufferEntry> BufferTable() { return kTable; }

bool SelectBuffer(int32_t item, BufferRow* row) {
  row->name.clear();
  for (double& k : row->constants) k = 0.0;
  const int32_t entry = item - (kBufferFirstEntryItem - 1);
  if (entry < 1 || entry > static_cast<int32_t>(std::size(kTable))) {
    // "_none_" and "-" leave the row unusable; so does an item number the
    // popup does not have (from a damaged settings record).
    row->selection = item == kBufferNoneItem + 1 ? item : kBufferNoneItem;
    return false;
  }
  row->selection = item;
  const BufferEntry& e = kTable[entry - 1];
  row->name = std::string(e.name);
  for (int k = 0; k < kBufferConstants; ++k) row->constants[k] = std::pow(10.0, e.log10K[k]);
  return true;
}

bool CalculateFreeCaMg(const FreeCaMgInput& in, FreeCaMgResult* out, CalculatorMessage* message) {
  *message = {};
  FreeCaMgResult r;
  // An ion counts only with a positive total; the other one is then 0 and
  // its criterion is left out of the iteration.
  r.caPresent = in.totalCa && *in.totalCa > 0.0;
  r.mgPresent = in.totalMg && *in.totalMg > 0.0;
  if (!r.caPresent && !r.mgPresent) {
    *out = r;
    *message = kNoIon;
    return false;
  }
  r.totalCa = r.caPresent ? *in.totalCa : 0.0;
  r.totalMg = r.mgPresent ? *in.totalMg : 0.0;

  // The options, brought into range; a corrected value goes back into its
  // field even when the calculation stops further on.
  r.optionsChecked = true;
  r.convergencePercent = in.convergencePercent.value_or(0.0);
  if (r.convergencePercent <= 0.0 || r.convergencePercent > 100.0) {
    r.convergencePercent = r.convergencePercent <= 0.0 ? 1.0 : 100.0;
    r.convergenceChanged = true;
  }
  const double criterion = r.convergencePercent * 0.01;
  r.iterations = in.iterations.value_or(0.0);
  if (r.iterations < 10.0 || r.iterations > 1e9) {
    r.iterations = r.iterations < 10.0 ? 10.0 : 1e9;
    r.iterationsChanged = true;
  }
  const auto maxPasses = static_cast<int64_t>(r.iterations);
  r.correction = in.correction.value_or(0.0);
  if (r.correction < 0.0) {
    r.correction = 0.0;
    r.correctionChanged = true;
  }
  r.pH = in.pH.value_or(-1.0);
  if (!in.pH || r.pH < 0.0) {
    r.pH = 7.2;
    r.pHChanged = true;
  }
  // The correction raises the proton concentration (an activity
  // correction); the pH reported is correction - log10(H), the pH typed.
  const double h = std::pow(10.0, r.correction - r.pH);
  r.pHInUse = r.correction - std::log10(h);

  // Apparent constants at this proton concentration.
  bool anyActive = false;
  for (int i = 0; i < kBufferRows; ++i) {
    const BufferRow& row = in.rows[i];
    FreeCaMgRowResult& rr = r.rows[i];
    rr.active = row.selection >= kBufferFirstEntryItem && row.total && *row.total > 0.0;
    if (!rr.active) continue;
    anyActive = true;
    // The fraction of unprotonated buffer is 1 / alphaH; the metal
    // constants apply to that fraction only.
    const double* k = row.constants;
    const double alphaH = 1.0 + k[kH1] * h + k[kH1] * k[kH2] * h * h +
                          k[kH1] * k[kH2] * k[kH3] * h * h * h +
                          k[kH1] * k[kH2] * k[kH3] * k[kH4] * h * h * h * h;
    rr.kCa = (k[kKCa] + k[kKCaH]) / alphaH;
    rr.kMg = (k[kKMg] + k[kKMgH]) / alphaH;
  }
  if (!anyActive) {
    *out = r;
    *message = kNoBuffer;
    return false;
  }

  // Iterate from both sides: the low pair rises and the high pair falls
  // towards the free concentrations, so their spread bounds the error.
  Pair low{0.0, 0.0};
  Pair high{r.totalCa, r.totalMg};
  for (;;) {
    const Pair lastLow = low, lastHigh = high;
    low = Step(low, r.totalCa, r.totalMg, in, r);
    high = Step(high, r.totalCa, r.totalMg, in, r);
    ++r.passes;
    // Finite totals give finite steps; anything else cannot be iterated.
    if (!Finite(low) || !Finite(high)) {
      *out = r;
      *message = kNotComputed;
      return false;
    }
    const bool apart = (r.caPresent && Apart(low.ca, high.ca, criterion)) ||
                       (r.mgPresent && Apart(low.mg, high.mg, criterion));
    if (!apart) {
      r.converged = true;
      break;
    }
    // Out of passes: the bracket so far is the answer, with a note.  A pass
    // that moved neither estimate will not move them again (the numbers
    // are at the end of their precision), so the passes are out as well.
    if (r.passes >= maxPasses) break;
    if (low.ca == lastLow.ca && low.mg == lastLow.mg && high.ca == lastHigh.ca &&
        high.mg == lastHigh.mg)
      break;
    if (r.passes % kPassesPerSpin == 0) HostCursor(kCursorSpinning);
  }

  r.lowCa = low.ca;
  r.highCa = high.ca;
  r.lowMg = low.mg;
  r.highMg = high.mg;
  r.freeCa = (high.ca + low.ca) / 2.0;
  r.freeMg = (high.mg + low.mg) / 2.0;
  for (int i = 0; i < kBufferRows; ++i) {
    FreeCaMgRowResult& rr = r.rows[i];
    if (rr.active) rr.freeBuffer = *in.rows[i].total / (rr.kMg * r.freeMg + rr.kCa * r.freeCa + 1.0);
  }
  if (!r.converged) *message = kRanOut;
  *out = r;
  return true;
}

// Rows are numbered as in the dialog (1 to 6), so unused rows leave gaps.
std::string FreeCaMgHistory(const FreeCaMgInput& in, const FreeCaMgResult& r) {
  std::string text = "Calculation of free Calcium & Magnesium\r";
  for (int i = 0; i < kBufferRows; ++i) {
    if (!r.rows[i].active) continue;
    AppendFormat(text, " %d: %-8s total %sM, free %sM\r", i + 1, in.rows[i].name.c_str(),
                 FormatPrefixedNumber(*in.rows[i].total).c_str(),
                 FormatPrefixedNumber(r.rows[i].freeBuffer).c_str());
  }
  if (r.caPresent || r.mgPresent) AppendFormat(text, " pH: %.2f\r", r.pHInUse);
  if (r.caPresent)
    AppendFormat(text, " Calcium:    total %sM, free %sM\r", FormatPrefixedNumber(r.totalCa).c_str(),
                 FormatPrefixedNumber(r.freeCa).c_str());
  if (r.mgPresent)
    AppendFormat(text, " Magnesium:  total %sM, free %sM\r", FormatPrefixedNumber(r.totalMg).c_str(),
                 FormatPrefixedNumber(r.freeMg).c_str());
  return text;
}

}  // namespace kwt
