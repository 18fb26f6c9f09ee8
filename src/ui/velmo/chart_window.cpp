#include "ui/velmo/chart_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QVBoxLayout>

#include "shell/velmo_program.h"
#include "ui/velmo/record_chart.h"
#include "ui/velmo/ui_text.h"

namespace ql {

namespace {

// Room between the value boxes and the whole-file box, and below it.
constexpr int kBoxGap = 32;

bool sameParameters(const DepthParameters& a, const DepthParameters& b) {
  return a.density == b.density && a.gravity == b.gravity && a.offset == b.offset;
}

bool sameChoices(const HeightOptions& a, const HeightOptions& b) {
  return a.latitude == b.latitude && a.barometric == b.barometric && a.maxGapSeconds == b.maxGapSeconds;
}

}  // namespace

ChartWindow::ChartWindow(const VelmoProgram& program, const DataPage& page, QWidget* parent)
    : QDialog(parent, Qt::Window), program_(program), page_(page) {
  setObjectName("chartWindow");
  setWindowModality(Qt::WindowModal);
  resize(kWidth, kHeight);

  chart_ = new RecordChart(this);
  const std::array<const char*, 3> names{"temperatureBox", "pressureBox", "waterHeightBox"};
  auto* boxes = new QVBoxLayout;
  boxes->addStretch(1);
  for (RecordChart::Value value : RecordChart::kValues) {
    const std::size_t i = static_cast<std::size_t>(value);
    auto* box = new QCheckBox(this);
    box->setObjectName(names[i]);
    box->setChecked(true);
    connect(box, &QCheckBox::toggled, this, [this, value](bool on) { chart_->setValueShown(value, on); });
    boxes->addWidget(box);
    valueBoxes_[i] = box;
  }
  boxes->addSpacing(kBoxGap);
  wholeFileBox_ = new QCheckBox(this);
  wholeFileBox_->setObjectName("wholeFileBox");
  connect(wholeFileBox_, &QCheckBox::toggled, this, &ChartWindow::setWholeFile);
  boxes->addWidget(wholeFileBox_);
  boxes->addSpacing(kBoxGap);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(chart_, 1);
  layout->addLayout(boxes);
  applyTexts();
}

void ChartWindow::applyTexts() {
  setWindowTitle(toQString(program_.text("QL310", "ql310_graphdis")));
  const QString temperature = toQString(program_.text("QL310", "ql310_temp"));
  const QString pressure = toQString(program_.text("QL310", "ql310_pres"));
  const QString height = toQString(program_.text("QL310", "ql310_depth"));
  chart_->setTitles(toQString(program_.text("QL310", "ql310_graphall")), temperature, pressure, height);
  const std::array<QString, 3> captions{temperature, pressure, height};
  for (std::size_t i = 0; i < captions.size(); ++i) valueBoxes_[i]->setText(captions[i]);
  wholeFileBox_->setText(toQString(program_.text("QL310", "ql310_whole_file")));
}

void ChartWindow::openForPage(const DepthParameters& depth) {
  depth_ = depth;
  pageSeries_.clear();
  pageSeries_.reserve(std::size_t(page_.rowCount()));
  HeightCalculator height(depth_, page_.heightOptions());
  for (int row = 0; row < page_.rowCount(); ++row) {
    if (const std::optional<Record> record = page_.record(row)) pageSeries_.append(*record, height);
  }
  {
    const QSignalBlocker blocker(wholeFileBox_);
    wholeFileBox_->setChecked(false);
    wholeFileBox_->setEnabled(page_.isOpen());
  }
  chart_->setData(&pageSeries_, false);
  open();
  raise();
}

void ChartWindow::setWholeFile(bool whole) {
  if (whole) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    loadWholeFile();
    QApplication::restoreOverrideCursor();
    chart_->setData(&fileSeries_, true);
  } else {
    chart_->setData(&pageSeries_, false);
  }
  if (wholeFileBox_->isChecked() != whole) {
    const QSignalBlocker blocker(wholeFileBox_);
    wholeFileBox_->setChecked(whole);
  }
}

void ChartWindow::loadWholeFile() {
  if (fileSeriesLoaded_ && fileSeriesPath_ == page_.path() && fileSeriesSize_ == page_.fileSize() &&
      sameParameters(fileSeriesDepth_, depth_) && sameChoices(fileSeriesHeight_, page_.heightOptions()))
    return;
  HeightCalculator height(depth_, page_.heightOptions());
  fileSeries_.clear();
  fileSeries_.reserve(std::size_t(std::max<std::int64_t>(page_.recordCount(), 0)));
  for (std::int64_t first = 0; first < page_.recordCount(); first += kReadChunk) {
    const std::vector<std::uint8_t> bytes = page_.readRecords(first, kReadChunk);
    if (bytes.empty()) break;
    fileSeries_.append(bytes.data(), bytes.size(), height);
  }
  fileSeriesPath_ = page_.path();
  fileSeriesSize_ = page_.fileSize();
  fileSeriesDepth_ = depth_;
  fileSeriesHeight_ = page_.heightOptions();
  fileSeriesLoaded_ = true;
}

void ChartWindow::hideEvent(QHideEvent* event) {
  // The drawn points go with the window; the file's columns stay for the next opening.
  chart_->setData(nullptr, false);
  QDialog::hideEvent(event);
}

}  // namespace ql
