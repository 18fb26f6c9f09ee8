#pragma once
// Page 2, the data view: the data files in the local store (the one stored last in red), the
// table of the open file page by page (a model over the file, not widget items), the page
// buttons, the three depth parameters, the water choice and latitude, the barometric file, the
// CSV exports and the chart window. The state is the program's DataPageController; this page
// renders it and forwards the operator's actions.
//
// A click on a list item opens its file; a file that is no data file leaves a clear message.
// A click on a row highlights it; a double-click on a filled value cell opens the chart.

#include <QWidget>
#include <array>

#include "data/data_page_controller.h"
#include "runtime/operator.h"
#include "ui/velmo/render_batch.h"
#include "ui/velmo/text_binding.h"
#include "ui/velmo/velmo_pictures.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
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
  void exportAnnotated();
  void openChart();
  // The barometric file's chooser and its clear button.
  void chooseBarometricFile();
  void clearBarometricFile();

  const DataPage& dataPage() const { return controller_.page(); }
  // The depth parameters as edited (the next decoding and the exports use them).
  const DepthParameters& depthParameters() const { return controller_.depthParameters(); }
  ChartWindow* chartWindow() const { return chart_; }

  // Sets every caption from the language in use; runs again on each language change.
  void applyTexts();

 private:
  QWidget* buildParameters();
  QWidget* buildHeightChoices();
  void parameterEdited(QLineEdit* edit, DataPageController::Parameter parameter);
  void showPageButtons();
  // The table and what is said about it after the page shown was read again.
  void pageReloaded();
  void showHeightChoices();
  // The boxes show the values in use: those restored at start, and the defaults an invalid text
  // fell back to. Done when the page is shown, never while the operator types.
  void showParameterValues();
  void showDrift();

  VelmoProgram& program_;
  Operator& operator_;
  DataPageController& controller_;
  QListWidget* localFiles_;
  QTableView* table_;
  DataTableModel* model_;
  QLabel* message_;
  QLabel* pageCaption_;
  PictureButton* previous_;
  PictureButton* next_;
  std::array<QLineEdit*, 3> parameterEdits_{};
  QRadioButton* fixedGravityChoice_;
  QRadioButton* seaWaterChoice_;
  QLineEdit* latitudeEdit_;
  QLineEdit* barometricGapEdit_;
  QLabel* barometricSummary_;
  QWidget* clearBarometricButton_;
  QLabel* uncoveredCaption_;
  QLabel* driftCaption_;
  QCheckBox* driftCorrectionCheck_;
  ChartWindow* chart_;
  RenderBatch navigationBatch_;
  TextBinding texts_{program_};
};

}  // namespace ql
