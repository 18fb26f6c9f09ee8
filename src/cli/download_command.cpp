// velmo download POSITION [--port P] [--baud B] [--home DIR] [--csv OUT] [--timeout S]
// velmo download --all [--new] [--port P] [--baud B] [--home DIR] [--timeout S]
// Fetches the file at POSITION of the file list (1-based, newest first, as `velmo files` shows
// it) and stores it as the window does: speed switch, realignment, the data file under
// <home>/bakwlr/<serial number>/, and the line rate restored afterwards. Prints the stored path;
// --csv also writes the download export there.
//
// A transfer that stops is not stored (the window would ask). The timeout bounds finding the
// logger and reading its file list; the transfer itself ends by completion or by its watchdogs.
// A file whose checksum does not match is stored (and its path printed) but exits 3.
//
// --all fetches every listed file in display order, --new only those not stored yet (the same
// file entry in a data file under the serial number's directory; see data/new_files.h), one
// after another behind one speed switch. A line per file ("[2/5] PATH", or what went wrong) and
// a summary line go to standard output.

#include <algorithm>
#include <charconv>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "data/new_files.h"

namespace ql::cli {

namespace {

struct DownloadArguments {
  int position = 0;
  bool all = false;
  bool onlyNew = false;
  std::string home;
  std::string csv;
  Options link;
};

std::optional<DownloadArguments> parseDownloadArguments(const Arguments& args, std::string& problem) {
  DownloadArguments parsed;
  Arguments linkArgs;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--home" || arg == "--csv") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        problem = arg + " needs a value";
        return std::nullopt;
      }
      (arg == "--home" ? parsed.home : parsed.csv) = args[++i];
    } else if (arg == "--all" || arg == "--new") {
      (arg == "--all" ? parsed.all : parsed.onlyNew) = true;
    } else if (arg == "--json") {
      problem = "unknown option --json";
      return std::nullopt;
    } else if (!arg.empty() && arg[0] != '-') {
      if (parsed.position != 0) {
        problem = "one position only";
        return std::nullopt;
      }
      auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), parsed.position);
      if (ec != std::errc() || end != arg.data() + arg.size() || parsed.position < 1) {
        problem = "POSITION is a number from 1";
        return std::nullopt;
      }
    } else {
      linkArgs.push_back(arg);
      // An option's value travels with it.
      if ((arg == "--port" || arg == "--baud" || arg == "--timeout") && i + 1 < args.size())
        linkArgs.push_back(args[++i]);
    }
  }
  if (parsed.onlyNew && !parsed.all) {
    problem = "--new goes with --all";
    return std::nullopt;
  }
  if (parsed.all && (parsed.position != 0 || !parsed.csv.empty())) {
    problem = parsed.position != 0 ? "--all takes no POSITION" : "--csv is for one file";
    return std::nullopt;
  }
  if (parsed.position < 1 && !parsed.all) {
    problem = "which file? give its POSITION in the file list, or --all";
    return std::nullopt;
  }
  std::optional<Options> link = parseOptions("download", linkArgs, problem);
  if (!link) return std::nullopt;
  parsed.link = *link;
  return parsed;
}

// Why a download ended without a stored file, and the exit code that says so.
int reportFailure(DownloadJob::Outcome outcome, const DownloadJob& job, std::ostream& err) {
  switch (outcome) {
    case DownloadJob::Outcome::NoAnswer:
      err << "velmo download: " << DownloadJob::kNoAnswerText << "\n";
      return kExitNoLogger;
    case DownloadJob::Outcome::SwitchFailed:
      err << "velmo download: " << DownloadJob::kSwitchFailedText << "\n";
      return kExitNoLogger;
    case DownloadJob::Outcome::NotStored:
      err << "velmo download: the transfer stopped after " << job.received() << " of " << job.total()
          << " bytes; nothing was stored\n";
      return kExitNoLogger;
    case DownloadJob::Outcome::TooLarge:
      err << "velmo download: " << DownloadJob::kTooLargeText << "\n";
      return kExitFileError;
    case DownloadJob::Outcome::WriteFailed:
      err << "velmo download: " << job.progress().statusText << "\n";
      return kExitFileError;
    default:
      err << "velmo download: the download did not finish\n";
      return kExitNoLogger;
  }
}

// The job always ends by itself: completion, the stall watchdog, or the unanswered request. Then
// the logger and the port go back to the configured rate before the port closes; the second
// restore write needs a moment on the line.
void waitUntilDone(HeadlessSession& session) {
  VelmoProgram& program = session.program;
  DownloadJob& job = program.download();
  constexpr std::int64_t kNoDeadline = 24LL * 3600 * 1000;
  session.loop.runUntil([&] { return !job.running() && !job.inBatch(); }, kNoDeadline);
  if (program.downloadProgress().visible) program.cancelDownload();  // it says the logger did not answer
  session.loop.runUntil([&] { return !program.downloadProgress().visible && !program.rateRestorePending(); },
                        10000);
  session.loop.runFor(200);
}

const char* kDamagedText = "the file's checksum does not match: it was damaged on the line";

int downloadAll(HeadlessSession& session, bool onlyNew, const std::string& home, std::ostream& out,
                std::ostream& err) {
  VelmoProgram& program = session.program;
  DownloadJob& job = program.download();
  const FileTable& files = program.fileTable();
  const LocalStore store(home);
  const std::vector<int> slots = slotsToFetch(
      files, onlyNew ? storedEntries(store, program.instrumentInfo().serialNumber) : std::vector<FileEntry>{},
      onlyNew);
  const int skipped = files.count() - static_cast<int>(slots.size());
  const int count = static_cast<int>(slots.size());

  int done = 0, damaged = 0, failed = 0;
  int exitCode = kExitOk;
  job.onBatchFile = [&](int, DownloadJob::Outcome outcome) {
    ++done;
    out << "[" << done << "/" << count << "] ";
    if (outcome != DownloadJob::Outcome::Stored) {
      ++failed;
      std::ostringstream why;
      exitCode = std::max(exitCode, reportFailure(outcome, job, why));
      std::string line = why.str();
      out << (line.rfind("velmo download: ", 0) == 0 ? line.substr(16) : line);
      return;
    }
    out << job.storedPath();
    if (!job.lastRecord().crcMatch) {
      ++damaged;
      out << " (" << kDamagedText << ")";
      exitCode = std::max(exitCode, kExitFileError);
    }
    out << "\n" << std::flush;
  };
  if (count > 0) {
    job.startBatch(slots);
    waitUntilDone(session);
  }
  job.onBatchFile = {};
  const int stored = done - failed;
  out << stored << " of " << count << (count == 1 ? " file" : " files") << " stored";
  if (onlyNew) out << ", " << skipped << " already stored";
  if (damaged > 0) out << ", " << damaged << " damaged on the line";
  if (failed > 0 || done < count) out << ", " << (count - stored) << " not fetched";
  out << "\n";
  if (done < count && exitCode == kExitOk) exitCode = kExitNoLogger;
  if (exitCode != kExitOk) err << "velmo download: not every file was fetched sound\n";
  return exitCode;
}

}  // namespace

int downloadCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<DownloadArguments> parsed = parseDownloadArguments(args, problem);
  if (!parsed) {
    err << "velmo download: " << problem << "\n";
    return kExitUsage;
  }
  const Options& options = parsed->link;

  HeadlessSession session(err, portsToSearch(options), VelmoHome::resolve(parsed->home));
  VelmoProgram& program = session.program;
  const std::int64_t started = session.loop.nowMs();
  if (!connect(session, options, options.timeoutMs)) {
    err << "velmo download: no logger answered\n";
    return kExitNoLogger;
  }
  const std::int64_t left =
      std::max<std::int64_t>(1000, options.timeoutMs - (session.loop.nowMs() - started));
  if (!waitForInformation(session, left)) {
    err << "velmo download: " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }
  if (program.instrumentInfo().taskRunning) {
    err << "velmo download: a logging task is running; its files can be fetched once it is stopped\n";
    return kExitNoLogger;
  }
  if (parsed->all)
    return downloadAll(session, parsed->onlyNew, VelmoHome::resolve(parsed->home).dir(), out, err);
  const int count = program.fileTable().count();
  if (parsed->position > count) {
    err << "velmo download: no file at position " << parsed->position << "; the logger lists " << count
        << "\n";
    return kExitUsage;
  }

  DownloadJob& job = program.download();
  program.startDownload(parsed->position - 1);
  waitUntilDone(session);

  if (job.outcome() != DownloadJob::Outcome::Stored) return reportFailure(job.outcome(), job, err);
  if (!parsed->csv.empty() && !job.writeExport(parsed->csv)) {
    err << "velmo download: " << parsed->csv << " cannot be written\n";
    return kExitFileError;
  }
  out << job.storedPath() << "\n";
  if (!job.lastRecord().crcMatch) {
    err << "velmo download: " << kDamagedText << "; fetch it again\n";
    return kExitFileError;
  }
  return kExitOk;
}

}  // namespace ql::cli
