#pragma once
// The Qt Widgets dialog of frmImport: a thin view that shows the form's
// controls and fires the form's events by name. Widgets carry the controls'
// names as object names ("cmbFormat", "fraWaveFront", "cmdImport", ...).
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace ks::importer {

class frmImport;

class ImportDialog : public QDialog {
  Q_OBJECT
 public:
  // The progress bar's steps: the form's value is shown as a share of its maximum.
  static constexpr int kProgressSteps = 1000;

  explicit ImportDialog(frmImport& form, QWidget* parent = nullptr);
  ~ImportDialog() override;

  // Shows the form's controls as they are now: after each event, and when the
  // form says it changed (the progress of a run at every turn the readers give
  // the event loop).
  void Refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape: the close box

 private:
  void Fire(const char* event);
  QCheckBox* AddCheckBox(QGroupBox* frame, const char* control);
  QGroupBox* AddFrame(const char* control);
  void ShowFrontFrame();

  frmImport& form_;
  QLabel* label1_;
  QComboBox* cmbFormat_;
  QStackedWidget* frames_;
  QCheckBox* chkNorm_;
  QCheckBox* chkSmooth_;
  QCheckBox* chkSplitObjects_;
  QCheckBox* chkMaterials_;
  QCheckBox* chkAutoSmooth_;
  QPushButton* cmdImport_;
  QPushButton* cmdCancel_;
  QProgressBar* progressBar1_;
};

}  // namespace ks::importer
