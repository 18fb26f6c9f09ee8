#include "data/export_file_choice.h"

#include <filesystem>
#include <system_error>

namespace ql {

std::string chooseExportFile(Operator& op, const ExportFileRequest& request) {
  std::string suggested = request.suggestedPath;
  for (;;) {
    std::string chosen = op.chooseSaveFile(request.title, suggested, request.filters);
    if (chosen.empty()) return {};
    if (std::filesystem::path(chosen).extension().empty()) chosen += request.extension;
    std::error_code error;
    if (!std::filesystem::exists(chosen, error) || op.askYesNo("", request.replaceQuestion)) return chosen;
    suggested = chosen;
  }
}

}  // namespace ql
