#pragma once
// Choosing the file an export goes to, shared by the export offered after a download and the
// exports of the data page: the save dialog comes until the operator picks a file that may be
// written. A new file is taken at once; an existing one only when the operator agrees to replace
// it (No shows the dialog again, at the file just chosen). A name without an extension gets the
// export's. Cancelling gives an empty path: nothing is written.

#include <string>
#include <vector>

#include "runtime/operator.h"

namespace ql {

struct ExportFileRequest {
  std::string title;          // the dialog's title
  std::string suggestedPath;  // where the dialog opens, with the proposed name
  std::vector<FileFilter> filters;
  std::string extension;        // ".csv"
  std::string replaceQuestion;  // asked when the file exists (info_fileexists)
};

std::string chooseExportFile(Operator& op, const ExportFileRequest& request);

}  // namespace ql
