#pragma once
// A fresh velmo home for window tests, holding the delivered resources (minus the files a test
// leaves out). The source tree is not searched, so a left-out picture is really missing.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "shell/velmo_program.h"

namespace ql::test {

class TestHome {
 public:
  explicit TestHome(const QStringList& leaveOut = {}) {
    const QDir source(QL_TEST_RESOURCE_DIR);
    for (const QFileInfo& file : source.entryInfoList(QDir::Files)) {
      if (!leaveOut.contains(file.fileName()))
        QFile::copy(file.absoluteFilePath(), dir_.filePath(file.fileName()));
    }
  }
  // The program sees exactly this port (none when empty), never the machine's.
  ProgramEnvironment environment(const std::string& port = {}) const {
    return {VelmoHome(dir_.path().toStdString(), {}),
            [port] { return port.empty() ? std::vector<std::string>{} : std::vector<std::string>{port}; },
            {}};
  }
  std::string dir() const { return dir_.path().toStdString(); }
  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }
  // Writes a file into the home; false when it cannot.
  bool write(const char* name, const QByteArray& bytes) const {
    QFile file(dir_.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace ql::test
