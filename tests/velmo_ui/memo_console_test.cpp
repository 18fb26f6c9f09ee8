// The data information memo, offscreen: a key released with Ctrl and Alt reaches the engineering
// console, and the "清空" pop-up menu is offered only while the information poll is idle.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

#include "link/memory_port.h"
#include "runtime/scripted_operator.h"
#include "runtime/virtual_scheduler.h"
#include "test_home.h"
#include "ui/velmo/memo_view.h"

namespace ql {
namespace {

// velmo's core without a logger, on the virtual clock, with only its memo on screen.
struct MemoOnItsOwn {
  test::TestHome home;
  VirtualScheduler loop;
  MemoryPort port{loop};
  ScriptedOperator op;
  VelmoProgram program{loop, op, port, home.environment()};
  MemoView view{program};
  QPlainTextEdit* text = view.findChild<QPlainTextEdit*>("dataInformationMemo");
};

// Asks for the memo's pop-up menu; true when one came up (it is closed again).
bool popupMenuOffered(QPlainTextEdit* text) {
  struct Seen {
    bool looked = false;  // the check ran, menu or not
    bool offered = false;
    QStringList items;
  };
  auto seen = std::make_shared<Seen>();
  QTimer::singleShot(0, text, [seen] {
    seen->looked = true;
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    seen->offered = true;
    for (QAction* action : menu->actions()) seen->items << action->objectName();
    menu->close();
  });
  emit text->customContextMenuRequested(QPoint(5, 5));
  if (!QTest::qWaitFor([seen] { return seen->looked; }, 5000)) return false;
  return seen->offered && seen->items.contains("clearMemoAction");
}

}  // namespace

class MemoConsoleTest : public QObject {
  Q_OBJECT

 private slots:
  void keyReleaseWithCtrlAndAltReachesTheConsole();
  void clearMenuOnlyWhileThePollIsIdle();
};

void MemoConsoleTest::keyReleaseWithCtrlAndAltReachesTheConsole() {
  MemoOnItsOwn memo;
  memo.view.show();
  QVERIFY(memo.text);

  QTest::keyRelease(memo.text, Qt::Key_8, Qt::ControlModifier);
  QTest::keyRelease(memo.text, Qt::Key_8, Qt::AltModifier);
  QVERIFY(memo.program.memo().lines().empty());

  QTest::keyRelease(memo.text, Qt::Key_8, Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(memo.program.memo().lines().size(), std::size_t(26));
  QVERIFY(memo.program.memo().lines().back().ends_with("ratio battery2 :  0"));
  // The memo shows the listing.
  QTRY_VERIFY(memo.text->toPlainText().contains("K3 :  0"));

  // S needs the left button held at the release; none is.
  QTest::keyRelease(memo.text, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(memo.program.linkState().LinkEcho, 0);
}

void MemoConsoleTest::clearMenuOnlyWhileThePollIsIdle() {
  MemoOnItsOwn memo;
  memo.view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&memo.view));
  QVERIFY(popupMenuOffered(memo.text));

  memo.program.infoPoll().start(0);
  QVERIFY(!popupMenuOffered(memo.text));

  memo.program.pollSequencer().stop();
  QVERIFY(popupMenuOffered(memo.text));
}

}  // namespace ql

QTEST_MAIN(ql::MemoConsoleTest)
#include "memo_console_test.moc"
