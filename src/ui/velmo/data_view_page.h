#pragma once
// Page 2, the data view: the data files in the local store (the one stored last in red), the
// table of the open file page by page (a model over the file, not widget items), the page
// buttons, the three depth parameters, the two CSV exports and the chart window.
//
// A click on a list item opens its file; a file that is no data file leaves a clear message.
// A click on a row highlights it; a double-click on a filled value cell opens the chart.

#include <QWidget>
#include <array>

#include "data/data_page.h"
#include "runtime/operator.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/velmo_pictures.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTableView;

namespace ql {

class ChartWindow;
class DataTableModel;
class PictureButton;
class VelmoProgram;

class DataViewPage : public QWidget {
  Q_OBJECT

 public:
  DataViewPage(VelmoProgram& program, const VelmoPictures& pictures, Operator& op, QWidget* parent = nullptr);
  ~DataViewPage() override;

  // ListLocalFiles: rebuilds the local file list (done each time the page is shown).
  void listLocalFiles();
  // OpenDataFile of the list item at row; false when it did not open.
  bool openLocalFile(int row);
  void showPage(int page);
  // ExportOpenFile: the data-page export through the save dialog; the download layout of the
  // open file likewise.
  void exportDataPage();
  void exportDownloadLayout();
  void openChart();

  const DataPage& dataPage() const { return page_; }
  // The depth parameters as edited (the next decoding and the exports use them).
  const DepthParameters& depthParameters() const { return depth_; }
  ChartWindow* chartWindow() const { return chart_; }

 private:
  enum Parameter { Density, Gravity, Offset };
  QWidget* buildParameters();
  void parameterEdited(Parameter parameter);
  void applyPrecisions();
  void showPageButtons();
  // The save dialog until a file is chosen that may be written (an existing one only after the
  // operator agreed); empty when cancelled.
  std::string chooseExportFile(const std::string& proposedName);
  std::string nowText() const;

  VelmoProgram& program_;
  Operator& operator_;
  DataPage page_;
  DepthParameters depth_;
  QListWidget* localFiles_;
  QTableView* table_;
  DataTableModel* model_;
  QLabel* message_;
  QLabel* pageCaption_;
  PictureButton* previous_;
  PictureButton* next_;
  std::array<QLineEdit*, 3> parameterEdits_{};
  ChartWindow* chart_;
  RenderBatch navigationBatch_;
};

}  // namespace ql
