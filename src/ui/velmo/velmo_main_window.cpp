#include "ui/velmo/velmo_main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/velmo/banner.h"
#include "ui/velmo/calibration_dialog.h"
#include "ui/velmo/configuration_page.h"
#include "ui/velmo/connection_panel_view.h"
#include "ui/velmo/data_view_page.h"
#include "ui/velmo/download_progress_dialog.h"
#include "ui/velmo/erase_notice_window.h"
#include "ui/velmo/file_list_view.h"
#include "ui/velmo/instrument_info_view.h"
#include "ui/velmo/live_values_box.h"
#include "ui/velmo/memo_view.h"
#include "ui/velmo/navigation_bar.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

// The language box keeps this caption in every language: it is how one finds one's way back.
// Alt+L moves the focus to it.
constexpr const char* kLanguageCaption = "&Language";
// Share of the screen a window without a stored geometry takes.
constexpr double kDesignedScreenShare = 0.85;

}  // namespace

VelmoMainWindow::VelmoMainWindow(ProgramEnvironment env, Operator* op, QWidget* parent,
                                 std::optional<Link> link)
    : QMainWindow(parent),
      messageBoxes_(this),
      port_(loop_),
      pageBatch_(this, [this] { showCurrentPage(); }) {
  Operator& answers = op ? *op : messageBoxes_;
  program_ = link ? std::make_unique<VelmoProgram>(link->loop, answers, link->port, std::move(env))
                  : std::make_unique<VelmoProgram>(loop_, answers, port_, std::move(env));
  program_->create();
  pictures_ = VelmoPictures::load(program_->home());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  banner_ = new Banner({}, central);
  layout->addWidget(banner_);

  navigation_ = new NavigationBar(*program_, pictures_, central);
  auto* navigationRow = new QHBoxLayout;
  navigationRow->setContentsMargins(layout->spacing() * 2, 0, layout->spacing() * 2, 0);
  navigationRow->addWidget(navigation_);
  navigationRow->addStretch(1);
  navigationRow->addWidget(buildLanguageBox());
  layout->addLayout(navigationRow);

  pages_ = new QStackedWidget(central);
  pages_->setObjectName("pages");
  pages_->addWidget(buildDownloadPage());
  dataView_ = new DataViewPage(*program_, pictures_, answers, pages_);
  pages_->addWidget(dataView_);
  pages_->addWidget(new ConfigurationPage(*program_, pictures_, pages_));
  layout->addWidget(pages_, 1);
  setCentralWidget(central);

  // Alt+1..3 switch pages from the keyboard.
  const std::array<Page, 3> pages{Page::Download, Page::DataView, Page::Configuration};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + int(i))), this);
    const Page page = pages[i];
    connect(shortcut, &QShortcut::activated, this, [this, page] { program_->showPage(page); });
  }
  setTabOrder(navigation_->button(Page::Download), navigation_->button(Page::DataView));
  setTabOrder(navigation_->button(Page::DataView), navigation_->button(Page::Configuration));
  setTabOrder(navigation_->button(Page::Configuration), languageBox_);

  progress_ = new DownloadProgressDialog(*program_, this);
  eraseNotice_ = new EraseNoticeWindow(*program_, this);
  connect(banner_, &Banner::doubleClicked, progress_, &DownloadProgressDialog::showIdle);

  program_->setCalibrationOpener([this] { openCalibration(); });

  applyTexts();
  program_->languageChange().subscribe([this] { applyTexts(); });

  pageBatch_.watch(program_->navigation());
  pageBatch_.renderNow();
  placeWindow();
}

VelmoMainWindow::~VelmoMainWindow() = default;

QWidget* VelmoMainWindow::buildDownloadPage() {
  auto* page = new QWidget;
  page->setObjectName("downloadPage");
  auto* connection = new ConnectionPanelView(*program_, pictures_, page);
  liveValues_ = new LiveValuesBox(*program_, pictures_, page);
  auto* information = new InstrumentInfoView(*program_, pictures_, page);
  auto* files = new FileListView(*program_, pictures_, page);
  auto* memo = new MemoView(*program_, page);

  // Switching the automatic search on turns live display off.
  connect(connection, &ConnectionPanelView::autoSearchSwitchedOn, this,
          [this] { liveValues_->setLiveDisplayOn(false); });

  auto* layout = new QGridLayout(page);
  layout->addWidget(connection, 0, 0);
  layout->addWidget(information, 1, 0);
  layout->addWidget(liveValues_, 0, 1);
  layout->addWidget(files, 1, 1);
  layout->addWidget(memo, 0, 2, 2, 1);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(0, 3);
  layout->setColumnStretch(1, 3);
  layout->setColumnStretch(2, 4);
  return page;
}

QWidget* VelmoMainWindow::buildLanguageBox() {
  auto* group = new QGroupBox(kLanguageCaption);
  languageBox_ = new QComboBox(group);
  languageBox_->setObjectName("languageBox");
  languageBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  for (const std::string& name : program_->languages()) languageBox_->addItem(toQString(name));
  languageBox_->setCurrentText(toQString(program_->language()));
  // The choice applies at once, to every open window; it is stored at exit.
  connect(languageBox_, &QComboBox::textActivated, this,
          [this](const QString& name) { program_->setLanguage(name.toStdString()); });
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(languageBox_);
  group->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  return group;
}

void VelmoMainWindow::applyTexts() {
  setWindowTitle(toQString(program_->texts().windowTitle()));
  banner_->setTitle(toQString(program_->text("MAIN", "main_name")));
}

void VelmoMainWindow::placeWindow() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect whole = screen->geometry();
  if (std::optional<WindowGeometry> stored = program_->restoredGeometry(whole.width(), whole.height())) {
    resize(stored->width, stored->height);
    move(stored->left, stored->top);
    return;
  }
  const QRect available = screen->availableGeometry();
  const QSize designed = sizeHint()
                             .expandedTo((QSizeF(available.size()) * kDesignedScreenShare).toSize())
                             .boundedTo(available.size());
  resize(designed);
  move(available.center() - QPoint(designed.width() / 2, designed.height() / 2));
}

void VelmoMainWindow::showCurrentPage() {
  pages_->setCurrentIndex(static_cast<int>(program_->navigation().page) - 1);
}

// The dialog is made once and kept: it renders the program's calibration models.
void VelmoMainWindow::openCalibration() {
  if (!calibrationDialog_) calibrationDialog_ = new CalibrationDialog(*program_, this);
  program_->calibration().show();
  calibrationDialog_->exec();
  program_->calibration().close();
}

void VelmoMainWindow::start() {
  show();
  QTimer::singleShot(kDeferredStartMs, this, [this] {
    // The program cannot run without its pictures; the operator has been told why.
    if (!program_->initialise()) close();
  });
}

void VelmoMainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    // The stored geometry is that of the normal window, also when it is maximized now.
    const QRect client = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    const QPoint frameOffset = geometry().topLeft() - pos();
    const WindowGeometry window{client.x() - frameOffset.x(), client.y() - frameOffset.y(), client.height(),
                                client.width()};
    program_->close(window, languageBox_->currentText().toStdString());
  }
  event->accept();
}

}  // namespace ql
