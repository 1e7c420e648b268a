// The otl command: a table of commands, each declared by one function that
// sets up its options and hands back what runs it. Output goes to stdout;
// errors go to stderr with exit status 1 (a failed operation) or 2 (usage).
#include "csv_import.h"
#include "demo.h"
#include "diff.h"
#include "export.h"
#include "files.h"
#include "status.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <iostream>
#include <map>
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

Runner declareImport(CLI::App &command)
{
    auto options = std::make_shared<ImportOptions>();
    command.add_option("CSV", options->files, "Parent-child files, read in the order given")
        ->required();
    command.add_option("-o,--output", options->output,
                       "Save the outline to OUT (default: the --into outline file; with neither, print it)")
        ->option_text("OUT");
    command.add_option("--into", options->into, "Extend the outline saved in FILE (or built from FILE.csv)")->option_text("FILE");
    command.add_option("--encoding", options->encoding,
                       "Character set of the files, as iconv names it (default UTF-8)")
        ->option_text("NAME");
    command.add_flag("--keep-going", options->keepGoing,
                     "Import what can be imported and write it, reporting the refused rows");
    command.add_flag("--shared", options->shareRepeats,
                     "A member repeated under another parent becomes a shared member");
    command.add_flag("-q,--quiet", options->quiet, "No progress line on a terminal");
    return [options] { return runImport(*options, std::cout, std::cerr); };
}

Runner declareExport(CLI::App &command)
{
    struct Options {
        std::string path;
        ExportFormat format = ExportFormat::Csv;
        ExportLayout layout = ExportLayout::ParentChild;
        bool quiet = false;
    };
    auto options = std::make_shared<Options>();
    command.add_option("FILE", options->path, "Outline file, or a parent-child file ending in .csv")
        ->required();
    command.add_option("--format", options->format, "csv (default) or json")
        ->transform(CLI::CheckedTransformer(
            std::map<std::string, ExportFormat>{{"csv", ExportFormat::Csv}, {"json", ExportFormat::Json}}))
        ->option_text("csv|json");
    command.add_option("--layout", options->layout,
                       "CSV rows: parent-child (default; what import reads), or one row per level-0 "
                       "member by generation or by level")
        ->transform(CLI::CheckedTransformer(std::map<std::string, ExportLayout>{
            {"parent-child", ExportLayout::ParentChild},
            {"generation", ExportLayout::Generation},
            {"level", ExportLayout::Level}}))
        ->option_text("parent-child|generation|level");
    command.add_flag("-q,--quiet", options->quiet, "No progress line on a terminal");
    return [options] {
        OutlineHandle outline = loadOutline(options->path, options->quiet);
        if (options->format == ExportFormat::Json)
            exportJson(outline.get(), std::cout, options->quiet);
        else
            exportCsv(outline.get(), options->layout, std::cout, options->quiet);
        return 0;
    };
}

Runner declareDiff(CLI::App &command)
{
    auto options = std::make_shared<DiffOptions>();
    command.add_option("A", options->before, "The outline before (an outline file or a .csv)")->required();
    command.add_option("B", options->after, "The outline after")->required();
    command.add_flag("--json", options->json, "Write the differences as one JSON object");
    command.add_flag("-q,--quiet", options->quiet, "No progress line on a terminal");
    return [options] { return runDiff(*options, std::cout, std::cerr); };
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
    {"import", "Build or extend an outline from parent-child CSV files", declareImport},
    {"export", "Write an outline as a parent-child CSV file, by generation or level, or as JSON",
     declareExport},
    {"diff", "Compare two outlines: exit status 0 when equal, 1 when different, 2 on failure", declareDiff},
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

    CLI::App app{"The shrotl outline tool: builds, prints, imports, exports, compares and explains outlines.", "otl"};
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
