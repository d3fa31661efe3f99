#pragma once
// The messages between the processes of a series under MPI, as bytes: rank 0
// hands out runs (RunJob) and gets back what became of them (RunOutcome).
// Integers are little-endian, reals their IEEE bits, texts length-prefixed;
// every rank runs the same executable, but the format does not rely on it.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "series/run_job.h"

namespace zarudiv {

// A message that does not decode: a fault between the processes.
class MessageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a process tells rank 0 when it starts: how many runs it takes at once
// and the machine it is on.
struct WorkerHello {
    std::uint32_t threads = 0;
    std::string host;
};

std::string EncodeHello(const WorkerHello& hello);
WorkerHello DecodeHello(const std::string& bytes);

std::string EncodeJob(const RunJob& job);
RunJob DecodeJob(const std::string& bytes);

// A process that a stop signal reached on its own tells rank 0 which one.
std::string EncodeStopSignal(int signal);
int DecodeStopSignal(const std::string& bytes);

// The outcome without its host: rank 0 knows which process sent it.
std::string EncodeOutcome(const RunOutcome& outcome);
RunOutcome DecodeOutcome(const std::string& bytes);

// Several outcomes in one message (short runs finish many at a time): a
// count, then each as EncodeOutcome writes it, length-prefixed.
std::string EncodeOutcomes(const std::vector<RunOutcome>& outcomes);
std::vector<RunOutcome> DecodeOutcomes(const std::string& bytes);

// Where a process's runs in flight have got to: a count, then each run's id,
// generation and best Q.
std::string EncodeProgress(const std::vector<RunProgress>& runs);
std::vector<RunProgress> DecodeProgress(const std::string& bytes);

}  // namespace zarudiv
