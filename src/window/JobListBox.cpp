#include "window/JobListBox.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace eit::window {

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kItemHeight = 13;

// The local files a drag carries; nothing when it carries anything else.
std::vector<std::string> DroppedFiles(const QMimeData* mime)
{
    std::vector<std::string> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) return {};
        // Qt gives "/" on every system; the job list holds the system's own paths.
        paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toLocal8Bit().toStdString());
    }
    return paths;
}
}  // namespace

JobListBox::JobListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    viewport()->setAcceptDrops(true);
}

std::string JobListBox::Entry(std::size_t i) const
{
    return item(static_cast<int>(i))->data(kPathRole).toByteArray().toStdString();
}

std::vector<std::string> JobListBox::Entries() const
{
    std::vector<std::string> entries;
    entries.reserve(Count());
    for (std::size_t i = 0; i < Count(); ++i) entries.push_back(Entry(i));
    return entries;
}

void JobListBox::Append(const std::string& path)
{
    QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    auto* entry = new QListWidgetItem(QString::fromLocal8Bit(bytes), this);
    entry->setData(kPathRole, bytes);
    entry->setSizeHint(QSize(0, kItemHeight));
}

void JobListBox::ReplaceAll(const std::vector<std::string>& paths)
{
    clear();
    for (const std::string& path : paths) Append(path);
}

void JobListBox::DeleteSelected()
{
    for (int i = count() - 1; i >= 0; --i) {
        if (item(i)->isSelected()) delete takeItem(i);
    }
}

void JobListBox::MarkEntryUnderWay(int row)
{
    auto setMarked = [this](int at, bool marked) {
        QListWidgetItem* entry = item(at);
        if (!entry) return;
        QFont font = entry->font();
        font.setBold(marked);
        entry->setFont(font);
        QColor tint = palette().color(QPalette::Highlight);
        tint.setAlpha(64);
        entry->setBackground(marked ? QBrush(tint) : QBrush());
    };
    setMarked(underWay_, false);
    underWay_ = row;
    setMarked(underWay_, true);
    if (QListWidgetItem* entry = item(underWay_)) scrollToItem(entry);
}

void JobListBox::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (count() > 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect(), Qt::AlignCenter, QString::fromLatin1(kEmptyHint));
}

void JobListBox::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void JobListBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (dropsAllowed_ && onDrop_ && !DroppedFiles(event->mimeData()).empty()) event->acceptProposedAction();
    else event->ignore();
}

void JobListBox::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths = DroppedFiles(event->mimeData());
    if (!dropsAllowed_ || !onDrop_ || paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    onDrop_(paths);
}

}  // namespace eit::window
