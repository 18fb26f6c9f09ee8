#include "ui/velmo/connection_panel_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "ui/qt/port_box.h"
#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {

QStringList toStringList(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << toQString(item);
  return list;
}

QStringList itemsOf(const QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
  return list;
}

// Replaces the items only when they changed, so an open drop-down is not disturbed needlessly.
void showItems(QComboBox* box, const QStringList& items, int index) {
  const QSignalBlocker blocker(box);
  if (itemsOf(box) != items) {
    box->clear();
    box->addItems(items);
  }
  box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

ConnectionPanelView::ConnectionPanelView(VelmoProgram& program, const VelmoPictures& pictures,
                                         QWidget* parent)
    : QGroupBox(parent), program_(program), batch_(this, [this] { render(); }) {
  const PictureButton::Pictures actionPictures{
      pictures[Picture::ActionNormal], pictures[Picture::ActionPressed], {}};

  auto* portCaption = new QLabel(this);
  texts_.bindText(portCaption, "MAIN", "cpt_port_comm");
  portBox_ = new QComboBox(this);
  portBox_->setObjectName("portBox");
  portBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  portBox_->setMinimumContentsLength(10);
  portCaption->setBuddy(portBox_);

  auto* rateCaption = new QLabel(this);
  texts_.bindText(rateCaption, "MAIN", "cpt_com_baudrate");
  rateBox_ = new QComboBox(this);
  rateBox_->setObjectName("rateBox");
  rateCaption->setBuddy(rateBox_);

  autoSearchBox_ = new QCheckBox(this);
  texts_.bindText(autoSearchBox_, "MAIN", "cpt_com_auto");
  autoSearchBox_->setObjectName("autoSearchBox");

  connectButton_ = new PictureButton(actionPictures, this);
  connectButton_->setObjectName("connectButton");
  texts_.bind("MAIN", "btn_comlink", [this](const QString& text) { connectButton_->setCaption(text); });
  disconnectButton_ = new PictureButton(actionPictures, this);
  disconnectButton_->setObjectName("disconnectButton");
  texts_.bind("MAIN", "btn_discon", [this](const QString& text) { disconnectButton_->setCaption(text); });

  stateCaption_ = new QLabel(this);
  texts_.bindText(stateCaption_, "MAIN", "cpt_state");
  stateCaption_->setObjectName("stateCaption");
  linkStatus_ = new QLabel(this);
  linkStatus_->setObjectName("linkStatus");
  searchStatus_ = new QLabel(this);
  searchStatus_->setObjectName("searchStatus");
  searchStatus_->setWordWrap(true);
  searchStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(connectButton_);
  buttons->addWidget(disconnectButton_);

  auto* layout = new QGridLayout(this);
  layout->addWidget(portCaption, 0, 0);
  layout->addWidget(portBox_, 0, 1);
  layout->addWidget(rateCaption, 1, 0);
  layout->addWidget(rateBox_, 1, 1);
  layout->addWidget(autoSearchBox_, 2, 0);
  layout->addLayout(buttons, 2, 1);
  layout->addWidget(stateCaption_, 3, 0);
  layout->addWidget(linkStatus_, 3, 1);
  layout->addWidget(searchStatus_, 4, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(5, 1);

  connect(portBox_, &QComboBox::activated, this, [this](int index) { program_.selectPort(index); });
  connect(rateBox_, &QComboBox::activated, this, [this](int index) { program_.selectRate(index); });
  connect(autoSearchBox_, &QCheckBox::clicked, this, [this](bool on) {
    program_.setAutoSearch(on);
    if (on) emit autoSearchSwitchedOn();
  });
  connect(connectButton_, &PictureButton::clicked, this, [this] { program_.connectManually(); });
  connect(disconnectButton_, &PictureButton::clicked, this, [this] { program_.disconnect(); });

  setTabOrder(portBox_, rateBox_);
  setTabOrder(rateBox_, autoSearchBox_);
  setTabOrder(autoSearchBox_, connectButton_);
  setTabOrder(connectButton_, disconnectButton_);

  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(program_.connectionPanel());
  batch_.renderNow();
}

void ConnectionPanelView::applyTexts() { texts_.apply(); }

void ConnectionPanelView::render() {
  const ConnectionPanel& panel = program_.connectionPanel();
  if (panel.ports != describedPorts_) {
    describedPorts_ = panel.ports;
    std::vector<SerialPortInfo> ports;
    for (const auto& path : panel.ports) ports.push_back(program_.describePort(path));
    const QSignalBlocker blocker(portBox_);
    showPorts(portBox_, ports);
  }
  {
    const QSignalBlocker blocker(portBox_);
    portBox_->setCurrentIndex(panel.portIndex >= 0 && panel.portIndex < portBox_->count() ? panel.portIndex
                                                                                          : -1);
  }
  showItems(rateBox_, toStringList(ConnectionPanel::rateItems()), panel.rateIndex);
  portBox_->setEnabled(panel.listsEnabled);
  rateBox_->setEnabled(panel.listsEnabled);
  {
    const QSignalBlocker blocker(autoSearchBox_);
    autoSearchBox_->setChecked(panel.autoSearch);
  }
  // The status caption is red while the alternative link frame is in use.
  QPalette palette = stateCaption_->palette();
  palette.setColor(QPalette::WindowText,
                   panel.statusRed ? QColor(Qt::red) : this->palette().color(QPalette::WindowText));
  stateCaption_->setPalette(palette);
  linkStatus_->setText(toQString(panel.linkStatus));
  searchStatus_->setText(toQString(panel.searchStatus));
}

}  // namespace ql
