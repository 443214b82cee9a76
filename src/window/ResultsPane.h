#pragma once
#include <QAbstractListModel>
#include <QTableView>
#include <string_view>

#include "platform/LineList.h"

namespace eit::window {

// The lines of the results pane, kept as bytes. Adding a line costs constant
// time and does not touch the view: added lines are shown in one batch by
// Publish(), so a package of hundreds of thousands of items stays fast.
class ResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void Add(std::string_view line) { lines_.Add(line); }
    // Shows the lines added since the last call.
    void Publish();
    void Clear();
    // Every line, shown or not yet.
    std::size_t Count() const { return lines_.Count(); }
    const LineList& Lines() const { return lines_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The user edits a line in place.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    LineList lines_;
    int shown_ = 0;
};

// The results pane: one row per line, editable, following the newest line. A
// table view of fixed row height lays out nothing per row, so showing a batch
// of new lines costs no more with a million lines above them.
class ResultsPane : public QTableView {
    Q_OBJECT
public:
    explicit ResultsPane(QWidget* parent);
    ResultsModel& Model() { return model_; }
    const ResultsModel& Model() const { return model_; }
    // Shows the lines added since the last call and scrolls to the newest.
    void Publish();

protected:
    // Ctrl+C copies the selected lines.
    void keyPressEvent(QKeyEvent* event) override;

private:
    ResultsModel model_;
};

}  // namespace eit::window
