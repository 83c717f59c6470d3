// The data PID page's widgets (form DataPidPage.ui): shows CPage3 and forwards the user's
// choices to it. Both lists have two columns sized in proportion to the list's width; Enter
// in either list moves the focus on and Escape is swallowed on the page; a right click on
// the label 1022 opens the number base menu.
#pragma once
#include <QWidget>
#include <memory>

#include "CPage3.h"
#include "StringTable.h"

namespace Ui {
class DataPidPage;
}

class QTreeWidget;

namespace cv7::app {

class DataPidPageWidget : public QWidget {
  Q_OBJECT

 public:
  DataPidPageWidget(const StringTable& strings, QWidget* parent = nullptr);
  ~DataPidPageWidget() override;

  // Shows `page` (none: the page's window does not exist yet) and forwards to it.
  void bind(CPage3* page);
  // Shows the page's state again.
  void render();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void connectControls();
  void setToolTips();
  void sizeColumns(QTreeWidget* list);
  void renderList(QTreeWidget* list, const QVector<CPage3::Row>& rows, const QList<int>& selection);
  QList<int> selectedRows(QTreeWidget* list) const;

  const StringTable& strings_;
  std::unique_ptr<Ui::DataPidPage> ui_;
  CPage3* page_ = nullptr;
  bool rendering_ = false;
};

}  // namespace cv7::app
