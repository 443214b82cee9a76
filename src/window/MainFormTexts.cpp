// The Texts menu: a character table with free bytes for the letters a font
// cannot show, the width check and the preview of texts in a game's font.
#include "jobs/FitTable.h"
#include "jobs/FitTexts.h"
#include "jobs/PreviewTexts.h"
#include "platform/Paths.h"
#include "window/MainForm.h"

namespace eit::window {

bool TMainForm::AskTextsInFont(TextsInFont& request, bool severalTexts)
{
    const std::optional<std::string> font = dialogs_.OpenFile(OpenCifFont);
    if (!font) return false;
    request.fontPath = *font;
    if (severalTexts) {
        const std::optional<FileChoice> texts = dialogs_.OpenFiles(OpenTexts, 1);
        if (!texts || texts->files.empty()) return false;
        request.txtPaths = texts->files;
    } else {
        const std::optional<std::string> text = dialogs_.OpenFile(OpenTexts);
        if (!text) return false;
        request.txtPaths = {*text};
    }
    const std::optional<TextEncoding> encoding = dialogs_.PickEncoding();
    if (!encoding) return false;
    request.encoding = *encoding;
    return true;
}

void TMainForm::EndTextsCommand()
{
    reporter_->CurrentMessage("");
    reporter_->Flush();
    saveResultsCmd_->setEnabled(reporter_->ResultCount() > 0);
}

void TMainForm::BFitTableClick()
{
    if (running_) return;
    ReportErrors([this] {
        FitTableRequest request;
        if (!AskTextsInFont(request, true)) return;
        const std::optional<std::string> output = dialogs_.SaveFile(SaveTable);
        if (!output) return;
        request.outputPath = *output;
        FitTable(*reporter_, request);
    });
    EndTextsCommand();
}

std::optional<std::uint32_t> TMainForm::AskBoxWidth(const std::string& caption)
{
    const std::optional<std::uint32_t> width = dialogs_.AskNumber("Width of the text box in pixels:", caption, boxWidth_);
    if (width) boxWidth_ = *width;
    return width;
}

void TMainForm::BFitTextsClick()
{
    if (running_) return;
    ReportErrors([this] {
        FitRequest request;
        if (!AskTextsInFont(request, true)) return;
        const std::optional<std::uint32_t> width = AskBoxWidth("Check text widths");
        if (!width) return;
        request.maxWidth = *width;
        const FitReport report = FitTexts(*reporter_, request);
        for (const std::string& line : report.findings) reporter_->AddResult(line);
        for (const std::string& line : report.problems) reporter_->Warning(line);
        reporter_->AddResult(report.summary);
    });
    EndTextsCommand();
}

void TMainForm::BPreviewClick()
{
    if (running_) return;
    ReportErrors([this] {
        PreviewRequest request;
        if (!AskTextsInFont(request, false)) return;
        const std::optional<std::uint32_t> width = AskBoxWidth("Preview");
        if (!width) return;
        request.maxWidth = *width;
        request.palettePath = ctx_->settings.PalettePath;
        const PreviewResult preview = PreviewTexts(*reporter_, request);
        const std::string name(FileNameOf(request.txtPaths.front()));
        reporter_->AddResult(name + ": " + std::to_string(preview.lines) + " lines, " + std::to_string(preview.overWide) +
                             " wider than " + std::to_string(*request.maxWidth) + " px (marked in red).");
        reporter_->Flush();
        dialogs_.ShowPicture(preview.image, name + " in " + std::string(FileNameOf(request.fontPath)));
    });
    EndTextsCommand();
}

}  // namespace eit::window
