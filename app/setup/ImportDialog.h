// The import dialog's widgets (form ImportDialog.ui) over an ImportForm: the file's LNB
// settings, its transponders and the channels of the selected one. OK and Cancel (and the
// close box, as Cancel) end it; Escape is swallowed.
#pragma once
#include <memory>

#include "ButtonClosedDialog.h"
#include "ImportForm.h"
#include "StringTable.h"

namespace Ui {
class ImportDialog;
}

class QTreeWidget;

namespace cv7::app {

class ImportDialog : public ButtonClosedDialog {
  Q_OBJECT

 public:
  explicit ImportDialog(ImportForm& form, QWidget* parent = nullptr);
  ~ImportDialog() override;

  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void render();
  void sizeColumns();

  ImportForm& form_;
  const StringTable& strings_;
  std::unique_ptr<Ui::ImportDialog> ui_;
  bool rendering_ = false;
};

}  // namespace cv7::app
