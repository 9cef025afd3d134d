// Golden tables: the library's behaviour written down as worked values, one
// fixture file (*.gie) per behaviour in the folder given as --fixtures=DIR,
// each case run through the exported entry points of the library loaded at
// run time.  The knowledge is in the fixtures; this driver only builds what
// they describe, calls the library and compares.  README.md beside it tells
// the format at more length.
//
// Fixture format
//   `#` starts a comment outside quotes.  Words are separated by white space;
//   "quoted text" may hold spaces and the escapes \t \n \r \v \f \\ \" \xHH,
//   and "text"*N is the text N times over.
//
//   kind minimisation | orientation | score    once, before the first case
//   (any other line before the first case)     shared: every case begins with it
//   case NAME                                  a case, up to the next `case`
//
// Project lines (kinds minimisation and orientation), records in index order;
// a station is named by its name or its index:
//   source NUMERATOR DENOMINATOR
//   station NAME [latitude D] [longitude D] [height F] [flags A B C] [treeControl N] [treeLevel N]
//   baseline FROM TO [fromBlock HEX] [toBlock HEX] [directionLevel N]
//   observation BASELINE [startTime D] [endTime D] [timeSpan D] [fromSource N] [toSource N] [forced N]
//               [solutionStatus N] [removed N] [baselineSlot N] [label T] [fromSourceName T] [toSourceName T]
//   control NAME [inactive N]
//   header FIELD N|null  |  header null          what the header handed over says instead
//   sizes N N N N N N  |  sizes null             the structure sizes handed over
//
// Expectations:
//   expect result N | message T | messageLength N | alarms N
//   expect rejected N... | none                  exactly these observations are marked
//   expect station|baseline|observation REF FIELD VALUE...
// VALUE is a number, a text (the bytes after its terminator must keep their
// old values), 32 hexadecimal digits, `cleared` or `kept` (solution blocks),
// or for a baseline `reversed yes|no`.  Whatever the expectations do not
// allow to change must not change.
//
// Score cases: an observation P and the score it gets.
//   timeSpan D|N*k   fromSourceRatio N D   toSourceRatio N D|unreadable
//   fromStation|toStation [latitude D] [longitude D] [height F] [flags A B C]
//   reference from|to [TERM]   sweep k FIRST LAST   score N|N*k
// The score is not visible through the exports, so it is probed: see
// ScoreProbe below.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "tests/support/host_changes.h"
#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// ---- Reading fixtures ----------------------------------------------------------

struct Word {
    std::string text;
    bool quoted = false;
};

struct FixtureLine {
    int32_t number = 0;
    std::vector<Word> words;
};

struct GoldenCase {
    std::string path;
    std::string testName;  // file, line and case name
    std::string name;
    std::string kind;
    int32_t line = 0;                // of the `case` line
    std::vector<FixtureLine> lines;  // the file's shared lines, then the case's own
    std::string loadError;           // the file could not be read
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.path << ":" << c.line << ": " << c.name; }

// A fixture line that cannot be understood; it fails its case.
struct FixtureError {
    int32_t line;
    std::string message;
};

int Hex_Value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char Escaped_Character(const std::string& text, std::size_t& at, int32_t number) {
    const char escape = at < text.size() ? text[at++] : '\0';
    switch (escape) {
        case 't': return '\t';
        case 'n': return '\n';
        case 'r': return '\r';
        case 'v': return '\v';
        case 'f': return '\f';
        case '\\': return '\\';
        case '"': return '"';
        case 'x': {
            const int high = at < text.size() ? Hex_Value(text[at]) : -1;
            const int low = at + 1 < text.size() ? Hex_Value(text[at + 1]) : -1;
            if (high < 0 || low < 0) throw FixtureError{number, "\\x needs two hexadecimal digits"};
            at += 2;
            return static_cast<char>(high * 16 + low);
        }
        default: throw FixtureError{number, "unknown escape after a backslash"};
    }
}

std::vector<Word> Split_Words(const std::string& text, int32_t number) {
    constexpr const char* wordEnds = " \t\r#";
    std::vector<Word> words;
    std::size_t at = text.find_first_not_of(" \t\r");
    while (at < text.size() && text[at] != '#') {
        Word word;
        if (text[at] != '"') {
            const std::size_t end = std::min(text.find_first_of(wordEnds, at), text.size());
            word.text = text.substr(at, end - at);
            at = end;
        } else {
            word.quoted = true;
            for (++at;;) {
                if (at >= text.size()) throw FixtureError{number, "unterminated quoted text"};
                const char next = text[at++];
                if (next == '"') break;
                word.text += next == '\\' ? Escaped_Character(text, at, number) : next;
            }
            if (at < text.size() && text[at] == '*') {
                const std::size_t end = std::min(text.find_first_of(wordEnds, at), text.size());
                int32_t times = 0;
                const auto [rest, error] = std::from_chars(text.data() + at + 1, text.data() + end, times);
                if (error != std::errc{} || rest != text.data() + end || times < 0)
                    throw FixtureError{number, "a repeated text needs a count, as in \"n\"*255"};
                std::string once = word.text;
                word.text.clear();
                for (int32_t i = 0; i < times; ++i) word.text += once;
                at = end;
            }
        }
        words.push_back(word);
        at = std::min(text.find_first_not_of(" \t\r", at), text.size());
    }
    return words;
}

// Letters and digits stay, a minus before a number reads "minus", any other
// run of characters becomes one underscore.
std::string Test_Name(const std::filesystem::path& path, int32_t line, const std::string& name) {
    std::string result = path.stem().string() + "_L" + std::to_string(line) + "_";
    const auto isDigit = [&](std::size_t at) { return at < name.size() && name[at] >= '0' && name[at] <= '9'; };
    bool gap = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool minus = c == '-' && isDigit(i + 1) && (i == 0 || name[i - 1] == ' ');
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(i) || minus;
        if (keep && gap && result.back() != '_') result += '_';
        if (keep) result += minus ? std::string("minus_") : std::string(1, c);
        gap = !keep;
    }
    return result.substr(0, 100);
}

GoldenCase Broken_Case(const std::string& path, int32_t line, const std::string& testName, const std::string& why) {
    GoldenCase broken;
    broken.path = path;
    broken.line = line;
    broken.name = "unreadable fixture";
    broken.testName = testName;
    broken.loadError = why;
    return broken;
}

std::vector<GoldenCase> Load_Fixture_File(const std::filesystem::path& path) {
    std::vector<GoldenCase> cases;
    std::vector<FixtureLine> shared;
    std::string kind;
    std::ifstream in(path, std::ios::binary);
    std::string text;
    int32_t number = 0;
    try {
        if (!in) throw FixtureError{0, "cannot open the file"};
        while (std::getline(in, text)) {
            const std::vector<Word> words = Split_Words(text, ++number);
            const bool bare = !words.empty() && !words[0].quoted;
            if (words.empty()) continue;
            if (bare && words[0].text == "case") {
                if (kind.empty()) throw FixtureError{number, "a `kind` line must come before the first case"};
                GoldenCase c;
                c.path = path.string();
                c.kind = kind;
                c.line = number;
                c.lines = shared;
                const std::size_t start = text.find("case") + 4;
                c.name = text.substr(start, std::min(text.find('#', start), text.size()) - start);
                c.name.erase(0, c.name.find_first_not_of(" \t"));
                c.name.erase(c.name.find_last_not_of(" \t\r") + 1);
                if (c.name.empty()) throw FixtureError{number, "a case needs a name"};
                c.testName = Test_Name(path, number, c.name);
                cases.push_back(c);
            } else if (bare && words[0].text == "kind" && words.size() == 2 && cases.empty()) {
                kind = words[1].text;
            } else {
                (cases.empty() ? shared : cases.back().lines).push_back({number, words});
            }
        }
        if (cases.empty()) throw FixtureError{number, "the file holds no case"};
    } catch (const FixtureError& error) {
        // The file as a whole is not understood: one failing test names it.
        return {Broken_Case(path.string(), error.line, Test_Name(path, error.line, "fixture error"), error.message)};
    }
    return cases;
}

// Set by main before GoogleTest registers the tests.
std::string FixtureFolder;

std::vector<GoldenCase> All_Cases() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FixtureFolder, error))
        if (entry.path().extension() == ".gie") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<GoldenCase> cases;
    for (const auto& file : files) {
        const std::vector<GoldenCase> more = Load_Fixture_File(file);
        cases.insert(cases.end(), more.begin(), more.end());
    }
    if (cases.empty())
        cases.push_back(Broken_Case(FixtureFolder, 0, "no_fixtures_found",
                                    "no *.gie file in '" + FixtureFolder + "' (pass --fixtures=FOLDER)"));
    return cases;
}

// The words of one line, taken one after another.
class Cursor {
public:
    explicit Cursor(const FixtureLine& line) : line_(line) {}
    int32_t Line() const { return line_.number; }
    bool Done() const { return next_ >= line_.words.size(); }
    const Word& Next(std::string_view what) {
        if (Done()) Fail("missing " + std::string(what));
        return line_.words[next_++];
    }
    // Takes the next word when it is the bare word given.
    bool Take_If(std::string_view bare) {
        if (Done() || line_.words[next_].quoted || line_.words[next_].text != bare) return false;
        ++next_;
        return true;
    }
    std::string Text(std::string_view what) { return Next(what).text; }
    int32_t Int(std::string_view what) { return Number<int32_t>(what); }
    double Real(std::string_view what) { return Number<double>(what); }
    float Single(std::string_view what) { return Number<float>(what); }
    void Finish() {
        if (!Done()) Fail("unexpected '" + Text("") + "'");
    }
    [[noreturn]] void Fail(const std::string& message) const { throw FixtureError{line_.number, message}; }

    template <typename T> T Number(std::string_view what) {
        const std::string& text = Next(what).text;
        T value{};
        const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || rest != text.data() + text.size())
            Fail(std::string(what) + ": '" + text + "' is not a number");
        return value;
    }

private:
    const FixtureLine& line_;
    std::size_t next_ = 1;  // after the keyword
};

bool Starts(const FixtureLine& line, std::string_view keyword) {
    return !line.words[0].quoted && line.words[0].text == keyword;
}

// ---- Projects --------------------------------------------------------------------

constexpr double DefaultEndTime = 3600.0;
constexpr std::size_t EndBlockWidth = 16;

void Take_Position(Cursor& cursor, const std::string& key, StationFields& fields) {
    if (key == "latitude") {
        fields.latitude = cursor.Real(key);
    } else if (key == "longitude") {
        fields.longitude = cursor.Real(key);
    } else if (key == "height") {
        fields.height = cursor.Single(key);
    } else if (key == "flags") {
        fields.positionFlagA = cursor.Int("flag A");
        fields.positionFlagB = cursor.Int("flag B");
        fields.positionFlagC = cursor.Int("flag C");
    } else {
        cursor.Fail("unknown station field '" + key + "'");
    }
}

std::array<std::byte, EndBlockWidth> Hex_Block(Cursor& cursor) {
    const std::string text = cursor.Text("32 hexadecimal digits");
    std::array<std::byte, EndBlockWidth> block{};
    if (text.size() != 2 * block.size()) cursor.Fail("a block takes 32 hexadecimal digits");
    for (std::size_t i = 0; i < block.size(); ++i) {
        const int high = Hex_Value(text[2 * i]), low = Hex_Value(text[2 * i + 1]);
        if (high < 0 || low < 0) cursor.Fail("'" + text + "' is not hexadecimal");
        block[i] = static_cast<std::byte>(high * 16 + low);
    }
    return block;
}

// A host project built from project lines, with the header and sizes that
// the case hands over.
class FixtureProject {
public:
    // True when the line described the project.
    bool Take(const FixtureLine& line) {
        Cursor cursor(line);
        const std::string& keyword = line.words[0].text;
        if (keyword == "source") {
            const int32_t numerator = cursor.Int("numerator");
            project.Add_Source(numerator, cursor.Int("denominator"));
        } else if (keyword == "station") {
            Take_Station(cursor);
        } else if (keyword == "baseline") {
            Take_Baseline(cursor);
        } else if (keyword == "observation") {
            Take_Observation(cursor);
        } else if (keyword == "control") {
            const std::string name = cursor.Text("control name");
            project.Add_Control(name, cursor.Take_If("inactive") ? cursor.Int("inactive") : 0);
        } else if (keyword == "header") {
            const std::string field = cursor.Text("header field or null");
            if (field == "null") nullHeader_ = true;
            else if (cursor.Take_If("null")) headerEdits_.push_back({line.number, field, std::nullopt});
            else headerEdits_.push_back({line.number, field, cursor.Int(field)});
        } else if (keyword == "sizes") {
            nullSizes_ = cursor.Take_If("null");
            if (!nullSizes_) {
                sizes_.emplace();
                for (int32_t& value : *sizes_) value = cursor.Int("structure size");
            }
        } else {
            return false;
        }
        cursor.Finish();
        return true;
    }

    int32_t Station_Ref(Cursor& cursor) const {
        const Word& word = cursor.Next("station");
        int32_t index = 0;
        const char* end = word.text.data() + word.text.size();
        const auto [rest, error] = std::from_chars(word.text.data(), end, index);
        if (!word.quoted && error == std::errc{} && rest == end) return index;
        const auto found = std::find(stationNames_.begin(), stationNames_.end(), word.text);
        if (found == stationNames_.end()) cursor.Fail("no station named '" + word.text + "'");
        return static_cast<int32_t>(found - stationNames_.begin());
    }

    // The header as the case hands it over; null for `header null`.
    ProjectHeader* Header() {
        header_ = *project.Header();
        for (const HeaderEdit& edit : headerEdits_) Apply(edit);
        return nullHeader_ ? nullptr : &header_;
    }
    const int32_t* Sizes() const { return nullSizes_ ? nullptr : sizes_ ? sizes_->data() : AcceptedSizes; }

    HostProject project;

private:
    struct HeaderEdit {
        int32_t line;
        std::string field;
        std::optional<int32_t> value;  // none: no array
    };

    void Take_Station(Cursor& cursor) {
        StationFields fields;
        fields.name = cursor.Text("station name");
        while (!cursor.Done()) {
            const std::string key = cursor.Text("field");
            if (key == "treeControl") fields.treeControl = cursor.Int(key);
            else if (key == "treeLevel") fields.treeLevel = cursor.Int(key);
            else Take_Position(cursor, key, fields);
        }
        project.Add_Station(fields);
        stationNames_.push_back(fields.name);
    }

    void Take_Baseline(Cursor& cursor) {
        const int32_t from = Station_Ref(cursor);
        const BaselineRef record = project.Baseline(project.Add_Baseline(from, Station_Ref(cursor)));
        while (!cursor.Done()) {
            const std::string key = cursor.Text("field");
            if (key == "fromBlock" || key == "toBlock") {
                const auto block = Hex_Block(cursor);
                std::memcpy(Block_Field(record, key == "fromBlock" ? baseline::fromBlock : baseline::toBlock),
                            block.data(), block.size());
            } else if (key == "directionLevel") {
                Write_Field(record, baseline::directionLevel, cursor.Int(key));
            } else {
                cursor.Fail("unknown baseline field '" + key + "'");
            }
        }
    }

    void Take_Observation(Cursor& cursor) {
        ObservationFields fields;
        fields.baseline = cursor.Int("baseline");
        fields.endTime = DefaultEndTime;
        std::optional<int32_t> slot;
        while (!cursor.Done()) {
            const std::string key = cursor.Text("field");
            if (key == "startTime") fields.startTime = cursor.Real(key);
            else if (key == "endTime") fields.endTime = cursor.Real(key);
            else if (key == "timeSpan") fields.timeSpan = cursor.Real(key);
            else if (key == "fromSource") fields.fromSource = cursor.Int(key);
            else if (key == "toSource") fields.toSource = cursor.Int(key);
            else if (key == "forced") fields.forced = cursor.Int(key);
            else if (key == "solutionStatus") fields.solutionStatus = cursor.Int(key);
            else if (key == "removed") fields.removed = cursor.Int(key);
            else if (key == "baselineSlot") slot = cursor.Int(key);
            else if (key == "label") fields.label = cursor.Text(key);
            else if (key == "fromSourceName") fields.fromSourceName = cursor.Text(key);
            else if (key == "toSourceName") fields.toSourceName = cursor.Text(key);
            else cursor.Fail("unknown observation field '" + key + "'");
        }
        const int32_t index = project.Add_Observation(fields);
        if (slot) Write_Field(project.Observation(index), observation::baselineSlot, *slot);
    }

    void Apply(const HeaderEdit& edit) {
        const std::string& f = edit.field;
        if (edit.value) {
            int32_t* count = f == "sourceCount"        ? &header_.sourceCount
                             : f == "stationCount"     ? &header_.stationCount
                             : f == "baselineCount"    ? &header_.baselineCount
                             : f == "observationCount" ? &header_.observationCount
                             : f == "controlCount"     ? &header_.controlCount
                                                       : nullptr;
            if (count == nullptr) throw FixtureError{edit.line, "no header count '" + f + "'"};
            *count = *edit.value;
        } else if (f == "sources") {
            header_.sources = nullptr;
        } else if (f == "stations") {
            header_.stations = nullptr;
        } else if (f == "baselines") {
            header_.baselines = nullptr;
        } else if (f == "observations") {
            header_.observations = nullptr;
        } else if (f == "controls") {
            header_.controls = nullptr;
        } else {
            throw FixtureError{edit.line, "no header array '" + f + "'"};
        }
    }

    std::vector<std::string> stationNames_;
    std::vector<HeaderEdit> headerEdits_;
    bool nullHeader_ = false;
    bool nullSizes_ = false;
    std::optional<std::array<int32_t, MIN_LUMO_STRUCT_SIZE_COUNT>> sizes_;
    ProjectHeader header_{};
};

const LoadedLibrary& Lib() { return Library_Under_Test(); }

// ---- Expectations on records -------------------------------------------------------

enum class FieldType { Number, Text, Block, Direction };

struct FieldInfo {
    std::string_view name;
    FieldType type;
    int32_t offset;
    int32_t width;
};

// The fields a case may name in `expect station|baseline|observation`.
constexpr FieldInfo StationFieldInfo[] = {
    {"treeLevel", FieldType::Number, station::treeLevel.offset, 4},
    {"treeControl", FieldType::Number, station::treeControl.offset, 4},
    {"positionFlagA", FieldType::Number, station::positionFlagA.offset, 4},
    {"positionFlagB", FieldType::Number, station::positionFlagB.offset, 4},
    {"positionFlagC", FieldType::Number, station::positionFlagC.offset, 4},
};
constexpr FieldInfo BaselineFieldInfo[] = {
    {"directionLevel", FieldType::Number, baseline::directionLevel.offset, 4},
    {"fromStation", FieldType::Number, baseline::fromStation.offset, 4},
    {"toStation", FieldType::Number, baseline::toStation.offset, 4},
    {"reversed", FieldType::Direction, baseline::fromStation.offset, 8},
    {"fromBlock", FieldType::Block, baseline::fromBlock.offset, baseline::fromBlock.width},
    {"toBlock", FieldType::Block, baseline::toBlock.offset, baseline::toBlock.width},
    {"solution", FieldType::Block, baseline::solution.offset, baseline::solution.width},
};
constexpr FieldInfo ObservationFieldInfo[] = {
    {"fromSource", FieldType::Number, observation::fromSource.offset, 4},
    {"toSource", FieldType::Number, observation::toSource.offset, 4},
    {"baselineSlot", FieldType::Number, observation::baselineSlot.offset, 4},
    {"solutionStatus", FieldType::Number, observation::solutionStatus.offset, 4},
    {"removed", FieldType::Number, observation::removed.offset, 4},
    {"label", FieldType::Text, observation::label.offset, observation::label.capacity},
    {"fromSourceName", FieldType::Text, observation::fromSourceName.offset, observation::fromSourceName.capacity},
    {"toSourceName", FieldType::Text, observation::toSourceName.offset, observation::toSourceName.capacity},
    {"solution", FieldType::Block, observation::solution.offset, observation::solution.width},
};

int32_t Int_At(const std::byte* record, int32_t offset) {
    int32_t value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

std::string Shown(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string shown = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127 && c != '"' && c != '\\') shown += c;
        else shown += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
    }
    return shown + "\"";
}

std::string Hex(const std::byte* bytes, std::size_t width) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < width; ++i) {
        const int byte = std::to_integer<int>(bytes[i]);
        text += std::string(1, digits[byte >> 4]) + digits[byte & 15];
    }
    return text;
}

// Checks the FIELD VALUE pairs of one `expect` line against a record before
// and after the call.
void Expect_Fields(const GoldenCase& c, Cursor& cursor, std::span<const FieldInfo> fields, const std::byte* before,
                   const std::byte* after, const std::string& what) {
    const auto fail = [&](const std::string& message) {
        ADD_FAILURE_AT(c.path.c_str(), cursor.Line()) << c.name << ": " << what << " " << message;
    };
    while (!cursor.Done()) {
        const std::string key = cursor.Text("field");
        const auto field =
            std::find_if(fields.begin(), fields.end(), [&](const FieldInfo& f) { return f.name == key; });
        if (field == fields.end()) cursor.Fail("no field '" + key + "' to expect on a " + what);
        const std::byte* now = after + field->offset;
        const std::byte* then = before + field->offset;
        const auto width = static_cast<std::size_t>(field->width);
        switch (field->type) {
            case FieldType::Number: {
                const int32_t expected = cursor.Int(key), actual = Int_At(now, 0);
                if (actual != expected)
                    fail(key + " is " + std::to_string(actual) + ", expected " + std::to_string(expected));
                break;
            }
            case FieldType::Text: {
                const std::string expected = cursor.Text(key);
                const char* text = reinterpret_cast<const char*>(now);
                const auto length = static_cast<std::size_t>(std::find(text, text + width, '\0') - text);
                if (std::string(text, length) != expected)
                    fail(key + " is " + Shown(std::string(text, length)) + ", expected " + Shown(expected));
                else if (length < width && std::memcmp(now + length + 1, then + length + 1, width - length - 1) != 0)
                    fail(key + ": bytes after the terminator changed");
                break;
            }
            case FieldType::Block: {
                if (cursor.Take_If("cleared")) {
                    if (std::any_of(now, now + width, [](std::byte b) { return b != std::byte{0}; }))
                        fail(key + " is not cleared");
                } else if (cursor.Take_If("kept")) {
                    if (std::memcmp(now, then, width) != 0) fail(key + " changed");
                } else {
                    const auto expected = Hex_Block(cursor);
                    if (expected.size() != width || std::memcmp(now, expected.data(), width) != 0)
                        fail(key + " is " + Hex(now, width));
                }
                break;
            }
            case FieldType::Direction: {
                const std::string answer = cursor.Text("yes or no");
                if (answer != "yes" && answer != "no") cursor.Fail("reversed takes yes or no");
                const int32_t from = Int_At(then, 0), to = Int_At(then, 4);
                const int32_t newFrom = Int_At(now, 0), newTo = Int_At(now, 4);
                const bool asExpected =
                    answer == "yes" ? newFrom == to && newTo == from : newFrom == from && newTo == to;
                if (!asExpected)
                    fail("runs from " + std::to_string(newFrom) + " to " + std::to_string(newTo) + " (was "
                         + std::to_string(from) + " to " + std::to_string(to) + ")");
                break;
            }
        }
    }
}

// Every changed byte lies in one of the regions; the others are reported,
// runs of neighbouring bytes together.
void Expect_Changes_Only_In(const GoldenCase& c, const HostProject& project, const std::vector<std::byte>& before,
                            const std::vector<Region>& allowed) {
    std::vector<Region> stray;
    for (const ByteChange& change : Changed_Bytes(project, before, project.Snapshot())) {
        if (Inside(change, allowed)) continue;
        Region* last = stray.empty() ? nullptr : &stray.back();
        if (last != nullptr && last->array == change.array && last->record == change.record
            && last->offset + last->width == change.offset)
            ++last->width;
        else
            stray.push_back({change.array, change.record, change.offset, 1});
    }
    for (const Region& region : stray)
        ADD_FAILURE_AT(c.path.c_str(), c.line)
            << c.name << ": " << region.array << " " << region.record << " bytes " << region.offset << " to "
            << region.offset + region.width - 1 << " changed, which the case does not allow";
}

// The project lines of a case go to the project, its `expect` lines are
// returned for the runner.
std::vector<const FixtureLine*> Build(const GoldenCase& c, FixtureProject& built) {
    std::vector<const FixtureLine*> expectations;
    for (const FixtureLine& line : c.lines) {
        if (Starts(line, "expect")) expectations.push_back(&line);
        else if (!built.Take(line)) throw FixtureError{line.number, "unknown line '" + line.words[0].text + "'"};
    }
    return expectations;
}

// An index that an expectation names must name a record that was built.
int32_t Built_Index(const Cursor& cursor, int32_t index, int32_t count, const std::string& what) {
    if (index < 0 || index >= count) cursor.Fail("there is no " + what + " " + std::to_string(index));
    return index;
}

// ---- Minimisation cases -----------------------------------------------------------

void Run_Minimisation_Case(const GoldenCase& c) {
    FixtureProject built;
    const std::vector<const FixtureLine*> expectations = Build(c, built);
    ProjectHeader* header = built.Header();
    const std::vector<std::byte> before = built.project.Snapshot();
    const int32_t result = Lib().minLumo(built.Sizes(), header);
    char message[MIN_LUMO_MESSAGE_CAPACITY];
    std::memset(message, 'x', sizeof message);
    const int32_t messageLength = Lib().getErrorMessage(message);

    std::set<int32_t> rejected;
    bool resultStated = false;
    for (const FixtureLine* line : expectations) {
        Cursor cursor(*line);
        const std::string what = cursor.Text("what to expect");
        const auto expectEqual = [&](const auto& actual, const auto& expected, const std::string& shownActual,
                                     const std::string& shownExpected) {
            if (actual != expected)
                ADD_FAILURE_AT(c.path.c_str(), line->number)
                    << c.name << ": " << what << " is " << shownActual << ", expected " << shownExpected;
        };
        if (what == "result") {
            resultStated = true;
            const int32_t expected = cursor.Int(what);
            expectEqual(result, expected, std::to_string(result) + " (message " + Shown(message) + ")",
                        std::to_string(expected));
        } else if (what == "message") {
            const std::string expected = cursor.Text(what);
            expectEqual(std::string(message), expected, Shown(message), Shown(expected));
        } else if (what == "messageLength") {
            const int32_t expected = cursor.Int(what);
            expectEqual(messageLength, expected, std::to_string(messageLength), std::to_string(expected));
        } else if (what == "rejected") {
            if (!cursor.Take_If("none"))
                while (!cursor.Done())
                    rejected.insert(Built_Index(cursor, cursor.Int("observation"),
                                                built.project.Count<RecordKind::Observation>(), "observation"));
        } else {
            cursor.Fail("unknown expectation '" + what + "'");
        }
        cursor.Finish();
    }
    if (!resultStated) throw FixtureError{c.line, "a minimisation case needs `expect result`"};

    // A failed call changes nothing; a successful one marks exactly the
    // rejected observations.
    std::vector<Region> allowed;
    if (result == 0) {
        for (const int32_t i : rejected) {
            allowed.push_back({"observation", i, observation::removed.offset, 4});
            allowed.push_back({"observation", i, observation::solutionStatus.offset, 4});
            const ObservationRef record = built.project.Observation(i);
            if (Read_Field(record, observation::removed) != 1 || Read_Field(record, observation::solutionStatus) != -1)
                ADD_FAILURE_AT(c.path.c_str(), c.line) << c.name << ": observation " << i << " is not marked rejected";
        }
    }
    Expect_Changes_Only_In(c, built.project, before, allowed);
}

// ---- Orientation cases ------------------------------------------------------------

void Run_Orientation_Case(const GoldenCase& c) {
    // Neighbouring fields that one region takes together.
    static_assert(station::treeLevel.offset == station::treeControl.offset + 4);
    FixtureProject built;
    const std::vector<const FixtureLine*> expectations = Build(c, built);
    ProjectHeader* header = built.Header();
    HostProject before = built.project;
    const int alarmsBefore = Alarm_Count();
    const int32_t result = Lib().fixBaselineDirection(header);
    const int alarms = Alarm_Count() - alarmsBefore;
    if (result != 0)
        ADD_FAILURE_AT(c.path.c_str(), c.line) << c.name << ": DLL_Fix_Baseline_Direction returned " << result;

    const int32_t stationCount = before.Count<RecordKind::Station>();
    const int32_t baselineCount = before.Count<RecordKind::Baseline>();
    const int32_t observationCount = before.Count<RecordKind::Observation>();
    std::vector<Region> allowed;
    for (int32_t i = 0; i < stationCount; ++i)
        allowed.push_back({"station", i, station::treeControl.offset, 8});  // treeControl and treeLevel
    for (int32_t j = 0; j < baselineCount; ++j) allowed.push_back({"baseline", j, baseline::directionLevel.offset, 4});
    int expectedAlarms = 0;
    for (const FixtureLine* line : expectations) {
        Cursor cursor(*line);
        const std::string what = cursor.Text("what to expect");
        if (what == "alarms") {
            expectedAlarms = cursor.Int(what);
        } else if (what == "station") {
            const int32_t i = Built_Index(cursor, built.Station_Ref(cursor), stationCount, "station");
            Expect_Fields(c, cursor, StationFieldInfo, before.Station(i).bytes, built.project.Station(i).bytes,
                          "station " + line->words[2].text);
        } else if (what == "baseline") {
            const int32_t j = Built_Index(cursor, cursor.Int(what), baselineCount, what);
            const auto& words = line->words;
            for (std::size_t w = 3; w + 1 < words.size(); ++w)
                if (words[w].text == "reversed" && words[w + 1].text == "yes") Add_Reversal_Regions(before, j, allowed);
            Expect_Fields(c, cursor, BaselineFieldInfo, before.Baseline(j).bytes, built.project.Baseline(j).bytes,
                          "baseline " + std::to_string(j));
        } else if (what == "observation") {
            const int32_t i = Built_Index(cursor, cursor.Int(what), observationCount, what);
            Expect_Fields(c, cursor, ObservationFieldInfo, before.Observation(i).bytes,
                          built.project.Observation(i).bytes, "observation " + std::to_string(i));
        } else {
            cursor.Fail("unknown expectation '" + what + "'");
        }
        cursor.Finish();
    }
    if (alarms != expectedAlarms)
        ADD_FAILURE_AT(c.path.c_str(), c.line) << c.name << ": " << alarms << " alarms, expected " << expectedAlarms;
    Expect_Changes_Only_In(c, built.project, before.Snapshot(), allowed);
}

// ---- Score cases ----------------------------------------------------------------------

// A number that may run with the sweep variable: factor * k, or a constant.
struct SweptValue {
    double constant = 0.0;
    double factor = 0.0;  // non-zero: the value is factor * k
    double At(int64_t k) const { return factor != 0.0 ? factor * static_cast<double>(k) : constant; }
};

SweptValue Swept(Cursor& cursor, std::string_view what) {
    const std::string text = cursor.Next(what).text;
    const bool perK = text == "k" || text.ends_with("*k");
    const std::string number = text == "k" ? "1" : perK ? text.substr(0, text.size() - 2) : text;
    double value = 0.0;
    const auto [rest, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || rest != number.data() + number.size())
        cursor.Fail(std::string(what) + ": '" + text + "' is neither a number nor N*k");
    return perK ? SweptValue{0.0, value} : SweptValue{value, 0.0};
}

struct ScoreCase {
    SweptValue timeSpan;
    std::array<int32_t, 2> fromRatio{0, 1}, toRatio{0, 1};  // numerator, denominator: fail
    bool toUnreadable = false;
    StationFields fromStation{.name = "P-from"}, toStation{.name = "P-to"};
    bool referenceAtTo = false;
    int32_t referenceTerm = 0;  // what the shared station adds to the reference's score
    int64_t firstK = 0, lastK = 0;
    std::optional<SweptValue> score;
};

ScoreCase Read_Score_Case(const GoldenCase& c) {
    ScoreCase s;
    for (const FixtureLine& line : c.lines) {
        Cursor cursor(line);
        const std::string& keyword = line.words[0].text;
        if (keyword == "timeSpan") {
            s.timeSpan = Swept(cursor, keyword);
        } else if (keyword == "fromSourceRatio" || keyword == "toSourceRatio") {
            if (keyword == "toSourceRatio" && cursor.Take_If("unreadable")) {
                s.toUnreadable = true;
            } else {
                auto& ratio = keyword == "fromSourceRatio" ? s.fromRatio : s.toRatio;
                ratio[0] = cursor.Int("numerator");
                ratio[1] = cursor.Int("denominator");
            }
        } else if (keyword == "fromStation" || keyword == "toStation") {
            StationFields& fields = keyword == "fromStation" ? s.fromStation : s.toStation;
            while (!cursor.Done()) Take_Position(cursor, cursor.Text("field"), fields);
        } else if (keyword == "reference") {
            s.referenceAtTo = cursor.Take_If("to");
            if (!s.referenceAtTo && !cursor.Take_If("from")) cursor.Fail("reference takes from or to");
            if (!cursor.Done()) s.referenceTerm = cursor.Int("term");
        } else if (keyword == "sweep") {
            if (!cursor.Take_If("k")) cursor.Fail("the sweep variable is k");
            s.firstK = cursor.Int("first k");
            s.lastK = cursor.Int("last k");
        } else if (keyword == "score") {
            s.score = Swept(cursor, keyword);
        } else {
            cursor.Fail("unknown line '" + keyword + "'");
        }
        cursor.Finish();
    }
    if (!s.score) throw FixtureError{c.line, "a score case needs `score`"};
    return s;
}

// The source array copied to the end of a readable stretch that an
// unreadable page follows: reading one record past it faults.
class GuardedSources {
public:
    explicit GuardedSources(const std::vector<std::byte>& sources) {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const std::size_t page = info.dwPageSize;
#else
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
        const std::size_t readable = (sources.size() + page - 1) / page * page;
        size_ = readable + page;
#ifdef _WIN32
        base_ = static_cast<std::byte*>(VirtualAlloc(nullptr, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + readable, page, PAGE_NOACCESS, &old);
#else
        base_ = static_cast<std::byte*>(
            mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + readable, page, PROT_NONE);
#endif
        records_ = base_ + readable - sources.size();
        std::memcpy(records_, sources.data(), sources.size());
    }
    ~GuardedSources() {
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, size_);
#endif
    }
    GuardedSources(const GuardedSources&) = delete;
    GuardedSources& operator=(const GuardedSources&) = delete;
    SourceRecord* Records() const { return reinterpret_cast<SourceRecord*>(records_); }

private:
    std::size_t size_ = 0;
    std::byte* base_ = nullptr;
    std::byte* records_ = nullptr;
};

enum class Contest { SubjectKept, ReferenceKept, Undecided };

// How the score is probed.  DLL_Min_Lumo ranks a network's observations by
// score, equal scores in start-time order, and the probe network makes that
// rank the only thing that decides between P (the subject) and a reference
// observation R of known score E: the better ranked one is kept, the other
// rejected.  With P starting before R, P is kept exactly when score(P) >= E;
// starting after R, exactly when score(P) > E; the two calls pin score(P).
//
// P runs between its two stations; R shares one of them, S, and ends at Z, a
// station at S's very position with a position flag set, so that R scores
// its time points plus what S adds (nothing when S has a position).  Three
// observations start before both: S-O (O being P's other end) and Z-Y
// forced, O-Z open.  Every station then has one selection and two open
// observations, and the first of them, S, is settled first: the better
// ranked of P and R is selected there, and the other is rejected, whatever
// the open O-Z scores.
class ScoreProbe {
public:
    ScoreProbe(const ScoreCase& c, bool subjectFirst) : term_(c.referenceTerm) {
        project_.Add_Source(0, 1);  // fails the ratio test: R and the fillers get no bonus
        const int32_t fromSource = project_.Add_Source(c.fromRatio[0], c.fromRatio[1]);
        const int32_t toSource = c.toUnreadable ? fromSource + 1 : project_.Add_Source(c.toRatio[0], c.toRatio[1]);
        if (c.toUnreadable) guard_.emplace(project_.sources);
        const int32_t from = project_.Add_Station(c.fromStation), to = project_.Add_Station(c.toStation);
        const int32_t shared = c.referenceAtTo ? to : from, other = c.referenceAtTo ? from : to;
        StationFields twin = c.referenceAtTo ? c.toStation : c.fromStation;
        twin.positionFlagA = 1;
        twin.positionFlagB = twin.positionFlagC = 0;
        twin.name = "R-far";
        const int32_t twinStation = project_.Add_Station(twin);
        twin.name = "filler";
        const int32_t fillerStation = project_.Add_Station(twin);

        const int32_t subjectLine = project_.Add_Baseline(from, to);
        const int32_t referenceLine = project_.Add_Baseline(shared, twinStation);
        constexpr double FillerStart = 0.0, EarlierStart = 100.0, LaterStart = 200.0, End = 3600.0;
        project_.Add_Observation(
            {.baseline = project_.Add_Baseline(shared, other), .startTime = FillerStart, .endTime = End, .forced = 1});
        project_.Add_Observation(
            {.baseline = project_.Add_Baseline(other, twinStation), .startTime = FillerStart, .endTime = End});
        project_.Add_Observation({.baseline = project_.Add_Baseline(twinStation, fillerStation),
                                  .startTime = FillerStart, .endTime = End, .forced = 1});
        const ObservationFields subject{.baseline = subjectLine, .startTime = subjectFirst ? EarlierStart : LaterStart,
                                        .endTime = End, .fromSource = fromSource, .toSource = toSource};
        const ObservationFields reference{
            .baseline = referenceLine, .startTime = subjectFirst ? LaterStart : EarlierStart, .endTime = End};
        if (subjectFirst) subject_ = project_.Add_Observation(subject);
        reference_ = project_.Add_Observation(reference);
        if (!subjectFirst) subject_ = project_.Add_Observation(subject);
        pristine_ = project_.observations;
    }

    Contest Run(double subjectTimeSpan, int64_t referenceScore) {
        project_.observations = pristine_;
        // Half a point away from both truncation boundaries, R scores its
        // intended time points whatever the last bit of the product.
        const auto referencePoints = static_cast<double>(referenceScore - term_);
        const double referenceSpan = 900.0 * referencePoints + (referencePoints < 0.0 ? -450.0 : 450.0);
        Write_Field(project_.Observation(subject_), observation::timeSpan, subjectTimeSpan);
        Write_Field(project_.Observation(reference_), observation::timeSpan, referenceSpan);
        ProjectHeader header = *project_.Header();
        if (guard_) header.sources = guard_->Records();
        if (Lib().minLumo(AcceptedSizes, &header) != 0) return Contest::Undecided;
        const bool subjectOut = Read_Field(project_.Observation(subject_), observation::removed) == 1;
        const bool referenceOut = Read_Field(project_.Observation(reference_), observation::removed) == 1;
        if (subjectOut == referenceOut) return Contest::Undecided;
        return subjectOut ? Contest::ReferenceKept : Contest::SubjectKept;
    }

private:
    HostProject project_;
    std::optional<GuardedSources> guard_;
    std::vector<std::byte> pristine_;
    int32_t subject_ = -1, reference_ = -1, term_ = 0;
};

// The largest reference score P still beats when starting first: its score.
std::string Measured_Score(ScoreProbe& first, double timeSpan) {
    int64_t low = -8'000'000, high = 8'000'000;
    if (first.Run(timeSpan, low) != Contest::SubjectKept || first.Run(timeSpan, high) == Contest::SubjectKept)
        return "outside the probe's range, or the probe network did not decide";
    while (high - low > 1) {
        const int64_t middle = low + (high - low) / 2;
        (first.Run(timeSpan, middle) == Contest::SubjectKept ? low : high) = middle;
    }
    return std::to_string(low);
}

void Run_Score_Case(const GoldenCase& c) {
    const ScoreCase s = Read_Score_Case(c);
    ScoreProbe first(s, true), second(s, false);
    for (int64_t k = s.firstK; k <= s.lastK; ++k) {
        const double timeSpan = s.timeSpan.At(k);
        const auto expected = static_cast<int64_t>(s.score->At(k));
        if (first.Run(timeSpan, expected) == Contest::SubjectKept
            && second.Run(timeSpan, expected) == Contest::ReferenceKept)
            continue;
        ADD_FAILURE_AT(c.path.c_str(), c.line)
            << c.name << (s.firstK != s.lastK ? " (k = " + std::to_string(k) + ")" : std::string())
            << ": the score is " << Measured_Score(first, timeSpan) << ", expected " << expected;
        return;
    }
}

// ---- The tests -----------------------------------------------------------------------

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, Holds) {
    const GoldenCase& c = GetParam();
    if (!c.loadError.empty()) {
        ADD_FAILURE_AT(c.path.c_str(), c.line) << c.loadError;
        return;
    }
    ASSERT_EQ(Lib().error, "");
    try {
        if (c.kind == "minimisation") Run_Minimisation_Case(c);
        else if (c.kind == "orientation") Run_Orientation_Case(c);
        else if (c.kind == "score") Run_Score_Case(c);
        else throw FixtureError{c.line, "unknown kind '" + c.kind + "'"};
    } catch (const FixtureError& error) {
        ADD_FAILURE_AT(c.path.c_str(), error.line) << c.name << ": " << error.message;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Golden, ::testing::ValuesIn(All_Cases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& param) { return param.param.testName; });

}  // namespace
}  // namespace min_lumo_test

int main(int argc, char** argv) {
    // GoogleTest reads the fixtures while it registers the tests, inside
    // InitGoogleTest, so the folder must be known before.
    constexpr std::string_view option = "--fixtures=";
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with(option))
            min_lumo_test::FixtureFolder = std::string(argv[i] + option.size());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
