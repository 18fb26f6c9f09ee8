#pragma once
// A small sysfs and /dev tree for the port list: ttys are added and removed as adapters are
// plugged in and out. Shared by the test folders.

#include <filesystem>
#include <fstream>
#include <string>

#include "link/port_list.h"
#include "support/temp_dir.h"

namespace ql::test {

class FakePortTree {
 public:
  FakePortTree() {
    std::filesystem::create_directories(roots_.sysfs / "class" / "tty");
    std::filesystem::create_directories(roots_.dev / "serial" / "by-id");
  }

  const PortTreeRoots& roots() const { return roots_; }
  std::string node(const std::string& tty) const { return (roots_.dev / tty).string(); }

  // A USB adapter: the USB device (names and ids) above its interface, the tty below that, its
  // node and a by-id link. Empty names leave the files out.
  void plugUsb(const std::string& tty, const std::string& maker, const std::string& product,
               const std::string& vendorId, const std::string& productId, const std::string& byId = "") {
    const auto usb = roots_.sysfs / "devices" / "usb1" / ("1-" + tty);
    const auto port = usb / ("1-" + tty + ":1.0") / tty;
    std::filesystem::create_directories(port);
    if (!maker.empty()) write(usb / "manufacturer", maker + "\n");
    if (!product.empty()) write(usb / "product", product + "\n");
    write(usb / "idVendor", vendorId + "\n");
    write(usb / "idProduct", productId + "\n");
    addTty(tty, port);
    if (!byId.empty()) {
      std::filesystem::create_directory_symlink("../../" + tty, roots_.dev / "serial" / "by-id" / byId);
    }
  }

  // A built-in UART with its driver; type 0 is a legacy port with no UART behind it.
  void addUart(const std::string& tty, const std::string& driver, const std::string& type = "4") {
    const auto device = roots_.sysfs / "devices" / "platform" / driver;
    std::filesystem::create_directories(device);
    std::filesystem::create_directories(roots_.sysfs / "bus" / "drivers" / driver);
    std::error_code ec;
    std::filesystem::create_directory_symlink(roots_.sysfs / "bus" / "drivers" / driver, device / "driver",
                                              ec);
    addTty(tty, device);
    write(roots_.sysfs / "class" / "tty" / tty / "type", type + "\n");
  }

  // Unplugging removes the tty, its node and its by-id links.
  void unplug(const std::string& tty) {
    std::filesystem::remove_all(roots_.sysfs / "class" / "tty" / tty);
    std::filesystem::remove(roots_.dev / tty);
    for (const auto& entry : std::filesystem::directory_iterator(roots_.dev / "serial" / "by-id")) {
      if (std::filesystem::read_symlink(entry.path()).filename() == tty)
        std::filesystem::remove(entry.path());
    }
  }

  void addTtyWithoutNode(const std::string& tty) {
    const auto device = roots_.sysfs / "devices" / "virtual" / tty;
    std::filesystem::create_directories(device);
    std::filesystem::create_directories(roots_.sysfs / "class" / "tty" / tty);
    std::filesystem::create_directory_symlink(device, roots_.sysfs / "class" / "tty" / tty / "device");
  }

 private:
  void addTty(const std::string& tty, const std::filesystem::path& device) {
    const auto dir = roots_.sysfs / "class" / "tty" / tty;
    std::filesystem::create_directories(dir);
    std::filesystem::create_directory_symlink(device, dir / "device");
    write(roots_.dev / tty, "");
  }
  static void write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
  }

  TempDir dir_{"ql_port_tree"};
  PortTreeRoots roots_{std::filesystem::path(dir_.path()) / "sys",
                       std::filesystem::path(dir_.path()) / "dev"};
};

}  // namespace ql::test
