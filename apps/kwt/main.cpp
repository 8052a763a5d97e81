// kwt: runs command lines in one fresh workbench session.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "calc.h"
#include "info.h"
#include "plot_option.h"
#include "workbench/export/itx.h"
#include "workbench/export/pxp.h"
#include "workbench/export/session_dump.h"
#include "workbench/host/encoding.h"
#include "workbench/ui/ui_server.h"
#include "workbench/workbench.h"

namespace {

struct Settings {
  std::vector<std::string> commands;
  std::string script;
  bool interactive = false;
  std::vector<std::string> saves;  // each --save, in order
  std::string dump;
  std::string plot;
  int plotWidth = 0, plotHeight = 0;  // 0: each window's own size
  std::string prefs;
  std::string answer;
  bool quiet = false;
  bool allowPartial = false;  // missing samples and damaged items do not fail the run
  kwt::DialogScriptOptions dialog;
  std::vector<kwt::DialogAction> dialogActions;  // the actions of --dialog, in command-line order
};

bool ReadScript(const std::string& path, std::vector<std::string>* lines) {
  std::istream* in = &std::cin;
  std::ifstream file;
  if (path != "-") {
    file.open(path);
    if (!file) return false;
    in = &file;
  }
  std::string line;
  while (std::getline(*in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
  }
  return true;
}

// Tells the user on standard error what the session's commands did not do:
// failures with the reader's diagnosis, alerts, loads that made nothing,
// damaged items and, once at the end, the samples that were missing.
class Reporter {
 public:
  explicit Reporter(bool allowPartial) : allowPartial_(allowPartial) {}

  void Alert(std::string_view title, std::string_view text) {
    std::fprintf(stderr, "kwt: %s: %s\n", OneLine(title).c_str(), OneLine(text).c_str());
    // Notes inform; every other alert reports something that went wrong.
    if (title != "KWT Note") failed_ = true;
  }

  // Reports the results that arrived since the last call.
  void Results(const kwt::Workbench& wb) {
    for (; seen_ < wb.results().size(); ++seen_) Result(wb.results()[seen_]);
  }

  // The one summary of missing samples; the exit status of the run.
  int Finish() {
    if (missingWaves_ > 0) {
      std::fprintf(stderr,
                   "kwt: %lld of %lld samples of %lld wave%s were not in the recording (first: "
                   "%s)%s\n",
                   static_cast<long long>(missing_), static_cast<long long>(points_),
                   static_cast<long long>(missingWaves_), missingWaves_ == 1 ? "" : "s",
                   firstMissing_.c_str(), allowPartial_ ? "" : "; --allow-partial accepts this");
    }
    return failed_ || (partial_ && !allowPartial_) ? 1 : 0;
  }

 private:
  static std::string OneLine(std::string_view text) {
    std::string line = kwt::HistoryToUtf8(text);
    while (!line.empty() && line.back() == '\n') line.pop_back();
    for (char& c : line)
      if (c == '\n') c = ' ';
    return line;
  }

  void Result(const kwt::Workbench::Result& r) {
    if (r.code != 0) {
      failed_ = true;
      std::string text = OneLine(r.text);
      if (!r.diagnosis.empty()) text += (text.empty() ? "" : "; ") + OneLine(r.diagnosis);
      std::fprintf(stderr, "kwt: error %d: %s\n", r.code, text.c_str());
    }
    for (const kwt::Problem& p : r.problems) {
      switch (p.kind) {
        case kwt::ProblemKind::kNothingLoaded:
          failed_ = true;
          std::fprintf(stderr, "kwt: %s\n", OneLine(p.text).c_str());
          break;
        case kwt::ProblemKind::kDamaged:
          partial_ = true;
          std::fprintf(stderr, "kwt: damaged: %s\n", OneLine(p.text).c_str());
          break;
        case kwt::ProblemKind::kMissingSamples:
          partial_ = true;
          if (missingWaves_++ == 0) firstMissing_ = OneLine(p.text);
          missing_ += p.missing;
          points_ += p.points;
          break;
        case kwt::ProblemKind::kDiagnosis:
          break;
      }
    }
  }

  bool allowPartial_;
  bool failed_ = false;
  bool partial_ = false;
  size_t seen_ = 0;
  int64_t missing_ = 0, points_ = 0, missingWaves_ = 0;
  std::string firstMissing_;
};

// --save: a packed experiment (FILE.pxp), one binary wave file per wave
// (DIR/, or a folder that exists), or Igor text (anything else).
bool SaveSession(kwt::Workbench& wb, const std::string& path) {
  std::string error;
  bool saved = true;
  if (path.ends_with('/') || std::filesystem::is_directory(path)) {
    saved = kwt::SaveIbwFiles(wb, path, &error);
  } else if (path.size() > 4 && path.compare(path.size() - 4, 4, ".pxp") == 0) {
    saved = kwt::SavePxp(wb, path, &error);
  } else {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << kwt::SaveItx(wb);
    if (!out) error = "cannot write " + path;
    saved = static_cast<bool>(out);
  }
  if (!saved) std::fprintf(stderr, "kwt: %s\n", error.c_str());
  return saved;
}

int RunSession(const Settings& s) {
  kwt::Workbench::Options options;
  options.prefsPath = s.prefs;
  options.showProgress = isatty(STDERR_FILENO) != 0;
  kwt::Workbench wb(options);
  Reporter reporter(s.allowPartial);
  if (s.answer == "yes") wb.interaction().SetFixed(kwt::kAnswerYes);
  else if (s.answer == "no") wb.interaction().SetFixed(kwt::kAnswerNo);
  else if (isatty(STDIN_FILENO) && isatty(STDERR_FILENO)) wb.interaction().SetTerminal();
  else wb.interaction().SetFixed(kwt::kAnswerYes);
  wb.interaction().SetAlertSink(
      [&reporter](std::string_view title, std::string_view text) { reporter.Alert(title, text); });
  if (!s.quiet) {
    wb.SetHistorySink([](std::string_view text) {
      std::fputs(kwt::HistoryToUtf8(text).c_str(), stdout);
      std::fflush(stdout);
    });
  } else {
    // Quiet hides the echo of the history, not what print prints.
    wb.SetPrintSink([](std::string_view text) {
      std::printf("%s\n", kwt::HistoryToUtf8(text).c_str());
      std::fflush(stdout);
    });
  }

  std::vector<std::string> lines = s.commands;
  if (!s.script.empty() && !ReadScript(s.script, &lines)) {
    std::fprintf(stderr, "kwt: cannot read script %s\n", s.script.c_str());
    return 2;
  }
  for (const std::string& line : lines) {
    wb.Run(line);
    reporter.Results(wb);
  }
  // A scripted dialog runs on what the command lines made.
  int dialogStatus = 0;
  if (!s.dialog.dialog.empty()) {
    dialogStatus = kwt::RunDialogScript(wb, s.dialog.dialog, s.dialogActions);
    reporter.Results(wb);
  }

  if (s.interactive) {
    std::string line;
    for (;;) {
      if (isatty(STDIN_FILENO)) {
        std::fputs("kwt> ", stderr);
        std::fflush(stderr);
      }
      if (!std::getline(std::cin, line) || line == "quit" || line == "exit") break;
      wb.Run(line);
      reporter.Results(wb);
    }
  }

  int status = reporter.Finish();
  if (status == 0) status = dialogStatus;
  // What the session made is written even when a command failed, so that
  // nothing already loaded is lost.  Pictures come first: what they could
  // not draw is noted in the history that the dump keeps.
  if (!s.plot.empty() && kwt::WriteSessionPlots(wb, s.plot, s.plotWidth, s.plotHeight) != 0)
    status = 1;
  for (const std::string& path : s.saves)
    if (!SaveSession(wb, path)) status = 1;
  if (!s.dump.empty()) {
    std::string error;
    if (!kwt::WriteSessionDump(wb, s.dump, &error)) {
      std::fprintf(stderr, "kwt: %s\n", error.c_str());
      status = 1;
    }
  }
  return status;
}

// kwt help [NAME]: the workbench's own help, printed as a session's print
// command prints.  Returns the exit status: 0, or 2 for a name that is
// neither an operation nor a command.
int RunHelp(const std::string& topic) {
  kwt::Workbench::Options options;
  options.memoryPrefs = true;
  kwt::Workbench wb(options);
  wb.SetPrintSink([](std::string_view line) {
    std::printf("%s\n", kwt::HistoryToUtf8(line).c_str());
  });
  if (wb.ExecuteLine("help " + kwt::Utf8ToCp1252(topic)) == 0) return 0;
  std::fprintf(stderr, "kwt: help: no operation or command named \"%s\" ('kwt help' lists them)\n",
               topic.c_str());
  return 2;
}

// What kwt alone and kwt --help end with.
constexpr const char* kExamples =
    "Examples:\n"
    "  kwt info cell.dat                               the tree of a recording\n"
    "  kwt --dump out 'LoadPM/A=1/B=2/G \"cell.dat\"'    group 1, series 2, lock-in\n"
    "  kwt --plot pics 'LoadPulse/A=1/P \"cell.dat\"'    its graph as SVG and PNG\n"
    "  kwt calc buffer --total-ion 1m --total-buffer 10m --kd 1u\n"
    "  kwt --dialog 'Buffer Capacity' --set 9=1m --set 10=10m --set 14=1u --press 3\n"
    "  kwt 'Make a,b' --dialog 'Wave Statistics' --select 8=a,b --check 11=1 --press 1\n"
    "                                                  statistics of a and b with a graph\n"
    "  kwt --dialog 'Load X-Chart File' --press 7 --file rec7.tree --choose 25=2 --press 3\n"
    "                                                  the LoadXChart command of group 2\n"
    "  kwt --dialog 'Load PULSE/PM File' --press 6 --file cell.dat --choose 10=2 --press 4\n"
    "                                                  the file browser: group 1 to the clipboard\n"
    "  kwt help LoadPM                                 the flags of an operation\n"
    "  kwt ui 'LoadPM/P \"cell.dat\"'                    the session in a web browser\n";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kwt: run KWT command lines in one workbench session", "kwt"};
  app.set_version_flag("--version", "kwt 0.1");
  Settings s;
  app.add_option("COMMAND", s.commands, "command lines to run, in order ('help' lists them)")
      ->type_name("LINE");
  app.add_option("-s,--script", s.script, "run command lines from FILE ('-' = standard input)")
      ->type_name("FILE");
  app.add_flag("-i,--interactive", s.interactive, "then read command lines from the terminal");
  // One path per --save (which may be repeated), so that the command
  // lines after it stay command lines.
  app.add_option("-o,--save", s.saves,
                 "save the session: FILE.pxp a packed experiment, DIR/ one .ibw file per "
                 "wave, any other FILE Igor text (may be repeated)")
      ->type_name("FILE.pxp|DIR/|FILE.itx")
      ->allow_extra_args(false);
  app.add_option("--dump", s.dump, "write DIR/session.json and one .npy file per wave")
      ->type_name("DIR");
  app.add_option("--plot", s.plot,
                 "write each graph as DIR/<window>.svg and .png, each table as .csv")
      ->type_name("DIR");
  app.add_option_function<std::string>(
         "--plot-size",
         [&s](const std::string& v) {
           if (!kwt::ParsePlotSize(v, &s.plotWidth, &s.plotHeight))
             throw CLI::ValidationError("--plot-size", "expected WxH in pixels, 16 to 16384 each");
         },
         "picture size in pixels for --plot (default: each window's own)")
      ->type_name("WxH");
  app.add_option("--prefs", s.prefs, "where the stored preferences live")->type_name("FILE");
  app.add_option("--answer", s.answer, "answer to every yes/no question")
      ->check(CLI::IsMember({"yes", "no"}).description(""))
      ->type_name("yes|no");
  app.add_flag("-q,--quiet", s.quiet, "do not echo the history to standard output");
  app.add_flag("--allow-partial", s.allowPartial,
               "exit 0 although samples were missing or damaged items were left out");

  CLI::App* info = app.add_subcommand("info", "the tree of a recording");
  std::string infoFile;
  bool infoJson = false;
  info->add_option("FILE", infoFile, "the recording")->required()->type_name("");
  info->add_flag("--json", infoJson, "as JSON");
  bool infoFull = false;
  info->add_flag("--full", infoFull, "every sweep and trace, not the summary");

  kwt::AddDialogOptions(app, &s.dialog);
  // kwt calc takes --FIELD VALUE pairs of its own (and its own --help).
  CLI::App* calc = app.add_subcommand("calc", "one calculator: fill, calculate, print the history text");
  calc->prefix_command();
  calc->set_help_flag();
  CLI::App* ui = app.add_subcommand("ui", "the workbench in a web browser on this machine");
  ui->fallthrough();  // --prefs and the other session options may follow "ui"
  kwt::UiOptions uiOptions;
  ui->add_option("--port", uiOptions.port, "the port to listen on (default: a free one)")
      ->type_name("N")
      ->check(CLI::Range(1, 65535));
  ui->add_option("--listen", uiOptions.listen,
                 "the address to listen on (default 127.0.0.1; anything else is reachable "
                 "from other machines)")
      ->type_name("ADDR");
  bool noOpen = false;
  ui->add_flag("--no-open", noOpen, "do not start the browser");
  ui->add_option("COMMAND", uiOptions.commands, "command lines to run first")->type_name("LINE");
  CLI::App* help = app.add_subcommand("help", "the operations and commands; 'help NAME' for one");
  std::string helpTopic;
  help->add_option("NAME", helpTopic, "an operation (its flags) or a command")->type_name("");
  // Set after the subcommands, which would take it over.
  app.footer(kExamples);

  // Without anything to do, kwt says how it is used; that is bad usage.
  if (argc <= 1) {
    std::fputs(app.help().c_str(), stderr);
    return 2;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  if (info->parsed()) return kwt::RunInfo(infoFile, infoJson, infoFull);
  if (calc->parsed()) return kwt::RunCalc(calc->remaining());
  if (help->parsed()) return RunHelp(helpTopic);
  if (ui->parsed()) {
    uiOptions.openBrowser = !noOpen;
    uiOptions.prefsPath = s.prefs;
    if (uiOptions.listen != "127.0.0.1" && uiOptions.listen != "::1" &&
        uiOptions.listen != "localhost")
      std::fprintf(stderr,
                   "kwt: ui: listening on %s: other machines can reach the session; only its "
                   "token keeps them out\n",
                   uiOptions.listen.c_str());
    return kwt::RunUi(uiOptions);
  }
  std::string dialogError;
  if (!kwt::DialogActionsFromCommandLine(app, s.dialog, &s.dialogActions, &dialogError)) {
    std::fprintf(stderr, "kwt: %s\n", dialogError.c_str());
    return 2;
  }
  return RunSession(s);
}
