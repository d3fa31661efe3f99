#pragma once
// The report's three kinds of picture, each drawn onto a painter of
// kChartWidth x kChartHeight.

#include <QPainter>
#include <cstddef>
#include <vector>

#include "analysis/curves.h"
#include "analysis/series_data.h"
#include "analysis/setting_view.h"
#include "analysis_plots/chart.h"

namespace zarudiv {

// The median best Q of each drawn setting against generations or
// evaluations (logarithmic), the band between the quartiles around it.
// styles[i] belongs to bands[i].
void DrawConvergenceChart(QPainter& painter, const SeriesData& data,
                          const std::vector<ConvergenceBand>& bands,
                          const std::vector<ChartStyle>& styles, XAxis axis);

// The values of a view as box plots, best settings left; styles[i] belongs
// to view.rows[i] (grey for the settings without a curve).
void DrawBoxChart(QPainter& painter, const SeriesData& data, const SettingView& view,
                  const std::vector<ChartStyle>& styles);

// For each drawn setting, the fraction of (run, target) pairs reached
// against evaluations (logarithmic).
void DrawEcdfChart(QPainter& painter, const SeriesData& data, const std::vector<EcdfCurve>& curves,
                   const std::vector<ChartStyle>& styles, const std::vector<double>& targets);

}  // namespace zarudiv
