// serulo's settings life without a window: read once, changed, saved at exit, read back.

#include "assistant/assistant_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "assistant/receive_area_file.h"
#include "runtime/ini_file.h"
#include "support/temp_dir.h"

namespace ql {
namespace {

namespace fs = std::filesystem;

class SessionTest : public ::testing::Test {
 protected:
  std::string settingsPath() const { return dir.file("serulo.ini"); }
  IniFile stored() const {
    IniFile ini;
    EXPECT_TRUE(ini.load(settingsPath()));
    return ini;
  }

  test::TempDir dir{"ql_session"};
};

TEST_F(SessionTest, WithoutAFileTheDefaultsStayAndNothingIsWrittenUnlessRemembered) {
  AssistantSession session(settingsPath());
  EXPECT_FALSE(session.load());
  EXPECT_EQ(session.current(), defaultAssistantSettings());
  EXPECT_EQ(session.quickSend().row(4).caption, "发送");
  EXPECT_TRUE(session.saveAtExit("received"));
  EXPECT_FALSE(fs::exists(settingsPath()));
}

TEST_F(SessionTest, ChangedSettingsAndQuickSendRowsComeBackAfterARestart) {
  {
    AssistantSession session(settingsPath());
    session.load();
    AssistantSettings& s = session.settings();
    s.rememberInterface = true;
    s.window = {20, 40, 820, 600};
    s.portName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0";
    s.baudText = "921600";
    s.stopBitsIndex = 2;
    s.hexDisplay = false;
    s.sendText = "AA 55";
    s.extensionShown = true;
    session.quickSend().setText(2, "01 03 00 00");
    session.quickSend().setCaption(9, "读取");
    EXPECT_TRUE(session.saveAtExit("ABCDEF"));
    // Only the first save at exit counts: a later one (the window's destruction) changes nothing.
    session.settings().baudText = "300";
    EXPECT_TRUE(session.saveAtExit("changed"));
  }
  AssistantSession again(settingsPath());
  ASSERT_TRUE(again.load());
  const AssistantSettings s = again.current();
  EXPECT_TRUE(s.rememberInterface);
  EXPECT_EQ(s.window, (WindowGeometry{20, 40, 820, 600}));
  EXPECT_EQ(s.portName, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q-if00-port0");
  EXPECT_EQ(s.baudText, "921600");
  EXPECT_EQ(s.stopBitsIndex, 2);
  EXPECT_FALSE(s.hexDisplay);
  EXPECT_EQ(s.sendText, "AA 55");
  EXPECT_TRUE(s.extensionShown);
  EXPECT_EQ(again.quickSend().row(2), (QuickSendRow{"发送", "01 03 00 00"}));
  EXPECT_EQ(again.quickSend().row(9), (QuickSendRow{"读取", ""}));
  EXPECT_EQ(again.restoredReceiveText(), "ABCDEF");
}

TEST_F(SessionTest, AnUntickedBoxKeepsTheOldInterfaceAndIsRememberedUnticked) {
  IniFile ini;
  ini.writeInt("Save_Uses", "AutoSave", 1);
  ini.writeString("Com_Set", "BaudRate", "57600");
  ASSERT_TRUE(ini.save(settingsPath()));

  AssistantSession session(settingsPath());
  ASSERT_TRUE(session.load());
  EXPECT_TRUE(session.settings().rememberInterface);
  session.settings().rememberInterface = false;
  session.settings().baudText = "9600";
  EXPECT_TRUE(session.saveAtExit("not stored"));
  EXPECT_EQ(stored().readInt("Save_Uses", "AutoSave", -1), 0);
  EXPECT_EQ(stored().readString("Com_Set", "BaudRate"), "57600");
  EXPECT_FALSE(fs::exists(receiveAreaFilePath(settingsPath())));
}

TEST_F(SessionTest, TheControlFormStoresTheParametersAtOnceWhateverTheBox) {
  AssistantSession session(settingsPath());
  session.load();
  std::array<std::string, kQuickSendRows> captions;
  captions.fill("发送");
  captions[0] = "启动";
  ReadOutParameters parameters;
  parameters.byPattern[0] = {"压力", ValueType::Float, "AA55", 8};
  int notified = 0;
  session.quickSend().subscribe([&notified] { ++notified; });
  EXPECT_TRUE(session.acceptControlForm(captions, parameters));
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(session.quickSend().row(0).caption, "启动");

  AssistantSession again(settingsPath());
  again.load();
  EXPECT_EQ(again.settings().readOut.byPattern[0].name, "压力");
  EXPECT_EQ(again.settings().readOut.byPattern[0].count, 8);
  // The captions belong to the interface: stored at exit only when remembered.
  EXPECT_EQ(again.quickSend().row(0).caption, "发送");
}

// Run where serulo.ini may not be kept: the file goes under $XDG_CONFIG_HOME/serulo.
TEST_F(SessionTest, WithoutASettingsFileInTheWorkingDirectoryTheUsersConfigurationOneIsUsed) {
  const fs::path working = fs::path(dir.path()) / "work";
  fs::create_directories(working);
  const fs::path before = fs::current_path();
  const char* oldXdg = ::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
  fs::current_path(working);
  {
    AssistantSession session;
    EXPECT_EQ(session.settingsPath(), dir.file("config") + "/serulo/serulo.ini");
    session.load();
    session.settings().rememberInterface = true;
    EXPECT_TRUE(session.saveAtExit("1234"));
  }
  fs::current_path(before);
  if (oldXdg) {
    ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_TRUE(fs::is_regular_file(dir.file("config") + "/serulo/serulo.ini"));
  EXPECT_FALSE(fs::exists(working / "serulo.ini"));
}

}  // namespace
}  // namespace ql
