// velmo update [--check] [--server URL] [--home DIR]
// Asks the update server for its newest version and tells whether it is newer than this
// program. Without --check a newer version is downloaded into velmo's home and handed over:
// "updtrun" is started, replaces this program and starts it again. The server is --server, else
// SERVER= of section [UPDATE] in Sysuse.ini.

#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "link/memo_log.h"
#include "runtime/fixed_operator.h"
#include "runtime/real_scheduler.h"
#include "shell/language_choice.h"
#include "shell/language_texts.h"
#include "shell/online_update.h"
#include "shell/saved_state.h"
#include "shell/startup_switches.h"
#include "shell/update_handover.h"
#include "shell/update_info.h"
#include "shell/velmo_home.h"

namespace ql::cli {

namespace {

constexpr std::int64_t kRunLimitMs = 24LL * 3600 * 1000;  // each request has its own time-outs

struct UpdateOptions {
  bool check = false;
  std::string server;
  std::string home;
};

bool parseUpdateOptions(const Arguments& args, UpdateOptions& options, std::ostream& err) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--check") {
      options.check = true;
    } else if ((arg == "--server" || arg == "--home") && i + 1 < args.size() && !args[i + 1].empty()) {
      (arg == "--server" ? options.server : options.home) = args[++i];
    } else {
      err << "velmo update: bad argument " << arg << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int updateCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  UpdateOptions options;
  if (!parseUpdateOptions(args, options, err)) return kExitUsage;

  const VelmoHome home = VelmoHome::resolve(options.home);
  const StartupSwitches switches = StartupSwitches::loadOrCreate(home.sysuseIniPath());
  const std::string server = options.server.empty() ? switches.updateServer : options.server;
  if (server.empty()) {
    err << "velmo update: no update server: give --server URL or set SERVER= in section [UPDATE] of "
        << home.sysuseIniPath() << "\n";
    return kExitUsage;
  }
  const LanguageChoice language =
      chooseLanguageFile(loadSavedState(home.sysuseDataPath()).state.languageName, home.resourceDirs());
  const LanguageTexts texts =
      language.path.empty() ? LanguageTexts() : LanguageTexts::fromFile(language.path);

  RealScheduler loop;
  // The question is answered Yes unless only a check was asked for (which never reaches it).
  FixedOperator answers(!options.check, err);
  MemoLog memo([] { return std::time(nullptr); });
  std::size_t printed = 0;
  memo.subscribe([&] {
    for (; printed < memo.lines().size(); ++printed) err << memo.lines()[printed] << "\n";
  });
  const std::string executable = update::runningExecutablePath();
  int updaterPid = 0;
  update::OnlineUpdate online(
      loop, answers, memo, [&texts](const std::string& s, const std::string& k) { return texts.text(s, k); },
      update::UpdateSettings{server, home.dir(), kProgramVersion, executable},
      [&] {
        updaterPid = update::startUpdater(home.dir(), executable);
        return updaterPid > 0;
      });

  online.requestCheck();
  loop.runUntil([&] { return !online.busy(); }, kRunLimitMs);
  if (online.state() != update::kNewerFound && online.state() != update::kUpToDate) {
    err << "velmo update: "
        << (online.state() == update::kNoVersion ? "the server's information names no version"
                                                 : "cannot read the server's information")
        << " (" << server << ")\n";
    return kExitFileError;
  }
  const bool newer = online.state() == update::kNewerFound;
  out << "running version: " << kProgramVersion << "\n"
      << "server version: " << online.serverVersion() << "\n"
      << "newer: " << (newer ? "yes" : "no") << "\n";
  if (options.check || !newer) return kExitOk;

  // TimerNetUpdate asks, the files come in, and its next tick hands over.
  const auto stopped = [&] {
    const int state = online.state();
    return updaterPid != 0 || state == update::kIdle || state == update::kDownloadRequested ||
           (state == update::kDownloading && !online.busy());
  };
  loop.runUntil(stopped, kRunLimitMs);
  if (updaterPid > 0) {
    out << "handed over to " << home.path(update::kUpdaterName) << "\n";
    return kExitOk;
  }
  err << "velmo update: the update stopped"
      << (online.failure().empty() ? std::string() : ": " + online.failure()) << "\n";
  return kExitFileError;
}

}  // namespace ql::cli
