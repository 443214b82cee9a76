// The patch commands of the File menu: apply, remove and make a patch.
#include "jobs/Patch.h"
#include "platform/Paths.h"
#include "window/MainForm.h"

namespace eit::window {

void TMainForm::ApplyPatchClick() { ApplyOrRemovePatch(true); }

void TMainForm::RemovePatchClick() { ApplyOrRemovePatch(false); }

// The check runs first and lists in the results what would change (or why
// the patch is refused); the files are written only once the user agrees.
void TMainForm::ApplyOrRemovePatch(bool apply)
{
    if (running_) return;
    const std::optional<std::string> patch = dialogs_.PickFolder(apply ? "Select the patch to apply..." : "Select the patch to remove...", "");
    if (!patch) return;
    const std::optional<std::string> game = dialogs_.PickFolder("Select the game folder...", "");
    if (!game) return;
    PatchSettings settings{*patch, *game, true};
    auto command = [&] { return apply ? ApplyPatch(*reporter_, settings) : RemovePatch(*reporter_, settings); };
    PatchOutcome outcome = PatchOutcome::AlreadyDone;
    if (!RunWork([&] {
            reporter_->ClearResults();
            outcome = command();
        })) {
        return;
    }
    if (outcome == PatchOutcome::AlreadyDone) return;
    const std::string question = std::string(apply ? "Apply the patch to " : "Remove the patch from ") + *game +
                                 "?\n\nThe results list every file that will change.";
    if (!dialogs_.AskYesNo(question, apply ? "Apply patch" : "Remove patch")) return;
    settings.check = false;
    RunWork([&] { command(); });
}

// The patch takes its title from its folder's name.
void TMainForm::MakePatchClick()
{
    if (running_) return;
    const std::optional<std::string> original = dialogs_.PickFolder("Select the untouched game folder...", "");
    if (!original) return;
    const std::optional<std::string> modified = dialogs_.PickFolder("Select the translated game folder...", "");
    if (!modified) return;
    const std::optional<std::string> output = dialogs_.PickFolder("Select a new, empty folder for the patch...", "");
    if (!output) return;
    const MakePatchSettings settings{*original, *modified, *output, std::string(FileNameOf(*output))};
    RunWork([&] {
        reporter_->ClearResults();
        MakePatch(*reporter_, settings);
    });
}

}  // namespace eit::window
