// Golden tables: the library's behaviour written down as worked values, one
// fixture file (*.gie) per behaviour in this folder, each case run through the
// exported entry points of the library loaded at run time.  The knowledge is
// in the fixtures; this driver only builds what they describe, calls the
// library and compares.
//
// Fixture format
// --------------
// Line-based text.  `#` starts a comment outside quotes.  Words are separated
// by white space; "quoted text" may hold spaces and the escapes \t \n \r \v \f
// \\ \" \xHH, and "text"*N stands for the text N times over.
//
//   kind minimisation | orientation | score    once, before the first case
//   (other lines before the first case)        shared: every case starts with them
//   case NAME                                  a case, up to the next `case`; the
//                                              name (free text) says what it shows
//
// Project lines (kinds minimisation and orientation), records in index order:
//   source NUMERATOR DENOMINATOR
//   station NAME [latitude D] [longitude D] [height F] [flags A B C]
//                [treeControl N] [treeLevel N]
//   baseline FROM TO [fromBlock HEX] [toBlock HEX] [directionLevel N]
//   observation BASELINE [startTime D] [endTime D] [timeSpan D] [fromSource N]
//                [toSource N] [forced N] [solutionStatus N] [removed N]
//                [baselineSlot N] [label T] [fromSourceName T] [toSourceName T]
//   control NAME [inactive N]
//   header FIELD N|null    a header field that differs from the arrays built
//   header null            no header at all
//   sizes N N N N N N      the structure sizes handed over (default: accepted)
//   sizes null
// A station is named by its name or by its index.  Defaults: a station at
// latitude, longitude and height 0 with flags 1 0 0 and treeControl and
// treeLevel 0; an observation from 0 to 3600 with timeSpan 3600, sources 0
// and 0, label "P1 A1 P2 B1", source names "from" and "to", and listed by its
// baseline; every byte no field covers holds 0xA5.
//
// Expectations:
//   expect result N            DLL_Min_Lumo's result (required for minimisation)
//   expect message T           what Get_Error_Message copies afterwards
//   expect messageLength N     what Get_Error_Message returns
//   expect rejected N... | none  exactly these observations read removed 1 and
//                              solutionStatus -1, and no other byte changed
//   expect alarms N            alarm beeps during the call (default 0)
//   expect station REF FIELD VALUE...
//   expect baseline N FIELD VALUE...
//   expect observation N FIELD VALUE...
// A FIELD takes a number, a text (compared up to its terminator; the bytes
// after the terminator must keep their old values), 32 hexadecimal digits
// (fromBlock, toBlock), `cleared` or `kept` (solution blocks), or for a
// baseline `reversed yes|no`.  After DLL_Fix_Baseline_Direction only levels,
// treeControl and what reversing the `reversed yes` baselines writes may have
// changed; after DLL_Min_Lumo only the marks of the rejected observations.
//
// Score cases (kind score) describe an observation P and the score it gets:
//   timeSpan D | N*k
//   fromSourceRatio NUMERATOR DENOMINATOR          (default 0 1: fails)
//   toSourceRatio NUMERATOR DENOMINATOR | unreadable
//   fromStation [latitude D] [longitude D] [height F] [flags A B C]
//   toStation   (the same)
//   reference from|to [TERM]
//   sweep k FIRST LAST       the case holds for every whole k in FIRST..LAST
//   score N | k
// The score is not visible through the exports, so it is probed: DLL_Min_Lumo
// ranks a network's observations by score, equal scores in start-time order,
// and in the network built below the better ranked of P and a reference
// observation R of known score E is kept and the other rejected.  With P
// starting before R, P is kept exactly when score(P) >= E; starting after R,
// exactly when score(P) > E; together the two calls pin score(P) = E.
// `unreadable` puts the to-source one record past the source array, against
// an unreadable page.
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
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "tests/support/host_project.h"
#include "tests/support/library_loader.h"

namespace min_lumo_test {
namespace {

using namespace min_lumo;

// ---- Reading fixtures -------------------------------------------------------

struct Word {
    std::string text;
    bool quoted = false;
};

struct FixtureLine {
    int32_t number = 0;
    std::vector<Word> words;
};

struct GoldenCase {
    std::string path;      // the fixture file
    std::string testName;  // file, line and case name
    std::string name;
    std::string kind;
    int32_t line = 0;                // of the `case` line
    std::vector<FixtureLine> lines;  // the file's shared lines, then the case's own
    std::string loadError;           // the file could not be read as fixtures
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
    if (at >= text.size()) throw FixtureError{number, "a backslash ends the line"};
    switch (text[at++]) {
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
        default: throw FixtureError{number, "unknown escape \\" + std::string(1, text[at - 1])};
    }
}

std::vector<Word> Split_Words(const std::string& text, int32_t number) {
    std::vector<Word> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
            continue;
        }
        if (c == '#') break;
        Word word;
        if (c != '"') {
            const std::size_t end = std::min(text.find_first_of(" \t\r#", at), text.size());
            word.text = text.substr(at, end - at);
            at = end;
            words.push_back(word);
            continue;
        }
        word.quoted = true;
        for (++at;;) {
            if (at >= text.size()) throw FixtureError{number, "unterminated quoted text"};
            const char next = text[at++];
            if (next == '"') break;
            word.text += next == '\\' ? Escaped_Character(text, at, number) : next;
        }
        if (at < text.size() && text[at] == '*') {
            const std::size_t end = std::min(text.find_first_of(" \t\r#", at), text.size());
            int32_t times = 0;
            const auto [rest, error] = std::from_chars(text.data() + at + 1, text.data() + end, times);
            if (error != std::errc{} || rest != text.data() + end || times < 0)
                throw FixtureError{number, "a text repeat needs a count, as in \"n\"*255"};
            std::string repeated;
            for (int32_t i = 0; i < times; ++i) repeated += word.text;
            word.text = repeated;
            at = end;
        }
        words.push_back(word);
    }
    return words;
}

std::string Test_Name(const std::filesystem::path& path, int32_t line, const std::string& name) {
    std::string result = path.stem().string() + "_L" + std::to_string(line) + "_";
    // Letters and digits stay, a minus before a digit reads "minus", every
    // other run of characters becomes one underscore.
    bool gap = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto isDigit = [&](std::size_t at) { return at < name.size() && name[at] >= '0' && name[at] <= '9'; };
        const char c = name[i];
        const bool minus = c == '-' && isDigit(i + 1) && (i == 0 || name[i - 1] == ' ');
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(i) || minus;
        if (keep && gap && result.back() != '_') result += '_';
        if (minus) result += "minus_";
        else if (keep) result += c;
        gap = !keep;
    }
    return result.substr(0, 100);
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
            ++number;
            const std::vector<Word> words = Split_Words(text, number);
            if (words.empty()) continue;
            if (!words[0].quoted && words[0].text == "case") {
                if (kind.empty()) throw FixtureError{number, "a `kind` line must come before the first case"};
                GoldenCase c;
                c.path = path.string();
                c.kind = kind;
                c.line = number;
                c.lines = shared;
                const std::size_t start = text.find("case") + 4;
                const std::size_t end = std::min(text.find('#', start), text.size());
                c.name = text.substr(start, end - start);
                c.name.erase(0, c.name.find_first_not_of(" \t"));
                c.name.erase(c.name.find_last_not_of(" \t\r") + 1);
                if (c.name.empty()) throw FixtureError{number, "a case needs a name"};
                c.testName = Test_Name(path, number, c.name);
                cases.push_back(c);
            } else if (!words[0].quoted && words[0].text == "kind" && cases.empty() && words.size() == 2) {
                kind = words[1].text;
            } else {
                (cases.empty() ? shared : cases.back().lines).push_back({number, words});
            }
        }
        if (cases.empty()) throw FixtureError{number, "the file holds no case"};
    } catch (const FixtureError& error) {
        // One failing case names the file and the line; the file's other
        // cases are not run, since the file as a whole is not understood.
        GoldenCase broken;
        broken.path = path.string();
        broken.line = error.line;
        broken.name = "unreadable fixture";
        broken.testName = Test_Name(path, error.line, "fixture_error");
        broken.loadError = error.message;
        return {broken};
    }
    return cases;
}

// Set by main from --fixtures=FOLDER before the tests are registered.
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
    if (cases.empty()) {
        GoldenCase none;
        none.path = FixtureFolder;
        none.name = "no fixtures";
        none.testName = "no_fixtures_found";
        none.loadError = "no *.gie file in '" + FixtureFolder + "' (pass --fixtures=FOLDER)";
        cases.push_back(none);
    }
    return cases;
}

// The words of one line, taken one after another.
class Cursor {
public:
    explicit Cursor(const FixtureLine& line, std::size_t first = 1) : line_(line), next_(first) {}
    int32_t Line() const { return line_.number; }
    bool Done() const { return next_ >= line_.words.size(); }
    const Word& Next(std::string_view what) {
        if (Done()) Fail("missing " + std::string(what));
        return line_.words[next_++];
    }
    bool Next_Is(std::string_view bare) const {
        return !Done() && !line_.words[next_].quoted && line_.words[next_].text == bare;
    }
    std::string Text(std::string_view what) { return Next(what).text; }
    int32_t Int(std::string_view what) { return Number<int32_t>(what); }
    double Real(std::string_view what) { return Number<double>(what); }
    float Single(std::string_view what) { return Number<float>(what); }
    [[noreturn]] void Fail(const std::string& message) const { throw FixtureError{line_.number, message}; }

private:
    template <typename T> T Number(std::string_view what) {
        const std::string& text = Next(what).text;
        T value{};
        const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || rest != text.data() + text.size())
            Fail(std::string(what) + ": '" + text + "' is not a number");
        return value;
    }
    const FixtureLine& line_;
    std::size_t next_;
};

template <RecordKind K> int32_t Record_Count(const std::vector<std::byte>& array) {
    return static_cast<int32_t>(array.size() / static_cast<std::size_t>(RecordStride<K>));
}

// An index that an expectation names must name a record that was built.
int32_t Built_Index(const Cursor& cursor, int32_t index, int32_t count, const std::string& what) {
    if (index < 0 || index >= count) cursor.Fail("there is no " + what + " " + std::to_string(index));
    return index;
}

bool Starts(const FixtureLine& line, std::string_view keyword) {
    return !line.words.empty() && !line.words[0].quoted && line.words[0].text == keyword;
}

// ---- Projects ----------------------------------------------------------------

constexpr double DefaultEndTime = 3600.0;

void Take_Position(Cursor& cursor, const std::string& key, StationFields& fields) {
    if (key == "latitude") fields.latitude = cursor.Real(key);
    else if (key == "longitude") fields.longitude = cursor.Real(key);
    else if (key == "height") fields.height = cursor.Single(key);
    else if (key == "flags") {
        fields.positionFlagA = cursor.Int("flag A");
        fields.positionFlagB = cursor.Int("flag B");
        fields.positionFlagC = cursor.Int("flag C");
    } else cursor.Fail("unknown station field '" + key + "'");
}

std::array<std::byte, 16> Hex_Block(Cursor& cursor) {
    const std::string text = cursor.Text("32 hexadecimal digits");
    std::array<std::byte, 16> block{};
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
        const std::string keyword = line.words[0].text;
        if (keyword == "source") {
            const int32_t numerator = cursor.Int("numerator");
            project.Add_Source(numerator, cursor.Int("denominator"));
        } else if (keyword == "station") {
            StationFields fields;
            fields.name = cursor.Text("station name");
            while (!cursor.Done()) {
                const std::string key = cursor.Text("field");
                if (key == "treeControl") fields.treeControl = cursor.Int(key);
                else if (key == "treeLevel") fields.treeLevel = cursor.Int(key);
                else Take_Position(cursor, key, fields);
            }
            project.Add_Station(fields);
            stationNames.push_back(fields.name);
        } else if (keyword == "baseline") {
            const int32_t from = Station_Ref(cursor.Next("from station"), cursor);
            const int32_t index = project.Add_Baseline(from, Station_Ref(cursor.Next("to station"), cursor));
            while (!cursor.Done()) {
                const std::string key = cursor.Text("field");
                if (key == "fromBlock" || key == "toBlock") {
                    const auto block = Hex_Block(cursor);
                    const auto field = key == "fromBlock" ? baseline::fromBlock : baseline::toBlock;
                    std::memcpy(Block_Field(project.Baseline(index), field), block.data(), block.size());
                } else if (key == "directionLevel") {
                    Write_Field(project.Baseline(index), baseline::directionLevel, cursor.Int(key));
                } else cursor.Fail("unknown baseline field '" + key + "'");
            }
        } else if (keyword == "observation") {
            Take_Observation(cursor);
        } else if (keyword == "control") {
            const std::string name = cursor.Text("control name");
            int32_t inactive = 0;
            if (cursor.Next_Is("inactive")) {
                cursor.Next("inactive");
                inactive = cursor.Int("inactive");
            }
            project.Add_Control(name, inactive);
        } else if (keyword == "header") {
            const std::string field = cursor.Text("header field or null");
            if (field == "null") {
                nullHeader = true;
            } else if (cursor.Next_Is("null")) {
                cursor.Next("null");
                headerEdits.push_back({line.number, field, std::nullopt});
            } else {
                headerEdits.push_back({line.number, field, cursor.Int(field)});
            }
        } else if (keyword == "sizes") {
            if (cursor.Next_Is("null")) {
                cursor.Next("");
                nullSizes = true;
            } else {
                std::array<int32_t, MIN_LUMO_STRUCT_SIZE_COUNT> values{};
                for (int32_t& value : values) value = cursor.Int("structure size");
                sizes = values;
            }
        } else {
            return false;
        }
        if (!cursor.Done()) cursor.Fail("unexpected '" + cursor.Text("") + "'");
        return true;
    }

    int32_t Station_Ref(const Word& word, const Cursor& cursor) const {
        int32_t index = 0;
        const auto [rest, error] = std::from_chars(word.text.data(), word.text.data() + word.text.size(), index);
        if (!word.quoted && error == std::errc{} && rest == word.text.data() + word.text.size()) return index;
        const auto found = std::find(stationNames.begin(), stationNames.end(), word.text);
        if (found == stationNames.end()) cursor.Fail("no station named '" + word.text + "'");
        return static_cast<int32_t>(found - stationNames.begin());
    }

    // The header as the case hands it over; null for `header null`.
    ProjectHeader* Header() {
        header_ = *project.Header();
        for (const HeaderEdit& edit : headerEdits) Apply(edit);
        return nullHeader ? nullptr : &header_;
    }
    const int32_t* Sizes() const { return nullSizes ? nullptr : sizes ? sizes->data() : AcceptedSizes; }

    HostProject project;
    std::vector<std::string> stationNames;

private:
    struct HeaderEdit {
        int32_t line;
        std::string field;
        std::optional<int32_t> value;  // none: a null array
    };

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
        struct Pair {
            const char* count;
            const char* array;
            int32_t ProjectHeader::*countField;
        };
        static const Pair pairs[] = {{"sourceCount", "sources", &ProjectHeader::sourceCount},
                                     {"stationCount", "stations", &ProjectHeader::stationCount},
                                     {"baselineCount", "baselines", &ProjectHeader::baselineCount},
                                     {"observationCount", "observations", &ProjectHeader::observationCount},
                                     {"controlCount", "controls", &ProjectHeader::controlCount}};
        for (const Pair& pair : pairs) {
            if (edit.field == pair.count && edit.value) {
                header_.*pair.countField = *edit.value;
                return;
            }
        }
        if (edit.value) throw FixtureError{edit.line, "header " + edit.field + " takes null or is not a field"};
        if (edit.field == "sources") header_.sources = nullptr;
        else if (edit.field == "stations") header_.stations = nullptr;
        else if (edit.field == "baselines") header_.baselines = nullptr;
        else if (edit.field == "observations") header_.observations = nullptr;
        else if (edit.field == "controls") header_.controls = nullptr;
        else throw FixtureError{edit.line, "no header field '" + edit.field + "'"};
    }

    std::vector<HeaderEdit> headerEdits;
    bool nullHeader = false;
    bool nullSizes = false;
    std::optional<std::array<int32_t, MIN_LUMO_STRUCT_SIZE_COUNT>> sizes;
    ProjectHeader header_{};
};

const LoadedLibrary& Lib() { return Library_Under_Test(); }

// ---- Field expectations --------------------------------------------------------

// One place of a record that a call may change.
struct Region {
    std::string array;
    int32_t record;
    int32_t offset;
    int32_t width;
};

std::string Array_Name(RecordKind kind) {
    switch (kind) {
        case RecordKind::Source: return "source";
        case RecordKind::Station: return "station";
        case RecordKind::Baseline: return "baseline";
        case RecordKind::Observation: return "observation";
        case RecordKind::Control: return "control";
    }
    return "";
}

template <RecordKind K> struct NamedFields {
    std::vector<std::pair<std::string, I32Field<K>>> numbers;
    std::vector<std::pair<std::string, TextField<K>>> texts;
    std::vector<std::pair<std::string, BlockField<K>>> blocks;
};

const NamedFields<RecordKind::Station> StationFieldNames{
    {{"treeLevel", station::treeLevel}, {"treeControl", station::treeControl},
     {"positionFlagA", station::positionFlagA}, {"positionFlagB", station::positionFlagB},
     {"positionFlagC", station::positionFlagC}},
    {},
    {}};
const NamedFields<RecordKind::Baseline> BaselineFieldNames{
    {{"directionLevel", baseline::directionLevel}, {"fromStation", baseline::fromStation},
     {"toStation", baseline::toStation}},
    {},
    {{"fromBlock", baseline::fromBlock}, {"toBlock", baseline::toBlock}, {"solution", baseline::solution}}};
const NamedFields<RecordKind::Observation> ObservationFieldNames{
    {{"fromSource", observation::fromSource}, {"toSource", observation::toSource},
     {"baselineSlot", observation::baselineSlot}, {"solutionStatus", observation::solutionStatus},
     {"removed", observation::removed}},
    {{"label", observation::label}, {"fromSourceName", observation::fromSourceName},
     {"toSourceName", observation::toSourceName}},
    {{"solution", observation::solution}}};

template <typename Field> const Field* Find(const std::vector<std::pair<std::string, Field>>& fields,
                                            const std::string& name) {
    for (const auto& [fieldName, field] : fields)
        if (fieldName == name) return &field;
    return nullptr;
}

std::string Hex(const std::byte* bytes, int32_t width) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int32_t i = 0; i < width; ++i) {
        text += digits[std::to_integer<int>(bytes[i]) >> 4];
        text += digits[std::to_integer<int>(bytes[i]) & 15];
    }
    return text;
}

std::string Shown(const std::string& text) {
    std::string shown = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127 && c != '"' && c != '\\') {
            shown += c;
        } else {
            static const char digits[] = "0123456789abcdef";
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 15];
        }
    }
    return shown + "\"";
}

// Checks `expect KIND INDEX FIELD VALUE...` on one record, before and after.
template <RecordKind K>
void Expect_Fields(const GoldenCase& c, Cursor& cursor, const NamedFields<K>& names, Record<K> before,
                   Record<K> after, const std::string& what) {
    const auto fail = [&](const std::string& message) {
        ADD_FAILURE_AT(c.path.c_str(), cursor.Line()) << c.name << ": " << what << " " << message;
    };
    while (!cursor.Done()) {
        const std::string key = cursor.Text("field");
        if (const auto* number = Find(names.numbers, key)) {
            const int32_t expected = cursor.Int(key);
            const int32_t actual = Read_Field(after, *number);
            if (actual != expected) fail(key + " is " + std::to_string(actual) + ", expected " + std::to_string(expected));
        } else if (const auto* text = Find(names.texts, key)) {
            const std::string expected = cursor.Text(key);
            const char* field = Text_Field(after, *text);
            const char* old = Text_Field(before, *text);
            const auto end = static_cast<int32_t>(std::find(field, field + text->capacity, '\0') - field);
            if (std::string(field, static_cast<std::size_t>(end)) != expected)
                fail(key + " is " + Shown(std::string(field, static_cast<std::size_t>(end))) + ", expected "
                     + Shown(expected));
            else if (end < text->capacity
                     && std::memcmp(field + end + 1, old + end + 1, static_cast<std::size_t>(text->capacity - end - 1)) != 0)
                fail(key + ": bytes after the terminator changed");
        } else if (const auto* block = Find(names.blocks, key)) {
            const std::byte* now = Block_Field(after, *block);
            const std::byte* then = Block_Field(before, *block);
            const auto width = static_cast<std::size_t>(block->width);
            if (cursor.Next_Is("cleared")) {
                cursor.Next("");
                if (std::any_of(now, now + width, [](std::byte b) { return b != std::byte{0}; }))
                    fail(key + " is not cleared");
            } else if (cursor.Next_Is("kept")) {
                cursor.Next("");
                if (std::memcmp(now, then, width) != 0) fail(key + " changed");
            } else {
                const auto expected = Hex_Block(cursor);
                if (expected.size() != width || std::memcmp(now, expected.data(), width) != 0)
                    fail(key + " is " + Hex(now, block->width));
            }
        } else if constexpr (K == RecordKind::Baseline) {
            if (key != "reversed") cursor.Fail("unknown baseline field '" + key + "'");
            const std::string answer = cursor.Text("yes or no");
            if (answer != "yes" && answer != "no") cursor.Fail("reversed takes yes or no");
            const int32_t from = Read_Field(before, baseline::fromStation), to = Read_Field(before, baseline::toStation);
            const bool reversed = Read_Field(after, baseline::fromStation) == to
                                  && Read_Field(after, baseline::toStation) == from;
            const bool kept = Read_Field(after, baseline::fromStation) == from
                              && Read_Field(after, baseline::toStation) == to;
            if (answer == "yes" ? !reversed : !kept)
                fail("runs from " + std::to_string(Read_Field(after, baseline::fromStation)) + " to "
                     + std::to_string(Read_Field(after, baseline::toStation)) + " (was " + std::to_string(from)
                     + " to " + std::to_string(to) + ")");
        } else {
            cursor.Fail("unknown " + Array_Name(K) + " field '" + key + "'");
        }
    }
}

// Every changed byte lies in one of the regions; the others are reported,
// runs of neighbouring bytes together.
void Expect_Changes_Only_In(const GoldenCase& c, const HostProject& project, const std::vector<std::byte>& before,
                            const std::vector<Region>& allowed) {
    std::vector<Region> stray;
    for (const ByteChange& change : Changed_Bytes(project, before, project.Snapshot())) {
        const bool inside = std::any_of(allowed.begin(), allowed.end(), [&](const Region& region) {
            return region.array == change.array && region.record == change.record && change.offset >= region.offset
                   && change.offset < region.offset + region.width;
        });
        if (inside) continue;
        if (!stray.empty() && stray.back().array == change.array && stray.back().record == change.record
            && stray.back().offset + stray.back().width == change.offset)
            ++stray.back().width;
        else
            stray.push_back({change.array, change.record, change.offset, 1});
    }
    for (const Region& region : stray)
        ADD_FAILURE_AT(c.path.c_str(), c.line)
            << c.name << ": " << region.array << " " << region.record << " bytes " << region.offset << " to "
            << region.offset + region.width - 1 << " changed, which the case does not allow";
}

template <RecordKind K, typename Field> Region Region_Of(int32_t record, Field field, int32_t width = 4) {
    return {Array_Name(K), record, field.offset, width};
}

// ---- Minimisation cases ----------------------------------------------------------

void Run_Minimisation_Case(const GoldenCase& c) {
    FixtureProject built;
    std::vector<const FixtureLine*> expectations;
    for (const FixtureLine& line : c.lines) {
        if (Starts(line, "expect")) expectations.push_back(&line);
        else if (!built.Take(line)) throw FixtureError{line.number, "unknown line '" + line.words[0].text + "'"};
    }
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
        const auto fail = [&](const std::string& text) { ADD_FAILURE_AT(c.path.c_str(), line->number) << c.name << ": " << text; };
        if (what == "result") {
            resultStated = true;
            const int32_t expected = cursor.Int(what);
            if (result != expected) fail("DLL_Min_Lumo returned " + std::to_string(result) + ", expected " + std::to_string(expected) + " (message " + Shown(message) + ")");
        } else if (what == "message") {
            const std::string expected = cursor.Text(what);
            if (expected != message) fail("the message is " + Shown(message) + ", expected " + Shown(expected));
        } else if (what == "messageLength") {
            const int32_t expected = cursor.Int(what);
            if (messageLength != expected) fail("Get_Error_Message returned " + std::to_string(messageLength) + ", expected " + std::to_string(expected));
        } else if (what == "rejected") {
            if (cursor.Next_Is("none")) cursor.Next("");
            while (!cursor.Done())
                rejected.insert(Built_Index(cursor, cursor.Int("observation"),
                                            Record_Count<RecordKind::Observation>(built.project.observations),
                                            "observation"));
        } else {
            cursor.Fail("unknown expectation '" + what + "'");
        }
        if (!cursor.Done()) cursor.Fail("unexpected '" + cursor.Text("") + "'");
    }
    if (!resultStated) throw FixtureError{c.line, "a minimisation case needs `expect result`"};

    // A failed call changes nothing; a successful one marks exactly the
    // rejected observations.
    std::vector<Region> allowed;
    if (result == 0) {
        for (const int32_t i : rejected) {
            allowed.push_back(Region_Of<RecordKind::Observation>(i, observation::removed));
            allowed.push_back(Region_Of<RecordKind::Observation>(i, observation::solutionStatus));
            const ObservationRef record = built.project.Observation(i);
            if (Read_Field(record, observation::removed) != 1 || Read_Field(record, observation::solutionStatus) != -1)
                ADD_FAILURE_AT(c.path.c_str(), c.line) << c.name << ": observation " << i << " is not marked rejected";
        }
    }
    Expect_Changes_Only_In(c, built.project, before, allowed);
}

// ---- Orientation cases ----------------------------------------------------------

// What reversing baseline `j` may write: its own fields, its end stations'
// flags B and C, and the fields of the observations on its list.
void Add_Reversal_Regions(HostProject& before, int32_t j, std::vector<Region>& allowed) {
    const BaselineRef line = before.Baseline(j);
    for (const auto field : {baseline::fromBlock, baseline::toBlock, baseline::solution})
        allowed.push_back(Region_Of<RecordKind::Baseline>(j, field, field.width));
    allowed.push_back(Region_Of<RecordKind::Baseline>(j, baseline::fromStation));
    allowed.push_back(Region_Of<RecordKind::Baseline>(j, baseline::toStation));
    for (const int32_t end : {Read_Field(line, baseline::fromStation), Read_Field(line, baseline::toStation)}) {
        allowed.push_back(Region_Of<RecordKind::Station>(end, station::positionFlagB));
        allowed.push_back(Region_Of<RecordKind::Station>(end, station::positionFlagC));
    }
    const int32_t count = std::clamp(Read_Field(line, baseline::observationCount), 0, baseline::observationIndexCapacity);
    for (int32_t slot = 0; slot < count; ++slot) {
        const int32_t i = Read_Baseline_Observation(line, slot);
        for (const auto field : {observation::label, observation::fromSourceName, observation::toSourceName})
            allowed.push_back(Region_Of<RecordKind::Observation>(i, field, field.capacity));
        for (const auto field : {observation::fromSource, observation::toSource, observation::baselineSlot})
            allowed.push_back(Region_Of<RecordKind::Observation>(i, field));
        allowed.push_back(Region_Of<RecordKind::Observation>(i, observation::solution, observation::solution.width));
    }
}

void Run_Orientation_Case(const GoldenCase& c) {
    FixtureProject built;
    std::vector<const FixtureLine*> expectations;
    for (const FixtureLine& line : c.lines) {
        if (Starts(line, "expect")) expectations.push_back(&line);
        else if (!built.Take(line)) throw FixtureError{line.number, "unknown line '" + line.words[0].text + "'"};
    }
    ProjectHeader* header = built.Header();
    HostProject before = built.project;
    const std::vector<std::byte> snapshot = before.Snapshot();
    const int alarmsBefore = Alarm_Count();
    const int32_t result = Lib().fixBaselineDirection(header);
    const int alarms = Alarm_Count() - alarmsBefore;
    if (result != 0) ADD_FAILURE_AT(c.path.c_str(), c.line) << c.name << ": DLL_Fix_Baseline_Direction returned " << result;

    int expectedAlarms = 0;
    std::vector<Region> allowed;
    for (int32_t i = 0; i < Record_Count<RecordKind::Station>(before.stations); ++i) {
        allowed.push_back(Region_Of<RecordKind::Station>(i, station::treeLevel));
        allowed.push_back(Region_Of<RecordKind::Station>(i, station::treeControl));
    }
    for (int32_t j = 0; j < Record_Count<RecordKind::Baseline>(before.baselines); ++j)
        allowed.push_back(Region_Of<RecordKind::Baseline>(j, baseline::directionLevel));
    for (const FixtureLine* line : expectations) {
        Cursor cursor(*line);
        const std::string what = cursor.Text("what to expect");
        if (what == "alarms") {
            expectedAlarms = cursor.Int(what);
        } else if (what == "station") {
            const int32_t i = Built_Index(cursor, built.Station_Ref(cursor.Next("station"), cursor),
                                          Record_Count<RecordKind::Station>(before.stations), "station");
            Expect_Fields(c, cursor, StationFieldNames, before.Station(i), built.project.Station(i), "station " + built.stationNames.at(static_cast<std::size_t>(i)));
        } else if (what == "baseline") {
            const int32_t j = Built_Index(cursor, cursor.Int("baseline"),
                                          Record_Count<RecordKind::Baseline>(before.baselines), "baseline");
            Cursor look = cursor;
            while (!look.Done())
                if (look.Text("") == "reversed" && look.Text("yes or no") == "yes") Add_Reversal_Regions(before, j, allowed);
            Expect_Fields(c, cursor, BaselineFieldNames, before.Baseline(j), built.project.Baseline(j), "baseline " + std::to_string(j));
        } else if (what == "observation") {
            const int32_t i = Built_Index(cursor, cursor.Int("observation"),
                                          Record_Count<RecordKind::Observation>(before.observations), "observation");
            Expect_Fields(c, cursor, ObservationFieldNames, before.Observation(i), built.project.Observation(i), "observation " + std::to_string(i));
        } else {
            cursor.Fail("unknown expectation '" + what + "'");
        }
        if (!cursor.Done()) cursor.Fail("unexpected '" + cursor.Text("") + "'");
    }
    if (alarms != expectedAlarms)
        ADD_FAILURE_AT(c.path.c_str(), c.line) << c.name << ": " << alarms << " alarms, expected " << expectedAlarms;
    Expect_Changes_Only_In(c, built.project, snapshot, allowed);
}

// ---- Score cases --------------------------------------------------------------------

// A number that may run with the sweep variable: factor * k, or a constant.
struct SweptValue {
    double constant = 0.0;
    double factor = 0.0;  // non-zero: the value is factor * k
    double At(int64_t k) const { return factor != 0.0 ? factor * static_cast<double>(k) : constant; }
};

SweptValue Swept(Cursor& cursor, std::string_view what) {
    const std::string text = cursor.Next(what).text;
    SweptValue value;
    if (text == "k") value.factor = 1.0;
    else if (text.size() > 2 && text.ends_with("*k")) {
        const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size() - 2, value.factor);
        if (error != std::errc{} || rest != text.data() + text.size() - 2) cursor.Fail("'" + text + "' is not N*k");
    } else {
        const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value.constant);
        if (error != std::errc{} || rest != text.data() + text.size()) cursor.Fail("'" + text + "' is not a number");
    }
    return value;
}

struct ScoreCase {
    SweptValue timeSpan;
    int32_t fromRatio[2] = {0, 1};
    int32_t toRatio[2] = {0, 1};
    bool toUnreadable = false;
    StationFields fromStation{.name = "P-from"};
    StationFields toStation{.name = "P-to"};
    bool referenceAtTo = false;
    int32_t referenceTerm = 0;  // what the shared station adds to the reference's score
    int64_t firstK = 0, lastK = 0;
    std::optional<SweptValue> score;
};

ScoreCase Read_Score_Case(const GoldenCase& c) {
    ScoreCase s;
    for (const FixtureLine& line : c.lines) {
        Cursor cursor(line);
        const std::string keyword = line.words[0].text;
        if (keyword == "timeSpan") s.timeSpan = Swept(cursor, keyword);
        else if (keyword == "fromSourceRatio") {
            s.fromRatio[0] = cursor.Int("numerator");
            s.fromRatio[1] = cursor.Int("denominator");
        } else if (keyword == "toSourceRatio") {
            if (cursor.Next_Is("unreadable")) {
                cursor.Next("unreadable");
                s.toUnreadable = true;
            } else {
                s.toRatio[0] = cursor.Int("numerator");
                s.toRatio[1] = cursor.Int("denominator");
            }
        } else if (keyword == "fromStation" || keyword == "toStation") {
            StationFields& fields = keyword == "fromStation" ? s.fromStation : s.toStation;
            while (!cursor.Done()) Take_Position(cursor, cursor.Text("field"), fields);
        } else if (keyword == "reference") {
            const std::string side = cursor.Text("from or to");
            if (side != "from" && side != "to") cursor.Fail("reference takes from or to");
            s.referenceAtTo = side == "to";
            if (!cursor.Done()) s.referenceTerm = cursor.Int("term");
        } else if (keyword == "sweep") {
            if (cursor.Text("k") != "k") cursor.Fail("the sweep variable is k");
            s.firstK = cursor.Int("first k");
            s.lastK = cursor.Int("last k");
        } else if (keyword == "score") {
            s.score = Swept(cursor, keyword);
        } else {
            cursor.Fail("unknown line '" + keyword + "'");
        }
        if (!cursor.Done()) cursor.Fail("unexpected '" + cursor.Text("") + "'");
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
        page_ = info.dwPageSize;
#else
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
        const std::size_t readable = (sources.size() + page_ - 1) / page_ * page_;
        size_ = readable + page_;
#ifdef _WIN32
        base_ = static_cast<std::byte*>(VirtualAlloc(nullptr, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + readable, page_, PAGE_NOACCESS, &old);
#else
        base_ = static_cast<std::byte*>(mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + readable, page_, PROT_NONE);
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
    std::size_t page_ = 0, size_ = 0;
    std::byte* base_ = nullptr;
    std::byte* records_ = nullptr;
};

enum class Contest { SubjectKept, ReferenceKept, Undecided };

// The probe network: P (the subject) and R share one station S; P's other
// end is O, R's is Z, a station at S's very position with a usable one, so
// that R scores its time points plus what S contributes.  Three observations
// start before both: S-O and Z-Y forced, O-Z open.  The network then ranks
// nothing but P against R: every station has one selection, the first of the
// fewest open is S, so the better ranked of P and R is selected there and the
// other rejected, whatever the open O-Z scores.
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
        project_.Add_Observation({.baseline = project_.Add_Baseline(shared, other), .startTime = FillerStart, .endTime = End, .forced = 1});
        project_.Add_Observation({.baseline = project_.Add_Baseline(other, twinStation), .startTime = FillerStart, .endTime = End});
        project_.Add_Observation({.baseline = project_.Add_Baseline(twinStation, fillerStation), .startTime = FillerStart, .endTime = End, .forced = 1});
        const ObservationFields subject{.baseline = subjectLine, .startTime = subjectFirst ? EarlierStart : LaterStart,
                                        .endTime = End, .fromSource = fromSource, .toSource = toSource};
        const ObservationFields reference{.baseline = referenceLine, .startTime = subjectFirst ? LaterStart : EarlierStart,
                                          .endTime = End};
        subject_ = subjectFirst ? project_.Add_Observation(subject) : -1;
        reference_ = project_.Add_Observation(reference);
        if (!subjectFirst) subject_ = project_.Add_Observation(subject);
        pristine_ = project_.observations;
    }

    Contest Run(double subjectTimeSpan, int64_t referenceScore) {
        project_.observations = pristine_;
        // Half a point away from both truncation boundaries: R scores exactly
        // its intended time points, whatever the rounding of the product.
        const double referencePoints = static_cast<double>(referenceScore - term_);
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
    const bool swept = s.firstK != 0 || s.lastK != 0;
    for (int64_t k = s.firstK; k <= s.lastK; ++k) {
        const double timeSpan = s.timeSpan.At(k);
        const auto expected = static_cast<int64_t>(s.score->At(k));
        const Contest atLeast = first.Run(timeSpan, expected);
        const Contest above = second.Run(timeSpan, expected);
        if (atLeast == Contest::SubjectKept && above == Contest::ReferenceKept) continue;
        ADD_FAILURE_AT(c.path.c_str(), c.line)
            << c.name << (swept ? " (k = " + std::to_string(k) + ")" : std::string()) << ": the score is "
            << Measured_Score(first, timeSpan) << ", expected " << expected;
        return;
    }
}

// ---- The tests ---------------------------------------------------------------------

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
    // The fixtures are read while GoogleTest registers the tests, so the
    // folder must be known before it starts.
    constexpr std::string_view option = "--fixtures=";
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]).starts_with(option))
            min_lumo_test::FixtureFolder = std::string(argv[i] + option.size());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
