#pragma once
// The operator of tests: answers from a script the test writes and logs every prompt.

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "runtime/operator.h"

namespace ql {

enum class PromptKind { YesNo, Message, OpenFile, SaveFile };

// One prompt as the operator saw it. For file dialogs, text is the directory or suggested path.
struct Prompt {
  PromptKind kind;
  std::string title;
  std::string text;
  std::string answer;  // "yes"/"no", the chosen path, or empty (message, cancel)
};

const char* promptKindName(PromptKind kind);

class ScriptedOperator : public Operator {
 public:
  // Scripted answers are used in order; each must meet a prompt of its kind.
  void answerYesNo(bool yes);
  void answerOpenFile(std::string path);  // empty: cancel
  void answerSaveFile(std::string path);  // empty: cancel

  bool askYesNo(const std::string& title, const std::string& text) override;
  void showMessage(const std::string& title, const std::string& text) override;
  std::string chooseOpenFile(const std::string& title, const std::string& directory,
                             const std::vector<FileFilter>& filters) override;
  std::string chooseSaveFile(const std::string& title, const std::string& suggestedPath,
                             const std::vector<FileFilter>& filters) override;

  // Every prompt, messages included, in the order they came.
  const std::vector<Prompt>& log() const { return log_; }
  // Only the prompts of one kind (messages, questions, ...).
  std::vector<Prompt> prompts(PromptKind kind) const;
  // One line per prompt that found no scripted answer of its kind (answered No / cancelled) or
  // met an answer of another kind. Empty in a test that went to plan.
  const std::vector<std::string>& unexpected() const { return unexpected_; }
  std::size_t unusedAnswers() const { return script_.size(); }

 private:
  struct Answer {
    PromptKind kind;
    bool yes = false;
    std::string path;
  };
  // The scripted answer for a prompt of this kind, or null (recorded as unexpected).
  const Answer* take(PromptKind kind, const std::string& title, const std::string& text);

  std::deque<Answer> script_;
  Answer current_{PromptKind::YesNo, false, {}};
  std::vector<Prompt> log_;
  std::vector<std::string> unexpected_;
};

}  // namespace ql
