#pragma once
// The series' pictures, drawn for people to read: antialiased, with labelled
// axes, a legend, and a palette that keeps a dozen settings apart. Each
// setting has the same colour in both pictures. Needs a QGuiApplication for
// the fonts.

#include <QImage>
#include <string>
#include <vector>

#include "series/convergence.h"
#include "series/series_summary.h"

namespace zarudiv {

// A setting's colour: its position in the plan picks it; the palette repeats
// after twelve, the lines then dashed.
struct SettingStyle {
    unsigned colour = 0;  // 0xRRGGBB
    bool dashed = false;
};
SettingStyle StyleOf(std::size_t planIndex);

// The median best Q per generation of every setting, with the band between
// the quartiles. styles[i] belongs to curves[i].
QImage DrawConvergence(const std::vector<ConvergenceCurve>& curves,
                       const std::vector<SettingStyle>& styles, std::size_t runs);
// The final Q of every setting as box plots, in the order given.
QImage DrawFinalQ(const std::vector<SettingSummary>& summaries,
                  const std::vector<SettingStyle>& styles);

// Both pictures from the database, as DIR/convergence.png and
// DIR/final-q.png. Returns an error text naming the file, or "".
std::string WriteSummaryPlots(const std::string& dir, SeriesStore& store, const SeriesPlan& plan,
                              const std::vector<SettingSummary>& summaries);

}  // namespace zarudiv
