// velmo files [--port P] [--baud B] [--json] [--timeout S]
// The logger's file list, newest first, as the window lists it: each file with its displayed
// position (1-based) and the slot it is stored in (0-based).

#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "runtime/encoding.h"

namespace ql::cli {

namespace {

void printJson(const FileTable& table, std::ostream& out) {
  out << "[";
  for (int i = 0; i < table.count(); ++i) {
    const int slot = table.itemSlots()[static_cast<std::size_t>(i)];
    const FileEntry e = table.entry(slot);
    out << (i ? ",\n " : "") << "{\"position\": " << i + 1 << ", \"slot\": " << slot
        << ", \"name\": " << jsonString(decodeLegacyText(table.items()[static_cast<std::size_t>(i)]))
        << ", \"start\": " << jsonString(FileEntry::stampText(e.startStamp()))
        << ", \"end\": " << jsonString(FileEntry::stampText(e.endStamp()))
        << ", \"created\": " << jsonString(FileEntry::stampText(e.createdStamp()))
        << ", \"interval_ms\": " << e.intervalMs() << ", \"size\": " << e.size()
        << ", \"avg_interval_ms\": " << e.averageIntervalMs() << ", \"avg_count\": " << e.averageCount()
        << ", \"mode\": " << e.workMode() << "}";
  }
  out << "]\n";
}

void printTable(const FileTable& table, std::ostream& out) {
  out << "position  slot  name  start  end  created  interval_ms  size  avg_interval_ms  avg_count  mode\n";
  for (int i = 0; i < table.count(); ++i) {
    const int slot = table.itemSlots()[static_cast<std::size_t>(i)];
    const FileEntry e = table.entry(slot);
    out << i + 1 << "  " << slot << "  " << decodeLegacyText(table.items()[static_cast<std::size_t>(i)])
        << "  " << FileEntry::stampText(e.startStamp()) << "  " << FileEntry::stampText(e.endStamp()) << "  "
        << FileEntry::stampText(e.createdStamp()) << "  " << e.intervalMs() << "  " << e.size() << "  "
        << e.averageIntervalMs() << "  " << e.averageCount() << "  " << e.workMode() << "\n";
  }
}

}  // namespace

int filesCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  std::optional<Options> options = parseOptions("files", args, problem);
  if (!options) {
    err << "velmo files: " << problem << "\n";
    return kExitUsage;
  }
  HeadlessSession session(err, portsToSearch(*options), VelmoHome::resolve(""));
  const std::int64_t started = session.loop.nowMs();
  if (!connect(session, *options, options->timeoutMs)) {
    err << "velmo files: no logger answered\n";
    return kExitNoLogger;
  }
  const std::int64_t left =
      std::max<std::int64_t>(1000, options->timeoutMs - (session.loop.nowMs() - started));
  if (!waitForInformation(session, left)) {
    err << "velmo files: " << informationFailure(session) << "\n";
    return kExitNoLogger;
  }
  if (session.program.instrumentInfo().taskRunning) {
    err << "velmo files: a logging task is running; its files are listed once it is stopped\n";
    return kExitNoLogger;
  }
  const FileTable& table = session.program.fileTable();
  if (options->json) {
    printJson(table, out);
  } else {
    printTable(table, out);
  }
  return kExitOk;
}

}  // namespace ql::cli
