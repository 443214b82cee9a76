#pragma once
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

namespace eit::window {

// The job list: a list box with several entries selectable at once, whose
// entries hold their paths as bytes and show them converted. Files dropped
// from a file manager go to the drop handler. Empty, it says how to fill it;
// during a run it marks the entry under way.
class JobListBox : public QListWidget {
    Q_OBJECT
public:
    using DropHandler = std::function<void(const std::vector<std::string>& paths)>;
    explicit JobListBox(QWidget* parent);

    std::size_t Count() const { return static_cast<std::size_t>(count()); }
    std::string Entry(std::size_t i) const;
    std::vector<std::string> Entries() const;
    void Append(const std::string& path);
    void ReplaceAll(const std::vector<std::string>& paths);
    // Deletes the selected entries; the others keep their order.
    void DeleteSelected();
    void SetDropHandler(DropHandler handler) { onDrop_ = std::move(handler); }
    // Whether dropped files are taken now (not while a run is under way).
    void AllowDrops(bool allow) { dropsAllowed_ = allow; }
    // Marks entry `row` as the one under way (in bold on a tinted ground) and
    // scrolls it into view; -1 for none.
    void MarkEntryUnderWay(int row);
    int EntryUnderWay() const { return underWay_; }

    static constexpr const char* kEmptyHint = "Add files or drop them here";

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    DropHandler onDrop_;
    bool dropsAllowed_ = true;
    int underWay_ = -1;
};

}  // namespace eit::window
