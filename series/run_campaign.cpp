#include "series/run_campaign.h"

#include <openssl/evp.h>

#include <chrono>
#include <new>

#include "campaign/law_file.h"
#include "evolution/command_error.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

// Keeps each generation's record.
class RecordingSeriesDisplay : public CampaignDisplay {
public:
    explicit RecordingSeriesDisplay(std::vector<GenerationRow>& rows) : rows_(rows) {}

    void generationDone(const GenerationRecord& record) override
    {
        rows_.push_back(GenerationRow{record.bestQ, record.stepWidth, record.accepted});
        evaluations_ = record.evaluations;
    }
    std::int64_t evaluations() const { return evaluations_; }

private:
    std::vector<GenerationRow>& rows_;
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

RunOutcome RunSeriesJob(const RunJob& job, const RunCampaignOptions& options,
                        const StopRequest& stop)
{
    RunOutcome outcome;
    outcome.runId = job.runId;
    outcome.key = job.key;
    outcome.host = options.host;
    outcome.generations.reserve(static_cast<std::size_t>(job.key.setting.generations));

    CampaignOptions campaignOptions;
    campaignOptions.engine.threads = job.engineThreads;
    campaignOptions.stop = &stop;

    const auto started = std::chrono::steady_clock::now();
    RecordingSeriesDisplay display(outcome.generations);
    ProtocolFile protocol;
    try {
        OpenProtocolInMemory(protocol, ProtocolPath(options.protocolsDir, job.key));
        const CampaignResult result =
            RunCampaign(CampaignOf(job.key), CampaignSinks{display, protocol}, campaignOptions);
        if (result.stopped) {
            outcome.status = RunStatus::Abandoned;
            outcome.generations.clear();
            return outcome;
        }
        outcome.status = RunStatus::Done;
        outcome.bestQ = result.bestQ;
        outcome.bestLaw = LawFileText(LawRecordOf(result));
        outcome.bestStep = static_cast<double>(result.bestLaw.step);
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
        return outcome;
    }
    outcome.evaluations = display.evaluations();
    outcome.bestGeneration = FirstGenerationWith(outcome.generations, outcome.bestQ);
    outcome.protocolSha256 = ProtocolSha256(protocol.contents());
    if (options.keepProtocol)
        outcome.protocol = protocol.contents();
    return outcome;
}

}  // namespace zarudiv
