#pragma once
// "图形显示": temperature, pressure and water height of the data page's open file against time,
// each switched by a check box. It shows the rows of the table page in view; ticking "whole
// file" draws every record of the file instead (thinned per pixel column, with pan and zoom).

#include <QDialog>
#include <array>
#include <string>

#include "data/data_page.h"
#include "data/record_series.h"

class QCheckBox;

namespace ql {

class RecordChart;
class VelmoProgram;

class ChartWindow : public QDialog {
  Q_OBJECT

 public:
  // The designed window size.
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 768;
  // Records read from the file at a time for the whole-file view.
  static constexpr std::int64_t kReadChunk = 65536;

  ChartWindow(const VelmoProgram& program, const DataPage& page, QWidget* parent = nullptr);

  // Opens the window (modal to the main window, without a nested event loop) for the page in
  // view, with the depth parameters the water height is computed with (and the page's height
  // choices: sea water, a barometric series).
  void openForPage(const DepthParameters& depth);
  // Switches between the page in view and the whole file.
  void setWholeFile(bool whole);

  // Sets every caption from the language in use (the data page calls it on a language change).
  void applyTexts();
  RecordChart* chart() const { return chart_; }
  const RecordSeries& pageSeries() const { return pageSeries_; }
  const RecordSeries& fileSeries() const { return fileSeries_; }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void loadWholeFile();

  const VelmoProgram& program_;
  const DataPage& page_;
  DepthParameters depth_;
  RecordChart* chart_;
  std::array<QCheckBox*, 3> valueBoxes_{};
  QCheckBox* wholeFileBox_;
  RecordSeries pageSeries_;
  RecordSeries fileSeries_;
  // What fileSeries_ was read from: a new file or other parameters read it again.
  std::string fileSeriesPath_;
  std::uint64_t fileSeriesSize_ = 0;
  DepthParameters fileSeriesDepth_;
  HeightOptions fileSeriesHeight_;
  bool fileSeriesLoaded_ = false;
};

}  // namespace ql
