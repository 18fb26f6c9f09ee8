#pragma once
// Captions that follow the language: each bound caption is set from its text when a window
// applies its texts, at construction and again whenever the operator picks another language.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "shell/velmo_program.h"
#include "ui/velmo/ui_text.h"

namespace ql {

class TextBinding {
 public:
  explicit TextBinding(const VelmoProgram& program) : program_(program) {}

  // show receives the text of section/key on every apply().
  void bind(std::string section, std::string key, std::function<void(const QString&)> show) {
    bindings_.push_back({std::move(section), std::move(key), std::move(show)});
  }
  // For any widget or action with setText().
  template <typename Captioned>
  void bindText(Captioned* target, std::string section, std::string key) {
    bind(std::move(section), std::move(key), [target](const QString& text) { target->setText(text); });
  }
  // The target, its text bound: for captions made where they are laid out.
  template <typename Captioned>
  Captioned* textOf(Captioned* target, std::string section, std::string key) {
    bindText(target, std::move(section), std::move(key));
    return target;
  }
  template <typename Titled>
  Titled* titleOf(Titled* target, std::string section, std::string key) {
    bind(std::move(section), std::move(key), [target](const QString& text) { target->setTitle(text); });
    return target;
  }
  void apply() const {
    for (const Binding& binding : bindings_)
      binding.show(toQString(program_.text(binding.section, binding.key)));
  }

 private:
  struct Binding {
    std::string section;
    std::string key;
    std::function<void(const QString&)> show;
  };
  const VelmoProgram& program_;
  std::vector<Binding> bindings_;
};

}  // namespace ql
