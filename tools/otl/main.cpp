// The otl command: a table of commands, each declared by one function that
// sets up its options and hands back what runs it. Output goes to stdout;
// errors go to stderr with exit status 1 (a failed operation) or 2 (usage).
#include "demo.h"
#include "files.h"
#include "status.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace otltool {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

using Runner = std::function<int()>;

Runner declareDemo(CLI::App &command)
{
    auto options = std::make_shared<DemoOptions>();
    command.add_flag_callback("--no-props", [options] { options->properties = false; },
                              "Print member names only, without their properties");
    command.add_flag_callback("--no-changes", [options] { options->changes = false; },
                              "Print the outline as built, without the edits and their change "
                              "log");
    command.add_option("--save", options->save, "Save the outline to FILE as well")
        ->option_text("FILE");
    return [options] {
        runDemo(*options, std::cout);
        return 0;
    };
}

Runner declareStatus(CLI::App &command)
{
    auto codes = std::make_shared<std::vector<uint32_t>>();
    auto all = std::make_shared<bool>(false);
    auto *codeOption = command.add_option("CODE", *codes, "Status code, as a decimal number");
    command.add_flag("--all", *all, "List every status code and its meaning")
        ->excludes(codeOption);
    command.require_option(1);
    return [codes, all] {
        if (*all) {
            for (const StatusText &entry : statusTable())
                std::cout << entry.code << ' ' << entry.meaning << '\n';
            return 0;
        }
        int result = 0;
        for (uint32_t code : *codes) {
            if (statusMeaning(code)) {
                std::cout << describeStatus(code) << '\n';
            } else {
                std::cerr << "otl: " << code << " is not a status code of the library\n";
                result = kFailed;
            }
        }
        return result;
    };
}

Runner declareShow(CLI::App &command)
{
    auto path = std::make_shared<std::string>();
    auto properties = std::make_shared<bool>(true);
    command.add_option("FILE", *path, "Outline file")->required();
    command.add_flag_callback("--no-props", [properties] { *properties = false; },
                              "Print member names only, without their properties");
    return [path, properties] {
        runShow(*path, *properties, std::cout);
        return 0;
    };
}

Runner declareVerify(CLI::App &command)
{
    auto path = std::make_shared<std::string>();
    command.add_option("FILE", *path, "Outline file")->required();
    return [path] { return runVerify(*path, std::cout); };
}

Runner declareStats(CLI::App &command)
{
    auto path = std::make_shared<std::string>();
    command.add_option("FILE", *path, "Outline file")->required();
    return [path] {
        runStats(*path, std::cout);
        return 0;
    };
}

struct Command {
    const char *name;
    const char *summary;
    Runner (*declare)(CLI::App &command);
};

// Commands in the order --help lists them.
constexpr Command kCommands[] = {
    {"demo", "Build the Quillfeather Teas demo outline, edit and sort it, print it and its currency outline", declareDemo},
    {"show", "Print a saved outline", declareShow},
    {"verify", "Check a saved outline and list its faulty members", declareVerify},
    {"stats", "Print a saved outline's statistics and storage configuration", declareStats},
    {"status", "Explain a status code returned by the library", declareStatus},
};

std::string usageFailure(const CLI::App *app, const CLI::Error &error)
{
    // A word that names no command is left over as an unmatched argument,
    // and the parser then only says that a command is missing.
    if (dynamic_cast<const CLI::RequiredError *>(&error) && app->get_subcommands().empty() &&
        !app->remaining().empty())
        return "otl: '" + app->remaining().front() +
               "' is not an otl command\nRun 'otl --help' for the list of commands.\n";
    return std::string("otl: ") + error.what() + "\nRun 'otl --help' for usage.\n";
}

} // namespace
} // namespace otltool

int main(int argc, char **argv)
{
    using namespace otltool;

    CLI::App app{"The shrotl outline tool: builds, prints and explains outlines.", "otl"};
    app.set_version_flag("--version", OTL_VERSION);
    app.require_subcommand(1);
    app.failure_message(usageFailure);
    app.footer("Run 'otl COMMAND --help' for the options of a command.");
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");

    std::vector<std::pair<CLI::App *, Runner>> commands;
    for (const Command &command : kCommands) {
        CLI::App *sub = app.add_subcommand(command.name, command.summary);
        sub->footer("");
        sub->group("Commands");
        commands.emplace_back(sub, command.declare(*sub));
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        int code = app.exit(error);
        return code == 0 ? 0 : kUsage;
    }

    try {
        for (auto &[sub, run] : commands)
            if (sub->parsed())
                return run();
    } catch (const std::exception &failure) {
        // A CallFailed names what the tool was doing and the status in words.
        std::cerr << "otl: " << failure.what() << '\n';
        return kFailed;
    }
    return kUsage;
}
