#include "tool/process/process_report.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "tool/output/text_table.h"
#include "tool/plan/standard_report.h"
#include "tool/vectors/vector_files.h"

namespace min_lumo_tool {

namespace {

using Json = nlohmann::ordered_json;
using min_lumo_vectors::SolutionKind;

constexpr double metresPerKilometre = 1000.0;
constexpr double millimetresPerMetre = 1000.0;

std::string Wrapped(const std::string& text, const std::string& first = "", const std::string& next = "  ") {
    return Wrap_Text(text, reportColumns, first, next);
}

std::string Metres(double value, int decimals = 4) { return fmt::format("{:.{}f}", value, decimals); }
std::string Millimetres(double metres) { return fmt::format("{:.1f}", metres * millimetresPerMetre); }

std::string Ratio_Text(const VectorRun& run) {
    return run.vector.solution == SolutionKind::failed || !run.vector.ratio ? "-" : fmt::format("{:.1f}", *run.vector.ratio);
}

struct Counts {
    std::size_t fixed = 0, floating = 0, single = 0, failed = 0;
};

Counts Count(const ProcessingResult& result) {
    Counts counts;
    for (const VectorRun& run : result.runs) {
        switch (run.vector.solution) {
            case SolutionKind::fixed: ++counts.fixed; break;
            case SolutionKind::floating: ++counts.floating; break;
            case SolutionKind::single: ++counts.single; break;
            case SolutionKind::failed: ++counts.failed; break;
        }
    }
    return counts;
}

std::string Navigation_Text(const NavigationFile& file, min_lumo_field::DisplayScale scale) {
    return fmt::format("{} (RINEX {} {}{}, {} records, {} to {})", file.path, file.version, file.systems,
                       file.packing.empty() ? std::string() : ", " + file.packing, file.records, min_lumo_field::Display_Time(file.firstGps, scale),
                       min_lumo_field::Display_Time_Named(file.lastGps, scale));
}

Json Optional(const std::optional<double>& value) { return value ? Json(*value) : Json(nullptr); }

}  // namespace

std::vector<std::string> Correction_Summary(const ProcessingContext& context) {
    std::vector<std::string> corrections = {
        "mark to mark, each end's antenna height and east/north offsets from its RINEX header (ANTENNA: DELTA H/E/N) "
        "given to the engine",
        "antenna types from the headers (ANT # / TYPE) passed on"};
    corrections.push_back(context.antexFile.empty()
                              ? "phase-centre models: none (no --antex)"
                              : fmt::format("phase-centre models from {} (--antex), where it has the antenna",
                                            context.antexFile));
    return corrections;
}

std::array<double, 3> Local_Sigmas(const VectorRun& run) {
    const LocalAxes rows = Local_Axes(run.vector.basePosition.value_or(EarthCentred{}));
    const auto& c = run.vector.covariance;
    const double matrix[3][3] = {{c.xx, c.xy, c.xz}, {c.xy, c.yy, c.yz}, {c.xz, c.yz, c.zz}};
    std::array<double, 3> sigmas{};
    for (std::size_t r = 0; r < 3; ++r) {
        double variance = 0.0;
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = 0; j < 3; ++j) variance += rows[r][i] * matrix[i][j] * rows[r][j];
        sigmas[r] = std::sqrt(std::max(0.0, variance));
    }
    return sigmas;
}

std::string Process_Report_Text(const ProcessingContext& context, const ProcessingOrder& order,
                                const ProcessingResult& result, const NetworkChecks& checks,
                                const StandardChecks* standard) {
    const Counts counts = Count(result);
    std::string text = Wrapped(context.title);
    text += Wrapped(fmt::format("Controls: {}", context.controls.empty() ? "none" : fmt::format("{}", fmt::join(context.controls, ", "))));
    text += Wrapped(context.scale == min_lumo_field::DisplayScale::Gps ? "Times in GPS time (GPST); --utc for UTC"
                                                                       : "Times in UTC");
    std::vector<std::string> engineNotes;
    if (context.enginePath != context.engine) engineNotes.push_back(context.enginePath);
    if (!context.engineProgram.empty()) engineNotes.push_back(context.engineProgram);
    text += Wrapped(fmt::format("Engine: {}{}, {} at once, each stopped after {:g} s", context.engine,
                                engineNotes.empty() ? "" : fmt::format(" ({})", fmt::join(engineNotes, ", ")),
                                Plural(static_cast<std::size_t>(context.jobs), "run"), context.timeoutSeconds));
    text += Wrapped(fmt::format("Options{}: {}",
                                context.engineOptionsFile.empty() ? " (the tool's defaults)"
                                                                  : " (the tool's defaults, " + context.engineOptionsFile
                                                                        + " over them)",
                                fmt::join(context.options, " ")));
    text += Wrapped(fmt::format("Corrections: {}", fmt::join(Correction_Summary(context), "; ")));
    for (const NavigationFile& file : context.navigation)
        text += Wrapped("Navigation: " + Navigation_Text(file, context.scale));
    const std::string verdict = standard ? fmt::format("checked against {}: {}", standard->profile, standard->verdict)
                                         : fmt::format("processing checks of {}: {}", context.profile,
                                                       checks.Passed() ? "pass" : "fail");
    text += Wrapped(fmt::format("Processed {} of {}: {} fixed, {} float, {} single, {} not processed; {}",
                                result.runs.size() - counts.failed, Plural(result.runs.size(), "kept observation"),
                                counts.fixed, counts.floating, counts.single, counts.failed, verdict));

    // The vectors.
    text += "\nVectors, in the plan's order (metres, Earth-centred; from the base to the rover):\n";
    TextTable vectors({">#", "session", "from", "to", "solution", ">ratio", ">sats", ">epochs", ">dX m", ">dY m",
                       ">dZ m", ">length m"});
    TextTable local({">#", "from", "to", ">east m", ">north m", ">up m", ">sE mm", ">sN mm", ">sU mm"});
    std::vector<std::string> notes;
    for (std::size_t i = 0; i < result.runs.size(); ++i) {
        const VectorRun& run = result.runs[i];
        const ProcessedVector& vector = run.vector;
        const std::string number = std::to_string(i + 1);
        const bool solved = vector.solution != SolutionKind::failed;
        vectors.Add_Row({number, vector.session, vector.from, vector.to, Solution_Kind_Name(vector.solution),
                         Ratio_Text(run), solved ? std::to_string(vector.satellites) : "-",
                         solved ? std::to_string(vector.epochs) : "-", solved ? Metres(vector.dX) : "-",
                         solved ? Metres(vector.dY) : "-", solved ? Metres(vector.dZ) : "-",
                         solved ? Metres(run.lengthMetres) : "-"});
        if (solved) {
            const std::array<double, 3> sigmas = Local_Sigmas(run);
            local.Add_Row({number, vector.from, vector.to, Metres(run.east), Metres(run.north), Metres(run.up),
                           Millimetres(sigmas[0]), Millimetres(sigmas[1]), Millimetres(sigmas[2])});
        }
        std::string note = fmt::format("{} {}: base {}", number, vector.label,
                                       vector.basePosition
                                           ? fmt::format("{:.4f} {:.4f} {:.4f}", vector.basePosition->x,
                                                         vector.basePosition->y, vector.basePosition->z)
                                           : std::string("none"));
        note += fmt::format(" from {}", vector.baseFrom);
        if (run.baseApproximate) note += "; marked: processed from an approximate base";
        if (!run.problem.empty()) note += "; " + run.problem;
        notes.push_back(note);
    }
    text += vectors.Render();
    if (result.runs.size() > counts.failed) text += "\n East, north and up at the base, with their standard deviations:\n" + local.Render();
    text += " Bases, and what went wrong:\n";
    for (const std::string& note : notes) text += Wrapped(note, "  ", "     ");

    // Loops.
    const auto trivialCount = static_cast<std::size_t>(
        std::count_if(checks.loops.begin(), checks.loops.end(), [](const Loop& loop) { return loop.trivial; }));
    text += "\n" + Wrapped(fmt::format("Loops: {} independent, shortest first{}", checks.loops.size(),
                                       trivialCount == 0 ? ""
                                                         : fmt::format("; {} trivial (all of one session: their "
                                                                       "vectors share data, so they prove little)",
                                                                       trivialCount)));
    if (!checks.loops.empty()) {
        TextTable loops({">#", "sessions", ">vectors", ">length km", ">dX mm", ">dY mm", ">dZ mm", ">3D mm", ">ppm",
                         ">allowed mm", "result"});
        std::vector<std::string> walks;
        for (const Loop& loop : checks.loops) {
            loops.Add_Row({std::to_string(loop.number), fmt::format("{}", fmt::join(loop.sessions, " ")),
                           std::to_string(loop.legs.size()), Metres(loop.lengthMetres / metresPerKilometre, 3),
                           Millimetres(loop.dX), Millimetres(loop.dY), Millimetres(loop.dZ),
                           Millimetres(loop.misclosureMetres), fmt::format("{:.2f}", loop.partsPerMillion),
                           loop.allowedMetres ? Millimetres(*loop.allowedMetres) : "-",
                           std::string(!loop.allowedMetres ? "not judged" : loop.passed ? "passes" : "fails")
                               + (loop.trivial ? ", trivial" : "")});
            walks.push_back(fmt::format("{} {}-{}", loop.number, fmt::join(loop.stations, "-"), loop.stations.front()));
        }
        text += loops.Render();
        text += " Stations round each loop:\n";
        for (const std::string& walk : walks) text += Wrapped(walk, "  ", "    ");
    }

    // Repeats.
    text += "\n" + Wrapped(fmt::format("Repeated baselines: {}", checks.repeats.empty()
                                                                     ? std::string("none (no station pair processed in "
                                                                                   "two sessions)")
                                                                     : std::to_string(checks.repeats.size())));
    if (!checks.repeats.empty()) {
        TextTable repeats({"from", "to", "sessions", ">length km", ">horizontal mm", ">vertical mm",
                           ">allowed h mm", ">allowed v mm", "result"});
        for (const Repeat& repeat : checks.repeats)
            repeats.Add_Row({repeat.from, repeat.to,
                             result.runs[repeat.first].vector.session + " " + result.runs[repeat.second].vector.session,
                             Metres(repeat.lengthMetres / metresPerKilometre, 3), Millimetres(repeat.horizontalMetres),
                             Millimetres(repeat.verticalMetres),
                             repeat.allowedHorizontalMetres ? Millimetres(*repeat.allowedHorizontalMetres) : "-",
                             repeat.allowedVerticalMetres ? Millimetres(*repeat.allowedVerticalMetres) : "-",
                             !repeat.allowedHorizontalMetres ? "not judged" : repeat.passed ? "passes" : "fails"});
        text += repeats.Render();
    }

    // The processing rules: with a standard, in its Checks section below;
    // else the default profile's.
    if (!standard) {
        text += "\n" + Wrapped(fmt::format("Processing checks against {} ({}; --standard names a profile):",
                                          context.profile, context.profileTitle));
        for (const RuleCheck& rule : checks.rules) {
            const char* outcome = rule.passed ? "passes" : rule.severity == RuleSeverity::advisory ? "noted" : "fails";
            text += Wrapped(fmt::format("{} {}: {}", Rule_Key(rule.rule), outcome, rule.requirement), "  ", "    ");
            for (const CheckFailure& failure : rule.failures)
                text += Wrapped(fmt::format("{}: {}; required {}", failure.item, failure.measured, failure.required),
                                "    - ", "      ");
            text += Wrapped("source: " + rule.source, "    ", "      ");
        }
        for (const LeftOutRule& rule : checks.leftOut)
            text += Wrapped(fmt::format("{} left out: {}", Rule_Key(rule.rule), rule.reason), "  ", "    ");
    }
    if (!checks.suspects.empty()) {
        text += "\nSuspects (the vectors in the most failing loops and repeats) and what to do:\n";
        for (const Suspect& suspect : checks.suspects) {
            const VectorRun& run = result.runs[suspect.run];
            text += Wrapped(fmt::format("{}: in {} and {}; {}", run.vector.label, Plural(static_cast<std::size_t>(suspect.failingLoops), "failing loop"),
                                        Plural(static_cast<std::size_t>(suspect.failingRepeats), "failing repeat"), suspect.why),
                            "  ", "    ");
        }
    }
    if (standard) text += Checks_Text(*standard);
    (void)order;
    return text;
}

Json Process_Report_Json(const ProcessingContext& context, const ProcessingOrder& order, const ProcessingResult& result,
                         const NetworkChecks& checks, const Campaign& campaign, const StandardChecks* standard) {
    Json document;
    document["command"] = "process";
    document["timeScale"] = min_lumo_field::Display_Scale_Name(context.scale);
    document["engine"] = {{"given", context.engine},
                          {"path", context.enginePath},
                          {"program", context.engineProgram},
                          {"optionsFile", context.engineOptionsFile.empty() ? Json(nullptr) : Json(context.engineOptionsFile)},
                          {"options", context.options},
                          {"jobs", context.jobs},
                          {"timeoutSeconds", context.timeoutSeconds}};
    document["corrections"] = Correction_Summary(context);
    Json navigation = Json::array();
    for (const NavigationFile& file : context.navigation)
        navigation.push_back({{"file", file.path},
                              {"version", file.version},
                              {"systems", file.systems},
                              {"gzip", file.gzip},
                              {"records", file.records},
                              {"first", min_lumo_field::Display_Time_Iso(file.firstGps, context.scale)},
                              {"last", min_lumo_field::Display_Time_Iso(file.lastGps, context.scale)}});
    document["navigation"] = navigation;
    Json vectors = Json::array();
    for (const VectorRun& run : result.runs) {
        const OrderedObservation& observation = order.observations[run.order];
        // The exchange layer's vector object (its start and end in GPS time,
        // as the vector files keep them), then what processing adds.
        Json vector = min_lumo_vectors::Vector_Json(run.vector);
        vector["network"] = observation.network;
        vector["order"] = observation.step;
        vector["level"] = observation.level;
        const bool solved = run.vector.solution != SolutionKind::failed;
        vector["east"] = solved ? Json(run.east) : Json(nullptr);
        vector["north"] = solved ? Json(run.north) : Json(nullptr);
        vector["up"] = solved ? Json(run.up) : Json(nullptr);
        vector["length"] = solved ? Json(run.lengthMetres) : Json(nullptr);
        vector["quality"] = run.quality ? Json(static_cast<int32_t>(*run.quality)) : Json(nullptr);
        vector["baseApproximate"] = run.baseApproximate;
        vector["problem"] = run.problem.empty() ? Json(nullptr) : Json(run.problem);
        vector["corrections"] = run.corrections;
        vectors.push_back(vector);
    }
    document["vectors"] = vectors;
    Json loops = Json::array();
    for (const Loop& loop : checks.loops) {
        Json labels = Json::array();
        for (const LoopLeg& leg : loop.legs)
            labels.push_back({{"label", result.runs[leg.run].vector.label}, {"sign", leg.sign}});
        loops.push_back({{"number", loop.number},
                         {"stations", loop.stations},
                         {"vectors", labels},
                         {"sessions", loop.sessions},
                         {"trivial", loop.trivial},
                         {"dX", loop.dX},
                         {"dY", loop.dY},
                         {"dZ", loop.dZ},
                         {"misclosureMetres", loop.misclosureMetres},
                         {"lengthMetres", loop.lengthMetres},
                         {"partsPerMillion", loop.partsPerMillion},
                         {"allowedMetres", Optional(loop.allowedMetres)},
                         {"passed", loop.passed}});
    }
    document["loops"] = loops;
    document["loopsPossible"] = checks.loopsPossible;
    Json repeats = Json::array();
    for (const Repeat& repeat : checks.repeats)
        repeats.push_back({{"from", repeat.from},
                           {"to", repeat.to},
                           {"first", result.runs[repeat.first].vector.label},
                           {"second", result.runs[repeat.second].vector.label},
                           {"dX", repeat.dX},
                           {"dY", repeat.dY},
                           {"dZ", repeat.dZ},
                           {"horizontalMetres", repeat.horizontalMetres},
                           {"verticalMetres", repeat.verticalMetres},
                           {"lengthMetres", repeat.lengthMetres},
                           {"allowedHorizontalMetres", Optional(repeat.allowedHorizontalMetres)},
                           {"allowedVerticalMetres", Optional(repeat.allowedVerticalMetres)},
                           {"passed", repeat.passed}});
    document["repeats"] = repeats;
    if (!standard) {
        Json rules = Json::array();
        for (const RuleCheck& rule : checks.rules) {
            Json failures = Json::array();
            for (const CheckFailure& failure : rule.failures)
                failures.push_back({{"kind", Failure_Kind_Name(failure.kind)},
                                    {"item", failure.item},
                                    {"measured", failure.measured},
                                    {"required", failure.required}});
            rules.push_back({{"rule", Rule_Key(rule.rule)},
                             {"severity", Severity_Name(rule.severity)},
                             {"passed", rule.passed},
                             {"requirement", rule.requirement},
                             {"source", rule.source},
                             {"failures", failures}});
        }
        document["processingChecks"] = {{"profile", context.profile}, {"rules", rules}};
    }
    Json suspects = Json::array();
    for (const Suspect& suspect : checks.suspects)
        suspects.push_back({{"label", result.runs[suspect.run].vector.label},
                            {"failingLoops", suspect.failingLoops},
                            {"failingRepeats", suspect.failingRepeats},
                            {"action", suspect.reprocess ? "reprocess" : "reobserve"},
                            {"why", suspect.why}});
    document["suspects"] = suspects;
    if (standard) document.update(Checks_Json(campaign, *standard));
    Json waves = Json::array();
    for (const WaveTiming& wave : result.waveTimings)
        waves.push_back({{"level", wave.level}, {"runs", wave.runs}, {"wallSeconds", wave.wallSeconds}});
    document["timing"] = {{"toolProcessorSeconds", context.toolSeconds},
                          {"engineProcessorSeconds", context.engineProcessorSeconds},
                          {"engineSeconds", result.engineSeconds},
                          {"wallSeconds", result.wallSeconds},
                          {"waves", waves}};
    document["warnings"] = context.warnings;
    return document;
}

}  // namespace min_lumo_tool
