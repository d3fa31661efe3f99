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

// At most this many settings get a convergence curve: twelve colours, solid
// and dashed, tell no more apart, and a longer legend cannot be read. It
// also bounds the curves held at once (each up to 1000 points), whatever the
// number of settings.
inline constexpr std::size_t kMaxCurves = 24;

// The settings that get a curve, in the plan's order: every setting when
// there are no more than kMaxCurves, else the kMaxCurves best (summaries
// come best first, as SummariseSeries gives them).
std::vector<Setting> CurveSettings(const SeriesPlan& plan,
                                   const std::vector<SettingSummary>& summaries);

// The median best Q per generation of each setting given, with the band
// between the quartiles; styles[i] belongs to curves[i]. settings: how many
// the plan has, so that the picture says when only the best are drawn.
QImage DrawConvergence(const std::vector<ConvergenceCurve>& curves,
                       const std::vector<SettingStyle>& styles, std::size_t runs,
                       std::size_t settings);
// The final Q of every setting as box plots, in the order given. Settings
// without a curve are grey (greyed: how many).
QImage DrawFinalQ(const std::vector<SettingSummary>& summaries,
                  const std::vector<SettingStyle>& styles, std::size_t greyed);

inline constexpr const char* kConvergencePicture = "convergence.png";
inline constexpr const char* kFinalQPicture = "final-q.png";

// Both pictures from the database, as DIR/convergence.png and
// DIR/final-q.png. Returns an error text naming the file, or "".
std::string WriteSummaryPlots(const std::string& dir, SeriesStore& store, const SeriesPlan& plan,
                              const std::vector<SettingSummary>& summaries);

}  // namespace zarudiv
