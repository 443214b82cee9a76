#include "window/ResultsPane.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

namespace eit::window {

namespace {
constexpr int kLineHeight = 13;

QString Display(std::string_view line)
{
    return QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size()));
}
}  // namespace

void ResultsModel::Publish()
{
    int count = static_cast<int>(lines_.Count());
    if (count == shown_) return;
    beginInsertRows(QModelIndex(), shown_, count - 1);
    shown_ = count;
    endInsertRows();
}

void ResultsModel::Clear()
{
    beginResetModel();
    lines_.Clear();
    shown_ = 0;
    endResetModel();
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shown_) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return Display(lines_[static_cast<std::size_t>(index.row())]);
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const
{
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable;
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= shown_ || role != Qt::EditRole) return false;
    QByteArray bytes = value.toString().toLocal8Bit();
    lines_.Set(static_cast<std::size_t>(index.row()), {bytes.constData(), static_cast<std::size_t>(bytes.size())});
    emit dataChanged(index, index);
    return true;
}

ResultsPane::ResultsPane(QWidget* parent) : QTableView(parent), model_(this)
{
    setModel(&model_);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kLineHeight);
    verticalHeader()->setDefaultSectionSize(kLineHeight);
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabKeyNavigation(false);  // Tab leaves the pane for the next control
}

void ResultsPane::Publish()
{
    int before = model_.rowCount();
    model_.Publish();
    if (model_.rowCount() != before) scrollToBottom();
}

void ResultsPane::keyPressEvent(QKeyEvent* event)
{
    if (!event->matches(QKeySequence::Copy)) {
        QTableView::keyPressEvent(event);
        return;
    }
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const QModelIndex& row : rows) lines << row.data().toString();
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace eit::window
