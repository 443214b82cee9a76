#pragma once
#include <QComboBox>
#include <QDialog>
#include <QFileSystemModel>
#include <QTreeView>
#include <QLineEdit>
#include <QStringList>
#include <functional>
#include <string_view>

#include "window/WindowDialogs.h"

namespace eit::window {

// A filter of the form "Description (*.a)|*.a;*.b|..." as Qt name filters,
// one per filter, each "Description (*.a *.b)".
QStringList QtNameFilters(std::string_view filter);

// The folder picker: caption "Select Directory", a sorted folder tree and a
// path line, which starts with the focus and names the folder a confirmation
// takes; typing in the tree goes to the path line, so no folder is taken that
// the line did not show. A missing folder is created with every missing
// folder above it once the user agrees (No returns to the picker).
class FolderPicker : public QDialog {
    Q_OBJECT
public:
    // Asked with the folder's path; true to create it.
    using CreateQuestion = std::function<bool(const QString& folder)>;
    FolderPicker(QWidget* owner, const QString& start, CreateQuestion askCreate);
    // The confirmed folder, which exists.
    const QString& ChosenFolder() const { return chosen_; }

public slots:
    void accept() override;
    // Makes a folder "New folder" (or "New folder 2", ...) inside the one the
    // path line names, selects it and lets the user rename it in the tree.
    void NewFolder();

private:
    // The path line's folder, a relative one taken from the start folder.
    QString LineFolder() const;
    void RevealStart();
    void ShowInLine(const QModelIndex& index);

    QString start_;
    CreateQuestion askCreate_;
    QFileSystemModel* folders_;
    QTreeView* tree_;
    QLineEdit* folderEdit_;
    QString chosen_;
    bool followStart_ = true;  // until the user moves, the tree shows the start folder
    bool revealing_ = false;
};

// The question of the texts' encoding, caption "Text encoding": "Bytes as
// they are" (first and chosen at the start), then the code pages this system
// converts, and an optional character table file for a code page.
class EncodingPicker : public QDialog {
    Q_OBJECT
public:
    // Asked for a table file when Browse is pressed; nothing when cancelled.
    using BrowseTable = std::function<std::optional<std::string>()>;
    EncodingPicker(QWidget* owner, BrowseTable browse);
    TextEncoding Chosen() const;

private:
    QComboBox* encodingBox_;
    QLineEdit* tableEdit_;
};

// The window's questions asked with Qt's dialogs and message boxes, all owned
// by `owner`.
class QtDialogs : public WindowDialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    std::optional<std::string> PickTargetFolder(const std::string& start) override;
    std::optional<std::string> PickFolder(const std::string& caption, const std::string& start) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<FileChoice> OpenFiles(const FileDialogSetup& setup, int filterIndex) override;
    std::optional<std::string> OpenFile(const FileDialogSetup& setup) override;
    std::optional<std::string> SaveFile(const FileDialogSetup& setup) override;
    void ShowError(const std::string& text) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowFolder(const std::string& folder) override;
    std::optional<TextEncoding> PickEncoding() override;
    std::optional<std::uint32_t> AskNumber(const std::string& text, const std::string& caption, std::uint32_t initial) override;
    void ShowPicture(const IndexedImage& picture, const std::string& caption) override;

private:
    QWidget* owner_;
};

}  // namespace eit::window
