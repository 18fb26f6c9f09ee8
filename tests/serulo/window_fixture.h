#pragma once
// A serulo window on a temporary settings file, with helpers to reach its controls.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <memory>

#include "runtime/scripted_operator.h"
#include "ui/qt/qt_scheduler.h"
#include "ui/serulo/serulo_window.h"
#include "support/temp_dir.h"

namespace ql::testing {

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = scratch_.path(); }
  void TearDown() override { window_.reset(); }

  std::string settingsPath() const { return (dir_ / "serulo.ini").string(); }

  // A new window; it runs its start-up step (restore settings, open the port) before returning.
  SeruloWindow& openWindow(std::vector<std::string> ports = {"/nonexistent/ttyQL0"}) {
    SeruloOptions options;
    options.portLister = [ports] { return ports; };
    return openWindowWith(std::move(options));
  }
  // The same with the caller's port list and descriptions.
  SeruloWindow& openWindowWith(SeruloOptions options) {
    window_.reset();
    options.settingsPath = settingsPath();
    options.dialogs = &dialogs_;
    window_ = std::make_unique<SeruloWindow>(scheduler_, options);
    window_->show();
    EXPECT_TRUE(QTest::qWaitFor([this] { return window_->startedUp(); }, 5000));
    return *window_;
  }
  void closeWindow() {
    window_->close();
    window_.reset();
  }

  template <typename T>
  T* find(const char* name) const {
    T* widget = window_->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
  QString text(const char* labelName) const { return find<QLabel>(labelName)->text(); }

  ql::test::TempDir scratch_{"serulo-window"};  // outlives the window, which saves into it
  QtScheduler scheduler_;
  ScriptedOperator dialogs_;
  std::unique_ptr<SeruloWindow> window_;
  std::filesystem::path dir_;
};

}  // namespace ql::testing
