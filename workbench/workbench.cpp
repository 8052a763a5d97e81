// The workbench's host services and the running of command lines.
#include "workbench/workbench.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "frame/frame.h"
#include "resources/resources.h"
#include "workbench/host/encoding.h"

namespace kwt {
namespace {
// The title of the workbench's alerts about the stored preferences.
constexpr std::string_view kPrefsAlertTitle = "KWT Preferences";
}  // namespace

std::string_view ProblemKindName(ProblemKind kind) {
  switch (kind) {
    case ProblemKind::kNothingLoaded: return "nothing_loaded";
    case ProblemKind::kMissingSamples: return "missing_samples";
    case ProblemKind::kDamaged: return "damaged";
    case ProblemKind::kDiagnosis: break;
  }
  return "diagnosis";
}

Workbench::Workbench() : Workbench(Options{}) {}

Workbench::Workbench(Options options)
    : prefs_(std::move(options.prefsPath)),
      progress_(options.showProgress),
      maxWaveBytes_(options.maxWaveBytes),
      memoryPrefs_(options.memoryPrefs),
      dialogs_(*this) {
  record_.host = this;
  HostRegisterDialogServices(&dialogs_);
  // Load the module the way the host does: hand over the record once.
  kwt::main(&record_);
}

Workbench::~Workbench() {
  HostRegisterDialogServices(nullptr);
  record_.host = nullptr;
  HostAttach(nullptr);
}

// ---- Running command lines ---------------------------------------------------

int32_t Workbench::Run(std::string_view line) {
  int32_t code = 0;
  TakeProblems();  // what was reported outside a line belongs to none
  try {
    // Lines typed at a terminal arrive as UTF-8; the host works in its code
    // page, except for lines that it cannot hold (encoding.h).
    const std::string text = Utf8ToHost(line);
    PostHistory("\x95" + text + "\r");
    code = ExecuteLine(text);
  } catch (const std::bad_alloc&) {
    code = kHostErrNoMemory;
  }
  Result result{std::string(line), code, code == 0 ? std::string() : ErrorText(code), {}, {}};
  for (Problem& p : TakeProblems()) {
    if (p.kind != ProblemKind::kDiagnosis) result.problems.push_back(std::move(p));
    else if (code != 0 && result.diagnosis.find(p.text) == std::string::npos)
      result.diagnosis += (result.diagnosis.empty() ? "" : "; ") + p.text;
  }
  AddResult(std::move(result));
  RunQueuedLines();
  return code;
}

int32_t Workbench::Execute(std::string_view line) {
  LogCommand(line);
  return ExecuteLine(line);
}

int32_t Workbench::ExecuteLine(std::string_view line) {
  for (const std::string& command : SplitCommands(line)) {
    const int32_t code = RunCommand(command);
    if (code != 0) return code;
  }
  return 0;
}

int32_t Workbench::Command(std::string_view command) { return Execute(command); }

void Workbench::RunQueuedLines() {
  // Lines the module placed for running (HostPutCommandLine mode 3) run
  // once the message that placed them has ended, as typed lines do.
  while (messageDepth_ == 0 && !queued_.empty()) {
    const std::string line = queued_.front();
    queued_.erase(queued_.begin());
    Run(line);
  }
}

int32_t Workbench::SendMessage(int32_t message, std::vector<int32_t> items) {
  record_.message = message;
  record_.items = std::move(items);
  record_.result = 0;
  ++messageDepth_;
  if (record_.entry != nullptr) record_.entry();
  --messageDepth_;
  const int32_t result = record_.result;
  progress_.Cursor(kCursorArrow);
  return result;
}

int32_t Workbench::ChooseMenuItem(int32_t resourceItem) {
  const int32_t result = SendMessage(kMessageMenuItem, {kHostMenuId, resourceItem});
  RunQueuedLines();
  return result;
}

int32_t Workbench::RunModuleOperation(int32_t index, CommandCursor& cursor) {
  cursors_.push_back(&cursor);
  // The cursor is taken off again however the message ends.
  struct PopCursor {
    std::vector<CommandCursor*>& cursors;
    ~PopCursor() { cursors.pop_back(); }
  } pop{cursors_};
  // Nested messages (a module command run by HostExecute while another
  // runs) keep the outer message's record intact.
  const HostRecord saved = record_;
  const size_t reported = problemCount();
  const int32_t result = SendMessage(kMessageCommand, {0, index});
  // A failure that the module did not explain is placed in the command.
  const bool explained = DiagnosedSince(reported);
  cursor.SkipSpace();
  if (result != 0 && !explained && !cursor.AtEnd())
    Report({ProblemKind::kDiagnosis, "the command stopped at: " + std::string(cursor.Rest())});
  else if (result == kHostErrInternal || (result == -1 && !explained))
    Report({ProblemKind::kDiagnosis, "the operation gave no reason"});
  const int32_t typeWord = record_.typeWord;
  record_.message = saved.message;
  record_.items = saved.items;
  record_.typeWord = typeWord;
  return result;
}

int32_t Workbench::ParseWith(std::string_view text, const std::function<int32_t()>& fn) {
  CommandCursor cursor{std::string(text)};
  cursors_.push_back(&cursor);
  struct Pop {
    std::vector<CommandCursor*>& v;
    ~Pop() { v.pop_back(); }
  } pop{cursors_};
  return fn();
}

CommandCursor* Workbench::TopCursor() { return cursors_.empty() ? nullptr : cursors_.back(); }

// ---- Output services -----------------------------------------------------------

int32_t Workbench::PutCommandLine(std::string_view command, int32_t mode) {
  LogCommand(command);
  if (mode == kCommandLineRun) {
    queued_.emplace_back(command);
    RunQueuedLines();
  } else {
    SetCommandLine(command);
  }
  return 0;
}

int32_t Workbench::SetScrapData(std::string_view text) {
  SetClipboard(text);
  return 0;
}

void Workbench::Alert(std::string_view title, std::string_view text) {
  interaction_.Alert(title, text);
}

int32_t Workbench::AskYesNo(std::string_view title, std::string_view text) {
  return interaction_.AskYesNo(title, text);
}

void Workbench::Report(const Problem& problem) { Session::Report(problem); }

void Workbench::ErrorAlert(std::string_view title, int32_t code) {
  interaction_.Alert(title, ErrorText(code));
}

void Workbench::Beep() { interaction_.Beep(); }

// ---- Waves ----------------------------------------------------------------------

int32_t Workbench::MakeWave(WaveHandle* out, std::string_view name, int64_t points,
                            int32_t type, bool overwrite) {
  if (out != nullptr) *out = nullptr;
  if (name.size() > static_cast<size_t>(kHostMaxNameLength)) return kHostErrNameTooLong;
  if (!IsValidName(name)) return kHostErrBadName;
  if (!HostWave::ValidType(type)) return kHostErrWrongType;
  if (points < 0) return kHostErrBadValue;
  if (!WaveFits(type, points)) return kHostErrNoMemory;
  HostWave* wave = current().FindWave(name);
  if (wave == nullptr && current().NameInUse(name)) return kHostErrNameInUse;
  if (wave != nullptr) {
    if (!overwrite) return kHostErrNameInUse;
    if (wave->lockCount > 0) return kHostErrWaveInUse;
    // An overwritten wave is made anew in place, so windows that show it
    // keep showing it.
    HostWave fresh;
    fresh.type = type;
    fresh.points = points;
    if (type == kWaveText) fresh.texts.resize(static_cast<size_t>(points));
    else fresh.samples = SampleBuffer(static_cast<size_t>(points) * HostWave::ElementSize(type));
    fresh.name = wave->name;
    fresh.folder = wave->folder;
    *wave = std::move(fresh);
  } else {
    auto made = std::make_unique<HostWave>();
    made->name = std::string(name);
    made->folder = &current();
    made->type = type;
    made->points = points;
    if (type == kWaveText) made->texts.resize(static_cast<size_t>(points));
    else made->samples = SampleBuffer(static_cast<size_t>(points) * HostWave::ElementSize(type));
    wave = made.get();
    current().waves.push_back(std::move(made));
  }
  if (out != nullptr) *out = wave;
  return 0;
}

bool Workbench::WaveFits(int32_t type, int64_t points) const {
  const uint64_t size = type == kWaveText ? sizeof(std::string) : HostWave::ElementSize(type);
  // Sizes that overflow 64 bits never fit.
  if (points > 0 && static_cast<uint64_t>(points) > UINT64_MAX / size) return false;
  return maxWaveBytes_ == 0 || static_cast<uint64_t>(points) * size <= maxWaveBytes_;
}

WaveHandle Workbench::FindWave(std::string_view name) {
  if (name.find(':') != std::string_view::npos) return ResolveWave(name);
  return current().FindWave(name);
}

WaveHandle Workbench::FetchWaveInFolder(FolderHandle folder, std::string_view name) {
  if (folder == nullptr) folder = &current();
  return folder->FindWave(name);
}

int32_t Workbench::KillWave(WaveHandle wave) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (wave->lockCount > 0) return kHostErrWaveInUse;
  for (const Window& w : windows())
    if (w.Shows(wave)) return kHostErrWaveInUse;
  auto& waves = wave->folder->waves;
  waves.erase(std::remove_if(waves.begin(), waves.end(),
                             [&](const std::unique_ptr<HostWave>& w) { return w.get() == wave; }),
              waves.end());
  return 0;
}

int32_t Workbench::Redimension(WaveHandle wave, int32_t type, int64_t points) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (!HostWave::ValidType(type)) return kHostErrWrongType;
  if (points < 0) return kHostErrBadValue;
  if (!WaveFits(type, points)) return kHostErrNoMemory;
  if (wave->lockCount > 0) return kHostErrWaveInUse;
  wave->Resize(type, points);
  return 0;
}

void* Workbench::WaveData(WaveHandle wave) {
  if (wave == nullptr || wave->type == kWaveText) return nullptr;
  return wave->samples.data();
}
int64_t Workbench::WavePoints(WaveHandle wave) { return wave != nullptr ? wave->points : 0; }
int32_t Workbench::WaveType(WaveHandle wave) { return wave != nullptr ? wave->type : -1; }
std::string Workbench::WaveName(WaveHandle wave) { return wave != nullptr ? wave->name : ""; }
std::string Workbench::QuoteName(std::string_view name) { return QuoteNameIfNeeded(name); }

int32_t Workbench::GetDimScaling(WaveHandle wave, int32_t dim, double* a, double* b) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) {
    if (a) *a = wave->fullScaleTop;
    if (b) *b = wave->fullScaleBottom;
    return 0;
  }
  if (dim < 0 || dim > 1) return kHostErrBadValue;
  if (a) *a = wave->dims[dim].delta;
  if (b) *b = wave->dims[dim].offset;
  return 0;
}

int32_t Workbench::SetDimScaling(WaveHandle wave, int32_t dim, std::optional<double> a,
                                 std::optional<double> b) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) {
    if (a) wave->fullScaleTop = *a;
    if (b) wave->fullScaleBottom = *b;
    return 0;
  }
  if (dim < 0 || dim > 1) return kHostErrBadValue;
  // A delta of 0 would make every point the same x; the host refuses it.
  if (a && *a == 0.0) return kHostErrBadValue;
  if (a) wave->dims[dim].delta = *a;
  if (b) wave->dims[dim].offset = *b;
  return 0;
}

int32_t Workbench::GetDimUnits(WaveHandle wave, int32_t dim, std::string* units) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) *units = wave->dataUnits;
  else if (dim >= 0 && dim <= 1) *units = wave->dims[dim].units;
  else return kHostErrBadValue;
  return 0;
}

int32_t Workbench::SetDimUnits(WaveHandle wave, int32_t dim, std::string_view units) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (dim == -1) wave->dataUnits = std::string(units);
  else if (dim >= 0 && dim <= 1) wave->dims[dim].units = std::string(units);
  else return kHostErrBadValue;
  return 0;
}

std::string Workbench::GetWaveNote(WaveHandle wave) { return wave != nullptr ? wave->note : ""; }

int32_t Workbench::SetWaveNote(WaveHandle wave, std::string_view note) {
  if (wave == nullptr) return kHostErrExpectedWave;
  wave->note = std::string(note);
  return 0;
}

int32_t Workbench::WaveList(std::string* list, std::string_view match,
                            std::string_view separator, std::string_view options) {
  *list = ListWaves(match, separator, options);
  return 0;
}

int32_t Workbench::WindowList(std::string* list, std::string_view match,
                              std::string_view separator, std::string_view options) {
  list->clear();
  // "WIN:" graphs and tables, "WIN:1" graphs, "WIN:2" tables.
  int kinds = 3;
  if (options == "WIN:1") kinds = 1;
  else if (options == "WIN:2") kinds = 2;
  for (const Window& w : windows()) {
    const int bit = w.kind == Window::Kind::kGraph ? 1 : 2;
    if ((kinds & bit) == 0 || !MatchesPattern(w.name, match)) continue;
    list->append(w.name);
    list->append(separator);
  }
  return 0;
}

int32_t Workbench::LockWave(WaveHandle wave, bool lock) {
  if (wave == nullptr) return kHostErrExpectedWave;
  if (lock) ++wave->lockCount;
  else if (wave->lockCount > 0) --wave->lockCount;
  return 0;
}

// ---- Variables and folders ------------------------------------------------------

int32_t Workbench::SetNumericVariable(std::string_view name, double value, bool) {
  if (!IsValidName(name)) return name.size() > 31 ? kHostErrNameTooLong : kHostErrBadName;
  if (Variable* v = current().FindVariable(name)) {
    if (v->isString) return kHostErrWrongType;
    v->number = value;
    return 0;
  }
  if (current().NameInUse(name)) return kHostErrNameInUse;
  current().variables.push_back({std::string(name), false, value, {}});
  return 0;
}

int32_t Workbench::SetStringVariable(std::string_view name, std::string_view value, bool) {
  if (!IsValidName(name)) return name.size() > 31 ? kHostErrNameTooLong : kHostErrBadName;
  if (Variable* v = current().FindVariable(name)) {
    if (!v->isString) return kHostErrWrongType;
    v->text = std::string(value);
    return 0;
  }
  if (current().NameInUse(name)) return kHostErrNameInUse;
  current().variables.push_back({std::string(name), true, 0.0, std::string(value)});
  return 0;
}

int32_t Workbench::CreateVariable(std::string_view name, int32_t kind, int32_t) {
  if (Variable* v = current().FindVariable(name))
    return v->isString == (kind == kObjectString) ? 0 : kHostErrWrongType;
  return kind == kObjectString ? SetStringVariable(name, "", true)
                               : SetNumericVariable(name, 0.0, true);
}

int32_t Workbench::FetchStringVariable(std::string_view name, std::string* value) {
  Variable* v = nullptr;
  if (name.find(':') != std::string_view::npos) {
    CommandCursor c{std::string(name)};
    ParsedPath path;
    if (c.ReadPath(&path)) v = ResolveVariable(path);
  } else {
    v = current().FindVariable(name);
  }
  if (v == nullptr || !v->isString) return kHostErrExpectedStringVar;
  *value = v->text;
  return 0;
}

int32_t Workbench::GetFolderObject(FolderHandle folder, std::string_view name,
                                   FolderObject* object) {
  if (folder == nullptr) folder = &current();
  *object = FolderObject{};
  if (HostWave* w = folder->FindWave(name)) {
    object->kind = kObjectWave;
    object->wave = w;
  } else if (HostFolder* f = folder->FindFolder(name)) {
    object->kind = kObjectFolder;
    object->folder = f;
  } else if (Variable* v = folder->FindVariable(name)) {
    object->kind = v->isString ? kObjectString : kObjectNumeric;
    object->number = v->number;
    object->text = v->text;
  }
  return 0;
}

int32_t Workbench::GetNamedFolder(FolderHandle start, std::string_view path,
                                  FolderHandle* folder) {
  *folder = nullptr;
  // A path is taken as it stands: one with a leading or trailing blank
  // names no folder (" root:" is not "root:").
  if (path.empty() || path.front() == ' ' || path.front() == '\t' || path.back() == ' ' ||
      path.back() == '\t')
    return kHostErrNoSuchFolder;
  std::string text(path);
  CommandCursor c{text};
  ParsedPath parsed;
  if (!c.ReadPath(&parsed) || !c.AtEnd()) return kHostErrNoSuchFolder;
  HostFolder* f = ResolveFolder(parsed, true, start);
  if (f == nullptr) return kHostErrNoSuchFolder;
  *folder = f;
  return 0;
}

int32_t Workbench::GetWaveFolder(WaveHandle wave, FolderHandle* folder) {
  if (wave == nullptr) return kHostErrExpectedWave;
  *folder = wave->folder;
  return 0;
}

int32_t Workbench::GetFolderPath(FolderHandle folder, int32_t mode, std::string* path) {
  if (folder == nullptr) return kHostErrNoSuchFolder;
  switch (mode) {
    case 0: *path = folder->name; break;
    case 1: *path = folder->Path(false); break;
    case 3: *path = folder->Path(true); break;
    default: return kHostErrBadValue;
  }
  return 0;
}

int32_t Workbench::GetFolderContents(FolderHandle folder, std::vector<FolderHandle>* subfolders,
                                     std::vector<WaveHandle>* waves) {
  if (folder == nullptr) return kHostErrNoSuchFolder;
  if (subfolders) {
    subfolders->clear();
    for (const auto& f : folder->folders) subfolders->push_back(f.get());
  }
  if (waves) {
    waves->clear();
    for (const auto& w : folder->waves) waves->push_back(w.get());
  }
  return 0;
}

bool Workbench::NumericVariable(const ParsedPath& path, double* value) {
  Variable* v = ResolveVariable(path);
  if (v == nullptr || v->isString) return false;
  *value = v->number;
  return true;
}

// ---- Parsing services -------------------------------------------------------------

int32_t Workbench::GetFlag(std::string_view letters) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return -1;
  c->SkipSpace();
  if (c->Peek() != '/') return 0;
  const size_t start = c->pos();
  c->Take();
  // A flag is one letter; "/AB" or "/1" is not one the module knows.
  char letter = c->Peek();
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const auto notAFlag = [&]() {
    size_t end = start + 1;
    const std::string& text = c->text();
    while (end < text.size() && text[end] != ' ' && text[end] != '/' && text[end] != '=') ++end;
    Report({ProblemKind::kDiagnosis,
            "\"" + text.substr(start, end - start) + "\" is not a flag (one letter after \"/\")"});
    c->set_pos(start);
    return -1;
  };
  if (letter < 'A' || letter > 'Z') return notAFlag();
  c->Take();
  const char next = c->Peek();
  if ((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') || next == '_' ||
      (next >= '0' && next <= '9'))
    return notAFlag();
  if (letters.find(letter) == std::string_view::npos) {
    std::string known;
    for (char l : letters) known += std::string(known.empty() ? "/" : " /") + l;
    Report({ProblemKind::kDiagnosis,
            "unknown flag /" + std::string(1, letter) + " (the flags here are " + known + ")"});
    c->set_pos(start);
    return -1;
  }
  return letter;
}

namespace {
bool IsSymbolChar(char c) {
  if (c == '\0' || c == '"' || c == '\'' || c == '_') return false;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return false;
  return static_cast<unsigned char>(c) > ' ';
}
}  // namespace

int32_t Workbench::NextSymbol() {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return 0;
  c->SkipSpace();
  // An operation asks for the next symbol where a list may begin with "$":
  // "$" and a string expression stands for the names it lists, as in a
  // wave list; "$" and a string variable stays the operation's to read.
  // A "$" that names nothing readable is left for the operation to refuse.
  if (c->Peek() == '$') ExpandWaveList(*c, true);
  return IsSymbolChar(c->Peek()) ? c->Peek() : 0;
}

int32_t Workbench::TakeSymbol() {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return 0;
  c->SkipSpace();
  return IsSymbolChar(c->Peek()) ? c->Take() : 0;
}

int32_t Workbench::GetNumber(double* value) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  const int32_t err = EvaluateNumber(*c, *this, true, value);
  if (err != 0) {
    // An unreadable value is passed over up to the next blank, flag or
    // comma, so that a caller that goes on after the failure reads what
    // follows the value rather than the value again.
    c->SkipSpace();
    while (c->Peek() != '\0' && c->Peek() != ' ' && c->Peek() != '\t' && c->Peek() != '/' &&
           c->Peek() != ',')
      c->Take();
  }
  return err;
}

int32_t Workbench::GetName(std::string* name) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  std::string n;
  if (!c->ReadName(&n)) return kHostErrExpectedName;
  // Names are checked where objects are made; a reader may want to report
  // a long name in its own words.
  if (n.size() > 255) return kHostErrNameTooLong;
  *name = std::move(n);
  return 0;
}

int32_t Workbench::GetFolderAndName(FolderHandle* folder, std::string* name, bool) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  *folder = nullptr;
  const size_t start = c->pos();
  ParsedPath path;
  if (!c->ReadPath(&path) || path.trailingColon) {
    c->set_pos(start);
    return kHostErrExpectedName;
  }
  if (path.Leaf().size() > 255) return kHostErrNameTooLong;
  if (path.HasFolder()) {
    HostFolder* f = ResolveFolder(path, false);
    if (f == nullptr) return kHostErrNoSuchFolder;
    *folder = f;
  }
  *name = path.Leaf();
  return 0;
}

int32_t Workbench::GetFileName(std::string* path) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  c->SkipSpace();
  if (c->Peek() == '"') {
    std::string s;
    if (!c->ReadQuotedString(&s)) return kHostErrSyntax;
    if (s.empty()) return kHostErrExpectedString;
    *path = std::move(s);
    return 0;
  }
  if (c->Peek() == '$') {
    c->Take();
    ParsedPath p;
    if (!c->ReadPath(&p)) return kHostErrExpectedStringVar;
    Variable* v = ResolveVariable(p);
    if (v == nullptr || !v->isString) return kHostErrExpectedStringVar;
    *path = v->text;
    return 0;
  }
  return kHostErrExpectedString;
}

int32_t Workbench::GetWave(WaveHandle* wave) {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  *wave = nullptr;
  const size_t start = c->pos();
  c->TryChar(',');
  // "$" and a string expression: the names it lists, read one by one.  A
  // "$" and a string variable ends the references: it is the operation's
  // own form of a list.
  if (int32_t e = ExpandWaveList(*c, true)) return e;
  if (!c->AtNameStart()) {
    c->set_pos(start);
    return 0;
  }
  ParsedPath path;
  if (!c->ReadPath(&path)) {
    c->set_pos(start);
    return 0;
  }
  HostWave* w = ResolveWave(path);
  if (w == nullptr) return NotFound(kHostErrNoSuchWave, path);
  *wave = w;
  return 0;
}

int32_t Workbench::AtEnd() {
  CommandCursor* c = TopCursor();
  if (c == nullptr) return kHostErrInternal;
  return c->AtEnd() ? 0 : kHostErrExpectedEnd;
}

// ---- State ---------------------------------------------------------------------------

int32_t Workbench::GetPrefs(std::vector<uint8_t>* record) {
  if (memoryPrefs_) {
    *record = memoryRecord_;
    return 0;
  }
  std::string error;
  if (!prefs_.Load(record, &error)) {
    // Said once: every dialog reads the settings as it opens.
    if (!prefsLoadReported_)
      interaction_.Alert(kPrefsAlertTitle, "cannot read the stored settings from " +
                                               Utf8ToHost(prefs_.path()) + ": " + error);
    prefsLoadReported_ = true;
    return kHostErrFileOpen;
  }
  return 0;
}

int32_t Workbench::SavePrefs(std::span<const uint8_t> record) {
  if (memoryPrefs_) {
    memoryRecord_.assign(record.begin(), record.end());
    return 0;
  }
  std::string error;
  if (!prefs_.Save(record, &error)) {
    // An alert, so that a settings change that was lost is never silent.
    interaction_.Alert(kPrefsAlertTitle, "the settings could not be stored in " +
                                             Utf8ToHost(prefs_.path()) + ": " + error);
    return kHostErrFileOpen;
  }
  return 0;
}

int32_t Workbench::ToNativePath(std::string* path) {
  // The limit is the host's: it counts the bytes the module holds.
  if (path->size() > static_cast<size_t>(kHostMaxPathLength)) return kHostErrPathTooLong;
  // Paths may be written with "\" separators; this platform uses "/".
  std::replace(path->begin(), path->end(), '\\', '/');
  // File names are UTF-8 here; host text is Windows-1252 or, for a line
  // typed with characters beyond it, UTF-8 (encoding.h).  A path the module
  // derives (a sibling file's extension) keeps the bytes of the path it
  // came from and so converts the same way.
  *path = HostToUtf8(*path);
  return 0;
}

int32_t Workbench::FromNativePath(std::string* path) {
  *path = Utf8ToHost(*path);
  if (path->size() > static_cast<size_t>(kHostMaxPathLength)) return kHostErrPathTooLong;
  return 0;
}

uint32_t Workbench::TickCount() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count() *
                               60 / 1000);
}

int32_t Workbench::ActualToResourceMenu(int32_t menuId) {
  return menuId == kHostMenuId ? resources::kMenuId : 0;
}

int32_t Workbench::ActualToResourceItem(int32_t resourceMenu, int32_t item) {
  // The workbench numbers the items as the resource does.
  return resourceMenu == resources::kMenuId ? item : 0;
}

}  // namespace kwt
