// eitool's patch commands: patch make, patch apply and patch remove. Each
// exits 0 when done (or already done), 1 when refused or failed.
#include <cstdio>
#include <functional>
#include <memory>

#include "cli/Commands.h"
#include "cli/ConsoleFrontEnd.h"
#include "jobs/Patch.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit::cli {

namespace {

// The patch commands' arguments.
struct PatchOptions {
    std::string original;
    std::string modified;
    std::string output;
    std::string title;
    PatchSettings settings;
};

// The patch's title defaults to its folder's name.
int Make(const PatchOptions& options)
{
    const std::string output = AbsolutePath(options.output);
    const std::string title = options.title.empty() ? std::string(FileNameOf(output)) : options.title;
    const MakePatchSettings settings{AbsolutePath(options.original), AbsolutePath(options.modified), output, title};
    OnConsole([&](Reporter& report) { MakePatch(report, settings); });
    return 0;
}

int ApplyOrRemove(PatchSettings settings, bool apply)
{
    settings.patch = AbsolutePath(settings.patch);
    settings.game = AbsolutePath(settings.game);
    OnConsole([&](Reporter& report) { apply ? ApplyPatch(report, settings) : RemovePatch(report, settings); });
    return 0;
}

}  // namespace

void AddPatchCommand(Commands& commands)
{
    auto options = std::make_shared<PatchOptions>();
    CLI::App* patch = commands.Add("patch", "Make, apply or remove a patch: the items and files a translation changed",
                                   [options](const CLI::App& command) {
                                       if (command.get_subcommand("make")->parsed()) return Make(*options);
                                       return ApplyOrRemove(options->settings, command.get_subcommand("apply")->parsed());
                                   });
    patch->require_subcommand(1);
    CLI::App* make = patch->add_subcommand("make", "Compare an untouched game folder with a translated one and write a patch folder");
    make->add_option("original", options->original, "The untouched game folder")->required();
    make->add_option("modified", options->modified, "The game folder with the translation in it")->required();
    make->add_option("--output", options->output, "The patch folder to make (new or empty)")->required();
    make->add_option("--title", options->title, "The patch's title (default: the patch folder's name)");
    CLI::App* apply = patch->add_subcommand("apply", "Apply a patch to a game folder, after checking every file it changes");
    CLI::App* remove = patch->add_subcommand("remove", "Remove an applied patch from a game folder, putting back what it replaced");
    for (CLI::App* command : {apply, remove}) {
        command->add_option("patch", options->settings.patch, "The patch folder")->required();
        command->add_option("game", options->settings.game, "The game folder")->required();
        command->add_flag("--check", options->settings.check, "Write nothing: show what would change (exit 1 when it would be refused)");
    }
}

}  // namespace eit::cli
