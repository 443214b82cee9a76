#include "window/QtDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QTreeView>
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

FolderPicker::FolderPicker(QWidget* owner, const QString& start, CreateQuestion askCreate)
    : QDialog(owner), start_(start), askCreate_(std::move(askCreate))
{
    setWindowTitle(QStringLiteral("Select Directory"));
    resize(360, 400);
    auto* folders = new QFileSystemModel(this);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders->setRootPath(start);  // loads the start folder and those above it first
    auto* tree = new QTreeView(this);
    tree->setModel(folders);
    tree->setHeaderHidden(true);
    tree->setSortingEnabled(true);
    tree->sortByColumn(0, Qt::AscendingOrder);
    for (int column = 1; column < folders->columnCount(); ++column) tree->hideColumn(column);
    // The tree loads folders in the background: the start folder is shown
    // again as each folder above it arrives.
    auto revealStart = [tree, folders, start] {
        QModelIndex index = folders->index(start);
        for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) tree->expand(above);
        tree->setCurrentIndex(index);
        tree->scrollTo(index);
    };
    revealStart();
    connect(folders, &QFileSystemModel::directoryLoaded, tree, [revealStart, start](const QString& loaded) {
        QString prefix = loaded.endsWith(u'/') ? loaded : loaded + u'/';
        if (loaded == start || start.startsWith(prefix)) revealStart();
    });
    folderEdit_ = new QLineEdit(QDir::toNativeSeparators(start), this);
    folderEdit_->setObjectName(QStringLiteral("FolderEdit"));
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, folders](const QModelIndex& index) {
        folderEdit_->setText(QDir::toNativeSeparators(folders->filePath(index)));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderPicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FolderPicker::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree);
    layout->addWidget(folderEdit_);
    layout->addWidget(buttons);
}

void FolderPicker::accept()
{
    QString typed = folderEdit_->text().trimmed();
    if (typed.isEmpty()) return;
    QString folder = QDir::cleanPath(QDir(start_).absoluteFilePath(QDir::fromNativeSeparators(typed)));
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

std::optional<std::string> QtDialogs::PickTargetFolder(const std::string& start)
{
    FolderPicker picker(owner_, Local(start), [&](const QString&) {
        return QMessageBox::question(owner_, QStringLiteral("Confirm"),
                                     QStringLiteral("The specified directory does not exist. Create it?"),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
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
