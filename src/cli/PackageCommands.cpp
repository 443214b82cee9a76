// eitool's commands on LIB packages: list.
#include <memory>

#include "cli/Commands.h"
#include "cli/ConsoleFrontEnd.h"
#include "jobs/Inspect.h"

namespace eit::cli {

void AddListCommand(Commands& commands)
{
    auto package = std::make_shared<std::string>();
    CLI::App* list = commands.Add("list", "List the directory of a LIB package", [package](const CLI::App&) {
        OnConsole([&](Reporter& reporter) { ListPackage(reporter, *package); });
        return 0;
    });
    list->add_option("package", *package, "The package")->required();
}

}  // namespace eit::cli
