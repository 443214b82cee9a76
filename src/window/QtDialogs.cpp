#include "window/QtDialogs.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QHBoxLayout>
#include <QPushButton>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/CodePage.h"

namespace eit::window {

namespace {
QString Local(std::string_view text) { return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())); }
std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

// A file dialog over the setup's title, filters and default extension.
void Prepare(QFileDialog& dialog, const FileDialogSetup& setup)
{
    dialog.setWindowTitle(QString::fromStdString(setup.title));
    dialog.setNameFilters(QtNameFilters(setup.filter));
    QString extension = QString::fromStdString(setup.defaultExtension);
    if (extension != QLatin1String("*")) dialog.setDefaultSuffix(extension);
}

std::optional<QStringList> Run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles();
}
}  // namespace

QStringList QtNameFilters(std::string_view filter)
{
    QStringList parts = Local(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        // The description's own "(*.x)" gives way to the full pattern list.
        qsizetype open = description.lastIndexOf(QLatin1String(" ("));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) description.truncate(open);
        QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        filters << description + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

namespace {
// A folder tree whose type-ahead goes to `onTyped` instead of selecting the
// first folder that begins with the typed text.
class FolderTree : public QTreeView {
public:
    FolderTree(QWidget* parent, std::function<void(const QString&)> onTyped)
        : QTreeView(parent), onTyped_(std::move(onTyped))
    {
    }
    void keyboardSearch(const QString& text) override { onTyped_(text); }

private:
    std::function<void(const QString&)> onTyped_;
};
}  // namespace

FolderPicker::FolderPicker(QWidget* owner, const QString& start, CreateQuestion askCreate)
    : QDialog(owner), start_(start), askCreate_(std::move(askCreate))
{
    setWindowTitle(QStringLiteral("Select Directory"));
    resize(360, 400);
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders_->setReadOnly(false);  // a new folder is named in place
    folders_->setRootPath(start);  // loads the start folder and those above it first
    folderEdit_ = new QLineEdit(QDir::toNativeSeparators(start), this);
    folderEdit_->setObjectName(QStringLiteral("FolderEdit"));
    tree_ = new FolderTree(this, [this](const QString& typed) {
        followStart_ = false;
        folderEdit_->setFocus();
        folderEdit_->setText(typed);
    });
    tree_->setObjectName(QStringLiteral("FolderTree"));
    tree_->setModel(folders_);
    tree_->setHeaderHidden(true);
    tree_->setSortingEnabled(true);
    tree_->sortByColumn(0, Qt::AscendingOrder);
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed);  // a double click opens a folder
    for (int column = 1; column < folders_->columnCount(); ++column) tree_->hideColumn(column);
    RevealStart();
    // The tree loads folders in the background: the start folder is shown
    // again as each folder above it arrives, until the user moves.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        QString prefix = loaded.endsWith(u'/') ? loaded : loaded + u'/';
        if (loaded == start_ || start_.startsWith(prefix)) RevealStart();
    });
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
        if (!revealing_) followStart_ = false;
        ShowInLine(index);
    });
    connect(folders_, &QFileSystemModel::fileRenamed, this, [this] { ShowInLine(tree_->currentIndex()); });
    connect(folderEdit_, &QLineEdit::textEdited, this, [this] { followStart_ = false; });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* newFolder = buttons->addButton(QStringLiteral("&New folder"), QDialogButtonBox::ActionRole);
    newFolder->setObjectName(QStringLiteral("NewFolder"));
    newFolder->setAutoDefault(false);  // Return confirms the folder, it makes none
    connect(newFolder, &QPushButton::clicked, this, &FolderPicker::NewFolder);
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderPicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FolderPicker::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addWidget(folderEdit_);
    layout->addWidget(buttons);
    folderEdit_->selectAll();  // typing replaces the start folder
    folderEdit_->setFocus();
}

void FolderPicker::RevealStart()
{
    if (!followStart_) return;
    revealing_ = true;
    QModelIndex index = folders_->index(start_);
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) tree_->expand(above);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    revealing_ = false;
}

void FolderPicker::ShowInLine(const QModelIndex& index)
{
    if (index.isValid()) folderEdit_->setText(QDir::toNativeSeparators(folders_->filePath(index)));
}

QString FolderPicker::LineFolder() const
{
    QString typed = folderEdit_->text().trimmed();
    if (typed.isEmpty()) return {};
    return QDir::cleanPath(QDir(start_).absoluteFilePath(QDir::fromNativeSeparators(typed)));
}

void FolderPicker::NewFolder()
{
    QString parent = LineFolder();
    if (!QFileInfo(parent).isDir()) return;
    QString name = QStringLiteral("New folder");
    for (int n = 2; QFileInfo::exists(QDir(parent).filePath(name)); ++n) name = QStringLiteral("New folder %1").arg(n);
    if (!QDir(parent).mkdir(name)) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot create folder %1").arg(QDir(parent).filePath(name)));
        return;
    }
    followStart_ = false;
    QString made = QDir(parent).filePath(name);
    folderEdit_->setText(QDir::toNativeSeparators(made));
    QModelIndex index = folders_->index(made);
    if (!index.isValid()) return;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    tree_->setFocus();
    tree_->edit(index);
}

void FolderPicker::accept()
{
    QString folder = LineFolder();
    if (folder.isEmpty()) return;
    if (!QFileInfo(folder).isDir()) {
        if (QFileInfo::exists(folder)) return;  // a file of that name: pick again
        if (!askCreate_ || !askCreate_(folder)) return;
        if (!QDir().mkpath(folder)) {
            QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot create folder %1").arg(folder));
            return;
        }
    }
    chosen_ = folder;
    QDialog::accept();
}

EncodingPicker::EncodingPicker(QWidget* owner, BrowseTable browse) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Text encoding"));
    encodingBox_ = new QComboBox(this);
    encodingBox_->setObjectName(QStringLiteral("EncodingBox"));
    encodingBox_->addItem(QStringLiteral("Bytes as they are"));
    for (const std::string& name : CodePageNames()) encodingBox_->addItem(QString::fromStdString(name));
    tableEdit_ = new QLineEdit(this);
    tableEdit_->setObjectName(QStringLiteral("TableEdit"));
    tableEdit_->setPlaceholderText(QStringLiteral("none"));
    auto* browseButton = new QPushButton(QStringLiteral("Browse..."), this);
    browseButton->setObjectName(QStringLiteral("BrowseTable"));
    connect(browseButton, &QPushButton::clicked, this, [this, browse] {
        if (std::optional<std::string> file = browse()) tableEdit_->setText(Local(*file));
    });
    // A table file overrides a code page's letters: there is none to override in the bytes as they are.
    auto enableTable = [this, browseButton](int index) {
        tableEdit_->setEnabled(index > 0);
        browseButton->setEnabled(index > 0);
    };
    connect(encodingBox_, &QComboBox::currentIndexChanged, this, enableTable);
    enableTable(0);

    auto* tableRow = new QHBoxLayout;
    tableRow->addWidget(tableEdit_);
    tableRow->addWidget(browseButton);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("The .txt files hold the texts as:"), encodingBox_);
    form->addRow(QStringLiteral("Character table file (optional):"), tableRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &EncodingPicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &EncodingPicker::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TextEncoding EncodingPicker::Chosen() const
{
    if (encodingBox_->currentIndex() <= 0) return {};
    const QString table = tableEdit_->text().trimmed();
    // A run makes its target folder the current one: the table's path must not depend on it.
    return {encodingBox_->currentText().toStdString(),
            table.isEmpty() ? std::string() : Bytes(QDir::toNativeSeparators(QFileInfo(table).absoluteFilePath()))};
}

std::optional<TextEncoding> QtDialogs::PickEncoding()
{
    EncodingPicker picker(owner_, [this] { return OpenFile(OpenTable); });
    if (picker.exec() != QDialog::Accepted) return std::nullopt;
    return picker.Chosen();
}

std::optional<std::uint32_t> QtDialogs::AskNumber(const std::string& text, const std::string& caption, std::uint32_t initial)
{
    bool ok = false;
    const int value = QInputDialog::getInt(owner_, Local(caption), Local(text), static_cast<int>(initial), 1, 1 << 20, 1, &ok);
    if (!ok) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

void QtDialogs::ShowPicture(const IndexedImage& picture, const std::string& caption)
{
    QImage image(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()), QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const Rgb& c : picture.Colours()) colours.append(qRgb(c.red, c.green, c.blue));
    image.setColorTable(colours);
    for (std::uint32_t y = 0; y < picture.Height(); ++y) {
        std::copy_n(picture.Row(y), picture.Width(), image.scanLine(static_cast<int>(y)));
    }
    QDialog dialog(owner_);
    dialog.setWindowTitle(Local(caption));
    auto* label = new QLabel;
    // Shown at twice its size: the game's letters are a few pixels tall.
    label->setPixmap(QPixmap::fromImage(image).scaled(image.size() * 2));
    auto* area = new QScrollArea;
    area->setWidget(label);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(area);
    layout->addWidget(buttons);
    dialog.resize(std::min(image.width() * 2 + 60, 1200), std::min(image.height() * 2 + 90, 800));
    dialog.exec();
}

std::optional<std::string> QtDialogs::PickTargetFolder(const std::string& start) { return PickFolder("", start); }

std::optional<std::string> QtDialogs::PickFolder(const std::string& caption, const std::string& start)
{
    FolderPicker picker(owner_, Local(start), [&](const QString&) {
        return QMessageBox::question(owner_, QStringLiteral("Confirm"),
                                     QStringLiteral("The specified directory does not exist. Create it?"),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    if (!caption.empty()) picker.setWindowTitle(Local(caption));
    if (picker.exec() != QDialog::Accepted) return std::nullopt;
    return Bytes(QDir::toNativeSeparators(picker.ChosenFolder()));
}

void QtDialogs::ShowMessage(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::Information, Local(caption), Local(text), QMessageBox::Ok, owner_);
    box.exec();
}

void QtDialogs::ShowError(const std::string& text)
{
    QString caption = owner_ ? owner_->windowTitle() : QString();
    QMessageBox box(QMessageBox::Critical, caption, Local(text), QMessageBox::Ok, owner_);
    box.exec();
}

bool QtDialogs::AskYesNo(const std::string& text, const std::string& caption)
{
    return QMessageBox::question(owner_, Local(caption), Local(text), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtDialogs::ShowFolder(const std::string& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(Local(folder)));
}

std::optional<FileChoice> QtDialogs::OpenFiles(const FileDialogSetup& setup, int filterIndex)
{
    QFileDialog dialog(owner_);
    Prepare(dialog, setup);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    QStringList filters = dialog.nameFilters();
    if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[filterIndex - 1]);
    std::optional<QStringList> files = Run(dialog);
    if (!files) return std::nullopt;
    FileChoice choice;
    for (const QString& file : *files) choice.files.push_back(Bytes(QDir::toNativeSeparators(file)));
    choice.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (choice.filterIndex == 0) choice.filterIndex = filterIndex;
    return choice;
}

std::optional<std::string> QtDialogs::OpenFile(const FileDialogSetup& setup)
{
    QFileDialog dialog(owner_);
    Prepare(dialog, setup);
    dialog.setFileMode(QFileDialog::ExistingFile);
    std::optional<QStringList> files = Run(dialog);
    if (!files) return std::nullopt;
    return Bytes(QDir::toNativeSeparators(files->first()));
}

std::optional<std::string> QtDialogs::SaveFile(const FileDialogSetup& setup)
{
    QFileDialog dialog(owner_);
    Prepare(dialog, setup);
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setFileMode(QFileDialog::AnyFile);
    std::optional<QStringList> files = Run(dialog);
    if (!files) return std::nullopt;
    return Bytes(QDir::toNativeSeparators(files->first()));
}

}  // namespace eit::window
