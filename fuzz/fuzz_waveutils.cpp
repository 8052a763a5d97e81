// The parameters of AutoStats, PlotWaves and SlimWaves: the first byte picks
// the operation, the rest is its flags and wave list, run in a session that
// holds waves of every number type, liberal names and string lists.  Line
// and command separators are dropped so that only the operation runs.
#include <cstdint>
#include <string>

#include "workbench/workbench.h"

namespace {

const char* const kOperations[] = {"AutoStats", "PlotWaves", "SlimWaves"};

void Prepare(kwt::Workbench& wb) {
  wb.Run("Make/O w0 = {1, 2, NaN, 4}; Make/O/D w1 = {3, NaN, NaN, 8, 10}; Make/O w2 = {5, 6, NaN}");
  wb.Run("Make/O/N=0 e; Make/O/W i16 = {1, 2}; Make/O/C c = {1, 2}; Make/O/T t = {\"a\", \"b\"}");
  wb.Run("Make/O ref = {NaN, 1, NaN, NaN, 2, NaN}; Make/O xw = {0, 1, 2, 3}");
  wb.Run("NewDataFolder/O/S 'my data'; Make/O 'w 1' = {7, 8, 9, 10}; SetDataFolder root:");
  wb.Run("String/G s = \"root:w0,root:w1\"; String/G q = \"root:'my data':'w 1',,root:w2\"");
  wb.Run("Variable/G n = 3; Display w0; Edit w1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 2048) return 0;
  std::string params;
  for (size_t i = 1; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0' || c == ';' || c == '\r' || c == '\n') continue;
    params += c;
  }
  static const std::string prefs = "/tmp/kwt-fuzz-prefs.bin";
  kwt::Workbench wb(kwt::Workbench::Options{prefs, false});
  wb.interaction().SetFixed(data[0] & 0x80 ? kwt::kAnswerNo : kwt::kAnswerYes);
  Prepare(wb);
  wb.Run(std::string(kOperations[(data[0] & 0x7F) % 3]) + params);
  return 0;
}
