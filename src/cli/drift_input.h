#pragma once
// velmo export --drift-correct: the data file with its record times corrected for the logger's
// clock drift (data/clock_drift.h), as a temporary copy the export reads instead.

#include <optional>
#include <utility>
#include <string>

namespace ql::cli {

class DriftCorrectedInput {
 public:
  // The copy of dataFilePath, or nullopt with the reason the correction cannot apply.
  static std::optional<DriftCorrectedInput> make(const std::string& dataFilePath, std::string& problem);
  ~DriftCorrectedInput();
  DriftCorrectedInput(DriftCorrectedInput&& other) noexcept
      : path_(std::move(other.path_)), description_(std::move(other.description_)) {
    other.path_.clear();
  }
  DriftCorrectedInput(const DriftCorrectedInput&) = delete;
  DriftCorrectedInput& operator=(const DriftCorrectedInput&) = delete;
  DriftCorrectedInput& operator=(DriftCorrectedInput&& other) noexcept {
    std::swap(path_, other.path_);
    std::swap(description_, other.description_);
    return *this;
  }

  const std::string& path() const { return path_; }
  // How the record times were corrected, for the annotated export's header.
  const std::string& description() const { return description_; }

 private:
  DriftCorrectedInput(std::string path, std::string description)
      : path_(std::move(path)), description_(std::move(description)) {}
  std::string path_;
  std::string description_;
};

}  // namespace ql::cli
