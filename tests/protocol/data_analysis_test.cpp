#include "protocol/data_analysis.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "evolution/fpu.h"
#include "protocol/protocol_file.h"

namespace zarudiv {
namespace {

// Expected texts are written here in the file's own encoding, Windows-1252:
// \xE4 is "ä", \xF6 "ö", \xFC "ü".

const std::string kHeader =
    "### Datenanalyse VT (=Ziel) und VR (Rezent).  Integral- und Mittelwerte #####";
const std::string kTolTitle1 =
    "*G\xFCteklassenh\xE4ufigkeit und Precision des Differenzvektors aus Target- und Recent-Vektor";
const std::string kTolTitle2 =
    "*G\xFCteklassenh\xE4ufigkeit und Precision des Differenzvektors der Gradienten von Target- "
    "und RecentVektor ";
const std::string kTolPrecision =
    "   spezifisch in [pph];  Precision = gew\xFCnschte pro m\xF6glichen Klassen-Objekten";
const std::string kBandPrecision =
    "   spezifisch in [pph];  Precision = gew\xFCnschte zu m\xF6glichen Klassen-Objekten";
const std::string kEnd = "*   Ende der Integral und Mittelwerte ";

const std::array<std::string, 9> kTolLabels{
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 50 = 50 pph ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 20 = 20 pph ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 10 = 10 pph ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse  5 =  5 pph ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse  1 =  1 pph ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 0.5 = 50 ppt ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 0.1 = 100 ppt",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 0.01 = 10 ppt ",
    "   Toleranz erf\xFCllt: Objekt=abs Differenzen, ToleranzKlasse 0.001 = 1 ppt ",
};

const std::array<std::string, 6> kBandLabels{
    "   Toleranz erf\xFCllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.2     = 20 pph ",
    "   Toleranz erf\xFCllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.1     = 10 pph ",
    "   Toleranz erf\xFCllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.01    =  1 pph ",
    "   Toleranz erf\xFCllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.001   =100 ppt ",
    "   Toleranz erf\xFCllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.0001  = 10 ppt ",
    "   Toleranz erf\xFCllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.00001 =  1 ppt ",
};

// Labels of the nine block lines; an empty first label means the block
// starts at its second line.
using BlockLabels = std::array<std::string, 9>;

const BlockLabels kBlock1{
    "   next: Vektor der Differenzen von vT und vR ",
    "   minWert der relativen Differenzen von vT und vR ",
    "   maxWert der relativen Differenzen von vT und vR ",
    "   Summe der FehlerQuadrate der Differenzen von vT und vR ",
    "   Varianz der Differenzen von vT und vR ",
    "   StandardAbweichung der Differenzen von vT und vR ",
    "   absolute Differenzen von vT und vR ",
    "   minWert der absoluten Differenzen von vT und vR ",
    "   maxWert der absoluten Differenzen von vT und vR ",
};
const BlockLabels kBlock2{
    "",
    "   minWert des relativen Gradienten von vT  ",
    "   maxWert des relativen Gradienten von vT ",
    "   Summe der FehlerQuadrate des Gradienten von vT  ",
    "   Varianz des Gradienten von vT und vR ",
    "   StandardAbweichung des Gradienten von vT  ",
    "   absoluter Gradient von vT und vR ",
    "   minWert des absoluten Gradienten von vT ",
    "   maxWert des absoluten Gradienten von vT ",
};
const BlockLabels kBlock3{
    "",
    "   minWert des relativen Gradienten von vR ",
    "   maxWert des relativen Gradienten von vR ",
    "   Summe der FehlerQuadrate des Gradienten von vR ",
    "   Varianz des Gradienten von vR ",
    "   StandardAbweichung des Gradienten von vR ",
    "   absoluter Gradient von vR ",
    "   minWert des absoluten Gradienten von vR ",
    "   maxWert des absoluten Gradienten von vR ",
};
const BlockLabels kBlock4{
    "   next: Vektor der Differenzen von gT und gR ",
    "   minWert der relativen Differenzen von gT und gR ",
    "   maxWert der relativen Differenzen von gT und gR ",
    "   Summe der FehlerQuadrate der Differenzen von gT und gR ",
    "   Varianz der Differenzen von gT und gR ",
    "   StandardAbweichung der Differenzen von gT und gR ",
    "   absolute Differenzen von gT und gR ",
    "   minWert der absoluten Differenzen von gT und gR ",
    "   maxWert der absoluten Differenzen von gT und gR ",
};
const BlockLabels kBlock5{
    "   next: Basisvector von vR zu vT ",
    "   minWert des Basisvector von vR zu vT ",
    "   maxWert des Basisvector von vR zu vT",
    "   Summe der FehlerQuadrate des Basisvector von vR zu vT  ",
    "   Varianz des Basisvector von vR zu vT",
    "   StandardAbweichung des Basisvector von vR zu vT ",
    "   absolute Differenzen des Basisvector von vR zu vT  ",
    "   minWert der absoluten Differenzen des Basisvector von vR zu vT ",
    "   maxWert der absoluten Differenzen des Basisvector von vR zu vT ",
};

const std::set<std::string> kTitles{"Target-Vector",          "Recent-Vector",
                                    "Differenzen-Vector",     kTolTitle1,
                                    "Target-Gradient-Vector", "Recent-Gradient-Vector",
                                    kTolTitle2,               "Basis-Vector",
                                    kEnd};

// The campaign's target: blocks of 100 at 1-5, 8-10 and 13-15.
const std::array<int, 20> kTarget{100, 100, 100, 100, 100, 0, 0, 100, 100, 100,
                                  0,   0,   100, 100, 100, 0, 0, 0,   0,   0};

TVector Vec(const std::vector<long double>& values)
{
    TVector v;
    v[0] = static_cast<long double>(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        v[static_cast<int>(i) + 1] = values[i];
    return v;
}

TVector CampaignTarget()
{
    std::vector<long double> values(kTarget.begin(), kTarget.end());
    return Vec(values);
}

// One element field: two blanks, k right-aligned in ten, three blanks, the
// value text, three blanks.
std::string ElementField(int k, const std::string& valueText)
{
    const std::string index = std::to_string(k);
    return "  " + std::string(10 - index.size(), ' ') + index + "   " + valueText + "   ";
}

std::string ElementLine(const std::vector<std::string>& valueTexts)
{
    std::string line;
    for (std::size_t i = 0; i < valueTexts.size(); ++i)
        line += ElementField(static_cast<int>(i) + 1, valueTexts[i]);
    return line;
}

std::vector<std::string> SplitCrlfLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text after the last line end";
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class DataAnalysisTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareFpu();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zarudiv-report-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "report.doc").string();
    }

    void TearDown() override
    {
        ClearFpuFaults();
        std::filesystem::remove_all(dir_);
    }

    // Writes the report into a fresh file and returns the file's bytes. A
    // fault is rethrown after the file is closed, with its bytes in `bytes_`.
    std::string Report(const TVector& T, const TVector& R, Generator& gen)
    {
        ProtocolFile file;
        file.open(path_);
        file.check();
        try {
            WriteDataAnalysis(file, T, R, gen);
        } catch (...) {
            file.close();
            bytes_ = ReadFile();
            throw;
        }
        file.close();
        file.check();
        return ReadFile();
    }

    std::string ReadFile() const
    {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
    std::string path_;
    std::string bytes_;
};

// Builds the expected report line by line.
class ExpectedReport {
public:
    void Stars(int count)
    {
        for (int i = 0; i < count; ++i)
            lines.push_back("*");
    }
    void Line(const std::string& text) { lines.push_back(text); }
    void Block(const BlockLabels& labels, const std::array<std::string, 9>& values)
    {
        for (std::size_t i = 0; i < 9; ++i)
            if (!labels[i].empty())
                lines.push_back(values[i] + labels[i]);
    }
    void Classes(const std::string& countText, const std::string& precisionText,
                 std::span<const std::string> labels, const std::string& precisionLabel)
    {
        for (const std::string& label : labels) {
            lines.push_back(countText + label);
            lines.push_back(precisionText + precisionLabel);
        }
    }

    std::vector<std::string> lines;
};

TEST_F(DataAnalysisTest, RecentEqualToTargetGivesTheKnownReport)
{
    // With R = T every difference is 0 and every ratio 1 (or 0 where T is 0).
    // The scaled target jumps between 0 and 100 (the 1e-15 term of the
    // scaling stays below a double's resolution), the element width is
    // 100 / 20 = 5, so the target's gradient is +-20 at the block edges:
    // 0,0,0,0,20,0,-20,0,0,20,0,-20,0,0,20,0,0,0,0,0 (the last repeats the
    // 19th). Its mean is 20 / 20 = 1, the squared deviations are 3 x 19^2 +
    // 2 x 21^2 + 15 x 1 = 1980, the variance 99, the deviation sqrt(99) =
    // 9.94987437106... The basis vector holds 11 ones and 9 zeros: mean 0.55,
    // squares 11 x 0.45^2 + 9 x 0.55^2 = 4.95, variance 0.2475, deviation
    // 0.49749371855...
    const std::string zero = "0.0000000000";
    const std::string hundred = "100.0000000000";
    const std::string twenty = "20.0000000000";
    const std::string one = "1.0000000000";

    std::vector<std::string> target;
    std::vector<std::string> zeros(20, zero);
    std::vector<std::string> gradient(20, zero);
    std::vector<std::string> basis;
    for (int value : kTarget) {
        target.push_back(value == 100 ? hundred : zero);
        basis.push_back(value == 100 ? one : zero);
    }
    for (int k : {5, 7, 10, 12, 15})
        gradient[static_cast<std::size_t>(k - 1)] = twenty;  // absolute values when listed

    const std::array<std::string, 9> zeroBlock{zero, zero, zero, zero, zero,
                                               zero, zero, zero, zero};
    const std::array<std::string, 9> gradientBlock{
        "", "-20.0000000000", twenty, "1980.0000000000", "99.0000000000", "9.9498743711",
        zero, zero, twenty};
    const std::array<std::string, 9> basisBlock{zero,           zero, one,  "4.9500000000",
                                                "0.2475000000", "0.4974937186", zero, zero,
                                                one};

    ExpectedReport e;
    e.Stars(1);
    e.Line(zero + kHeader);
    e.Stars(7);
    e.Line("Target-Vector");
    e.Line(ElementLine(target));
    e.Stars(7);
    e.Line("Recent-Vector");
    e.Line(ElementLine(target));
    e.Stars(5);
    e.Block(kBlock1, zeroBlock);
    e.Line(zero + "   next: Objekt=abs Differenzen; Toleranzklassen um Erwartungswert ");
    e.Stars(6);
    e.Line("Differenzen-Vector");
    e.Line(ElementLine(zeros));
    e.Stars(5);
    e.Line(kTolTitle1);
    e.Classes("      20.0", hundred, kTolLabels, kTolPrecision);
    e.Stars(6);
    e.Stars(1);
    e.Block(kBlock2, gradientBlock);
    e.Stars(6);
    e.Stars(1);
    e.Block(kBlock3, gradientBlock);
    e.Stars(7);
    e.Line("Target-Gradient-Vector");
    e.Line(ElementLine(gradient));
    e.Stars(7);
    e.Line("Recent-Gradient-Vector");
    e.Line(ElementLine(gradient));
    e.Stars(6);
    e.Block(kBlock4, zeroBlock);
    e.Stars(5);
    e.Line(kTolTitle2);
    e.Classes("      20.0", hundred, kTolLabels, kTolPrecision);
    e.Stars(3);
    e.Line("Basis-Vector");
    e.Line(ElementLine(basis));
    e.Stars(6);
    e.Block(kBlock5, basisBlock);
    e.Line(zero + "   Toleranzklassen um Erwartungswert ");
    e.Classes("      11.0", "55.0000000000", kBandLabels,
              kBandPrecision);
    e.Stars(6);
    e.Line(kEnd);
    ASSERT_EQ(e.lines.size(), 194u);

    std::string expected;
    for (const std::string& line : e.lines)
        expected += line + "\r\n";

    Generator gen(2024);
    const TVector T = CampaignTarget();
    const std::string bytes = Report(T, T, gen);
    const std::vector<std::string> lines = SplitCrlfLines(bytes);
    ASSERT_EQ(lines.size(), 194u);
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], e.lines[i]) << "line " << i + 1;
    EXPECT_EQ(bytes, expected);
}

TEST_F(DataAnalysisTest, EveryLineEndIsCrLfAndOnlyTheUmlautsAreNonAscii)
{
    Generator gen(5);
    const std::string bytes = Report(CampaignTarget(), CampaignTarget(), gen);
    std::size_t crlf = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r') {
            ASSERT_LT(i + 1, bytes.size());
            EXPECT_EQ(bytes[i + 1], '\n') << "at byte " << i;
            ++crlf;
        } else if (byte == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        } else if (byte >= 0x80) {
            EXPECT_TRUE(byte == 0xE4 || byte == 0xF6 || byte == 0xFC)
                << "byte " << std::hex << static_cast<int>(byte) << " at " << std::dec << i;
        }
    }
    EXPECT_EQ(crlf, 194u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

// The start of every element line: two blanks, index 1 in a field of ten,
// three blanks.
const std::string kFirstElement = std::string(11, ' ') + "1   ";

// Sorts every line into its form and counts the forms.
struct FormCounts {
    int star = 0;
    int title = 0;
    int element = 0;
    int value = 0;
    int countOrPrecision = 0;
    int unknown = 0;
};

FormCounts CountForms(const std::vector<std::string>& lines)
{
    static const std::regex countLine(R"(^ *-?\d+\.\d   Toleranz erf.llt: .*)");
    static const std::regex precisionLine(R"(^ *-?\d+\.\d{10}   spezifisch in \[pph\];.*)");
    static const std::regex valueLine(R"(^ *-?\d+\.\d{10}(###|   ).*)");
    FormCounts counts;
    for (const std::string& line : lines) {
        if (line == "*")
            ++counts.star;
        else if (kTitles.count(line) != 0)
            ++counts.title;
        else if (line.rfind(kFirstElement, 0) == 0)
            ++counts.element;
        else if (std::regex_match(line, countLine) || std::regex_match(line, precisionLine))
            ++counts.countOrPrecision;
        else if (std::regex_match(line, valueLine))
            ++counts.value;
        else
            ++counts.unknown;
    }
    return counts;
}

TEST_F(DataAnalysisTest, SameLineFormsForEveryLength)
{
    for (int n : {1, 2, 3, 7, 20, 100}) {
        SCOPED_TRACE("n = " + std::to_string(n));
        TVector T;
        TVector R;
        T[0] = n;
        R[0] = n;
        for (int k = 1; k <= n; ++k) {
            T[k] = (k % 3 == 0) ? 0.0L : 5.0L * k;
            R[k] = 5.0L * k + 0.25L * (k % 4);
        }
        Generator gen(99);
        const std::vector<std::string> lines = SplitCrlfLines(Report(T, R, gen));
        ASSERT_EQ(lines.size(), 194u);
        EXPECT_EQ(lines.front(), "*");
        EXPECT_EQ(lines.back(), kEnd);
        EXPECT_EQ(lines[1], "0.0000000000" + kHeader);

        const FormCounts counts = CountForms(lines);
        EXPECT_EQ(counts.star, 85);
        EXPECT_EQ(counts.title, 9);
        EXPECT_EQ(counts.element, 6);
        EXPECT_EQ(counts.value, 46);
        EXPECT_EQ(counts.countOrPrecision, 48);
        EXPECT_EQ(counts.unknown, 0);

        // Each element line lists the indices 1..n, each followed by a value
        // with ten decimals.
        static const std::regex valueText(R"(-?\d+\.\d{10})");
        for (const std::string& line : lines) {
            if (line.rfind(kFirstElement, 0) != 0)
                continue;
            std::istringstream fields(line);
            std::string index;
            std::string value;
            int k = 0;
            while (fields >> index >> value) {
                ++k;
                EXPECT_EQ(index, std::to_string(k));
                EXPECT_TRUE(std::regex_match(value, valueText)) << value;
            }
            EXPECT_EQ(k, n);
            EXPECT_EQ(line.substr(line.size() - 3), "   ");
        }

        // Twice n for D, gT and gR, 2n inside the gradients, 5n for the sums of
        // squares, n for the basis vector.
        EXPECT_EQ(gen.draws, static_cast<std::uint64_t>(11 * n));
    }
}

TEST_F(DataAnalysisTest, CountOfZeroAndItsPrecision)
{
    // |T - R| = 60 everywhere: more than every tolerance class. The ratios
    // are 100 / 160 = 0.625 and 0: outside every band around 1. (R has the
    // shape of T, so the gradients agree and the second tolerance step, on
    // their difference, counts all 20.)
    TVector T = CampaignTarget();
    TVector R = T;
    for (int k = 1; k <= 20; ++k)
        R[k] += 60;
    Generator gen(11);
    const std::vector<std::string> lines = SplitCrlfLines(Report(T, R, gen));
    ASSERT_EQ(lines.size(), 194u);

    int countLines = 0;
    int fullCounts = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const bool tolerance = lines[i].find("Objekt=abs Differenzen, ToleranzKlasse") !=
                               std::string::npos;
        const bool band = lines[i].find("Basisvector Erwartungswert") != std::string::npos;
        if (!tolerance && !band)
            continue;
        if (tolerance && i > 100) {
            EXPECT_EQ(lines[i].substr(0, 10), "      20.0") << lines[i];
            ++fullCounts;
            continue;
        }
        ++countLines;
        EXPECT_EQ(lines[i].substr(0, 10), "       0.0") << lines[i];
        EXPECT_EQ(lines[i + 1], "0.0000000000" + (tolerance ? kTolPrecision : kBandPrecision));
    }
    EXPECT_EQ(countLines, 15);
    EXPECT_EQ(fullCounts, 9);
    // The block of the first step lists T - R = -60 before its absolute values.
    EXPECT_EQ(lines[26], "-60.0000000000" + kBlock1[1]);
    EXPECT_EQ(lines[32], "60.0000000000" + kBlock1[7]);
}

TEST_F(DataAnalysisTest, ToleranceBoundIsInclusiveInTheReport)
{
    // One difference of exactly 10 (the rest 0): inside the classes 50, 20
    // and 10, outside from 5 on, so 19 of 20 (95 pph) there. Its ratio
    // 100 / 90 = 1.11 lies in the band 0.2 but not in 0.1.
    TVector T = CampaignTarget();
    TVector R = T;
    R[1] = 90;
    Generator gen(11);
    const std::vector<std::string> lines = SplitCrlfLines(Report(T, R, gen));
    ASSERT_EQ(lines.size(), 194u);

    const std::size_t firstTolerance = 49;  // 0-based index of the class-50 count line
    ASSERT_EQ(lines[firstTolerance - 1], kTolTitle1);
    for (std::size_t c = 0; c < kTolLabels.size(); ++c) {
        const bool inside = c < 3;
        EXPECT_EQ(lines[firstTolerance + 2 * c],
                  (inside ? "      20.0" : "      19.0") + kTolLabels[c]);
        EXPECT_EQ(lines[firstTolerance + 2 * c + 1],
                  (inside ? "100.0000000000" : "95.0000000000") + kTolPrecision);
    }

    // Block 1 on D = (10, 0, ..., 0): mean 0.5, squares 9.5^2 + 19 x 0.25 = 95,
    // variance 4.75, deviation 2.17944947177...
    EXPECT_EQ(lines[25], "0.0000000000" + kBlock1[0]);
    EXPECT_EQ(lines[26], "0.0000000000" + kBlock1[1]);
    EXPECT_EQ(lines[27], "10.0000000000" + kBlock1[2]);
    EXPECT_EQ(lines[28], "95.0000000000" + kBlock1[3]);
    EXPECT_EQ(lines[29], "4.7500000000" + kBlock1[4]);
    EXPECT_EQ(lines[30], "2.1794494718" + kBlock1[5]);

    const std::size_t firstBand = 175;
    ASSERT_EQ(lines[firstBand - 1], "0.0000000000   Toleranzklassen um Erwartungswert ");
    EXPECT_EQ(lines[firstBand], "      11.0" + kBandLabels[0]);
    EXPECT_EQ(lines[firstBand + 1], "55.0000000000" + kBandPrecision);
    EXPECT_EQ(lines[firstBand + 2], "      10.0" + kBandLabels[1]);
    EXPECT_EQ(lines[firstBand + 3], "50.0000000000" + kBandPrecision);
}

TEST_F(DataAnalysisTest, ZeroRecentUnderNonZeroTargetStopsBeforeTheBasisVector)
{
    // R[4] = 0 under T[4] = 100: the basis vector divides by zero. Everything
    // up to the three stars before its title is in the file.
    const TVector T = CampaignTarget();
    TVector R = T;
    R[4] = 0;
    Generator gen(8);
    try {
        Report(T, R, gen);
        FAIL() << "no fault";
    } catch (const FloatingPointFault& fault) {
        EXPECT_EQ(fault.kind(), FloatingPointFault::Kind::DivisionByZero);
        EXPECT_STREQ(fault.what(), "Gleitkommadivision durch Null");
    }
    const std::vector<std::string> lines = SplitCrlfLines(bytes_);
    ASSERT_EQ(lines.size(), 157u);
    EXPECT_EQ(lines[135], kTolTitle2);
    EXPECT_NE(lines[152].find(kTolLabels[8]), std::string::npos);
    ASSERT_GT(lines[153].size(), kTolPrecision.size());
    EXPECT_EQ(lines[153].substr(lines[153].size() - kTolPrecision.size()), kTolPrecision);
    EXPECT_EQ(lines[154], "*");
    EXPECT_EQ(lines[155], "*");
    EXPECT_EQ(lines[156], "*");
    // The basis vector had made its vector (n draws) when it faulted; the
    // fifth sum of squares never ran.
    EXPECT_EQ(gen.draws, 10u * 20u);
}

TEST_F(DataAnalysisTest, ZeroOverZeroIsNoFault)
{
    // Both vectors 0 at the gaps: those ratios are 0, not a fault.
    const TVector T = CampaignTarget();
    Generator gen(8);
    EXPECT_NO_THROW(Report(T, T, gen));
}

}  // namespace
}  // namespace zarudiv
