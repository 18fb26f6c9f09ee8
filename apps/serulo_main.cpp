// serulo: the serial debugging assistant.

#include <QApplication>

#include "ui/qt/qt_scheduler.h"
#include "ui/serulo/serulo_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("serulo");
  ql::QtScheduler scheduler;
  ql::SeruloWindow window(scheduler, ql::SeruloOptions{});
  window.show();
  return QApplication::exec();
}
