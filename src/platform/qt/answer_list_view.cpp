#include "platform/qt/answer_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

#include "text/fixed_texts.h"

namespace {
QString FromGbk(const Text& text) {
  return QString::fromStdU16String(Utf16FromGbk(text));
}
}  // namespace

int RowStore::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

int RowStore::AppendRow(const Text& column0) {
  std::lock_guard lock(mutex_);
  Row row;
  row.cells[0] = TextOf(column0);
  rows_.push_back(std::move(row));
  if (listener_) listener_();
  return static_cast<int>(rows_.size()) - 1;
}

Text RowStore::CellText(int row, int column) const {
  std::lock_guard lock(mutex_);
  if (!Valid(row) || column < 0 || column >= kColumns) return {};
  return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

void RowStore::SetCellText(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (!Valid(row) || column < 0 || column >= kColumns) return;
  rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = TextOf(text);
  Changed(row);
}

int RowStore::RowCheck(int row) const {
  std::lock_guard lock(mutex_);
  if (!Valid(row)) return -1;
  return rows_[static_cast<size_t>(row)].checked ? 1 : 0;
}

void RowStore::SetRowCheck(int row, bool checked) {
  std::lock_guard lock(mutex_);
  if (!Valid(row)) return;
  Row& r = rows_[static_cast<size_t>(row)];
  if (r.checked == checked) return;
  r.checked = checked;
  Changed(row);
}

void RowStore::DeleteAllRows() {
  std::lock_guard lock(mutex_);
  rows_.clear();
  pending_ = Pending{};
  pending_.reset = true;
  if (listener_) listener_();
}

void RowStore::Changed(int row) {
  pending_.changedFirst = pending_.changedFirst < 0 ? row : std::min(pending_.changedFirst, row);
  pending_.changedLast = std::max(pending_.changedLast, row);
  if (listener_) listener_();
}

RowStore::Pending RowStore::TakePending() {
  std::lock_guard lock(mutex_);
  Pending taken = pending_;
  pending_ = Pending{};
  return taken;
}

void RowStore::SetChangeListener(std::function<void()> listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

AnswerListModel::AnswerListModel(QObject* parent) : QAbstractTableModel(parent) {
  batch_.setSingleShot(true);
  batch_.setInterval(50);
  connect(&batch_, &QTimer::timeout, this, &AnswerListModel::Flush);
  store_->SetChangeListener([this] { ScheduleFlush(); });
}

AnswerListModel::~AnswerListModel() {
  // The store lives on for threads still using it; it must not call back here.
  store_->SetChangeListener(nullptr);
}

void AnswerListModel::ScheduleFlush() {
  // Called with the store's lock held, from any thread.
  if (flushAsked_) return;
  flushAsked_ = true;
  QMetaObject::invokeMethod(
      this, [this] { batch_.start(); }, Qt::QueuedConnection);
}

int AnswerListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

void AnswerListModel::Flush() {
  std::lock_guard lock(store_->Mutex());
  batch_.stop();
  flushAsked_ = false;
  RowStore::Pending pending = store_->TakePending();
  if (pending.reset) {
    beginResetModel();
    shown_ = 0;
    endResetModel();
  }
  const int total = static_cast<int>(store_->Rows().size());
  if (total > shown_) {
    beginInsertRows({}, shown_, total - 1);
    shown_ = total;
    endInsertRows();
  }
  if (!pending.reset && pending.changedFirst >= 0 && pending.changedFirst < shown_) {
    emit dataChanged(index(pending.changedFirst, 0), index(std::min(pending.changedLast, shown_ - 1), kColumns - 1));
  }
}

int AnswerListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant AnswerListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Shown(index.row()) || index.column() < 0 || index.column() >= kColumns) return {};
  std::lock_guard lock(store_->Mutex());
  const auto& rows = store_->Rows();
  // Rows deleted from another thread since the last batch read as empty.
  if (index.row() >= static_cast<int>(rows.size())) return {};
  const RowStore::Row& row = rows[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return FromGbk(row.cells[static_cast<size_t>(index.column())]);
    case Qt::CheckStateRole:
      if (index.column() == 0) return row.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant AnswerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return FromGbk(fixed::ColumnHeader(section));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags AnswerListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

bool AnswerListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0 || !Shown(index.row())) return false;
  const bool checked = value.toInt() == Qt::Checked;
  {
    std::lock_guard lock(store_->Mutex());
    auto& rows = store_->Rows();
    if (index.row() >= static_cast<int>(rows.size())) return false;
    RowStore::Row& row = rows[static_cast<size_t>(index.row())];
    if (row.checked == checked) return true;
    row.checked = checked;
  }
  emit dataChanged(index, index, {Qt::CheckStateRole});
  emit checkChangedByHand(index.row());
  return true;
}

AnswerListView::AnswerListView(QWidget* parent) : QTableView(parent), model_(new AnswerListModel(this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setSortingEnabled(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setMouseTracking(false);
  setDragEnabled(false);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Text, Qt::black);
  setPalette(colours);

  verticalHeader()->hide();
  // Fixed row height: no per-row measuring, so long lists append quickly.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(true);
  header->setSectionsMovable(false);
  header->setSortIndicatorShown(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(0);
  static constexpr int kWidths[AnswerListModel::kColumns] = {50, 200, 100, 100, 100};
  for (int column = 0; column < AnswerListModel::kColumns; ++column) header->resizeSection(column, kWidths[column]);
}

QRect AnswerListView::CheckBoxRect(int row) {
  model_->Flush();
  QModelIndex cell = model_->index(row, 0);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(cell);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  option.checkState = model_->RowCheck(row) == 1 ? Qt::Checked : Qt::Unchecked;
  option.index = cell;
  option.text = cell.data().toString();
  option.features |= QStyleOptionViewItem::HasDisplay;
  QStyle* s = style();
  return s->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void AnswerListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    QModelIndex current = currentIndex();
    if (current.isValid()) {
      QModelIndex box = model_->index(current.row(), 0);
      model_->setData(box, model_->RowCheck(current.row()) == 1 ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}
