#include "protocol/data_analysis.h"

#include <array>
#include <string>
#include <string_view>

#include "protocol/number_format.h"
#include "protocol/protocol_file.h"
#include "protocol/statistics.h"

namespace zarudiv {

namespace {

// The labels carry their own leading and trailing blanks; they follow the
// numbers without a separator.

constexpr std::string_view kHeaderLabel =
    "### Datenanalyse VT (=Ziel) und VR (Rezent).  Integral- und Mittelwerte #####";
constexpr std::string_view kToleranceTitleVectors =
    "*Güteklassenhäufigkeit und Precision des Differenzvektors aus Target- und Recent-Vektor";
constexpr std::string_view kToleranceTitleGradients =
    "*Güteklassenhäufigkeit und Precision des Differenzvektors der Gradienten von Target- und "
    "RecentVektor ";
constexpr std::string_view kTolerancePrecisionLabel =
    "   spezifisch in [pph];  Precision = gewünschte pro möglichen Klassen-Objekten";
constexpr std::string_view kBandPrecisionLabel =
    "   spezifisch in [pph];  Precision = gewünschte zu möglichen Klassen-Objekten";
constexpr std::string_view kEndTitle = "*   Ende der Integral und Mittelwerte ";

// Labels of the nine lines of a statistics block; an empty `next` leaves the
// first line out.
struct BlockLabels {
    std::string_view next;
    std::string_view min;
    std::string_view max;
    std::string_view sumOfSquares;
    std::string_view variance;
    std::string_view stdDeviation;
    std::string_view absolute;
    std::string_view absoluteMin;
    std::string_view absoluteMax;
};

constexpr BlockLabels kDifferenceBlock{
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

constexpr BlockLabels kTargetGradientBlock{
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

constexpr BlockLabels kRecentGradientBlock{
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

constexpr BlockLabels kGradientDifferenceBlock{
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

constexpr BlockLabels kBasisBlock{
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

struct CountClass {
    double bound;
    std::string_view label;
};

// Tolerances in percent of the reference 100, so the bound is the value itself.
constexpr std::array<CountClass, 9> kToleranceClasses{{
    {50, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 50 = 50 pph "},
    {20, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 20 = 20 pph "},
    {10, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 10 = 10 pph "},
    {5, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse  5 =  5 pph "},
    {1, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse  1 =  1 pph "},
    {0.5, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 0.5 = 50 ppt "},
    {0.1, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 0.1 = 100 ppt"},
    {0.01, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 0.01 = 10 ppt "},
    {0.001, "   Toleranz erfüllt: Objekt=abs Differenzen, ToleranzKlasse 0.001 = 1 ppt "},
}};

// Half-widths of the bands around the expectation value 1.
constexpr std::array<CountClass, 6> kBandClasses{{
    {0.2,
     "   Toleranz erfüllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.2     = 20 pph "},
    {0.1,
     "   Toleranz erfüllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.1     = 10 pph "},
    {0.01,
     "   Toleranz erfüllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.01    =  1 pph "},
    {0.001,
     "   Toleranz erfüllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.001   =100 ppt "},
    {0.0001,
     "   Toleranz erfüllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.0001  = 10 ppt "},
    {0.00001,
     "   Toleranz erfüllt: Basisvector Erwartungswert = 1; ToleranzKlasse 0.00001 =  1 ppt "},
}};

constexpr double kToleranceReference = 100.0;
constexpr double kBandCentre = 1.0;

// Writes the report's lines and carries the current value d, which every
// value line shows.
class Report {
public:
    Report(ProtocolFile& file, int n, Generator& gen) : file_(file), n_(n), gen_(gen) {}

    void stars(int count)
    {
        for (int i = 0; i < count; ++i)
            line("*");
    }

    void title(std::string_view text) { line(text); }

    void value(std::string_view label) { line(FormatReal(d, 10, 10).append(label)); }

    // A count line and the precision line after it; both leave their number in d.
    void countAndPrecision(std::int32_t count, std::string_view countLabel,
                           std::string_view precisionLabel)
    {
        d = static_cast<double>(count);
        line(FormatReal(d, 10, 1).append(countLabel));
        d = static_cast<double>(100.0L * d / n_);
        line(FormatReal(d, 10, 10).append(precisionLabel));
    }

    // All n elements on one line; each element is its own write statement.
    void elements(const TVector& v)
    {
        for (int k = 1; k <= n_; ++k) {
            std::string text = "  ";
            text.append(FormatInteger(k, 10)).append("   ");
            text.append(FormatReal(v[k], 10, 10)).append("   ");
            statement(text);
        }
        file_.writeLineEnd();
        file_.check();
        flush();
    }

    void statisticsBlock(TVector& x, const BlockLabels& labels)
    {
        if (!labels.next.empty())
            value(labels.next);
        d = VectorMin(x);
        value(labels.min);
        d = VectorMax(x);
        value(labels.max);
        d = SumSquaredDeviations(x, gen_);
        value(labels.sumOfSquares);
        d = Variance(x);
        value(labels.variance);
        d = StdDeviation(x);
        value(labels.stdDeviation);
        d = AbsVector(x);
        value(labels.absolute);
        d = VectorMin(x);
        value(labels.absoluteMin);
        d = VectorMax(x);
        value(labels.absoluteMax);
    }

    void toleranceClasses(const TVector& differences)
    {
        for (const CountClass& c : kToleranceClasses)
            countAndPrecision(CountWithinTolerance(differences, kToleranceReference, c.bound),
                              c.label, kTolerancePrecisionLabel);
    }

    void bandClasses(const TVector& basis)
    {
        for (const CountClass& c : kBandClasses)
            countAndPrecision(CountInBand(basis, kBandCentre, c.bound), c.label,
                              kBandPrecisionLabel);
    }

    double d = 0.0;

private:
    // One write statement: its text goes to the file in one piece and is
    // flushed, so a reader of the file sees the report grow statement by
    // statement.
    void statement(std::string_view text)
    {
        file_.write(text);
        file_.check();
        flush();
    }

    void line(std::string_view text)
    {
        file_.write(text);
        file_.writeLineEnd();
        file_.check();
        flush();
    }

    void flush()
    {
        file_.flush();
        file_.check();
    }

    ProtocolFile& file_;
    int n_;
    Generator& gen_;
};

}  // namespace

void WriteDataAnalysis(ProtocolFile& file, TVector T, TVector R, Generator& gen)
{
    const int n = VectorCount(T);
    // The recent vector is read with the target's count.
    R[0] = T[0];

    TVector D;
    TVector gT;
    TVector gR;
    TVector B;
    MakeVector(n, D, gen);

    Report report(file, n, gen);
    report.stars(1);
    report.value(kHeaderLabel);
    report.stars(7);
    report.title("Target-Vector");
    report.elements(T);
    report.stars(7);
    report.title("Recent-Vector");
    report.elements(R);
    report.stars(5);

    DifferenceVector(T, R, D);
    report.statisticsBlock(D, kDifferenceBlock);
    report.d = 0.0;
    report.value("   next: Objekt=abs Differenzen; Toleranzklassen um Erwartungswert ");
    report.stars(6);
    report.title("Differenzen-Vector");
    report.elements(D);
    report.stars(5);
    report.title(kToleranceTitleVectors);
    report.toleranceClasses(D);
    report.stars(6);

    MakeVector(n, gT, gen);
    GradientVector(T, gT, gen);
    report.stars(1);
    report.statisticsBlock(gT, kTargetGradientBlock);
    report.stars(6);

    MakeVector(n, gR, gen);
    GradientVector(R, gR, gen);
    report.stars(1);
    report.statisticsBlock(gR, kRecentGradientBlock);
    report.stars(7);
    report.title("Target-Gradient-Vector");
    report.elements(gT);
    report.stars(7);
    report.title("Recent-Gradient-Vector");
    report.elements(gR);
    report.stars(6);

    // Both gradients hold their absolute values by now.
    report.d = 0.0;
    DifferenceVector(gT, gR, D);
    report.statisticsBlock(D, kGradientDifferenceBlock);
    report.stars(5);
    report.title(kToleranceTitleGradients);
    report.toleranceClasses(D);
    report.stars(3);

    BasisVector(T, R, B, gen);
    report.title("Basis-Vector");
    report.elements(B);
    report.stars(6);
    report.d = 0.0;
    report.statisticsBlock(B, kBasisBlock);
    report.d = 0.0;
    report.value("   Toleranzklassen um Erwartungswert ");
    report.bandClasses(B);
    report.stars(6);
    report.title(kEndTitle);
}

}  // namespace zarudiv
