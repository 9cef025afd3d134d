// A stand-in for RTKLIB's rnx2rtkp, for the tests and the bench: it takes
// the same command line (-k OPTIONS -ts DATE TIME -te DATE TIME -o SOLUTION
// ROVER BASE NAVIGATION...), reads the base position from the options file
// (ant2-pos1..3), and writes a solution file as rnx2rtkp writes it with the
// tool's options (Earth-centred, GPS week and seconds, a line per epoch),
// or misbehaves as a script tells it to.  Built natively and with MinGW, so
// that the Windows tool's orchestration is tested under wine too.
//
// The script is named in the options file as `standin-script = FILE` (the
// tool passes options it does not know on to the engine).  Its lines, '#'
// starting a comment:
//   busy SECONDS                       every run burns this much processor time first
//   ROVER BASE vector dX dY dZ Q NS SDX SDY SDZ SDXY SDYZ SDZX RATIO
//   ROVER BASE headers Q NS RATIO      the vector between the files' APPROX POSITION XYZ
//   ROVER BASE fail STATUS MESSAGE...  prints the message, exits with the status
//   ROVER BASE crash | hang | nothing | empty | garbage | wrongbase
// ROVER and BASE match a file whose path contains them, * any file; the
// first matching line counts.  No line matches: `headers 1 8 50`.  The
// epochs are those of a 30-second interval over the window.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

constexpr double intervalSeconds = 30.0;
constexpr double secondsPerDay = 86400.0;
constexpr double secondsPerWeek = 7.0 * secondsPerDay;

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long Days_From_Civil(long long year, long long month, long long day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

double Seconds_Of(const std::string& date, const std::string& time) {
    long long year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0.0;
    char slash = 0, colon = 0;
    std::istringstream dates(date), times(time);
    dates >> year >> slash >> month >> slash >> day;
    times >> hour >> colon >> minute >> colon >> second;
    return static_cast<double>(Days_From_Civil(year, month, day)) * secondsPerDay + static_cast<double>(hour * 3600 + minute * 60) + second;
}

std::map<std::string, std::string> Options(const std::string& file) {
    std::map<std::string, std::string> options;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        auto trim = [](std::string text) {
            while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\t')) text.pop_back();
            while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(text.begin());
            return text;
        };
        options[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
    return options;
}

bool Header_Position(const std::string& file, double position[3]) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.find("APPROX POSITION XYZ") != std::string::npos) {
            std::istringstream fields(line.substr(0, 60));
            return static_cast<bool>(fields >> position[0] >> position[1] >> position[2]);
        }
        if (line.find("END OF HEADER") != std::string::npos) break;
    }
    return false;
}

void Burn(double seconds) {
    if (seconds <= 0.0) return;
    const std::clock_t until = std::clock() + static_cast<std::clock_t>(seconds * CLOCKS_PER_SEC);
    volatile double sink = 0.0;
    while (std::clock() < until)
        for (int i = 0; i < 1000; ++i) sink = sink + std::sqrt(static_cast<double>(i));
}

void Sleep_Forever() {
    for (;;) {
#ifdef _WIN32
        Sleep(1000);
#else
        const timespec second{1, 0};
        nanosleep(&second, nullptr);
#endif
    }
}

bool Matches(const std::string& pattern, const std::string& path) {
    return pattern == "*" || path.find(pattern) != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
    std::string optionsFile, output, startDate, startTime, endDate, endTime;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-k" && i + 1 < argc) optionsFile = argv[++i];
        else if (argument == "-o" && i + 1 < argc) output = argv[++i];
        else if (argument == "-ts" && i + 2 < argc) startDate = argv[++i], startTime = argv[++i];
        else if (argument == "-te" && i + 2 < argc) endDate = argv[++i], endTime = argv[++i];
        else files.push_back(argument);
    }
    if (files.size() < 3 || output.empty() || optionsFile.empty()) {
        std::cerr << "standin: usage: -k OPTIONS -ts D T -te D T -o SOLUTION ROVER BASE NAV...\n";
        return 2;
    }
    std::map<std::string, std::string> options = Options(optionsFile);
    const double base[3] = {std::atof(options["ant2-pos1"].c_str()), std::atof(options["ant2-pos2"].c_str()),
                            std::atof(options["ant2-pos3"].c_str())};
    std::vector<std::string> action = {"headers", "1", "8", "50"};
    double busy = 0.0;
    if (!options["standin-script"].empty()) {
        std::ifstream script(options["standin-script"]);
        if (!script) {
            std::cerr << "standin: cannot open the script " << options["standin-script"] << "\n";
            return 2;
        }
        bool found = false;
        for (std::string line; std::getline(script, line);) {
            const std::size_t comment = line.find('#');
            if (comment != std::string::npos) line.erase(comment);
            std::istringstream words(line);
            std::vector<std::string> fields;
            for (std::string word; words >> word;) fields.push_back(word);
            if (fields.size() >= 2 && fields[0] == "busy") busy = std::atof(fields[1].c_str());
            if (found || fields.size() < 3) continue;
            if (Matches(fields[0], files[0]) && Matches(fields[1], files[1])) {
                action.assign(fields.begin() + 2, fields.end());
                found = true;
            }
        }
    }
    Burn(busy);
    const std::string& kind = action[0];
    if (kind == "fail") {
        std::string message;
        for (std::size_t i = 2; i < action.size(); ++i) message += (i > 2 ? " " : "") + action[i];
        std::cerr << message << "\n";
        return action.size() > 1 ? std::atoi(action[1].c_str()) : 1;
    }
    if (kind == "crash") {
#ifdef _WIN32
        volatile int* nowhere = nullptr;
        *nowhere = 1;
#else
        // A signal the sanitizers of a sanitized build leave alone (they
        // would turn a bad store into a report and exit status 1).
        std::abort();
#endif
        return 0;
    }
    if (kind == "hang") Sleep_Forever();
    if (kind == "nothing") return 0;
    std::ofstream out(output, std::ios::binary);
    out << "% program   : min_lumo stand-in engine\n";
    out << "% inp file  : " << files[0] << "\n% inp file  : " << files[1] << "\n";
    const double wrong = kind == "wrongbase" ? 1.0 : 0.0;
    char line[512];
    std::snprintf(line, sizeof line, "%% ref pos   :%14.4f %14.4f %14.4f\n", base[0] + wrong, base[1], base[2]);
    out << line << "%\n";
    if (kind == "garbage") {
        out << "1575 363599.999   not a solution line\n";
        return 0;
    }
    if (kind == "empty") return 0;
    double vector[3] = {0.0, 0.0, 0.0};
    int quality = 1, satellites = 8;
    double sigmas[6] = {0.0014, 0.0007, 0.0012, 0.0004, 0.0005, 0.0011};
    double ratio = 50.0;
    if (kind == "vector" && action.size() >= 13) {
        for (int i = 0; i < 3; ++i) vector[i] = std::atof(action[static_cast<std::size_t>(1 + i)].c_str());
        quality = std::atoi(action[4].c_str());
        satellites = std::atoi(action[5].c_str());
        for (int i = 0; i < 6; ++i) sigmas[i] = std::atof(action[static_cast<std::size_t>(6 + i)].c_str());
        ratio = std::atof(action[12].c_str());
    } else {
        double rover[3] = {0.0, 0.0, 0.0}, from[3] = {0.0, 0.0, 0.0};
        if (!Header_Position(files[0], rover) || !Header_Position(files[1], from)) {
            std::cerr << "standin: no APPROX POSITION XYZ in " << files[0] << " or " << files[1] << "\n";
            return 1;
        }
        for (int i = 0; i < 3; ++i) vector[i] = rover[i] - from[i];
        if (action.size() >= 4) {
            quality = std::atoi(action[1].c_str());
            satellites = std::atoi(action[2].c_str());
            ratio = std::atof(action[3].c_str());
        }
    }
    const double gpsEpoch = static_cast<double>(Days_From_Civil(1980, 1, 6)) * secondsPerDay;
    const double start = Seconds_Of(startDate, startTime), end = Seconds_Of(endDate, endTime);
    out << "%  GPST          x-ecef(m)      y-ecef(m)      z-ecef(m)   Q  ns   sdx(m)   sdy(m)   sdz(m)  sdxy(m)  "
           "sdyz(m)  sdzx(m) age(s)  ratio\n";
    for (double t = start; t <= end + 1e-6; t += intervalSeconds) {
        const double sinceEpoch = t - gpsEpoch;
        const double week = std::floor(sinceEpoch / secondsPerWeek);
        std::snprintf(line, sizeof line,
                      "%4.0f %10.3f %14.4f %14.4f %14.4f %3d %3d %8.4f %8.4f %8.4f %8.4f %8.4f %8.4f %6.2f %6.1f\n",
                      week, sinceEpoch - week * secondsPerWeek, base[0] + vector[0], base[1] + vector[1],
                      base[2] + vector[2], quality, satellites, sigmas[0], sigmas[1], sigmas[2], sigmas[3], sigmas[4],
                      sigmas[5], 0.0, ratio);
        out << line;
    }
    return out ? 0 : 1;
}
