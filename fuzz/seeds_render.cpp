// Seeds for the graph settings: the command lines that the loaders and the
// wave utilities send.
#include "tests/testkit/seeds.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const kwt::test::SeedRegistration kGraph([](std::vector<kwt::test::Seed>& seeds) {
  const char* const inputs[] = {
      "ModifyGraph axisEnab(l2)={0.5200,1.0000},freePos(l2)=0,lblPos(l2)=60\n"
      "ModifyGraph mode('w1')=6,rgb(w0)=(39321,0,0),lstyle(w0)=(2)\n"
      "SetAxis/A/N=1 l1\nSetAxis l2 -0.08,0.04\nLabel l1 \"[\\U]\"",
      "ErrorBars w0 Y,wave=(w1,w1)\nErrorBars/T=0 w1 XY,const=0.5,pct=10\n"
      "ModifyGraph grid(l1)=1,nticks(l1)=3,minor(bottom)=1,log(l2)=1",
      "TextBox/C/N=text0/J/A=MT/X=0/Y=-10 \"\\JC\\Z14title\\f01bold\\K(0,0,65535)\"\n"
      "AppendText/N=text0 \"\\s(w0) w0\\S2\\M\\B3\"\nLegend/N=legend/A=LB/F=1\n"
      "SetDrawEnv xcoord=prel,ycoord=l1,linefgc=(0,0,39321),dash=3\nDrawLine 0,0.5,1,0.5",
      "ModifyGraph freePos(l1)={0.5,bottom},freePos(l2)={0.3,kwFraction},margin(left)=90,gaps=0\n"
      "ModifyGraph offset(w0)={1,2},hideTrace(w1)=1,marker=8,mode=4,msize=5,tick(l1)=2",
  };
  int i = 0;
  for (const char* input : inputs) seeds.push_back({"fuzz_graph", "graph" + std::to_string(i++), Bytes(input)});
});

}  // namespace
