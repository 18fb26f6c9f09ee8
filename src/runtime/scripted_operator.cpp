#include "runtime/scripted_operator.h"

namespace ql {

const char* promptKindName(PromptKind kind) {
  switch (kind) {
    case PromptKind::YesNo:
      return "yes/no question";
    case PromptKind::Message:
      return "message";
    case PromptKind::OpenFile:
      return "open-file dialog";
    case PromptKind::SaveFile:
      return "save-file dialog";
  }
  return "prompt";
}

void ScriptedOperator::answerYesNo(bool yes) { script_.push_back(Answer{PromptKind::YesNo, yes, {}}); }

void ScriptedOperator::answerOpenFile(std::string path) {
  script_.push_back(Answer{PromptKind::OpenFile, false, std::move(path)});
}

void ScriptedOperator::answerSaveFile(std::string path) {
  script_.push_back(Answer{PromptKind::SaveFile, false, std::move(path)});
}

const ScriptedOperator::Answer* ScriptedOperator::take(PromptKind kind, const std::string& title,
                                                       const std::string& text) {
  if (script_.empty() || script_.front().kind != kind) {
    std::string note =
        std::string("unexpected ") + promptKindName(kind) + " \"" + title + "\": \"" + text + "\"";
    if (!script_.empty())
      note += std::string(" (the script expected a ") + promptKindName(script_.front().kind) + ")";
    unexpected_.push_back(std::move(note));
    return nullptr;  // the script is left as it is, so its mismatch stays visible
  }
  current_ = std::move(script_.front());
  script_.pop_front();
  return &current_;
}

bool ScriptedOperator::askYesNo(const std::string& title, const std::string& text) {
  const Answer* answer = take(PromptKind::YesNo, title, text);
  const bool yes = answer && answer->yes;
  log_.push_back(Prompt{PromptKind::YesNo, title, text, yes ? "yes" : "no"});
  return yes;
}

void ScriptedOperator::showMessage(const std::string& title, const std::string& text) {
  log_.push_back(Prompt{PromptKind::Message, title, text, {}});
}

std::string ScriptedOperator::chooseOpenFile(const std::string& title, const std::string& directory,
                                             const std::vector<FileFilter>&) {
  const Answer* answer = take(PromptKind::OpenFile, title, directory);
  std::string path = answer ? answer->path : std::string();
  log_.push_back(Prompt{PromptKind::OpenFile, title, directory, path});
  return path;
}

std::string ScriptedOperator::chooseSaveFile(const std::string& title, const std::string& suggestedPath,
                                             const std::vector<FileFilter>&) {
  const Answer* answer = take(PromptKind::SaveFile, title, suggestedPath);
  std::string path = answer ? answer->path : std::string();
  log_.push_back(Prompt{PromptKind::SaveFile, title, suggestedPath, path});
  return path;
}

std::vector<Prompt> ScriptedOperator::prompts(PromptKind kind) const {
  std::vector<Prompt> matching;
  for (const Prompt& prompt : log_) {
    if (prompt.kind == kind) matching.push_back(prompt);
  }
  return matching;
}

}  // namespace ql
