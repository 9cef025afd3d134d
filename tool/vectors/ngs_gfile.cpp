// NGS G-files, read and written as NGS ADJUST reads them.  The columns are
// those of ADJUST's public Fortran sources (repository noaa-ngs/adjust):
//
//   B  group header, routine NLGPS (newsubs.for):
//        2-13 first time YYYYMMDDHHMM, 14-25 last time, 26-27 vectors in the
//        group (blank: the C and F records that follow), 52-53 frame code
//   C  vector, routine NEWGRP (subs2.for): each component 11 columns with 4
//        decimals, each sigma 5 columns with 4 decimals
//        2-5 from and 6-9 to station serial numbers, 10-20 dX, 21-25 its
//        sigma, 26-36 dY, 37-41, 42-52 dZ, 53-57, 58 reject code, 60-64 session
//   F  long vector, NEWGRP: each component 13 columns with 4 decimals
//        10-22 dX, 23-27, 28-40 dY, 41-45, 46-58 dZ, 59-63, 64 code, 66-70 session
//   D  correlations, routine LOADCR (subs2.for): five of row (3 columns),
//        column (3) and correlation (9, 7 decimals)
//   E  covariances in m², routine LOADCV (subs2.for): four of row (3
//        columns), column (3) and covariance (12, 8 decimals)
//        row and column count the group's components 1, 2, 3 (first
//        vector's dX, dY, dZ), 4, 5, 6 (the second's) and so on
//
// NEWGRP weights vectors coded R, O or F with 100 m, that is leaves them
// out; it skips G, H and I records and, like every reading loop there,
// lines that start with a blank.  Numbers without a decimal point have the
// format's decimals implied (F11.4: 0.1 mm).
#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "tool/field/gnss_time.h"
#include "tool/field/rinex_header.h"
#include "tool/vectors/vector_files.h"
#include "tool/vectors/vector_records.h"

namespace min_lumo_vectors {

namespace {

using min_lumo_field::Columns;

// A field: its first column (from 1) and width, as the formats above give.
struct FieldSpan {
    std::size_t first = 1, width = 0;
};

// The columns of a C or an F record.
struct VectorLayout {
    FieldSpan components[3];
    FieldSpan sigmas[3];
    FieldSpan code, session;
};
constexpr VectorLayout cLayout{{{10, 11}, {26, 11}, {42, 11}}, {{21, 5}, {37, 5}, {53, 5}}, {58, 1}, {60, 5}};
constexpr VectorLayout fLayout{{{10, 13}, {28, 13}, {46, 13}}, {{23, 5}, {41, 5}, {59, 5}}, {64, 1}, {66, 5}};
constexpr FieldSpan fromSerial{2, 4}, toSerial{6, 4};
constexpr FieldSpan firstTime{2, 12}, lastTime{14, 12}, groupCount{26, 2};
constexpr int componentDecimals = 4, sigmaDecimals = 4;
constexpr std::size_t correlationsPerRecord = 5, correlationWidth = 9, covariancesPerRecord = 4, covarianceWidth = 12;
constexpr int correlationDecimals = 7, covarianceDecimals = 8;
constexpr std::size_t indexWidth = 3;
constexpr int64_t largestSerial = 9999;
constexpr std::size_t largestGroup = 99;  // two columns
constexpr std::size_t longestSession = 5;
constexpr int64_t largestSigmaUnits = 99999;  // 9.9999 m in five columns
constexpr double unitsPerMetre = 1.0e4;       // 0.1 mm: the implied decimals
constexpr double correlationUnits = 1.0e7;
constexpr int64_t largestCUnits = 9999999999;     // ten digits and a sign in 11 columns
constexpr int64_t largestFUnits = 999999999999;   // twelve in 13
constexpr std::string_view stationLead = " STATION ";
constexpr const char* rejectCodes = "ROF";

std::string Column_Text(FieldSpan span) {
    return span.width == 1 ? fmt::format("column {}", span.first)
                           : fmt::format("columns {}-{}", span.first, span.first + span.width - 1);
}

std::string_view Field(std::string_view line, FieldSpan span) { return Columns(line, span.first - 1, span.width); }

// A Fortran numeric input field: leading blanks ignored, other blanks
// ignored (BN, the default) or read as zeros (BZ); an empty field is 0;
// without a decimal point the last `decimals` digits are decimals.
std::optional<double> Fortran_Real(std::string_view field, int decimals, bool blanksAreZeros) {
    std::string digits;
    bool leading = true;
    for (const char c : field) {
        if (c == ' ') {
            if (!leading && blanksAreZeros) digits += '0';
            continue;
        }
        leading = false;
        digits += c;
    }
    if (digits.empty()) return 0.0;
    if (digits.find('.') != std::string::npos) return Strict_Number(digits);
    const std::optional<int64_t> units =
        digits.size() <= 18 ? Strict_Integer(digits) : std::nullopt;
    if (!units) return std::nullopt;
    return static_cast<double>(*units) / std::pow(10.0, decimals);
}

std::optional<int64_t> Fortran_Integer(std::string_view field, bool blanksAreZeros) {
    const std::optional<double> value = Fortran_Real(field, 0, blanksAreZeros);
    if (!value || *value != std::floor(*value) || std::fabs(*value) > 1.0e15) return std::nullopt;
    return static_cast<int64_t>(*value);
}

// A D or E record's element: where it stands in the group and what it says.
struct GroupElement {
    int64_t row = 0, column = 0;
    double value = 0.0;
    bool correlation = true;  // D; E gives a covariance
    int64_t line = 0;
};

struct GroupVector {
    ProcessedVector vector;
    double sigmas[3] = {0.0, 0.0, 0.0};
    bool rejected = false;
    char code = ' ';
};

class GfileReader {
public:
    GfileReader(const std::string& name, std::string_view bytes) : name_(name), lines_(Text_Lines(bytes)) {}

    VectorFile Read() {
        Read_Station_Names();
        for (const TextLine& line : lines_) {
            line_ = line.number;
            const std::string_view text = line.text;
            if (min_lumo_field::Trimmed(text).empty() || text.front() == ' ') continue;
            switch (text.front()) {
            case 'A': break;
            case 'B': Open_Group(text); break;
            case 'C': Read_Vector(text, cLayout); break;
            case 'F': Read_Vector(text, fLayout); break;
            case 'D': Read_Elements(text, true); break;
            case 'E': Read_Elements(text, false); break;
            case 'G': case 'H': case 'I': break;
            default:
                Fail("", fmt::format("record type {} is none of A, B, C, D, E, F (G, H and I are skipped)",
                                     Quoted(text.substr(0, 1))));
            }
        }
        line_ = lines_.empty() ? 0 : lines_.back().number;
        Close_Group();
        if (crossCorrelations_ > 0)
            read_.warnings.push_back(min_lumo_field::Located(
                name_, firstCrossLine_,
                fmt::format("{} correlation{} between different vectors of a group not used: each vector is "
                            "adjusted with its own 3x3 covariance",
                            crossCorrelations_, crossCorrelations_ == 1 ? "" : "s")));
        return std::move(read_);
    }

private:
    [[noreturn]] void Fail(const std::string& field, const std::string& reason) const {
        throw VectorFileError(name_, line_, field, reason);
    }

    void Read_Station_Names() {
        for (const TextLine& line : lines_) {
            if (line.text.substr(0, stationLead.size()) != stationLead) continue;
            line_ = line.number;
            const std::string_view rest = line.text.substr(stationLead.size());
            const std::size_t blank = rest.find(' ');
            const std::optional<int64_t> serial = Strict_Integer(rest.substr(0, blank));
            if (!serial || *serial < 1 || *serial > largestSerial)
                Fail("station", fmt::format("{} is not a station serial number from 1 to {}", Quoted(rest.substr(0, blank)),
                                            largestSerial));
            const std::string name(blank == std::string_view::npos ? std::string_view()
                                                                   : min_lumo_field::Trimmed(rest.substr(blank + 1)));
            Check_Station_Name(name, name_, line_, "station");
            const auto [known, fresh] = names_.emplace(*serial, name);
            if (!fresh && known->second != name)
                Fail("station", fmt::format("serial number {:04} named {} and {}", *serial, known->second, name));
        }
    }

    std::string Station(std::string_view text, FieldSpan span, const char* what) const {
        const std::optional<int64_t> serial = Fortran_Integer(Field(text, span), false);
        if (!serial || *serial < 1 || *serial > largestSerial)
            Fail(fmt::format("{} station ({})", what, Column_Text(span)),
                 fmt::format("{} is not a station serial number from 1 to {}", Quoted(Field(text, span)), largestSerial));
        const auto named = names_.find(*serial);
        return named != names_.end() ? named->second : fmt::format("{:04}", *serial);
    }

    double Time(std::string_view text, FieldSpan span, const char* what) const {
        const std::string_view field = Field(text, span);
        if (min_lumo_field::Trimmed(field).empty()) return 0.0;
        min_lumo_field::CivilTime civil;
        const FieldSpan parts[] = {{span.first, 4}, {span.first + 4, 2}, {span.first + 6, 2}, {span.first + 8, 2},
                                   {span.first + 10, 2}};
        int64_t values[5];
        for (int i = 0; i < 5; ++i) {
            const std::optional<int64_t> value = Fortran_Integer(Field(text, parts[i]), true);
            if (!value) Fail(fmt::format("{} ({})", what, Column_Text(span)), fmt::format("{} is not YYYYMMDDHHMM", Quoted(field)));
            values[i] = *value;
        }
        civil.year = values[0];
        civil.month = values[1];
        civil.day = values[2];
        civil.hour = values[3];
        civil.minute = values[4];
        if (!min_lumo_field::Is_Valid_Civil_Date(civil.year, civil.month, civil.day) || civil.hour > 23 || civil.minute > 59
            || civil.year < 1980 || civil.year > 2200)
            Fail(fmt::format("{} ({})", what, Column_Text(span)), fmt::format("{} is no date and time", Quoted(field)));
        return min_lumo_field::Seconds_Of_Civil(civil);
    }

    void Open_Group(std::string_view text) {
        Close_Group();
        inGroup_ = true;
        groupLine_ = line_;
        groupStart_ = Time(text, firstTime, "first time");
        groupEnd_ = Time(text, lastTime, "last time");
        if (groupEnd_ < groupStart_) Fail(fmt::format("last time ({})", Column_Text(lastTime)), "is before the first");
        const std::optional<int64_t> count = Fortran_Integer(Field(text, groupCount), false);
        if (!count || *count < 0)
            Fail(fmt::format("vectors in the group ({})", Column_Text(groupCount)),
                 fmt::format("{} is not a count", Quoted(Field(text, groupCount))));
        groupCount_ = *count;
    }

    void Read_Vector(std::string_view text, const VectorLayout& layout) {
        if (!inGroup_) Fail("", "a vector record before any B record");
        if (!elements_.empty()) Fail("", "a vector record after the group's D or E records");
        if (groupCount_ > 0 && static_cast<int64_t>(group_.size()) >= groupCount_)
            Fail("", fmt::format("more vector records than the {} the B record on line {} counts", groupCount_, groupLine_));
        GroupVector member;
        ProcessedVector& vector = member.vector;
        vector.file = name_;
        vector.line = line_;
        vector.from = Station(text, fromSerial, "from");
        vector.to = Station(text, toSerial, "to");
        vector.startGps = groupStart_;
        vector.endGps = groupEnd_;
        const char* axes[] = {"dX", "dY", "dZ"};
        double* components[] = {&vector.dX, &vector.dY, &vector.dZ};
        for (int i = 0; i < 3; ++i) {
            const std::string_view field = Field(text, layout.components[i]);
            const std::optional<double> value = Fortran_Real(field, componentDecimals, false);
            if (!value) Fail(fmt::format("{} ({})", axes[i], Column_Text(layout.components[i])),
                     fmt::format("{} is not a number", Quoted(min_lumo_field::Trimmed(field))));
            *components[i] = *value;
            const std::string_view sigma = Field(text, layout.sigmas[i]);
            const std::optional<double> sigmaValue = Fortran_Real(sigma, sigmaDecimals, false);
            if (!sigmaValue || !(*sigmaValue > 0.0))
                Fail(fmt::format("sigma of {} ({})", axes[i], Column_Text(layout.sigmas[i])),
                     fmt::format("{} is not a positive number", Quoted(min_lumo_field::Trimmed(sigma))));
            member.sigmas[i] = *sigmaValue;
        }
        member.code = Field(text, layout.code).empty() ? ' ' : Field(text, layout.code).front();
        member.rejected = member.code != ' ' && std::string_view(rejectCodes).find(member.code) != std::string_view::npos;
        vector.session = std::string(min_lumo_field::Trimmed(Field(text, layout.session)));
        group_.push_back(std::move(member));
    }

    void Read_Elements(std::string_view text, bool correlations) {
        if (group_.empty()) Fail("", fmt::format("a {} record outside a group of vectors", correlations ? "D" : "E"));
        const std::size_t count = correlations ? correlationsPerRecord : covariancesPerRecord;
        const std::size_t width = correlations ? correlationWidth : covarianceWidth;
        const int decimals = correlations ? correlationDecimals : covarianceDecimals;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t first = 2 + k * (2 * indexWidth + width);
            const FieldSpan rowSpan{first, indexWidth}, columnSpan{first + indexWidth, indexWidth},
                valueSpan{first + 2 * indexWidth, width};
            const std::optional<int64_t> row = Fortran_Integer(Field(text, rowSpan), true);
            const std::optional<int64_t> column = Fortran_Integer(Field(text, columnSpan), true);
            const std::optional<double> value = Fortran_Real(Field(text, valueSpan), decimals, true);
            const std::string what = fmt::format("{} {} ({})", correlations ? "correlation" : "covariance", k + 1,
                                                 Column_Text({first, 2 * indexWidth + width}));
            if (!row || !column || !value)
                Fail(what, fmt::format("{} is not two indexes and a number",
                                       Quoted(Field(text, {first, 2 * indexWidth + width}))));
            // ADJUST reads an element with a zero index as none.
            if (*row == 0 || *column == 0) continue;
            if (*row == *column) Fail(what, fmt::format("relates element {} with itself", *row));
            if (*row < 0 || *column < 0) Fail(what, "an index is negative");
            if (correlations && std::fabs(*value) > 1.0) Fail(what, fmt::format("the correlation {} is beyond -1 to 1", *value));
            elements_.push_back({*row, *column, *value, correlations, line_});
        }
    }

    void Close_Group() {
        if (!inGroup_) return;
        inGroup_ = false;
        if (groupCount_ > 0 && static_cast<int64_t>(group_.size()) < groupCount_)
            throw VectorFileError(name_, groupLine_, fmt::format("vectors in the group ({})", Column_Text(groupCount)),
                                  fmt::format("the B record counts {} vector records, the group holds {}", groupCount_,
                                              group_.size()));
        const int64_t components = 3 * static_cast<int64_t>(group_.size());
        // Correlations first, each vector's own 3x3 block.
        std::vector<std::array<double, 3>> correlations(group_.size(), {0.0, 0.0, 0.0});
        std::vector<std::array<std::optional<double>, 3>> covariances(group_.size());
        for (const GroupElement& element : elements_) {
            if (element.row > components || element.column > components)
                throw VectorFileError(name_, element.line, "", fmt::format("an index beyond the group's {} components "
                                                                            "({} vectors)",
                                                                            components, group_.size()));
            const int64_t low = std::min(element.row, element.column) - 1, high = std::max(element.row, element.column) - 1;
            if (low / 3 != high / 3) {
                if (crossCorrelations_++ == 0) firstCrossLine_ = element.line;
                continue;
            }
            // Within a vector: 0-1 is XY, 0-2 XZ, 1-2 YZ.
            const std::size_t pair = static_cast<std::size_t>(low % 3 + high % 3 - 1);
            const std::size_t member = static_cast<std::size_t>(low / 3);
            if (element.correlation) correlations[member][pair] = element.value;
            else covariances[member][pair] = element.value;
        }
        for (std::size_t m = 0; m < group_.size(); ++m) {
            GroupVector& member = group_[m];
            const double* s = member.sigmas;
            member.vector.covariance = Covariance_From_Sigmas(s[0], s[1], s[2], correlations[m][0], correlations[m][1],
                                                              correlations[m][2]);
            if (covariances[m][0]) member.vector.covariance.xy = *covariances[m][0];
            if (covariances[m][1]) member.vector.covariance.xz = *covariances[m][1];
            if (covariances[m][2]) member.vector.covariance.yz = *covariances[m][2];
            if (member.rejected) {
                read_.warnings.push_back(min_lumo_field::Located(
                    name_, member.vector.line,
                    fmt::format("vector {} marked rejected ('{}'), left out", Vector_Name(member.vector), member.code)));
                continue;
            }
            Check_Vector(member.vector, {"from station", "to station", "dX", "dY", "dZ", "sigmas and correlations"});
            read_.vectors.push_back(std::move(member.vector));
        }
        group_.clear();
        elements_.clear();
    }

    const std::string& name_;
    std::vector<TextLine> lines_;
    std::map<int64_t, std::string> names_;
    int64_t line_ = 0;
    bool inGroup_ = false;
    int64_t groupLine_ = 0, groupCount_ = 0;
    double groupStart_ = 0.0, groupEnd_ = 0.0;
    std::vector<GroupVector> group_;
    std::vector<GroupElement> elements_;
    int64_t crossCorrelations_ = 0, firstCrossLine_ = 0;
    VectorFile read_;
};

std::string Minute_Text(double gpsSeconds, bool roundUp) {
    if (gpsSeconds == 0.0) return std::string(12, ' ');
    const double minutes = roundUp ? std::ceil(gpsSeconds / 60.0) : std::floor(gpsSeconds / 60.0);
    const min_lumo_field::CivilTime civil = min_lumo_field::Civil_Of_Seconds(static_cast<int64_t>(minutes) * 60);
    return fmt::format("{:04}{:02}{:02}{:02}{:02}", civil.year, civil.month, civil.day, civil.hour, civil.minute);
}

std::string Units_Field(double metres, std::size_t width, int64_t largest, const ProcessedVector& vector) {
    const double units = std::round(metres * unitsPerMetre);
    if (std::fabs(units) > static_cast<double>(largest))
        throw std::invalid_argument(fmt::format("vector {}: a component of {} m is too long for a G-file",
                                                Vector_Name(vector), metres));
    return fmt::format("{:>{}}", static_cast<int64_t>(units), width);
}

std::string Sigma_Field(double variance, const ProcessedVector& vector) {
    // ADJUST divides by the sigma: never write 0.
    const int64_t units = std::max<int64_t>(1, std::llround(std::sqrt(variance) * unitsPerMetre));
    if (units > largestSigmaUnits)
        throw std::invalid_argument(fmt::format("vector {}: a sigma of {} m is too large for a G-file (at most {} m)",
                                                Vector_Name(vector), std::sqrt(variance),
                                                static_cast<double>(largestSigmaUnits) / unitsPerMetre));
    return fmt::format("{:>5}", units);
}

}  // namespace

VectorFile Read_Gfile(const std::string& name, std::string_view bytes) { return GfileReader(name, bytes).Read(); }

std::string Gfile_Text(const std::vector<ProcessedVector>& vectors) {
    std::map<std::string, int64_t> serials;
    std::string text;
    for (const ProcessedVector& vector : vectors)
        for (const std::string* station : {&vector.from, &vector.to})
            if (serials.emplace(*station, static_cast<int64_t>(serials.size()) + 1).second) {
                if (static_cast<int64_t>(serials.size()) > largestSerial)
                    throw std::invalid_argument(fmt::format("more than {} stations: a G-file numbers stations in four "
                                                            "columns",
                                                            largestSerial));
                text += fmt::format("{}{:04} {}\n", stationLead, serials.size(), *station);
            }
    // Groups of one session and one time window, in order of appearance.
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::tuple<std::string, std::string, std::string>, std::size_t> groupOf;
    for (std::size_t i = 0; i < vectors.size(); ++i) {
        const ProcessedVector& v = vectors[i];
        if (v.session.size() > longestSession)
            throw std::invalid_argument(fmt::format("vector {}: the session name is longer than the {} characters a "
                                                    "G-file holds",
                                                    Vector_Name(v), longestSession));
        const auto key = std::make_tuple(v.session, Minute_Text(v.startGps, false), Minute_Text(v.endGps, true));
        auto found = groupOf.find(key);
        if (found == groupOf.end() || groups[found->second].size() == largestGroup) {
            groups.emplace_back();
            found = groupOf.insert_or_assign(key, groups.size() - 1).first;
        }
        groups[found->second].push_back(i);
    }
    for (const std::vector<std::size_t>& group : groups) {
        const ProcessedVector& first = vectors[group.front()];
        text += fmt::format("B{}{}{:>2}\n", Minute_Text(first.startGps, false), Minute_Text(first.endGps, true),
                            group.size());
        std::vector<std::string> correlations;
        for (std::size_t k = 0; k < group.size(); ++k) {
            const ProcessedVector& v = vectors[group[k]];
            const VectorCovariance& c = v.covariance;
            const bool wide = std::max({std::fabs(v.dX), std::fabs(v.dY), std::fabs(v.dZ)}) * unitsPerMetre
                              > static_cast<double>(largestCUnits);
            const std::size_t width = wide ? 13 : 11;
            const int64_t largest = wide ? largestFUnits : largestCUnits;
            std::string record = fmt::format("{}{:04}{:04}{}{}{}{}{}{}  {}", wide ? 'F' : 'C', serials[v.from], serials[v.to],
                                Units_Field(v.dX, width, largest, v), Sigma_Field(c.xx, v),
                                Units_Field(v.dY, width, largest, v), Sigma_Field(c.yy, v),
                                Units_Field(v.dZ, width, largest, v), Sigma_Field(c.zz, v), v.session);
            text += std::string(min_lumo_field::Trimmed(record)) + "\n";
            const int64_t base = 3 * static_cast<int64_t>(k);
            const double pairs[3][3] = {{1, 2, c.xy / std::sqrt(c.xx * c.yy)},
                                        {1, 3, c.xz / std::sqrt(c.xx * c.zz)},
                                        {2, 3, c.yz / std::sqrt(c.yy * c.zz)}};
            for (const auto& pair : pairs)
                correlations.push_back(fmt::format("{:>3}{:>3}{:>9}", base + static_cast<int64_t>(pair[0]),
                                                   base + static_cast<int64_t>(pair[1]),
                                                   std::llround(pair[2] * correlationUnits)));
        }
        for (std::size_t i = 0; i < correlations.size(); i += correlationsPerRecord) {
            text += 'D';
            for (std::size_t k = i; k < std::min(correlations.size(), i + correlationsPerRecord); ++k) text += correlations[k];
            text += '\n';
        }
    }
    return text;
}

}  // namespace min_lumo_vectors
