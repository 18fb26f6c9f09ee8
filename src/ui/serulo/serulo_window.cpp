#include "ui/serulo/serulo_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>
#include <utility>

#include "assistant/hex_reader.h"
#include "assistant/line_options.h"
#include "link/port_list.h"
#include "runtime/encoding.h"
#include "ui/qt/port_box.h"
#include "ui/serulo/control_form.h"
#include "ui/serulo/extension_panel.h"
#include "ui/serulo/receive_view.h"

namespace ql {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kOpenCaption = "打开串口";
constexpr const char* kCloseCaption = "关闭串口";
constexpr const char* kStopDisplayCaption = "停止显示";
constexpr const char* kStartDisplayCaption = "开始显示";
constexpr const char* kShowExtensionCaption = "显示扩展";
constexpr const char* kHideExtensionCaption = "隐藏扩展";

const std::vector<FileFilter> kTextFileFilters = {{"文本文件", "*.TXT *.txt"}, {"所有文件", "*"}};

QPixmap lampPixmap(bool lit) {
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(60, 60, 60), 1.5));
  painter.setBrush(lit ? QColor(230, 30, 30) : QColor(90, 90, 90));
  painter.drawEllipse(QRectF(2, 2, 18, 18));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, lit ? 150 : 60));
  painter.drawEllipse(QRectF(6, 5, 7, 5));
  return pixmap;
}

QLabel* panel(const QString& text, const char* name) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  // A fixed height keeps a new text from asking the whole window for a new layout.
  label->setFixedHeight(label->fontMetrics().height() + 4);
  label->setMinimumWidth(60);
  return label;
}

QComboBox* box(const std::vector<std::string>& items, const char* name) {
  auto* combo = new QComboBox;
  combo->setObjectName(name);
  for (const auto& item : items) combo->addItem(q(item));
  return combo;
}

QKeySequence sendKeys() { return QKeySequence(Qt::CTRL | Qt::Key_Return); }

QPushButton* button(const char* caption, const char* name) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  return b;
}

}  // namespace

SeruloWindow::SeruloWindow(Scheduler& scheduler, SeruloOptions options, QWidget* parent)
    : QWidget(parent),
      session_(options.settingsPath),
      describePort_(options.portDescriber ? options.portDescriber
                                          : [](const std::string& path) { return describeSerialPort(path); }),
      port_(scheduler),
      line_(port_),
      terminal_(scheduler, line_,
                options.portLister ? options.portLister : Terminal::PortLister(serialPortPaths)),
      qtDialogs_(this),
      dialogs_(options.dialogs ? options.dialogs : &qtDialogs_),
      savePath_(QDir::homePath() + "/TEST.TXT") {
  setWindowTitle(kTitle);
  setObjectName("seruloWindow");

  auto* left = buildPortPanel();
  receiveView_ = new ReceiveView;
  receiveView_->setObjectName("receiveView");
  receiveView_->setArea(&terminal_.receiveArea());
  auto* sendPanel = buildSendPanel();
  extensionPanel_ = new ExtensionPanel(terminal_, session_.quickSend(), *sendArea_);
  extensionPanel_->setFixedWidth(250);
  extensionPanel_->hide();

  auto* grid = new QGridLayout;
  grid->setContentsMargins(4, 4, 4, 2);
  grid->setSpacing(4);
  grid->addWidget(left, 0, 0);
  grid->addWidget(receiveView_, 0, 1);
  grid->addWidget(sendPanel, 1, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(0, 1);

  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(1);
  body->addLayout(grid, 1);
  body->addWidget(extensionPanel_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(body, 1);
  layout->addWidget(buildStatusBar());

  resize(710, 561);
  // The settings file is read once; window creation already takes the position and size.
  if (session_.load()) {
    const WindowGeometry g = session_.settings().window;
    move(g.left, g.top);
    resize(g.width, g.height);
  }

  connectTerminal();
  statusTimer_.setSingleShot(true);
  connect(&statusTimer_, &QTimer::timeout, this, [this] {
    const unsigned changes = std::exchange(deferredStatus_, 0u);
    sinceStatusShown_.start();
    render(changes);
  });
  render(~0u);
  QTimer::singleShot(kStartUpDelayMs, this, [this] { startUp(); });
}

SeruloWindow::~SeruloWindow() {
  saveOnClose();
  terminal_.setOnChanged(nullptr);
  // The controls go first: their signals (a focus lost on hiding, for one) call into the
  // terminal, which dies with the members before the base class would delete them.
  qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
  port_.close();
}

QWidget* SeruloWindow::buildPortPanel() {
  auto* panelWidget = new QWidget;
  panelWidget->setFixedWidth(185);
  auto* grid = new QGridLayout(panelWidget);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(3);
  int row = 0;
  addLineBoxes(grid, row);
  addDisplayControls(grid, row);
  grid->addWidget(buildReadOutPanel(), row++, 0, 1, 2);
  grid->setRowStretch(row, 1);
  connectPortPanel();
  connectDisplayControls();
  return panelWidget;
}

void SeruloWindow::addLineBoxes(QGridLayout* grid, int& row) {
  portLabel_ = new QLabel("串口：");
  portLabel_->setToolTip("双击刷新串口");
  portBox_ = new QComboBox;
  portBox_->setObjectName("portBox");
  portBox_->setEditable(true);  // any path may be typed, a pseudo-terminal for one
  portBox_->setToolTip("双击刷新串口");
  portBox_->setInsertPolicy(QComboBox::NoInsert);
  baudBox_ = box(baudRateItems(), "baudBox");
  baudBox_->setEditable(true);
  baudBox_->setInsertPolicy(QComboBox::NoInsert);
  baudBox_->setCurrentText(kDefaultBaudText);
  parityBox_ = box(parityItems(), "parityBox");
  dataBitsBox_ = box(dataBitsItems(), "dataBitsBox");
  stopBitsBox_ = box(stopBitsItems(), "stopBitsBox");

  auto addRow = [&](QWidget* label, QWidget* field) {
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    ++row;
  };
  addRow(portLabel_, portBox_);
  addRow(new QLabel("波特率："), baudBox_);
  addRow(new QLabel("校验位："), parityBox_);
  addRow(new QLabel("数据位："), dataBitsBox_);
  addRow(new QLabel("停止位："), stopBitsBox_);

  lamp_ = new QLabel;
  lamp_->setObjectName("lamp");
  lamp_->setPixmap(lampPixmap(false));
  openButton_ = button(kOpenCaption, "openButton");
  grid->addWidget(lamp_, row, 0, Qt::AlignCenter);
  grid->addWidget(openButton_, row++, 1);
}

void SeruloWindow::addDisplayControls(QGridLayout* grid, int& row) {
  clearReceiveButton_ = button("清空接收区", "clearReceiveButton");
  displayButton_ = button(kStopDisplayCaption, "displayButton");
  grid->addWidget(clearReceiveButton_, row, 0);
  grid->addWidget(displayButton_, row++, 1);

  autoClearCheck_ = new QCheckBox("自动清空显示区");
  autoClearCheck_->setObjectName("autoClearCheck");
  autoClearCheck_->setChecked(true);
  hexDisplayCheck_ = new QCheckBox("十六进制显示");
  hexDisplayCheck_->setObjectName("hexDisplayCheck");
  hexDisplayCheck_->setChecked(true);
  rememberCheck_ = new QCheckBox("界面记忆");
  rememberCheck_->setObjectName("rememberCheck");
  grid->addWidget(autoClearCheck_, row++, 0, 1, 2);
  grid->addWidget(hexDisplayCheck_, row++, 0, 1, 2);
  grid->addWidget(rememberCheck_, row++, 0, 1, 2);

  saveButton_ = button("保存到文件", "saveButton");
  grid->addWidget(saveButton_, row++, 0, 1, 2);
  savePathLabel_ = new QLabel(savePath_);
  savePathLabel_->setObjectName("savePathLabel");
  savePathLabel_->setToolTip("双击选择保存文件");
  savePathLabel_->setWordWrap(true);
  grid->addWidget(savePathLabel_, row++, 0, 1, 2);
}

QWidget* SeruloWindow::buildReadOutPanel() {
  readOutPanel_ = new QWidget;
  readOutPanel_->setObjectName("readOutPanel");
  auto* readOutGrid = new QGridLayout(readOutPanel_);
  readOutGrid->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < kReadOutCount; ++i) {
    readOutCaptions_[i] = new QLabel;
    readOutCaptions_[i]->setObjectName(QString("readOutCaption%1").arg(i + 1));
    readOutValues_[i] = panel("", "readOutValue");
    readOutValues_[i]->setObjectName(QString("readOutValue%1").arg(i + 1));
    readOutGrid->addWidget(readOutCaptions_[i], static_cast<int>(i), 0);
    readOutGrid->addWidget(readOutValues_[i], static_cast<int>(i), 1);
  }
  return readOutPanel_;
}

// Every edit goes to the terminal (what the port does) and to the session (what is saved).
void SeruloWindow::connectPortPanel() {
  portLabel_->installEventFilter(this);
  portBox_->lineEdit()->installEventFilter(this);
  AssistantSettings& settings = session_.settings();

  connect(openButton_, &QPushButton::clicked, this, [this] {
    terminal_.setParityIndex(parityBox_->currentIndex());
    terminal_.setStopBitsIndex(stopBitsBox_->currentIndex());
    terminal_.pressOpenButton();
  });
  // The port is re-targeted once a name is chosen or typed in full, not on every keystroke.
  connect(portBox_, &QComboBox::textActivated, this, [this, &settings](const QString& name) {
    settings.portName = name.toStdString();
    terminal_.setPortName(settings.portName);
  });
  connect(portBox_->lineEdit(), &QLineEdit::editingFinished, this, [this, &settings] {
    settings.portName = portBox_->currentText().toStdString();
    if (settings.portName != terminal_.portName()) terminal_.setPortName(settings.portName);
  });
  connect(baudBox_, &QComboBox::currentTextChanged, this, [this, &settings](const QString& text) {
    settings.baudText = text.toStdString();
    terminal_.setBaudText(settings.baudText);
  });
  connect(parityBox_, &QComboBox::currentIndexChanged, this, [this, &settings](int i) {
    settings.parityIndex = i;
    terminal_.setParityIndex(i);
  });
  connect(dataBitsBox_, &QComboBox::currentIndexChanged, this, [this, &settings](int i) {
    settings.dataBitsIndex = i;
    terminal_.setDataBitsIndex(i);
  });
  connect(stopBitsBox_, &QComboBox::currentIndexChanged, this, [this, &settings](int i) {
    settings.stopBitsIndex = i;
    terminal_.setStopBitsIndex(i);
  });
}

void SeruloWindow::connectDisplayControls() {
  savePathLabel_->installEventFilter(this);
  AssistantSettings& settings = session_.settings();
  connect(clearReceiveButton_, &QPushButton::clicked, this, [this] { terminal_.clearReceiveArea(); });
  connect(displayButton_, &QPushButton::clicked, this, [this] {
    const bool running = !terminal_.displayRunning();
    terminal_.setDisplayRunning(running);
    displayButton_->setText(running ? kStopDisplayCaption : kStartDisplayCaption);
  });
  connect(autoClearCheck_, &QCheckBox::toggled, this, [this, &settings](bool on) {
    settings.autoClear = on;
    terminal_.setAutoClear(on);
  });
  connect(hexDisplayCheck_, &QCheckBox::toggled, this, [this, &settings](bool on) {
    settings.hexDisplay = on;
    terminal_.setHexDisplay(on);
  });
  connect(rememberCheck_, &QCheckBox::toggled, this,
          [&settings](bool on) { settings.rememberInterface = on; });
  connect(saveButton_, &QPushButton::clicked, this,
          [this] { terminal_.saveReceiveArea(savePath_.toStdString(), localDateTime(std::time(nullptr))); });
}

QWidget* SeruloWindow::buildSendPanel() {
  auto* panelWidget = new QWidget;
  auto* grid = new QGridLayout(panelWidget);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(3);

  hexSendCheck_ = new QCheckBox("十六进制");
  hexSendCheck_->setObjectName("hexSendCheck");
  hexSendCheck_->setChecked(true);
  autoSendCheck_ = new QCheckBox("自动发送");
  autoSendCheck_->setObjectName("autoSendCheck");
  periodBox_ = new QSpinBox;
  periodBox_->setObjectName("periodBox");
  periodBox_->setRange(kAutoSendPeriodMin, kAutoSendPeriodMax);
  periodBox_->setValue(1000);
  manualSendButton_ = button("手动发送", "manualSendButton");
  manualSendButton_->setToolTip(QString("手动发送 (%1)").arg(sendKeys().toString(QKeySequence::NativeText)));
  auto* clearSend = button("清空发送", "clearSendButton");
  auto* chooseFile = button("选择发送文件", "chooseFileButton");
  auto* resetCounters = button("计数器清零", "resetCountersButton");
  auto* settingsButton = button("设置", "settingsButton");
  extensionButton_ = button(kShowExtensionCaption, "extensionButton");
  auto* exitButton = button("退出", "exitButton");

  auto* controls = new QWidget;
  controls->setFixedWidth(185);
  auto* controlsGrid = new QGridLayout(controls);
  controlsGrid->setContentsMargins(0, 0, 0, 0);
  controlsGrid->setVerticalSpacing(2);
  controlsGrid->addWidget(hexSendCheck_, 0, 0);
  controlsGrid->addWidget(autoSendCheck_, 0, 1);
  controlsGrid->addWidget(new QLabel("自动周期ms"), 1, 0);
  controlsGrid->addWidget(periodBox_, 1, 1);
  controlsGrid->addWidget(manualSendButton_, 2, 0);
  controlsGrid->addWidget(clearSend, 2, 1);
  controlsGrid->addWidget(chooseFile, 3, 0, 1, 2);

  sendArea_ = new QPlainTextEdit(kDefaultSendText);
  sendArea_->setObjectName("sendArea");
  sendArea_->setFixedHeight(100);
  convertCheck_ = new QCheckBox("转换");
  convertCheck_->setObjectName("convertCheck");
  convertCheck_->setToolTip("文本与十六进制互换");
  auto* clearSendArea = button("发送区清空", "clearSendAreaButton");
  auto* sendAreaTools = new QGridLayout;
  sendAreaTools->setVerticalSpacing(2);
  sendAreaTools->addWidget(convertCheck_, 0, 0);
  sendAreaTools->addWidget(clearSendArea, 0, 1);
  sendAreaTools->addWidget(resetCounters, 1, 0);
  sendAreaTools->addWidget(settingsButton, 1, 1);
  sendAreaTools->addWidget(extensionButton_, 2, 0);
  sendAreaTools->addWidget(exitButton, 2, 1);
  sendAreaTools->setRowStretch(3, 1);

  grid->addWidget(controls, 0, 0);
  grid->addWidget(sendArea_, 0, 1);
  grid->addLayout(sendAreaTools, 0, 2);
  grid->setColumnStretch(1, 1);

  terminal_.setSendText(kDefaultSendText);
  AssistantSettings& settings = session_.settings();
  connect(sendArea_, &QPlainTextEdit::textChanged, this, [this, &settings] {
    settings.sendText = sendArea_->toPlainText().toStdString();
    terminal_.setSendText(settings.sendText);
  });
  connect(hexSendCheck_, &QCheckBox::toggled, this, [this, &settings](bool on) {
    settings.hexSend = on;
    terminal_.setHexSend(on);
  });
  connect(autoSendCheck_, &QCheckBox::toggled, this, [this](bool on) { terminal_.setAutoSend(on); });
  connect(periodBox_, &QSpinBox::valueChanged, this, [this, &settings](int ms) {
    settings.autoSendPeriod = ms;
    terminal_.setAutoSendPeriod(ms);
  });
  connect(manualSendButton_, &QPushButton::clicked, this, [this] { terminal_.sendOnce(); });
  // The keyboard's send, from anywhere in the window (the send area keeps Return for new lines).
  for (const QKeySequence& keys : {sendKeys(), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this] { terminal_.sendOnce(); });
  }
  connect(clearSend, &QPushButton::clicked, this, [this] { sendArea_->clear(); });
  connect(clearSendArea, &QPushButton::clicked, this, [this] {
    sendArea_->clear();
    sendArea_->setFocus();
  });
  connect(chooseFile, &QPushButton::clicked, this, [this] { chooseSendFile(); });
  connect(resetCounters, &QPushButton::clicked, this, [this] { terminal_.resetCounters(); });
  connect(settingsButton, &QPushButton::clicked, this, [this] { openControlForm(); });
  connect(extensionButton_, &QPushButton::clicked, this,
          [this] { setExtensionShown(!extensionPanel_->isVisibleTo(this)); });
  connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
  connect(convertCheck_, &QCheckBox::toggled, this, [this](bool toHex) { toggleSendAreaForm(toHex); });
  return panelWidget;
}

QWidget* SeruloWindow::buildStatusBar() {
  auto* bar = new QWidget;
  bar->setObjectName("statusBar");
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(4, 1, 4, 2);
  layout->setSpacing(3);
  messagePanel_ = panel("", "messagePanel");
  messagePanel_->setMinimumWidth(130);
  receiveCounter_ = panel("0", "receiveCounter");
  receiveCounter_->setToolTip("双击清零");
  sendCounter_ = panel("0", "sendCounter");
  sendCounter_->setToolTip("双击清零");
  clockPanel_ = panel("", "clockPanel");
  clockPanel_->setAlignment(Qt::AlignCenter);
  infoPanel_ = panel("", "infoPanel");
  layout->addWidget(new QLabel("状态："));
  layout->addWidget(messagePanel_, 2);
  layout->addWidget(new QLabel("接收："));
  layout->addWidget(receiveCounter_, 2);
  layout->addWidget(new QLabel("发送："));
  layout->addWidget(sendCounter_, 2);
  layout->addWidget(clockPanel_, 1);
  layout->addWidget(infoPanel_, 2);
  receiveCounter_->installEventFilter(this);
  sendCounter_->installEventFilter(this);
  return bar;
}

void SeruloWindow::connectTerminal() {
  terminal_.setOnChanged([this](unsigned changes) { render(changes); });
}

void SeruloWindow::render(unsigned changes) {
  if (changes & Terminal::kReceiveArea) {
    receiveView_->refresh();
    // The counter and the information panel follow every received block; read by a person,
    // ten times a second is plenty, and each of their redraws is a window repaint of its own.
    constexpr unsigned kStatus = Terminal::kCounters | Terminal::kInfo;
    if (sinceStatusShown_.isValid() && sinceStatusShown_.elapsed() < kStatusIntervalMs) {
      deferredStatus_ |= changes & kStatus;
      changes &= ~kStatus;
      if (deferredStatus_ && !statusTimer_.isActive()) {
        statusTimer_.start(kStatusIntervalMs - static_cast<int>(sinceStatusShown_.elapsed()));
      }
    } else {
      sinceStatusShown_.start();
    }
  }
  if (changes & Terminal::kCounters) {
    receiveCounter_->setText(q(terminal_.receiveCounterText()));
    sendCounter_->setText(q(terminal_.sendCounterText()));
  }
  if (changes & Terminal::kPortState) {
    openButton_->setText(terminal_.portOpen() ? kCloseCaption : kOpenCaption);
    lamp_->setPixmap(lampPixmap(terminal_.portOpen()));
  }
  if (changes & Terminal::kMessage) {
    // Long advice (a missing permission) does not fit the panel: its tooltip holds it whole.
    messagePanel_->setText(q(terminal_.message()));
    messagePanel_->setToolTip(q(terminal_.message()));
  }
  if (changes & Terminal::kClock) clockPanel_->setText(q(terminal_.clockText()));
  if (changes & Terminal::kInfo) infoPanel_->setText(q(terminal_.info()));
  if (changes & Terminal::kReadOut) {
    for (std::size_t i = 0; i < kReadOutCount; ++i)
      readOutValues_[i]->setText(q(terminal_.readOutValues()[i]));
  }
  if (changes & Terminal::kPortList) refreshPortBox();
}

void SeruloWindow::refreshPortBox() {
  const QString text = portBox_->currentText();
  std::vector<SerialPortInfo> ports;
  for (const auto& path : terminal_.portList()) ports.push_back(describePort_(path));
  const QSignalBlocker blocker(portBox_);
  showPorts(portBox_, ports);
  // The choice stays whatever the list now holds: a vanished port stays named until replaced.
  portBox_->setCurrentText(text.isEmpty() ? q(terminal_.portName()) : text);
}

void SeruloWindow::startUp() {
  const bool haveFile = session_.loadedFromFile();
  if (haveFile) {
    applySettings(session_.current());
  } else {
    session_.settings().portName = terminal_.portName();  // the first listed port
  }
  applyReadOutCaptions();
  terminal_.clearReceiveArea();
  if (const auto& text = session_.restoredReceiveText()) terminal_.setReceiveText(*text);
  // The boxes as their change handlers apply them, then the open button pressed once.
  const AssistantSettings& settings = session_.settings();
  terminal_.setPortName(settings.portName);
  terminal_.setBaudText(settings.baudText);
  terminal_.setDataBitsIndex(settings.dataBitsIndex);
  openButton_->click();
  if (haveFile && settings.extensionShown) setExtensionShown(true);
  startedUp_ = true;
}

void SeruloWindow::applySettings(const AssistantSettings& s) {
  rememberCheck_->setChecked(s.rememberInterface);
  portBox_->setCurrentText(q(s.portName));
  baudBox_->setCurrentText(q(s.baudText));
  parityBox_->setCurrentIndex(s.parityIndex);
  dataBitsBox_->setCurrentIndex(s.dataBitsIndex);
  stopBitsBox_->setCurrentIndex(s.stopBitsIndex);
  autoClearCheck_->setChecked(s.autoClear);
  hexDisplayCheck_->setChecked(s.hexDisplay);
  hexSendCheck_->setChecked(s.hexSend);
  periodBox_->setValue(s.autoSendPeriod);
  sendArea_->setPlainText(q(s.sendText));
  terminal_.setReadOutParameters(s.readOut);
}

void SeruloWindow::applyReadOutCaptions() {
  const ReadOutParameters& p = terminal_.readOutParameters();
  const std::string names[kReadOutCount] = {p.byPosition[0].name, p.byPosition[1].name, p.byPattern[0].name,
                                            p.byPattern[1].name, p.bcd.name};
  for (std::size_t i = 0; i < kReadOutCount; ++i) {
    readOutCaptions_[i]->setText(q(names[i]));
    const bool shown = !QString(q(names[i])).trimmed().isEmpty();
    readOutCaptions_[i]->setVisible(shown);
    readOutValues_[i]->setVisible(shown);
  }
}

AssistantSettings SeruloWindow::currentSettings() const {
  AssistantSettings s = session_.current();
  // The window's place is the one thing taken from the window itself: where it is now.
  const int extensionWidth = extensionPanel_->isVisibleTo(this) ? extensionPanel_->width() + 1 : 0;
  s.window = {y(), x(), width() - extensionWidth, height()};
  return s;
}

void SeruloWindow::saveOnClose() {
  session_.settings().window = currentSettings().window;
  session_.saveAtExit(terminal_.receiveArea().utf8());
}

void SeruloWindow::openControlForm() {
  std::array<QString, kQuickSendRows> captions;
  for (int k = 0; k < kQuickSendRows; ++k) captions[k] = q(session_.quickSend().row(k).caption);
  ControlForm form(captions, terminal_.readOutParameters(), this);
  if (form.exec() != QDialog::Accepted) return;
  std::array<std::string, kQuickSendRows> newCaptions;
  for (int k = 0; k < kQuickSendRows; ++k) newCaptions[k] = form.captions()[k].toStdString();
  // The parameters are stored at once, whatever "界面记忆" says.
  session_.acceptControlForm(newCaptions, form.parameters());
  terminal_.setReadOutParameters(session_.settings().readOut);
  applyReadOutCaptions();
}

void SeruloWindow::setExtensionShown(bool shown) {
  if (shown == extensionPanel_->isVisibleTo(this)) return;
  session_.settings().extensionShown = shown;
  const int delta = extensionPanel_->width() + 1;
  extensionPanel_->setVisible(shown);
  extensionButton_->setText(shown ? kHideExtensionCaption : kShowExtensionCaption);
  resize(width() + (shown ? delta : -delta), height());
}

void SeruloWindow::chooseSavePath() {
  const std::string path = dialogs_->chooseSaveFile("保存到文件", savePath_.toStdString(), kTextFileFilters);
  if (path.empty()) return;
  savePath_ = q(path);
  savePathLabel_->setText(savePath_);
}

void SeruloWindow::chooseSendFile() {
  const std::string path =
      dialogs_->chooseOpenFile("选择发送文件", QDir::currentPath().toStdString(), kTextFileFilters);
  if (path.empty()) return;
  terminal_.sendFile(path);
}

void SeruloWindow::toggleSendAreaForm(bool toHex) {
  const std::string text = sendArea_->toPlainText().toStdString();
  if (toHex) {
    sendArea_->setPlainText(q(hexDump(Bytes(text.begin(), text.end()))));
  } else {
    const Bytes bytes = readHex(text);
    sendArea_->setPlainText(q(decodeLegacyText(std::string(bytes.begin(), bytes.end()))));
  }
}

void SeruloWindow::closeEvent(QCloseEvent* event) {
  saveOnClose();
  QWidget::closeEvent(event);
}

void SeruloWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  readOutPanel_->setVisible(height() >= kReadOutMinHeight);
}

bool SeruloWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == portLabel_ || watched == portBox_->lineEdit()) {
      terminal_.refreshPortList();
      return watched == portLabel_;
    }
    if (watched == savePathLabel_) {
      chooseSavePath();
      return true;
    }
    if (watched == receiveCounter_) {
      terminal_.resetReceiveCounter();
      return true;
    }
    if (watched == sendCounter_) {
      terminal_.resetSendCounter();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ql
