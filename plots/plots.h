#pragma once
// Everything the window and the runner need of the plots.

#include "arrow_head.h"
#include "canvas.h"
#include "canvas_display.h"
#include "canvas_font.h"
#include "clear_image.h"
#include "diffusion_law_plot.h"
#include "plot_buffer.h"
#include "plot_quality.h"
#include "scale_for_plot.h"
#include "spectrum_plot.h"
#include "vector_plot.h"
