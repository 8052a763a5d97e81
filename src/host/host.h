// The host seam: everything the module knows about the application that
// loads it.
//
// The host hands the module one record at load time (HostRecord).  From then
// on the module reaches the host only through the free functions below, which
// forward to the HostServices object that the record carries.  No exception
// crosses this seam in either direction: every forwarding function catches
// what the host implementation throws and turns it into a result code
// (std::bad_alloc becomes kHostErrNoMemory, anything else kHostErrInternal).
//
// Result codes (result_codes.h): 0 is success; a positive number below
// 10000 is a host error code that callers pass up unchanged; 10001..10040
// are the module's own errors; -1 is a failure without a text.
//
// Texts crossing the seam are byte strings in the host's code page
// (Windows-1252): history lines end in "\r", and bytes such as 0xBA (the
// degree sign of the LockIn report) pass through unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/result_codes.h"

namespace kwt {

// Opaque host objects.  The host defines these types; the module only holds
// pointers to them, and a null pointer means "none".
struct HostWave;
struct HostFolder;
using WaveHandle = HostWave*;
using FolderHandle = HostFolder*;

// Number types of waves, as the host codes them.  The low bit marks complex
// data; kWaveUnsigned modifies the integer types.
inline constexpr int32_t kWaveText = 0;
inline constexpr int32_t kWaveComplex = 0x01;
inline constexpr int32_t kWaveFloat32 = 0x02;
inline constexpr int32_t kWaveFloat64 = 0x04;
inline constexpr int32_t kWaveInt8 = 0x08;
inline constexpr int32_t kWaveInt16 = 0x10;
inline constexpr int32_t kWaveInt32 = 0x20;
inline constexpr int32_t kWaveUnsigned = 0x40;

// Kinds of objects in a data folder (HostGetFolderObject).
inline constexpr int32_t kObjectNone = 0;
inline constexpr int32_t kObjectWave = 1;
inline constexpr int32_t kObjectNumeric = 2;
inline constexpr int32_t kObjectFolder = 3;
inline constexpr int32_t kObjectString = 4;

// Cursor kinds (HostCursor).
inline constexpr int32_t kCursorArrow = 1;
inline constexpr int32_t kCursorWatch = 2;
inline constexpr int32_t kCursorSpinning = 5;

// Modes of HostPutCommandLine and choices of HostFinishDialogCommand.
inline constexpr int32_t kCommandLinePlace = 1;   // place for editing
inline constexpr int32_t kCommandLineRun = 3;     // run as if entered
inline constexpr int32_t kFinishRun = 1;
inline constexpr int32_t kFinishCommandLine = 2;
inline constexpr int32_t kFinishClipboard = 3;

// Answers of HostAskYesNo.
inline constexpr int32_t kAnswerYes = 1;
inline constexpr int32_t kAnswerNo = 2;

// What HostLockWaves reports for one wave.
struct LockedWave {
  WaveHandle wave = nullptr;
  int32_t type = 0;
  int64_t points = 0;
  void* data = nullptr;
};

// An object found by name in a data folder.
struct FolderObject {
  int32_t kind = kObjectNone;
  WaveHandle wave = nullptr;
  FolderHandle folder = nullptr;
  double number = 0.0;
  std::string text;   // the value of a string variable
};

// What an operation tells its user beside its result code and the history.
// The codes and history texts stay as they are; a host that shows its user
// more (the workbench's terminal and session file) takes these as well, and
// a host without such a channel ignores them.
enum class ProblemKind : int32_t {
  kNothingLoaded = 1,   // a load ended without a wave: what was asked, what there is
  kMissingSamples = 2,  // a wave holds zeros where its file held no samples
  kDamaged = 3,         // an item of a damaged recording was left out
  kDiagnosis = 4,       // which check failed, for the failure that follows
};

struct Problem {
  ProblemKind kind = ProblemKind::kDiagnosis;
  std::string text;     // host bytes, one line without a line end
  int64_t missing = 0;  // kMissingSamples, kDamaged: samples the file did not give
  int64_t points = 0;   // kMissingSamples: the points of the wave
};

// The host's side of the seam.  The workbench implements it; tests may too.
// Methods may throw; the forwarding functions below catch.
class HostServices {
 public:
  virtual ~HostServices() = default;

  virtual int32_t Version() = 0;

  // Output.
  virtual void Notice(std::string_view text) = 0;
  virtual int32_t Execute(std::string_view command) = 0;
  virtual int32_t Command(std::string_view command) = 0;
  virtual int32_t PutCommandLine(std::string_view command, int32_t mode) = 0;
  virtual int32_t SetScrapData(std::string_view text) = 0;
  virtual void Alert(std::string_view title, std::string_view text) = 0;
  virtual int32_t AskYesNo(std::string_view title, std::string_view text) = 0;
  virtual void ErrorAlert(std::string_view title, int32_t code) = 0;
  virtual void Beep() = 0;
  virtual void Report(const Problem& problem) { (void)problem; }

  // Waves.  New waves are made in the current data folder and zero-filled.
  virtual int32_t MakeWave(WaveHandle* wave, std::string_view name,
                           int64_t points, int32_t type, bool overwrite) = 0;
  virtual WaveHandle FindWave(std::string_view name) = 0;
  // A load's waves, made until EndWaveReserve, hold about `bytes` of
  // samples in all: the host may take their memory in one piece.
  virtual void ReserveWaves(uint64_t bytes) { (void)bytes; }
  virtual void EndWaveReserve() {}
  virtual WaveHandle FetchWaveInFolder(FolderHandle folder,
                                       std::string_view name) = 0;
  virtual int32_t KillWave(WaveHandle wave) = 0;
  virtual int32_t Redimension(WaveHandle wave, int32_t type,
                              int64_t points) = 0;
  virtual void* WaveData(WaveHandle wave) = 0;
  virtual int64_t WavePoints(WaveHandle wave) = 0;
  virtual int32_t WaveType(WaveHandle wave) = 0;
  virtual std::string WaveName(WaveHandle wave) = 0;
  virtual std::string QuoteName(std::string_view name) = 0;
  virtual int32_t GetDimScaling(WaveHandle wave, int32_t dim, double* a,
                                double* b) = 0;
  virtual int32_t SetDimScaling(WaveHandle wave, int32_t dim,
                                std::optional<double> a,
                                std::optional<double> b) = 0;
  virtual int32_t GetDimUnits(WaveHandle wave, int32_t dim,
                              std::string* units) = 0;
  virtual int32_t SetDimUnits(WaveHandle wave, int32_t dim,
                              std::string_view units) = 0;
  virtual std::string GetWaveNote(WaveHandle wave) = 0;
  virtual int32_t SetWaveNote(WaveHandle wave, std::string_view note) = 0;
  virtual int32_t WaveList(std::string* list, std::string_view match,
                           std::string_view separator,
                           std::string_view options) = 0;
  virtual int32_t WindowList(std::string* list, std::string_view match,
                             std::string_view separator,
                             std::string_view options) = 0;
  virtual int32_t LockWave(WaveHandle wave, bool lock) = 0;

  // Variables.  Made in the current data folder when absent.
  virtual int32_t SetNumericVariable(std::string_view name, double value,
                                     bool global) = 0;
  virtual int32_t SetStringVariable(std::string_view name,
                                    std::string_view value, bool global) = 0;
  virtual int32_t CreateVariable(std::string_view name, int32_t kind,
                                 int32_t flags) = 0;
  virtual int32_t FetchStringVariable(std::string_view name,
                                      std::string* value) = 0;

  // Data folders.
  virtual FolderHandle RootFolder() = 0;
  virtual FolderHandle CurrentFolder() = 0;
  virtual int32_t GetFolderObject(FolderHandle folder, std::string_view name,
                                  FolderObject* object) = 0;
  virtual int32_t GetNamedFolder(FolderHandle start, std::string_view path,
                                 FolderHandle* folder) = 0;
  virtual int32_t GetWaveFolder(WaveHandle wave, FolderHandle* folder) = 0;
  virtual int32_t GetFolderPath(FolderHandle folder, int32_t mode,
                                std::string* path) = 0;
  virtual int32_t GetFolderContents(FolderHandle folder,
                                    std::vector<FolderHandle>* subfolders,
                                    std::vector<WaveHandle>* waves) = 0;

  // Parsing the command line of the operation being run.
  virtual int32_t GetFlag(std::string_view letters) = 0;
  virtual int32_t NextSymbol() = 0;
  virtual int32_t TakeSymbol() = 0;
  virtual int32_t GetNumber(double* value) = 0;
  virtual int32_t GetName(std::string* name) = 0;
  virtual int32_t GetFolderAndName(FolderHandle* folder, std::string* name,
                                   bool liberal) = 0;
  virtual int32_t GetFileName(std::string* path) = 0;
  virtual int32_t GetWave(WaveHandle* wave) = 0;
  virtual int32_t AtEnd() = 0;

  // State.
  virtual void PauseUpdate() = 0;
  virtual void ResumeUpdate() = 0;
  virtual void Cursor(int32_t kind) = 0;
  virtual int32_t GetPrefs(std::vector<uint8_t>* record) = 0;
  virtual int32_t SavePrefs(std::span<const uint8_t> record) = 0;
  virtual int32_t ToNativePath(std::string* path) = 0;
  virtual int32_t FromNativePath(std::string* path) = 0;
  virtual uint32_t TickCount() = 0;

  // Menus: translate the host's menu id and item number into the module's
  // resource numbers; 0 when the host cannot translate.
  virtual int32_t ActualToResourceMenu(int32_t menuId) = 0;
  virtual int32_t ActualToResourceItem(int32_t resourceMenu,
                                       int32_t item) = 0;
};

// The record the host hands over at load time.  The host fills message and
// items before each message; the module writes entry (once, at load), the
// type word and the result.
struct HostRecord {
  int32_t message = 0;
  std::vector<int32_t> items;
  int32_t result = 0;
  int32_t typeWord = 0;
  void (*entry)() = nullptr;
  HostServices* host = nullptr;
};

// Message codes the module handles.
inline constexpr int32_t kMessageCommand = 3;
inline constexpr int32_t kMessageMenuItem = 10;
inline constexpr int32_t kMessageMenuEnable = 11;

// Keeps the record for the forwarding functions (called once by main).
void HostAttach(HostRecord* record);
// The record kept by HostAttach, or null before load.
HostRecord* HostAttachedRecord();
// The host version read at load.
int32_t HostVersion();

// ---- Output --------------------------------------------------------------

// Posts text to the history (lines end in "\r").
void HostNotice(std::string_view text);
// Runs a command line; returns its result code.
int32_t HostExecute(std::string_view command);
int32_t HostCommand(std::string_view command);
// mode kCommandLineRun runs the text as if entered, kCommandLinePlace puts it
// on the command line for editing.
int32_t HostPutCommandLine(std::string_view command, int32_t mode);
// choice 1 run, 2 command line, 3 clipboard.
int32_t HostFinishDialogCommand(std::string_view command, int32_t choice);
int32_t SetScrapData(std::string_view text);
void HostAlert(std::string_view title, std::string_view text);
// Returns kAnswerYes (1) or kAnswerNo (2).
int32_t HostAskYesNo(std::string_view title, std::string_view text);
// Shows the text of a result code in an alert.
void HostErrorAlert(std::string_view title, int32_t code);
// The platform's warning beep.
void HostBeep();
// Tells the user of a problem (see ProblemKind); HostDiagnose says which
// check failed, for the failure that the caller returns next.
void HostReport(const Problem& problem);
// Memory that ran out while the module worked: a host call that failed for
// it, or module work that went on without what it could not allocate.  An
// operation that met it does not report success (frame.cpp), so a load
// that left waves out for lack of memory ends with kHostErrNoMemory.
void HostNoteOutOfMemory();
// True when memory ran out since the last call; starts again clear.
bool HostTakeOutOfMemory();
void HostDiagnose(std::string_view text);

// ---- Waves ---------------------------------------------------------------

// Makes a wave in the current data folder (zero-filled).  Fails when a wave
// of that name exists and overwrite is false, or the name is not valid.
int32_t HostMakeWave(WaveHandle* wave, std::string_view name, int64_t points,
                     int32_t type, bool overwrite);
// A hint before a load makes its waves: together they will hold about
// `bytes` of samples.  Waves made until HostEndWaveReserve may then share
// one block of memory (each wave still is its own: killed, it gives its
// memory back; redimensioned, it moves out).  Without the hint, or beyond
// its size, waves are made one by one as before.
void HostReserveWaves(uint64_t bytes);
void HostEndWaveReserve();
// The wave of that name in the current data folder, or null.
WaveHandle HostFindWave(std::string_view name);
WaveHandle HostFetchWaveInFolder(FolderHandle folder, std::string_view name);
int32_t HostKillWave(WaveHandle wave);
int32_t HostRedimension(WaveHandle wave, int32_t type, int64_t points);
// The wave's samples; valid until the wave is changed or killed.
void* HostWaveData(WaveHandle wave);
int64_t HostWavePoints(WaveHandle wave);
int32_t HostWaveType(WaveHandle wave);
std::string HostWaveName(WaveHandle wave);
// The name as it must stand in a command line ('quoted' when liberal).
std::string HostQuoteName(std::string_view name);
// x delta, x start, data full scale (top, bottom).
int32_t HostGetWaveScaling(WaveHandle wave, double* xDelta, double* xStart,
                           double* top, double* bottom);
// Sets the values that are given; std::nullopt leaves a value unchanged.
int32_t HostSetWaveScaling(WaveHandle wave, std::optional<double> xDelta,
                           std::optional<double> xStart,
                           std::optional<double> top,
                           std::optional<double> bottom);
// Dimension 0 is x, 1 the second dimension; -1 gives the data full scale
// (a = top, b = bottom).  For dimensions >= 0, a = delta and b = offset.
int32_t HostGetDimScaling(WaveHandle wave, int32_t dim, double* a, double* b);
int32_t HostSetDimScaling(WaveHandle wave, int32_t dim, std::optional<double> a,
                          std::optional<double> b);
// Dimension -1 is the data units.
int32_t HostGetDimUnits(WaveHandle wave, int32_t dim, std::string* units);
int32_t HostSetDimUnits(WaveHandle wave, int32_t dim, std::string_view units);
int32_t HostGetWaveUnits(WaveHandle wave, std::string* xUnits,
                         std::string* dataUnits);
int32_t HostSetWaveUnits(WaveHandle wave, std::string_view xUnits,
                         std::string_view dataUnits);
std::string HostGetWaveNote(WaveHandle wave);
int32_t HostSetWaveNote(WaveHandle wave, std::string_view note);
// Names of the waves matching `match`, each followed by `separator`.
// options "WIN:" restricts the list to the waves of the top window.
int32_t HostWaveList(std::string* list, std::string_view match,
                     std::string_view separator, std::string_view options);
int32_t HostWindowList(std::string* list, std::string_view match,
                       std::string_view separator, std::string_view options);
// Locks the waves (they cannot be killed or redimensioned until unlocked)
// and reports type, points and data of each; maxPoints is the largest point
// count.  On failure nothing stays locked.
int32_t HostLockWaves(std::span<const WaveHandle> waves,
                      std::vector<LockedWave>* locked, int64_t* maxPoints);
void HostUnlockWaves(std::span<const WaveHandle> waves);

// ---- Variables and folders ----------------------------------------------

int32_t HostSetIntVariable(std::string_view name, int32_t value, bool global);
int32_t HostSetFloatVariable(std::string_view name, double value, bool global);
int32_t HostSetStringVariable(std::string_view name, std::string_view value,
                              bool global);
// kind kObjectNumeric or kObjectString.
int32_t HostCreateVariable(std::string_view name, int32_t kind, int32_t flags);
// The text of a string variable in the current data folder (95 when there
// is none).
int32_t HostFetchStringVariable(std::string_view name, std::string* value);
FolderHandle HostRootFolder();
FolderHandle HostCurrentFolder();
// object->kind is kObjectNone when nothing of that name exists (result 0).
int32_t HostGetFolderObject(FolderHandle folder, std::string_view name,
                            FolderObject* object);
// path is absolute ("root:a:b") or relative to start (null: current folder).
int32_t HostGetNamedFolder(FolderHandle start, std::string_view path,
                           FolderHandle* folder);
int32_t HostGetWaveFolder(WaveHandle wave, FolderHandle* folder);
// mode 0: the folder's name; 1: its full path ending in ":"; 3: the full
// path with liberal names quoted.
int32_t HostGetFolderPath(FolderHandle folder, int32_t mode, std::string* path);
int32_t HostGetFolderContents(FolderHandle folder,
                              std::vector<FolderHandle>* subfolders,
                              std::vector<WaveHandle>* waves);

// ---- Parsing the operation's command line --------------------------------

// The letter of the next flag when it is in `letters`; 0 when no flag
// follows; negative when the flag is not in `letters` or is malformed.
int32_t HostGetFlag(std::string_view letters);
// The next symbol character ('=', '$', ',', ...) without taking it; 0 at
// the end of the command or before a name, number or string.
int32_t HostNextSymbol();
// Takes the next symbol character and returns it; 0 when none.
int32_t HostTakeSymbol();
// Reads a numeric expression.
int32_t HostGetNumber(double* value);
// Reads a name (standard or 'liberal').
int32_t HostGetName(std::string* name);
// Reads a name that may carry a data-folder path; *folder is null when no
// path was given.
int32_t HostGetFolderAndName(FolderHandle* folder, std::string* name,
                             bool liberal);
// Reads a quoted path or a $stringVariable.
int32_t HostGetFileName(std::string* path);
// Reads the next wave of a comma-separated list.  Result 0 with *wave null
// when no wave name follows; an error when a name names no wave.
int32_t HostGetWave(WaveHandle* wave);
// 0 at the end of the command, else the host's error code.
int32_t HostAtEnd();

// ---- State -----------------------------------------------------------------

void HostPauseUpdate();
void HostResumeUpdate();
// Sets the cursor; kCursorSpinning spins it (the host limits the rate).
void HostCursor(int32_t kind);
// The module's stored preferences record; empty when none is stored.
int32_t HostGetPrefs(std::vector<uint8_t>* record);
int32_t HostSavePrefs(std::span<const uint8_t> record);
int32_t HostToNativePath(std::string* path);
int32_t HostFromNativePath(std::string* path);
// Ticks of 1/60 s since some start.
uint32_t TickCount();
int32_t HostActualToResourceMenu(int32_t menuId);
int32_t HostActualToResourceItem(int32_t resourceMenu, int32_t item);

// ---- NaN helpers -----------------------------------------------------------

bool IsNaN32(const float* value);
bool IsNaN64(const double* value);
void SetNaN32(float* value);   // stores the pattern 0x7FFFFFFF
void SetNaN64(double* value);  // stores the pattern 0x7FFFFFFFFFFFFFFF

}  // namespace kwt
