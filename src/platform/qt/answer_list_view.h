#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <array>
#include <vector>

#include "text/gbk_text.h"

// The rows of the answer list: five GBK cells and a tick each. Cells stay GBK
// bytes so that what a routine writes it reads back byte for byte; the view
// converts them only for the rows it paints.
class AnswerListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = 5;

  explicit AnswerListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Only the view calls this: a tick changed here was changed by hand.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  int AppendRow(const Text& column0);
  Text CellText(int row, int column) const;
  void SetCellText(int row, int column, const Text& text);
  // 1, 0, or -1 for a row that does not exist.
  int RowCheck(int row) const;
  // A tick set from code: no checkChangedByHand.
  void SetRowCheck(int row, bool checked);
  void DeleteAllRows();

 signals:
  void checkChangedByHand(int row);

 private:
  struct Row {
    std::array<Text, kColumns> cells;
    bool checked = false;
  };
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

  std::vector<Row> rows_;
};

// A report list with check boxes: full-row select, grid lines, one highlighted
// row at most, a clickable header that never sorts, no editing.
class AnswerListView : public QTableView {
  Q_OBJECT

 public:
  explicit AnswerListView(QWidget* parent = nullptr);

  AnswerListModel* Rows() const { return model_; }
  // Where the row's check box is drawn, in viewport coordinates.
  QRect CheckBoxRect(int row);

 protected:
  // Space ticks the focused row whichever of its cells has the focus.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  AnswerListModel* model_;
};
