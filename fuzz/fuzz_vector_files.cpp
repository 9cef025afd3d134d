// Fuzz target for the readers of vector exchange files and control
// coordinates: the input is the contents of a file, read by the reader that
// its content chooses and by every reader directly.  Nothing may crash; the
// only exception a reader may throw is VectorFileError, naming the file;
// every vector read must be one the adjustment can use (two different
// stations, finite components, a positive definite covariance); and what
// was read, written as CSV or JSON, must read back to the same numbers, and
// as a G-file or GaMa XML must read back or be refused cleanly.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tool/vectors/vector_files.h"

namespace {

using namespace min_lumo_vectors;

const std::string fileName = "fuzz.vectors";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_vector_files: %s\n", what.c_str());
    std::abort();
}

void Check_Error(const VectorFileError& error) {
    if (std::string(error.what()).rfind(fileName + ":", 0) != 0 || error.file != fileName || error.reason.empty())
        Fail(std::string("an error that does not name the file: ") + error.what());
}

void Check_Vector(const ProcessedVector& v) {
    if (v.from.empty() || v.to.empty() || v.from == v.to) Fail("a vector without two different stations");
    if (!std::isfinite(v.dX) || !std::isfinite(v.dY) || !std::isfinite(v.dZ)) Fail("a component not finite");
    const VectorCovariance& c = v.covariance;
    if (!(c.xx > 0.0 && c.yy > 0.0 && c.zz > 0.0)) Fail("a variance not positive");
    const double minor = c.xx * c.yy - c.xy * c.xy;
    const double determinant = c.xx * (c.yy * c.zz - c.yz * c.yz) - c.xy * (c.xy * c.zz - c.yz * c.xz)
                               + c.xz * (c.xy * c.yz - c.yy * c.xz);
    if (!(minor > 0.0) || !(determinant > 0.0)) Fail("a covariance that is not positive definite");
    if (v.file != fileName || v.line < 0) Fail("a vector that does not say where it was read");
}

void Check_Same(const std::vector<ProcessedVector>& a, const std::vector<ProcessedVector>& b, const char* format) {
    if (a.size() != b.size()) Fail(std::string(format) + " read back a different number of vectors");
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto differ = [&](const char* what) {
            Fail(std::string(format) + " read back a different " + what + " of vector " + std::to_string(i));
        };
        if (a[i].from != b[i].from || a[i].to != b[i].to) differ("station");
        if (a[i].session != b[i].session) differ("session");
        if (a[i].dX != b[i].dX || a[i].dY != b[i].dY || a[i].dZ != b[i].dZ) differ("component");
        if (a[i].covariance.xy != b[i].covariance.xy || a[i].covariance.zz != b[i].covariance.zz) differ("covariance");
        if (a[i].startGps != b[i].startGps || a[i].endGps != b[i].endGps) differ("time");
    }
}

void Write_And_Read(const std::vector<ProcessedVector>& vectors) {
    if (vectors.empty()) return;
    try {
        Check_Same(vectors, Read_Vectors_Csv(fileName, Vectors_Csv_Text(vectors)).vectors, "CSV");
    } catch (const std::invalid_argument&) {
        // A name or label with a comma: the CSV cannot hold it, and says so.
    }
    Check_Same(vectors, Read_Vectors_Json(fileName, Vectors_Json_Text(vectors)).vectors, "JSON");
    for (std::string (*write)(const std::vector<ProcessedVector>&) :
         {&Gfile_Text, +[](const std::vector<ProcessedVector>& v) { return Gama_Xml_Text(v); }}) {
        try {
            for (const ProcessedVector& vector : Read_Vectors_From_Memory(fileName, write(vectors)).vectors)
                Check_Vector(vector);
        } catch (const std::invalid_argument&) {
            // What the format cannot hold (a long session, a huge sigma).
        } catch (const VectorFileError& error) {
            // Rounding to the format's precision may leave a covariance singular.
            Check_Error(error);
        }
    }
}

template <typename Reader> void Try(Reader read) {
    try {
        const VectorFile file = read();
        for (const ProcessedVector& vector : file.vectors) Check_Vector(vector);
        for (const std::string& warning : file.warnings)
            if (warning.rfind(fileName + ":", 0) != 0) Fail("a warning that does not name the file: " + warning);
        Write_And_Read(file.vectors);
    } catch (const VectorFileError& error) {
        Check_Error(error);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Try([&] { return Read_Vectors_From_Memory(fileName, bytes); });
    Try([&] { return Read_Vectors_Csv(fileName, bytes); });
    Try([&] { return Read_Vectors_Json(fileName, bytes); });
    Try([&] { return Read_Gfile(fileName, bytes); });
    Try([&] { return Read_Gama_Xml(fileName, bytes); });
    try {
        for (const ControlCoordinate& control : Read_Control_Coordinates_From_Memory(fileName, bytes)) {
            if (!std::isfinite(control.position.x) || !std::isfinite(control.position.z) || control.station.empty())
                Fail("a control without a finite position or a name");
            Read_Control_Coordinates_From_Memory(fileName, Control_Coordinates_Csv_Text({control}));
        }
    } catch (const VectorFileError& error) {
        Check_Error(error);
    }
    return 0;
}
