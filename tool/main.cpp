// min_lumo: runs a project file through the library exactly as the host
// does, and reports what it decided.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "hostkit/shapes.h"
#include "tool/commands/adjust_command.h"
#include "tool/commands/check_command.h"
#include "tool/commands/command_help.h"
#include "tool/commands/exit_codes.h"
#include "tool/commands/generate_command.h"
#include "tool/commands/minimise_command.h"
#include "tool/commands/orient_command.h"
#include "tool/commands/plan_command.h"
#include "tool/commands/process_command.h"

namespace {

using namespace min_lumo_tool;
using min_lumo_kit::Shape_Names;
using min_lumo_kit::ShapeOptions;

void Add_Run_Options(CLI::App& command, RunOptions& options, bool writesProject) {
    command.add_option("PROJECT", options.project, "project file (JSON)")->required();
    command.add_flag("--json", options.json, "report as JSON instead of tables");
    if (!writesProject) return;
    command.add_option("--output", options.output, "write the updated project to this file");
    command.add_option("--geojson", options.geojson,
                       "write stations, baselines and observations as GeoJSON layers into this folder");
    command.add_option("--svg", options.svg, "draw the network as SVG");
    command.add_flag("--show-redundant", options.showRedundant, "the SVG also draws the redundant observations, faintly");
    command.add_option("--html", options.html, "write a self-contained HTML report with map and tables");
    command.add_option("--library", options.library, "library module to load (default: the one next to the tool)");
}

// A count given to generate: refused with a sentence unless a whole number
// from 1 to `largest` (0 and negative numbers once took the default
// silently, and huge ones ran out of memory).
CLI::Validator Count_Within(int64_t largest) {
    return CLI::Validator(
        [largest](std::string& text) -> std::string {
            int64_t value = 0;
            if (CLI::detail::lexical_cast(text, value) && value >= 1 && value <= largest) return {};
            return fmt::format("must be a whole number from 1 to {}, not {}", largest, text);
        },
        fmt::format("1 to {}", largest));
}

// Minutes given to plan: a number from `lowest` (itself allowed or not) to
// `highest`, refused with a sentence otherwise (not a number, infinite, out
// of range); -0 reads as 0.
CLI::Validator Minutes_Within(double lowest, bool lowestAllowed, double highest, const char* highestInWords) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value = 0.0;
            const bool number = CLI::detail::lexical_cast(text, value) && std::isfinite(value);
            const bool above = lowestAllowed ? value >= lowest : value > lowest;
            if (number && above && value <= highest) {
                if (value == 0.0) text = "0";
                return {};
            }
            return fmt::format("must be a number of minutes, {} {} and at most {} ({}), not {}",
                               lowestAllowed ? "at least" : "more than", lowest, highest, highestInWords, text);
        },
        fmt::format("{} to {} minutes", lowest, highest));
}

// What plan and process both take: the files and how to plan them.
// Returns --standard, whose count tells whether it was given.
CLI::Option* Add_Planning_Options(CLI::App& command, PlanOptions& plan) {
    command.add_option("FILE", plan.files, Field_Files_Help())->required();
    // One name per --control, so that the files may follow it.
    command.add_option("--control", plan.controls, "a control station; repeat for more")->allow_extra_args(false);
    command
        .add_option("--min-overlap", plan.minimumOverlapMinutes,
                    "shortest overlap of two occupations that gives an observation, in minutes (default 15; 0: any)")
        ->transform(Minutes_Within(0.0, true, longestMinimumOverlapMinutes, "a week"));
    command
        .add_option("--max-gap", plan.maximumGapMinutes,
                    "a gap in a file's data longer than this splits it, in minutes (default 10 epochs, at least 2)")
        ->transform(Minutes_Within(0.0, false, longestMaximumGapMinutes, "a day"));
    command.add_option("--station", plan.fileStations, "FILE=NAME: the station of one file; repeat for more")
        ->allow_extra_args(false);
    command.add_option("--station-names", plan.stationNames, "file: take every station from its file name")
        ->check(CLI::IsMember({"file"}));
    command.add_flag("--keep-going", plan.keepGoing, "leave files that cannot be read out, with a warning");
    command.add_flag("--skip-damaged", plan.skipDamaged,
                     "leave files cut short (inside a record or their compressed data) out, with a warning");
    command.add_flag("--utc", plan.utc, "show times in UTC instead of GPS time (GPST)");
    command.add_option("--session", plan.sessions, "show only this session (e.g. 135A); repeat for more")
        ->allow_extra_args(false);
    command.add_option("--library", plan.library, "library module to load (default: the one next to the tool)");
    return command
        .add_option("--standard", plan.standard,
                    "check the campaign against a survey standard: a shipped profile's name (basic, "
                    "linz-order6, missouri, txdot-faststatic, usace-dual-frequency, usace-single-frequency) or "
                    "a profile file ending in .json; without a value: basic")
        ->expected(0, 1)
        ->allow_extra_args(false);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Reports are byte for byte the same as on other systems.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    CLI::App app{"min_lumo: from a survey campaign's RINEX files to a processing plan, and time-network "
                 "minimisation and baseline orientation of project files through the library"};
    app.require_subcommand(1);
    app.set_version_flag("--version", [] { return Version_Text(); },
                         "print the version, the build and the library module in use, and exit");
    // Paths such as /work/project.json are arguments, never /options.
    app.allow_windows_style_options(false);
    RunOptions check, minimise, orient;
    ShapeOptions shape;
    std::string generated;
    std::vector<std::string> shapeNames = Shape_Names();
    shapeNames.push_back(rinexShapeName);
    RinexGenerateOptions rinex;
    const char* shapeHelp = "campaign, all-pairs, monitoring, grid, traverse, sample or rinex (a folder of RINEX files)";

    CLI::App* checkCommand = app.add_subcommand("check", "check a project against everything the library relies on");
    Add_Run_Options(*checkCommand, check, false);
    checkCommand->footer(Help_Footer({
        {"min_lumo check project.json",
         "check a project file against everything the library relies on: each problem on its own line, naming the "
         "record, the field and what is wrong"},
        {"min_lumo check project.json --json", "the same findings as one JSON document"},
    }));

    CLI::App* minimiseCommand = app.add_subcommand("minimise", "group into time-networks and reject redundant observations");
    minimiseCommand->alias("minimize");
    Add_Run_Options(*minimiseCommand, minimise, true);
    minimiseCommand->add_flag("--explain", minimise.explain, "give the reason for every decision");
    minimiseCommand->footer(Help_Footer({
        {"min_lumo minimise project.json --explain",
         "the time-networks, every observation's score and state, and the reason for each decision"},
        {"min_lumo minimise project.json --output minimised.json --svg network.svg",
         "write the project with the rejection marks, and draw the network"},
        {"min_lumo minimise project.json --library other/libmin_lumo.so --json",
         "the same project through another build of the library, as JSON"},
    }));

    CLI::App* orientCommand = app.add_subcommand("orient", "level the stations from the controls and orient the baselines");
    Add_Run_Options(*orientCommand, orient, true);
    orientCommand->footer(Help_Footer({
        {"min_lumo orient minimised.json --output oriented.json",
         "level the stations outward from the controls, reverse the baselines that point towards them, and write "
         "the result"},
        {"min_lumo orient project.json --html network.html",
         "the levels and directions as a report to open in a browser"},
    }));

    CLI::App* generateCommand = app.add_subcommand("generate", "write a synthetic project");
    generateCommand->add_option("SHAPE", shape.shape, shapeHelp)->required()->check(CLI::IsMember(shapeNames));
    // Far more than a host's project holds, and little enough to generate.
    constexpr int64_t largestGeneratedCount = 100000;
    constexpr int64_t largestGridSide = 1000;
    generateCommand->add_option("--seed", shape.seed, "random seed")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                uint32_t value = 0;
                return CLI::detail::lexical_cast(text, value) && text.find('-') == std::string::npos
                           ? std::string()
                           : "must be a whole number from 0 to 4294967295, not " + text;
            },
            "0 to 4294967295"));
    CLI::Option* sessionsOption = generateCommand->add_option("--sessions", shape.sessions, "sessions (campaign, monitoring; rinex: per day; 1: grid or traverse in one session)")->check(Count_Within(largestGeneratedCount));
    CLI::Option* receiversOption = generateCommand->add_option("--receivers", shape.receivers, "receivers per session (campaign, rinex; traverse: leapfrogging)")->check(Count_Within(largestGeneratedCount));
    CLI::Option* stationsOption = generateCommand->add_option("--stations", shape.stations, "stations (campaign, all-pairs, traverse, rinex)")->check(Count_Within(largestGeneratedCount));
    generateCommand->add_option("--rows", shape.rows, "grid rows")->check(Count_Within(largestGridSide));
    generateCommand->add_option("--columns", shape.columns, "grid columns")->check(Count_Within(largestGridSide));
    generateCommand->add_option("--output", generated, "write to this file instead of standard output");
    int32_t days = 0, interval = 0;
    CLI::Option* daysOption =
        generateCommand->add_option("--days", days, "days of sessions (rinex)")->check(Count_Within(largestGeneratedCount));
    CLI::Option* intervalOption =
        generateCommand->add_option("--interval", interval, "seconds between epochs (rinex; default 30)")
            ->check(Count_Within(largestGeneratedCount));
    generateCommand->add_option("--output-dir", rinex.folder, "folder to write the files into (rinex)");
    generateCommand->add_flag("--force", rinex.force, "write into a folder that is not empty (rinex)");
    generateCommand->add_flag("--field-faults", rinex.fieldFaults,
                              "add a day of field situations: gaps, a restarted receiver, hourly files, a duplicate "
                              "copy, placeholder marker names, two names for one point (rinex)");
    generateCommand->footer(Help_Footer({
        {"min_lumo generate campaign --sessions 20 --output campaign.json",
         "a project of 20 sessions of 12 receivers, for trying the library"},
        {"min_lumo generate grid --rows 10 --columns 10 --sessions 1",
         "a 10 x 10 grid observed to its eight neighbours in one session, on standard output"},
        {"min_lumo generate rinex --output-dir field --days 2 --field-faults",
         "a folder of RINEX files: 2 days of 3 sessions of 4 receivers on 20 stations, then a day of gaps, restarts, "
         "copies and placeholder names"},
    }));

    PlanOptions plan;
    CLI::App* planCommand =
        app.add_subcommand("plan", "from RINEX files and occupation logs to a processing plan, explained and drawn");
    CLI::Option* standardOption = Add_Planning_Options(*planCommand, plan);
    planCommand->add_flag("--json", plan.json, "report as JSON instead of tables");
    planCommand->add_option("--csv", plan.csv, "write the plan rows as CSV for a spreadsheet");
    planCommand->add_option("--occupations-csv", plan.occupationsCsv, "write the occupation table as CSV");
    planCommand->add_option("--output", plan.output, "write the project formed from the files as a project file");
    planCommand->add_option("--geojson", plan.geojson,
                            "write stations, baselines and observations as GeoJSON layers into this folder");
    planCommand->add_option("--svg", plan.svg, "draw the planned network as SVG");
    planCommand->add_flag("--show-redundant", plan.showRedundant, "the SVG also draws the redundant observations, faintly");
    planCommand->add_option("--html", plan.html,
                            "write a self-contained HTML report: summary, map, timeline and tables");
    planCommand->add_option("--checks-csv", plan.checksCsv, "write the standard's checks as CSV (implies --standard)");
    planCommand->add_flag("--strict", plan.strict,
                          "exit with status 3 when the campaign fails the standard's checks (implies --standard); "
                          "2 is bad input, 1 a library failure");

    planCommand->footer(Help_Footer({
        {"min_lumo plan field/ --control BASE",
         "the processing plan of every RINEX file and occupation log in the folder field/ and below it, BASE the "
         "control"},
        {"min_lumo plan field/*.rnx field/*.crx.gz --control BASE --html plan.html",
         "files named one by one, and the report to open in a browser: map, timeline, tables, checks"},
        {"min_lumo plan field/ --control BASE --standard --strict",
         "check the campaign against the basic profile and list what to observe again; exit status 3 when it fails"},
        {"min_lumo plan field/ --control BASE --session 135A --svg 135A.svg",
         "only session 135A, in the report and drawn as a map"},
        {"min_lumo plan field/ --control BASE --json",
         "the plan as one JSON document on standard output, the warnings in it too"},
    }));

    ProcessOptions process;
    CLI::App* processCommand = app.add_subcommand(
        "process", "plan as plan does, then process every kept observation with RTKLIB's rnx2rtkp in the plan's order, "
                   "carry the base positions and check loops and repeated baselines");
    CLI::Option* processStandardOption = Add_Planning_Options(*processCommand, process.plan);
    processCommand->add_flag("--json", process.plan.json, "report as JSON instead of tables");
    processCommand->add_flag("--strict", process.plan.strict,
                             "exit with status 3 when the campaign fails the standard or the processed network fails "
                             "its checks; 1 is any kept observation not processed, 2 bad input");
    processCommand->add_option("--engine", process.engine, "the engine to run (default: rnx2rtkp on the PATH)");
    processCommand->add_option("--engine-options", process.engineOptions,
                               "an RTKLIB options file (key = value) over the tool's defaults");
    processCommand->add_option("--engine-timeout", process.engineTimeoutSeconds,
                               "stop a run after this many seconds (default 3600)")
        ->check(CLI::PositiveNumber);
    processCommand->add_option("--jobs", process.jobs, "engine runs at once (default: the machine's processors)")
        ->check(CLI::Range(1, 64));
    processCommand->add_option("--nav", process.navigation, "a RINEX navigation file; repeat for more")
        ->allow_extra_args(false);
    processCommand->add_option("--antex", process.antex, "an ANTEX file of antenna phase-centre models");
    processCommand->add_option("--control-coordinates", process.controlCoordinates,
                               "CSV of the controls' coordinates: station,X,Y,Z or station,latitude,longitude,height");
    processCommand->add_option("--keep-engine-files", process.keepEngineFiles,
                               "keep every run's options, solution and messages in this folder");
    processCommand->add_option("--html", process.html,
                               "write a self-contained HTML report of the processed network");
    processCommand->add_option("--vectors-csv", process.vectorsCsv,
                               "write the fixed and float vectors as CSV: from,to,session,dX,dY,dZ,sXX,...,sZZ");
    processCommand->add_option("--gfile", process.gfile, "write the fixed and float vectors as an NGS G-file");
    processCommand->add_option("--gama", process.gama, "write the fixed and float vectors as GNU GaMa XML");
    processCommand->add_flag("--adjust", process.adjust,
                             "adjust the fixed and float vectors to the controls by least squares, as adjust does, and "
                             "report it after the processing (with --strict, the standard's relativeAccuracy counts)");
    processCommand->footer(Help_Footer({
        {"min_lumo process field/ --control BASE",
         "plan the folder field/ as plan does, process every kept observation with rnx2rtkp from BASE outward, "
         "check the loops and repeated baselines"},
        {"min_lumo process field/ --nav brdc1350.24n.gz --control BASE --control-coordinates controls.csv",
         "the day's navigation file given apart, and BASE held at its known coordinates"},
        {"min_lumo process field/ --control BASE --standard --strict --html processed.html",
         "judge the processed network by the basic profile too; exit status 3 when it fails"},
        {"min_lumo process field/ --control BASE --control-coordinates controls.csv --adjust --gfile vectors.gfile",
         "process, then adjust the vectors to BASE: coordinates with 95 % ellipses, the global test, the blunder; and "
         "the vectors as an NGS G-file"},
        {"min_lumo.exe process C:\\Field --control BASE --engine C:\\RTKLIB\\rnx2rtkp.exe",
         "on Windows, a Windows build of the engine"},
    }));

    AdjustCommandOptions adjust;
    CLI::App* adjustCommand = app.add_subcommand(
        "adjust", "least-squares adjustment of processed vectors: coordinates, error ellipses, blunders, the standard");
    adjustCommand
        ->add_option("VECTORS", adjust.files,
                     "files of processed vectors: the tool's CSV or JSON, NGS G-files, GNU GaMa XML (told by content)")
        ->required();
    adjustCommand
        ->add_option("--control", adjust.controls,
                     "a control station, held (or weighted by its sigmas); repeat for more; the first of each part of "
                     "the network is held alone in the minimally constrained adjustment")
        ->allow_extra_args(false);
    adjustCommand->add_option("--control-coordinates", adjust.controlCoordinates,
                              "CSV of control coordinates: station,X,Y,Z or station,latitude,longitude,height, with "
                              "sigmaEast,sigmaNorth,sigmaUp (m) to weight instead of hold; without --control every "
                              "station in it is a control");
    adjustCommand->add_option("--level", adjust.level, "the global test's confidence level (default 0.95)");
    CLI::Option* adjustStandardOption =
        adjustCommand
            ->add_option("--standard", adjust.standard,
                         "judge every vector's relative precision against a survey standard's relativeAccuracy: a "
                         "shipped profile's name or a profile file ending in .json; without a value: basic")
            ->expected(0, 1)
            ->allow_extra_args(false);
    adjustCommand->add_flag("--strict", adjust.strict,
                            "exit with status 3 when a relative precision fails the standard (implies --standard)");
    adjustCommand->add_flag("--json", adjust.json, "report as JSON instead of tables");
    adjustCommand->add_option("--csv", adjust.csv, "write the adjusted coordinates with their precision as CSV");
    adjustCommand->add_option("--geojson", adjust.geojson,
                              "write the adjusted stations, their error ellipses and the vectors with their residuals "
                              "as GeoJSON layers into this folder");
    adjustCommand->add_option("--html", adjust.html,
                              "write a self-contained HTML report: map with error ellipses, residuals by w, the tests");
    adjustCommand->footer(Help_Footer({
        {"min_lumo adjust vectors.csv --control GARR --control-coordinates controls.csv",
         "adjust the vectors with GARR held at its coordinates: the statistics, the most likely blunder, coordinates "
         "with 95 % ellipses"},
        {"min_lumo adjust session1.gfile session2.xml --control-coordinates controls.csv --html adjustment.html",
         "vectors from an NGS G-file and a GaMa file together, every station of the controls file a control, and the "
         "report to open in a browser"},
        {"min_lumo adjust vectors.json --control GARR --control-coordinates controls.csv --standard --strict",
         "judge every vector's relative precision against the basic profile; exit status 3 when one fails"},
        {"min_lumo adjust vectors.csv --control GARR --control-coordinates controls.csv --json --csv coordinates.csv",
         "the adjustment as one JSON document on standard output, and the coordinates as CSV"},
    }));

    app.footer(Help_Footer({
        {"min_lumo plan field/ --control BASE --html plan.html",
         "from a folder of RINEX files to a processing plan, with the report to open in a browser"},
        {"min_lumo process field/ --control BASE --html processed.html",
         "the plan carried out by RTKLIB's rnx2rtkp: vectors, loops, repeats and what to process or observe again"},
        {"min_lumo minimise project.json --explain", "minimise a project file and give the reason for each decision"},
        {"min_lumo plan --help", "a command's options, and examples of it"},
    }));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        errno = 0;
        const int code = app.exit(error);
        if (code != 0) return exitBadInput;
        // Help and the version went to standard output: a failed write is
        // said, not lost.
        if (!std::cout.flush()) {
            std::cerr << "min_lumo: cannot write to standard output: "
                      << (errno != 0 ? std::strerror(errno) : "the stream refused the bytes") << std::endl;
            return exitWriteFailed;
        }
        return exitSuccess;
    }
    if (checkCommand->parsed()) return Run_Check(check);
    if (minimiseCommand->parsed()) return Run_Minimise(minimise);
    if (orientCommand->parsed()) return Run_Orient(orient);
    // Counts given, whatever their value, so that a bad one is refused.
    const auto given = [](const CLI::Option* option, int32_t value) {
        return option->count() > 0 ? std::optional<int32_t>(value) : std::nullopt;
    };
    rinex.stations = given(stationsOption, shape.stations);
    rinex.sessions = given(sessionsOption, shape.sessions);
    rinex.receivers = given(receiversOption, shape.receivers);
    rinex.days = given(daysOption, days);
    rinex.interval = given(intervalOption, interval);
    if (planCommand->parsed()) {
        plan.standardGiven = standardOption->count() > 0;
        return Run_Plan(plan);
    }
    if (processCommand->parsed()) {
        process.plan.standardGiven = processStandardOption->count() > 0;
        return Run_Process(process);
    }
    if (adjustCommand->parsed()) {
        adjust.standardGiven = adjustStandardOption->count() > 0;
        return Run_Adjust(adjust);
    }
    if (shape.shape == rinexShapeName) return Run_Generate_Rinex(shape, rinex, generated);
    return Run_Generate(shape, generated);
}
