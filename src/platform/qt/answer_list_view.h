#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "text/gbk_text.h"

// The rows of the answer list: five GBK cells and a tick each, plain data under
// one lock. Any thread reads and writes them directly (a fetch makes five calls
// a row; a round trip to the GUI thread for each cost more than the network).
// The store outlives the view, so a thread still running when the window is
// gone never touches freed memory. Cells stay GBK bytes so that what a routine
// writes it reads back byte for byte.
class RowStore {
 public:
  static constexpr int kColumns = 5;
  struct Row {
    std::array<Text, kColumns> cells;
    bool checked = false;
  };
  // What the view has not heard of yet.
  struct Pending {
    bool reset = false;
    int changedFirst = -1;
    int changedLast = -1;
  };

  // Held by the GUI thread for the length of an event handler, so that no
  // other thread's call lands in the middle of one.
  std::recursive_mutex& Mutex() const { return mutex_; }

  int RowCount() const;
  int AppendRow(const Text& column0);
  Text CellText(int row, int column) const;
  void SetCellText(int row, int column, const Text& text);
  // 1, 0, or -1 for a row that does not exist.
  int RowCheck(int row) const;
  void SetRowCheck(int row, bool checked);
  void DeleteAllRows();

  // For the model, with the lock held: the rows themselves and what changed.
  const std::vector<Row>& Rows() const { return rows_; }
  std::vector<Row>& Rows() { return rows_; }
  Pending TakePending();
  // Called with the lock held whenever something changed that the view must hear of.
  void SetChangeListener(std::function<void()> listener);

 private:
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
  void Changed(int row);

  mutable std::recursive_mutex mutex_;
  std::vector<Row> rows_;
  Pending pending_;
  std::function<void()> listener_;
};

// The view's side of the rows. The view hears of appends and changes made from
// code in batches, a few dozen times a second: told of each one, it would
// repaint after every call (10,000 rows took 40 s that way).
class AnswerListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumns = RowStore::kColumns;

  explicit AnswerListModel(QObject* parent = nullptr);
  ~AnswerListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Only the view calls this: a tick changed here was changed by hand.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  const std::shared_ptr<RowStore>& Store() const { return store_; }
  int RowCheck(int row) const { return store_->RowCheck(row); }
  // Tells the view now of everything still waiting for the next batch (GUI thread).
  void Flush();

 signals:
  void checkChangedByHand(int row);

 private:
  bool Shown(int row) const { return row >= 0 && row < shown_; }
  void ScheduleFlush();

  std::shared_ptr<RowStore> store_ = std::make_shared<RowStore>();
  // Rows the view knows of (GUI thread only); the rest arrive with the next batch.
  int shown_ = 0;
  // A batch is asked for and not yet delivered (under the store's lock).
  bool flushAsked_ = false;
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
