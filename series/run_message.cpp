#include "series/run_message.h"

#include <bit>
#include <cstring>

#include "campaign/checkpoint_file.h"

namespace zarudiv {

namespace {

class Writer {
public:
    template <typename Int>
    void whole(Int value)
    {
        auto bits = static_cast<std::make_unsigned_t<Int>>(value);
        for (std::size_t i = 0; i < sizeof(Int); ++i) {
            bytes_ += static_cast<char>(bits & 0xFFu);
            bits = static_cast<decltype(bits)>(bits >> 8);
        }
    }
    void real(double value) { whole(std::bit_cast<std::uint64_t>(value)); }
    void text(const std::string& value)
    {
        whole(static_cast<std::uint64_t>(value.size()));
        bytes_ += value;
    }
    std::string take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    template <typename Int>
    Int whole()
    {
        need(sizeof(Int));
        std::make_unsigned_t<Int> bits = 0;
        for (std::size_t i = sizeof(Int); i-- > 0;)
            bits = static_cast<decltype(bits)>(
                (bits << 8) | static_cast<unsigned char>(bytes_[at_ + i]));
        at_ += sizeof(Int);
        return static_cast<Int>(bits);
    }
    double real() { return std::bit_cast<double>(whole<std::uint64_t>()); }
    std::string text()
    {
        const auto size = whole<std::uint64_t>();
        need(size);
        std::string value = bytes_.substr(at_, static_cast<std::size_t>(size));
        at_ += static_cast<std::size_t>(size);
        return value;
    }
    void end() const
    {
        if (at_ != bytes_.size())
            throw MessageError("a series message is longer than its contents");
    }

private:
    void need(std::uint64_t count) const
    {
        if (count > bytes_.size() - at_)
            throw MessageError("a series message ends too early");
    }

    const std::string& bytes_;
    std::size_t at_ = 0;
};

void WriteKey(Writer& out, const RunKey& key)
{
    out.whole(static_cast<std::int32_t>(key.setting.generations));
    out.whole(static_cast<std::int32_t>(key.setting.mutants));
    out.whole(static_cast<std::int32_t>(key.setting.stepPpm));
    out.whole(key.seed);
}

RunKey ReadKey(Reader& in)
{
    RunKey key;
    key.setting.generations = in.whole<std::int32_t>();
    key.setting.mutants = in.whole<std::int32_t>();
    key.setting.stepPpm = in.whole<std::int32_t>();
    key.seed = in.whole<std::uint32_t>();
    return key;
}

}  // namespace

std::string EncodeHello(const WorkerHello& hello)
{
    Writer out;
    out.whole(hello.threads);
    out.text(hello.host);
    return out.take();
}

WorkerHello DecodeHello(const std::string& bytes)
{
    Reader in(bytes);
    WorkerHello hello;
    hello.threads = in.whole<std::uint32_t>();
    hello.host = in.text();
    in.end();
    return hello;
}

std::string EncodeStopSignal(int signal)
{
    Writer out;
    out.whole(static_cast<std::int32_t>(signal));
    return out.take();
}

int DecodeStopSignal(const std::string& bytes)
{
    Reader in(bytes);
    const auto signal = in.whole<std::int32_t>();
    in.end();
    // 128 + n must stay an exit status.
    if (signal <= 0 || signal > 127)
        throw MessageError("a series message names signal " + std::to_string(signal));
    return signal;
}

std::string EncodeProgress(const std::vector<RunProgress>& runs)
{
    Writer out;
    out.whole(static_cast<std::uint32_t>(runs.size()));
    for (const RunProgress& run : runs) {
        out.whole(run.runId);
        out.whole(static_cast<std::int32_t>(run.generation));
        out.real(run.bestQ);
    }
    return out.take();
}

std::vector<RunProgress> DecodeProgress(const std::string& bytes)
{
    Reader in(bytes);
    const auto count = in.whole<std::uint32_t>();
    // 20 bytes a run: a count beyond the message is a fault, not a size.
    if (count > bytes.size() / 20)
        throw MessageError("a series message names " + std::to_string(count) +
                           " runs in flight it does not hold");
    std::vector<RunProgress> runs(count);
    for (RunProgress& run : runs) {
        run.runId = in.whole<std::int64_t>();
        run.generation = in.whole<std::int32_t>();
        run.bestQ = in.real();
    }
    in.end();
    return runs;
}

std::string EncodeJob(const RunJob& job)
{
    Writer out;
    out.whole(job.runId);
    WriteKey(out, job.key);
    out.whole(static_cast<std::uint32_t>(job.engineThreads));
    out.whole(static_cast<std::uint32_t>(job.shorter.size()));
    for (const ShorterRun& run : job.shorter) {
        out.whole(run.runId);
        out.whole(run.generations);
    }
    // The kept state goes as its checkpoint text, checked when it arrives.
    out.text(job.resume ? CheckpointText(*job.resume) : std::string());
    return out.take();
}

RunJob DecodeJob(const std::string& bytes)
{
    Reader in(bytes);
    RunJob job;
    job.runId = in.whole<std::int64_t>();
    job.key = ReadKey(in);
    job.engineThreads = in.whole<std::uint32_t>();
    const auto shorter = in.whole<std::uint32_t>();
    // Each takes 12 bytes: a count beyond the message is a fault.
    if (shorter > bytes.size() / 12)
        throw MessageError("a series message ends too early");
    job.shorter.resize(shorter);
    for (ShorterRun& run : job.shorter) {
        run.runId = in.whole<std::int64_t>();
        run.generations = in.whole<std::int32_t>();
    }
    if (const std::string state = in.text(); !state.empty()) {
        try {
            job.resume = ParseCheckpoint(state, "the state in a series message");
        } catch (const CheckpointFileError& error) {
            throw MessageError(error.what());
        }
    }
    in.end();
    return job;
}

std::string EncodeOutcome(const RunOutcome& outcome)
{
    Writer out;
    out.whole(outcome.runId);
    WriteKey(out, outcome.key);
    out.whole(static_cast<std::uint8_t>(outcome.status));
    out.text(outcome.error);
    out.real(outcome.bestQ);
    out.whole(outcome.bestGeneration);
    out.whole(outcome.evaluations);
    out.real(outcome.seconds);
    out.text(outcome.protocolSha256);
    out.whole(static_cast<std::uint32_t>(outcome.generations.size()));
    for (const GenerationRow& row : outcome.generations) {
        out.real(row.bestQ);
        out.real(row.stepWidth);
        out.whole(row.accepted);
    }
    out.text(outcome.protocol);
    out.text(outcome.bestLaw);
    out.real(outcome.bestStep);
    out.text(outcome.state);
    out.whole(outcome.stoppedAt);
    out.whole(outcome.generationsRun);
    out.whole(static_cast<std::uint32_t>(outcome.shorter.size()));
    for (const RunOutcome& shorter : outcome.shorter)
        out.text(EncodeOutcome(shorter));
    return out.take();
}

RunOutcome DecodeOutcome(const std::string& bytes)
{
    Reader in(bytes);
    RunOutcome outcome;
    outcome.runId = in.whole<std::int64_t>();
    outcome.key = ReadKey(in);
    const auto status = in.whole<std::uint8_t>();
    if (status > static_cast<std::uint8_t>(RunStatus::Stopped))
        throw MessageError("a series message names an unknown run status");
    outcome.status = static_cast<RunStatus>(status);
    outcome.error = in.text();
    outcome.bestQ = in.real();
    outcome.bestGeneration = in.whole<std::int32_t>();
    outcome.evaluations = in.whole<std::int64_t>();
    outcome.seconds = in.real();
    outcome.protocolSha256 = in.text();
    const auto rows = in.whole<std::uint32_t>();
    // Each row takes 20 bytes: a count beyond the message is a fault, not a
    // reason to allocate.
    if (rows > bytes.size() / 20)
        throw MessageError("a series message ends too early");
    outcome.generations.resize(rows);
    for (GenerationRow& row : outcome.generations) {
        row.bestQ = in.real();
        row.stepWidth = in.real();
        row.accepted = in.whole<std::int32_t>();
    }
    outcome.protocol = in.text();
    outcome.bestLaw = in.text();
    outcome.bestStep = in.real();
    outcome.state = in.text();
    outcome.stoppedAt = in.whole<std::int32_t>();
    outcome.generationsRun = in.whole<std::int32_t>();
    const auto shorter = in.whole<std::uint32_t>();
    if (shorter > bytes.size() / 8)
        throw MessageError("a series message ends too early");
    outcome.shorter.reserve(shorter);
    for (std::uint32_t i = 0; i < shorter; ++i)
        outcome.shorter.push_back(DecodeOutcome(in.text()));
    in.end();
    return outcome;
}

std::string EncodeOutcomes(const std::vector<RunOutcome>& outcomes)
{
    Writer out;
    out.whole(static_cast<std::uint32_t>(outcomes.size()));
    for (const RunOutcome& outcome : outcomes)
        out.text(EncodeOutcome(outcome));
    return out.take();
}

std::vector<RunOutcome> DecodeOutcomes(const std::string& bytes)
{
    Reader in(bytes);
    const auto count = in.whole<std::uint32_t>();
    // Each takes at least its length: a count beyond the message is a fault.
    if (count > bytes.size() / 8)
        throw MessageError("a series message ends too early");
    std::vector<RunOutcome> outcomes;
    outcomes.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        outcomes.push_back(DecodeOutcome(in.text()));
    in.end();
    return outcomes;
}

}  // namespace zarudiv
