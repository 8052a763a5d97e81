// Seeds for the workbench's command line, Igor text files and binary wave
// files.
#include "tests/testkit/seeds.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/export/pxp.h"
#include "workbench/export/itx.h"
#include "workbench/workbench.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const kwt::test::SeedRegistration kCommandLine([](std::vector<kwt::test::Seed>& seeds) {
  const char* const lines[] = {
      "Make/O/N=3 w; w = {1, NaN, 3}; SetScale/P x 0, 0.5, \"s\", w",
      "Variable/G x = (1 + 2) * 3 / 4 ^ 2 - -1; print x, \"text\"",
      "NewDataFolder/O/S 'my data'; Make/D 'w 1' = p * 2; SetDataFolder ::",
      "Note/K w0, \"a\\rb\\t\\\"c\\\"\"; Note/NOCR w0, \"more\"",
      "Display w0 vs w0; ModifyGraph rgb(w0)=(1,2,3); Edit w0; Append w0",
      "String/G t = \"a\" + s; KillWaves/Z w0; KillVariables v",
      "Make/O/N=3 'a-1'; Make/O b; AutoStats/N=m $WaveList(\"*\", \",\", \"\"); Edit $\"a-1;b\"",
      "String/G l = WaveList(\"w*\", \";\", \"WIN:\") + s; print l; KillWaves/Z $l",
  };
  int i = 0;
  for (const char* line : lines)
    seeds.push_back({"fuzz_command_line", "line" + std::to_string(i++), Bytes(line)});
});

const kwt::test::SeedRegistration kItx([](std::vector<kwt::test::Seed>& seeds) {
  kwt::Workbench wb(kwt::Workbench::Options{"/tmp/kwt-seed-prefs.bin", false});
  wb.Run("Make/O/N=3 w = {1, NaN, -3.5}; SetScale/P x 0, 0.5, \"s\", w; Note w, \"a \\\"note\\\"\"");
  wb.Run("Make/O/I/U/N=2 u = {1, 4000000000}; Make/O/T/N=2 t = {\"x\", \"y\"}; Make/O/C/N=1 c");
  wb.Run("NewDataFolder/O/S sub; Variable/G n = 2; String/G s = \"hi\"; Make/O/W/N=2 k; SetDataFolder ::");
  seeds.push_back({"fuzz_itx", "session", Bytes(kwt::SaveItx(wb))});
});

// One file per wave type, as kwt --save DIR/ writes them.
const kwt::test::SeedRegistration kIbw([](std::vector<kwt::test::Seed>& seeds) {
  kwt::Workbench wb(kwt::Workbench::Options{"/tmp/kwt-seed-prefs.bin", false});
  wb.Run("Make/O/N=3 w = {1, NaN, -3.5}; SetScale/P x 0, 0.5, \"seconds\", w; Note w, \"a\\rnote\"");
  wb.Run("Make/O/T/N=2 t = {\"x\", \"yz\"}; Make/O/C/N=1 c; Make/O/W/U/N=2 k");
  const kwt::test::TempDir dir;
  std::string error;
  if (!kwt::SaveIbwFiles(wb, dir.File("out/"), &error)) return;
  for (const char* name : {"w", "t", "c", "k"}) {
    const std::string bytes = kwt::test::ReadFile(dir.File(std::string("out/root/") + name + ".ibw"));
    seeds.push_back({"fuzz_ibw", name, Bytes(bytes)});
  }
});

}  // namespace
