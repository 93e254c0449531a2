#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QTimer>
#include <array>
#include <vector>

#include "text/gbk_text.h"

// The rows of the answer list: five GBK cells and a tick each. Cells stay GBK
// bytes so that what a routine writes it reads back byte for byte; the view
// converts them only for the rows it paints.
//
// The routines read and write the rows at once; the view hears of appends and
// changes made from code in batches, a few dozen times a second. A fetch makes
// five calls a row from its thread and the GUI thread runs its loop between
// them: told of each one, the view would repaint after every call (10,000 rows
// took 40 s that way instead of well under one).
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

  // Every row, whether or not the view has heard of it yet.
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int AppendRow(const Text& column0);
  Text CellText(int row, int column) const;
  void SetCellText(int row, int column, const Text& text);
  // 1, 0, or -1 for a row that does not exist.
  int RowCheck(int row) const;
  // A tick set from code: no checkChangedByHand.
  void SetRowCheck(int row, bool checked);
  void DeleteAllRows();
  // Tells the view now of everything still waiting for the next batch.
  void Flush();

 signals:
  void checkChangedByHand(int row);

 private:
  struct Row {
    std::array<Text, kColumns> cells;
    bool checked = false;
  };
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
  bool Shown(int row) const { return row >= 0 && row < shown_; }
  void Changed(int row);

  std::vector<Row> rows_;
  // Rows the view knows of; the rest arrive with the next batch.
  int shown_ = 0;
  // Shown rows changed from code since the last batch.
  int changedFirst_ = -1;
  int changedLast_ = -1;
  QTimer batch_;
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
