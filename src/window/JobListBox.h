#pragma once
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

namespace eit::window {

// The job list: a list box with several entries selectable at once, whose
// entries hold their paths as bytes and show them converted. Files dropped
// from a file manager go to the drop handler.
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

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    DropHandler onDrop_;
    bool dropsAllowed_ = true;
};

}  // namespace eit::window
