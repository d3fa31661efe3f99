#pragma once
// The data-analysis report at the end of a saved campaign: 194 lines that
// compare the target vector with the best evolved (recent) vector.

#include "evolution/random_source.h"
#include "evolution/tvector.h"

namespace zarudiv {

class ProtocolFile;

// Appends the report to the open protocol file. n is the target's count; the
// recent vector is listed and processed with the same n. Each line is flushed
// and the file's error state checked after it (ProtocolIoError). A
// floating-point fault in a statistic (a zero recent element under a non-zero
// target element in the basis vector) ends the report there with a
// FloatingPointFault; the lines before it stay in the file. Draws 11n values
// from the generator for the working vectors.
void WriteDataAnalysis(ProtocolFile& file, TVector T, TVector R, Generator& gen);

}  // namespace zarudiv
