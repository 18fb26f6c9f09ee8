#include "shell/velmo_update.h"

#include <cstdlib>

#include "shell/language_texts.h"
#include "shell/update_handover.h"

namespace ql {

VelmoUpdate::VelmoUpdate(Scheduler& loop, Operator& op, MemoLog& memo, TextLookup texts,
                         VelmoUpdateContext context)
    : loop_(loop), operator_(op), memo_(memo), texts_(std::move(texts)), context_(std::move(context)) {
  if (context_.executablePath.empty()) context_.executablePath = update::runningExecutablePath();
  online_ = std::make_unique<update::OnlineUpdate>(
      loop_, operator_, memo_, texts_,
      update::UpdateSettings{context_.serverBase, context_.homeDir, kProgramVersion, context_.executablePath},
      [this] {
        handOver();
        return true;
      });
}

void VelmoUpdate::checkForUpdate(const std::string& menuCaption) {
  memo_.add(" " + menuCaption);  // the stamp, two spaces, the caption
  online_->requestCheck();
}

void VelmoUpdate::showAbout() {
  operator_.showMessage(texts_("MENU", "menu_about"), texts_("QL310", "ql310_about") + " " + kProgramVersion);
}

void VelmoUpdate::handOver() {
  if (context_.closePort) context_.closePort();
  loop_.delay(kPortCloseMs, [this] {
    // A new program that cannot be started leaves this one open.
    if (update::startUpdater(context_.homeDir, context_.executablePath) > 0 && context_.quit) context_.quit();
  });
}

void VelmoUpdate::onSecondTick() {
  if (++ticks_ != kHandOverTick) return;
  if (!update::runsAsUpdater(context_.executablePath)) {
    update::removeLeftoverUpdater(context_.homeDir);
    return;
  }
  if (context_.closePort) context_.closePort();
  const char* target = std::getenv(update::kTargetVariable);
  loop_.delay(kPortCloseMs, [this, target = std::string(target ? target : "")] {
    if (update::startupHandOver(context_.executablePath, context_.homeDir, target) > 0 && context_.quit)
      context_.quit();
  });
}

}  // namespace ql
