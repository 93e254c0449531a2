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

AnswerListModel::AnswerListModel(QObject* parent) : QAbstractTableModel(parent) {
  batch_.setSingleShot(true);
  batch_.setInterval(30);
  connect(&batch_, &QTimer::timeout, this, &AnswerListModel::Flush);
}

int AnswerListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

void AnswerListModel::Changed(int row) {
  if (!Shown(row)) return;  // the view reads it when the row arrives
  changedFirst_ = changedFirst_ < 0 ? row : std::min(changedFirst_, row);
  changedLast_ = std::max(changedLast_, row);
  if (!batch_.isActive()) batch_.start();
}

void AnswerListModel::Flush() {
  batch_.stop();
  int total = static_cast<int>(rows_.size());
  if (total > shown_) {
    beginInsertRows({}, shown_, total - 1);
    shown_ = total;
    endInsertRows();
  }
  if (changedFirst_ >= 0) {
    emit dataChanged(index(changedFirst_, 0), index(changedLast_, kColumns - 1));
    changedFirst_ = changedLast_ = -1;
  }
}

int AnswerListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant AnswerListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Shown(index.row()) || index.column() < 0 || index.column() >= kColumns) return {};
  const Row& row = rows_[static_cast<size_t>(index.row())];
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
  bool checked = value.toInt() == Qt::Checked;
  Row& row = rows_[static_cast<size_t>(index.row())];
  if (row.checked == checked) return true;
  row.checked = checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  emit checkChangedByHand(index.row());
  return true;
}

int AnswerListModel::AppendRow(const Text& column0) {
  Row row;
  row.cells[0] = TextOf(column0);
  rows_.push_back(std::move(row));
  if (!batch_.isActive()) batch_.start();
  return static_cast<int>(rows_.size()) - 1;
}

Text AnswerListModel::CellText(int row, int column) const {
  if (!Valid(row) || column < 0 || column >= kColumns) return {};
  return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

void AnswerListModel::SetCellText(int row, int column, const Text& text) {
  if (!Valid(row) || column < 0 || column >= kColumns) return;
  rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = TextOf(text);
  Changed(row);
}

int AnswerListModel::RowCheck(int row) const {
  if (!Valid(row)) return -1;
  return rows_[static_cast<size_t>(row)].checked ? 1 : 0;
}

void AnswerListModel::SetRowCheck(int row, bool checked) {
  if (!Valid(row)) return;
  Row& r = rows_[static_cast<size_t>(row)];
  if (r.checked == checked) return;
  r.checked = checked;
  Changed(row);
}

void AnswerListModel::DeleteAllRows() {
  batch_.stop();
  beginResetModel();
  rows_.clear();
  shown_ = 0;
  changedFirst_ = changedLast_ = -1;
  endResetModel();
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
