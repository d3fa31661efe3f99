#include "series/run_campaign.h"

#include <openssl/evp.h>

#include <chrono>
#include <new>

#include "campaign/checkpoint_file.h"
#include "campaign/law_file.h"
#include "evolution/command_error.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

// Keeps each generation's record.
class RecordingSeriesDisplay : public CampaignDisplay {
public:
    RecordingSeriesDisplay(std::vector<GenerationRow>& rows, LiveProgress* live)
        : rows_(rows), live_(live)
    {
    }

    void generationDone(const GenerationRecord& record) override
    {
        rows_.push_back(GenerationRow{record.bestQ, record.stepWidth, record.accepted});
        evaluations_ = record.evaluations;
        if (live_)
            live_->publish(record.generation, record.bestQ);
    }
    std::int64_t evaluations() const { return evaluations_; }

private:
    std::vector<GenerationRow>& rows_;
    LiveProgress* live_;
    std::int64_t evaluations_ = 0;
};

std::int32_t FirstGenerationWith(const std::vector<GenerationRow>& rows, double q)
{
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].bestQ == q)
            return static_cast<std::int32_t>(i + 1);
    return 0;
}

}  // namespace

std::string ProtocolPath(const std::optional<std::string>& dir, const RunKey& key)
{
    const std::string name = ProtocolFileName(key);
    if (!dir)
        return name;
    if (!dir->empty() && dir->back() == '/')
        return *dir + name;
    return *dir + "/" + name;
}

std::string ProtocolSha256(const std::string& protocol)
{
    const std::size_t lineEnd = protocol.find("\r\n");
    const std::size_t from = lineEnd == std::string::npos ? protocol.size() : lineEnd + 2;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    // EVP_Digest fails only when it cannot allocate its context.
    if (EVP_Digest(protocol.data() + from, protocol.size() - from, digest, &length, EVP_sha256(),
                   nullptr) != 1)
        throw std::bad_alloc();
    static const char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xF];
    }
    return text;
}

Campaign CampaignOf(const RunKey& key)
{
    Campaign campaign;
    campaign.generations = key.setting.generations;
    campaign.mutants = key.setting.mutants;
    campaign.stepPpm = key.setting.stepPpm;
    campaign.save = true;
    campaign.seed = key.seed;
    return campaign;
}

namespace {

// Takes the campaign's state at the last generation of each shorter run.
class ShorterStates : public CheckpointSink {
public:
    explicit ShorterStates(const std::vector<ShorterRun>& shorter) : shorter_(shorter) {}

    bool due(int generation) override
    {
        return next_ < shorter_.size() && shorter_[next_].generations == generation;
    }
    void take(const CampaignState& state) override
    {
        while (due(state.generationsDone)) {
            states_.push_back(state);
            ++next_;
        }
    }
    // The states of the first shorter runs, in their order.
    const std::vector<CampaignState>& states() const { return states_; }

private:
    const std::vector<ShorterRun>& shorter_;
    std::size_t next_ = 0;
    std::vector<CampaignState> states_;
};

RunOutcome RunOne(std::int64_t runId, const RunKey& key, unsigned threads,
                  const CampaignState* resume, CheckpointSink* checkpoints,
                  const RunCampaignOptions& options, const StopRequest& stop,
                  LiveProgress* live)
{
    RunOutcome outcome;
    outcome.runId = runId;
    outcome.key = key;
    outcome.host = options.host;
    outcome.generations.reserve(static_cast<std::size_t>(key.setting.generations));

    CampaignOptions campaignOptions;
    campaignOptions.engine.threads = threads;
    campaignOptions.stop = &stop;
    campaignOptions.resume = resume;
    campaignOptions.checkpoints = checkpoints;
    const int from = resume ? resume->generationsDone : 0;
    // A campaign with no generation left to run (one taken from a longer
    // run's trajectory) writes its report only: no engine for it.
    if (from >= key.setting.generations) {
        campaignOptions.engine.threads = 1;
        campaignOptions.engine.step = StepKind::Literal;
    }

    const auto started = std::chrono::steady_clock::now();
    RecordingSeriesDisplay display(outcome.generations, live);
    ProtocolFile protocol;
    try {
        OpenProtocolInMemory(protocol, ProtocolPath(options.protocolsDir, key));
        const CampaignResult result =
            RunCampaign(CampaignOf(key), CampaignSinks{display, protocol}, campaignOptions);
        outcome.generationsRun = result.generationsDone - from;
        if (result.stopped) {
            // Kept whole, rows and all: the run goes on from here.
            outcome.status = RunStatus::Stopped;
            outcome.stoppedAt = result.generationsDone;
            outcome.state = CheckpointText(result.state);
            outcome.generations.clear();
            return outcome;
        }
        outcome.status = RunStatus::Done;
        outcome.bestQ = result.bestQ;
        outcome.bestLaw = LawFileText(LawRecordOf(result));
        outcome.bestStep = static_cast<double>(result.bestLaw.step);
        outcome.state = CheckpointText(result.state, false);
    } catch (const CommandError& error) {
        outcome.status = RunStatus::Failed;
        outcome.error = error.what();
    } catch (const std::bad_alloc&) {
        outcome.status = RunStatus::NoResources;
        outcome.error = "out of memory";
    } catch (const std::exception& error) {
        outcome.status = RunStatus::Failed;
        outcome.error = error.what();
    }
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (outcome.status != RunStatus::Done) {
        outcome.generations.clear();
        outcome.state.clear();
        return outcome;
    }
    outcome.evaluations = display.evaluations();
    outcome.bestGeneration = FirstGenerationWith(outcome.generations, outcome.bestQ);
    outcome.protocolSha256 = ProtocolSha256(protocol.contents());
    if (options.keepProtocol)
        outcome.protocol = protocol.contents();
    return outcome;
}

}  // namespace

RunOutcome RunSeriesJob(const RunJob& job, const RunCampaignOptions& options,
                        const StopRequest& stop, LiveProgress* live)
{
    ShorterStates states(job.shorter);
    // A shorter run that ends where the kept state is ends with it.
    if (job.resume)
        states.take(*job.resume);
    const CampaignState* resume = job.resume ? &*job.resume : nullptr;
    RunOutcome outcome = RunOne(job.runId, job.key, job.engineThreads, resume,
                                job.shorter.empty() ? nullptr : &states, options, stop, live);

    // Each shorter run is its campaign continued from the state at its last
    // generation: its header, the rows, its report, no generation to
    // compute. It takes milliseconds and is not stopped.
    const StopRequest never;
    std::size_t i = 0;
    for (; i < states.states().size(); ++i) {
        RunKey key = job.key;
        key.setting.generations = job.shorter[i].generations;
        outcome.shorter.push_back(RunOne(job.shorter[i].runId, key, 1, &states.states()[i],
                                         nullptr, options, never, nullptr));
    }
    // A campaign that ended with an error ends every shorter run that had
    // not come to its end the same way, as each would have on its own.
    if (outcome.status == RunStatus::Failed)
        for (; i < job.shorter.size(); ++i) {
            RunOutcome failed;
            failed.runId = job.shorter[i].runId;
            failed.key = job.key;
            failed.key.setting.generations = job.shorter[i].generations;
            failed.status = RunStatus::Failed;
            failed.error = outcome.error;
            failed.host = outcome.host;
            outcome.shorter.push_back(std::move(failed));
        }
    return outcome;
}

}  // namespace zarudiv
