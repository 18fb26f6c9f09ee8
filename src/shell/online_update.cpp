#include "shell/online_update.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "shell/update_handover.h"
#include "shell/update_info.h"
#include "runtime/sha256.h"

namespace ql::update {

OnlineUpdate::OnlineUpdate(Scheduler& loop, Operator& op, MemoLog& memo, TextLookup texts,
                           UpdateSettings settings, HandOver handOver)
    : loop_(loop),
      operator_(op),
      memo_(memo),
      texts_(std::move(texts)),
      settings_(std::move(settings)),
      handOver_(std::move(handOver)),
      netTimer_(loop.makeTimer(1000, [this] { onNetTimer(); })) {
  while (!settings_.serverBase.empty() && settings_.serverBase.back() == '/') settings_.serverBase.pop_back();
}

OnlineUpdate::~OnlineUpdate() = default;

std::string OnlineUpdate::text(const std::string& key) const { return texts_ ? texts_("UPDATE", key) : key; }

std::string OnlineUpdate::url(const std::string& path) const { return settings_.serverBase + path; }

bool OnlineUpdate::timerRunning() const { return netTimer_->enabled(); }

void OnlineUpdate::requestCheck() {
  netTimer_->start();
  // One request at a time: a check asked for while one is under way is already being answered.
  if (busy_) return;
  if (settings_.serverBase.empty()) {
    state_ = kInfoUnavailable;
    memo_.add(text("ud_error_net"));
    return;
  }
  if (!worker_) worker_ = std::make_unique<UpdateWorker>(loop_);
  state_ = kCheckRequested;
  failure_.clear();
  busy_ = true;
  worker_->fetchText(url(kInfoPath),
                     [this](bool ok, std::string body) { onInformation(ok, std::move(body)); });
}

void OnlineUpdate::onInformation(bool ok, std::string body) {
  busy_ = false;
  if (!ok) {
    state_ = kInfoUnavailable;
    memo_.add(text("ud_error_net"));
    return;
  }
  information_ = std::move(body);
  const auto version = update::serverVersion(information_);
  if (!version) {
    state_ = kNoVersion;
    return;
  }
  serverVersion_ = *version;
  if (isNewer(*version, settings_.runningVersion)) {
    state_ = kNewerFound;
    memo_.add(text("ud_newvery") + " " + *version);
    netTimer_->start();
  } else {
    state_ = kUpToDate;
    memo_.add(text("ud_newvern") + " " + *version);
  }
}

void OnlineUpdate::onNetTimer() {
  if (state_ == kNewerFound) {
    netTimer_->stop();
    const bool yes = operator_.askYesNo(text("ud_newvery"), text("ud_info_getnew"));
    if (!yes) {
      state_ = kIdle;
      memo_.add(text("up_info_usecancle"));
      return;
    }
    // An installed program belongs to the package manager: say so before anything is fetched.
    if (!isReplaceable(settings_.executablePath)) {
      state_ = kIdle;
      failure_ = text("up_info_notwritable") + " " + settings_.executablePath;
      memo_.add(failure_);
      operator_.showMessage(text("ud_newvery"), failure_);
      return;
    }
    memo_.addRaw("");
    memo_.add(text("up_info_update"));
    state_ = kDownloadRequested;
    startDownloads();
  } else if (state_ == kDownloaded) {
    netTimer_->stop();
    memo_.add(text("up_info_updover"));
    if (handOver_) handOver_();
  }
}

void OnlineUpdate::startDownloads() {
  if (information_.size() <= 10) return;
  state_ = kDownloading;
  nextEntry_ = 0;
  fetchNextFile();
}

void OnlineUpdate::fetchNextFile() {
  for (; nextEntry_ < kFileEntries; ++nextEntry_) {
    const auto name = fileName(information_, nextEntry_);
    if (!name) continue;
    if (!isBareFileName(*name)) {
      // Only a bare name can be stored in the home; anything else is not written at all.
      memo_.add(text("up_info_badname") + " " + std::to_string(nextEntry_) + " \"" + *name + "\"");
      continue;
    }
    const int entry = nextEntry_++;
    const std::string temporary = settings_.homeDir + "/" + *name + kTemporarySuffix;
    busy_ = true;
    worker_->fetchFile(url(serverPath(*name)), temporary, [this, entry, name = *name, temporary](bool ok) {
      onFileFetched(entry, name, temporary, ok);
    });
    return;
  }
  state_ = kDownloaded;
  netTimer_->start();
}

void OnlineUpdate::onFileFetched(int entry, const std::string& name, const std::string& temporary, bool ok) {
  busy_ = false;
  std::error_code error;
  if (!ok) {
    // A cut or failed transfer never takes the place of a working file.
    std::filesystem::remove(temporary, error);
    stopDownloads("ud_error_net", name);
    return;
  }
  const auto size = std::filesystem::file_size(temporary, error);
  if (error || size == 0) {  // an empty answer stays under its temporary name
    fetchNextFile();
    return;
  }
  if (const auto expected = fileChecksum(information_, entry)) {
    if (fileSha256(temporary) != *expected) {
      std::filesystem::remove(temporary, error);
      stopDownloads("up_info_badsum", name);
      operator_.showMessage(text("ud_newvery"), failure_);
      return;
    }
  }
  const std::string target = settings_.homeDir + "/" + storedName(name, entry);
  if (entry == 0) ::chmod(temporary.c_str(), 0755);
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::filesystem::remove(temporary, error);
    stopDownloads("ud_error_net", name);
    return;
  }
  memo_.add(text("up_info_update") + " " + std::to_string(entry));
  fetchNextFile();
}

void OnlineUpdate::stopDownloads(const std::string& memoKey, const std::string& detail) {
  // The state stays at 202: no hand-over takes place.
  failure_ = text(memoKey) + " " + detail;
  memo_.add(failure_);
}

}  // namespace ql::update
