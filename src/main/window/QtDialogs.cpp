#include "main/window/QtDialogs.h"

#include <QDir>
#include <QMessageBox>

namespace eit::window {

namespace {
QString Local(std::string_view text) { return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())); }
std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

// A file dialog over the spec's title, filters and default extension.
void Prepare(QFileDialog& dialog, const FileDialogSpec& spec)
{
    dialog.setWindowTitle(QString::fromLatin1(spec.title));
    dialog.setNameFilters(QtNameFilters(spec.filter));
    QString extension = QString::fromLatin1(spec.defaultExtension);
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
    : QFileDialog(owner, QStringLiteral("Select Directory"), start), askCreate_(std::move(askCreate))
{
    setFileMode(QFileDialog::Directory);
    setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
}

void FolderPicker::accept()
{
    QStringList typed = selectedFiles();
    if (typed.isEmpty()) return;
    QString folder = QDir::cleanPath(typed.first());
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

std::optional<FileChoice> QtDialogs::OpenFiles(const FileDialogSpec& spec, int filterIndex)
{
    QFileDialog dialog(owner_);
    Prepare(dialog, spec);
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

std::optional<std::string> QtDialogs::OpenFile(const FileDialogSpec& spec)
{
    QFileDialog dialog(owner_);
    Prepare(dialog, spec);
    dialog.setFileMode(QFileDialog::ExistingFile);
    std::optional<QStringList> files = Run(dialog);
    if (!files) return std::nullopt;
    return Bytes(QDir::toNativeSeparators(files->first()));
}

std::optional<std::string> QtDialogs::SaveFile(const FileDialogSpec& spec)
{
    QFileDialog dialog(owner_);
    Prepare(dialog, spec);
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before overwriting
    dialog.setFileMode(QFileDialog::AnyFile);
    std::optional<QStringList> files = Run(dialog);
    if (!files) return std::nullopt;
    return Bytes(QDir::toNativeSeparators(files->first()));
}

}  // namespace eit::window
