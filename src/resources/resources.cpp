#include "resources/resources.h"

#include <array>

namespace kwt::resources {
namespace {

constexpr MenuItem kMenu[] = {
    {1, "Load PULSE/PM File"},
    {2, "Load X-Chart File"},
    {3, "-"},
    {4, "Wave Statistics"},
    {5, "Plot Waves"},
    {6, "Slim Waves"},
    {7, "-"},
    {8, "Calcium & Magnesium"},
    {9, "Buffer Capacity"},
    {10, "Patcher's Calculator"},
    {11, "Liquid Junction Potential"},
    {12, "-"},
    {13, "About KWT..."},
};

// Text i (from 1) is shown for result code 10000 + i.
constexpr std::array<std::string_view, 40> kErrorTexts = {
    "Not enough input waves. At least two waves are needed to make statistics",
    "No basename for statistical waves declared!",
    "Too much input waves for analysis",
    "Not enough memory. Couldn't create statistical output waves",
    "KWT support only single and double precision floatingpoint input waves",
    "KWT requires FPU",
    "Internal error while allocating handle",
    "Internal error, unable to get list of waves",
    "There are no waves! You need to create at least one wave",
    "Wrong option: Basename expected (/N=basename)",
    "Wrong option: x-wave expected (/X=x-wave)",
    "Wrong option: reference wave expected (/R=wave)",
    "Wrong option: Zero-Value expected (/Z=zero)",
    "Out of internal memory!",
    "Could not create Output-Wave!",
    "Could not access X-Chart Reference wave!",
    "All Input Waves must be of the same type (single- or double precision)! "
    "You may use Igor's Redimension Waves... Command.",
    "This is not a general binary file!",
    "there is no data in file",
    "expected name of general binary file",
    "expected base name for new waves",
    "expected file type",
    "too many file types (4 allowed)",
    "data length in bits must be 8, 16, 32 or 64",
    "number of arrays must be >= 1",
    "file contains too few bytes for specified number of bytes/point, points "
    "and arrays",
    "PULSE requires Igor version 4.0 or later",
    "The x-scaling of the input waves is different",
    "Error in PGF filename",
    "Error in PUL filename",
    "Cannot open PGF file. Check, if this file exists",
    "Cannot open PUL file. Check, if this file exists",
    "Cannot open DAT file. Check, if you have the rights for this file",
    "Please select a Pulse or PatchMaster file with the extension .dat",
    "wave names can't exceed 31 characters",
    "error while reading the group",
    "error while reading the series",
    "error while reading the sweep",
    "error while reading the trace",
    "PGF and PUL files don't match",
};

}  // namespace

std::span<const MenuItem> MenuItems() { return kMenu; }

std::string_view ErrorText(int32_t code) {
  if (code < kFirstModuleError || code > kLastModuleError) return {};
  return kErrorTexts[static_cast<size_t>(code - kFirstModuleError)];
}

std::string_view AboutText() {
  return "Electrophysiology tools: Pulse, PatchMaster and X-Chart loaders, "
         "LockIn capacitance, wave statistics and lab calculators.\r"
         "Written by the KWT developers.";
}

}  // namespace kwt::resources
