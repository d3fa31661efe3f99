#include "plots/plot_buffer.h"

namespace zarudiv {

TVector PlotBuffer;

}  // namespace zarudiv
