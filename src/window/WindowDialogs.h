#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "platform/IndexedImage.h"
#include "run/RunContext.h"

namespace eit::window {

// An open or save dialog of the window. In the filter a vertical bar separates
// a description from its patterns and one filter from the next.
struct FileDialogSetup {
    std::string title;
    std::string filter;
    std::string defaultExtension;
};

// Adding files to the job list: several existing files.
inline const FileDialogSetup SelectLog{"Select file...", AddFilesFilter(), "*"};
// Saving the job list as a project list.
inline const FileDialogSetup SaveLST{"Select file...", "Project list files (*.lst)|*.lst", "lst"};
// Saving the results pane.
inline const FileDialogSetup SaveRes{"Select target...", "Text files (*.txt)|*.txt", "txt"};
// Choosing a font palette.
inline const FileDialogSetup OpenACT{"Select palette...", "ACT palettes (*.act)|*.act", "act"};
// Choosing a character table file for the texts' encoding.
inline const FileDialogSetup OpenTable{"Select character table...", "Character tables (*.tbl)|*.tbl|All files (*.*)|*.*", "*"};
// Drawing letters: the sheet to draw into and the font to draw from.
inline const FileDialogSetup OpenSheet{"Select sheet...", "Font sheets (*.bmp)|*.bmp", "bmp"};
// The commands over texts and a font: the font, the texts, a table to write.
inline const FileDialogSetup OpenCifFont{"Select CIF font...", "CIF Font (*.fnt)|*.fnt", "fnt"};
inline const FileDialogSetup OpenTexts{"Select texts...", "Extracted texts (*.txt)|*.txt", "txt"};
inline const FileDialogSetup SaveTable{"Save character table as...", "Character tables (*.tbl)|*.tbl", "tbl"};
inline const FileDialogSetup OpenTTF{"Select font...", "TrueType and OpenType fonts (*.ttf;*.otf;*.ttc)|*.ttf;*.otf;*.ttc",
                                     "ttf"};

// Translation files: the one export writes, the one import reads, and the
// template of the untouched game's texts.
inline const FileDialogSetup SaveTranslation{"Export for translation...",
                                             "PO templates (*.pot)|*.pot|PO files (*.po)|*.po|CSV files (*.csv)|*.csv", "pot"};
inline const FileDialogSetup OpenTranslation{"Import translation...", "PO and CSV files (*.po;*.csv)|*.po;*.csv", "po"};
inline const FileDialogSetup OpenTemplate{"Select template...", "PO templates (*.pot)|*.pot", "pot"};

// Files confirmed in an open dialog, as full paths in the dialog's order, and
// the 1-based index of the filter they were chosen through.
struct FileChoice {
    std::vector<std::string> files;
    int filterIndex = 1;
};

// Every question the window asks the user. The window answers with Qt dialogs
// (QtDialogs), the window tests from a script; paths are bytes in the local
// encoding. Each call is modal: it returns when the user has answered.
class WindowDialogs : public Dialogs {
public:
    // Several existing files, the dialog starting with filter `filterIndex`;
    // nothing when cancelled.
    virtual std::optional<FileChoice> OpenFiles(const FileDialogSetup& setup, int filterIndex) = 0;
    // One existing file; nothing when cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogSetup& setup) = 0;
    // A file to write, with the default extension added and an overwrite
    // confirmed; nothing when cancelled.
    virtual std::optional<std::string> SaveFile(const FileDialogSetup& setup) = 0;
    // An error box with the error's text.
    virtual void ShowError(const std::string& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // An existing folder, asked with `caption` (the patch commands ask for
    // several); nothing when cancelled. By default the target folder picker.
    virtual std::optional<std::string> PickFolder(const std::string& caption, const std::string& start)
    {
        (void)caption;
        return PickTargetFolder(start);
    }
    // Opens a folder in the desktop's file manager, without waiting for it.
    virtual void ShowFolder(const std::string& folder) = 0;
    // A whole number of at least 1, starting at `initial`; nothing when cancelled.
    virtual std::optional<std::uint32_t> AskNumber(const std::string& text, const std::string& caption, std::uint32_t initial) = 0;
    // Shows a picture with its caption, until the user closes it.
    virtual void ShowPicture(const IndexedImage& picture, const std::string& caption) = 0;

    std::optional<std::string> PickPalette() override { return OpenFile(OpenACT); }
};

}  // namespace eit::window
