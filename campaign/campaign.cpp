#include "campaign/campaign.h"

#include <cmath>
#include <memory>
#include <vector>

#include "campaign/colours.h"
#include "evolution/diffusion_model.h"
#include "evolution/fpu.h"
#include "evolution/mutant_engine.h"
#include "protocol/data_analysis.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

constexpr int kSites = 20;  // every vector of a campaign has 20 elements

// Display texts are rounded like every displayed real: nearest, halves to even,
// as a 64-bit integer; an integer outside that range is an invalid operation.
// The flags are clear here (every region before was checked), so a fault in
// forming x itself is reported too.
std::int64_t RoundForDisplay(long double x)
{
    return Checked(static_cast<std::int64_t>(std::llrint(x)));
}

// Texts and progress bars go into foreign code; whatever flags it raises are
// not ours.
template <typename Call>
void Show(Call&& call)
{
    FpuFlagsShield shield;
    call();
}

std::string Of(std::int64_t count, std::int64_t total)
{
    return std::to_string(count) + " von  " + std::to_string(total);
}

struct Parent {
    long double step = 0.0L;
    TVector activator;
    TVector inhibitor;
};

// A mutant's step width: four draws (the step factor's two, a sign, a real).
long double MutantStep(const Parent& parent, long double startStep, Generator& gen)
{
    const long double f = StepFactor(gen, static_cast<double>(startStep));
    const long double s = static_cast<long double>(RandomSign(gen));
    const long double u = Random(gen);
    return u * s * f + parent.step;
}

// A mutant's law: one sign per coefficient, all activator signs before all
// inhibitor signs; always built from the generation's parent.
void MutateLaw(const Parent& parent, long double step, Generator& gen, MutantLaw& law)
{
    law.activator = parent.activator;
    law.inhibitor = parent.inhibitor;
    for (int i = 1; i <= kSites; ++i)
        law.activator[i] = static_cast<long double>(RandomSign(gen)) * step + parent.activator[i];
    for (int i = 1; i <= kSites; ++i)
        law.inhibitor[i] = static_cast<long double>(RandomSign(gen)) * step + parent.inhibitor[i];
}

class Campaign {
public:
    Campaign(const CampaignSettings& settings, Generator& gen, CampaignDisplay& display,
             ProtocolFile& protocol, const EngineOptions& engine, const StopRequest* stop)
        : settings_(settings), gen_(gen), display_(display), protocol_(protocol), engine_(engine),
          stop_(stop)
    {
    }

    CampaignResult run(std::optional<std::uint32_t> seed);

private:
    void makeVectors();
    void startEngine();
    void runGeneration(int g);
    void mutantsLiteral();
    void prepareMutants();
    void acceptMutants();
    void showMutant(int m);
    void showStep(long double step);
    void accept(double q, long double step, const MutantLaw& law, const TVector& state);
    bool prepareNextGeneration(int g);
    void endGeneration(int g);

    const CampaignSettings& settings_;
    Generator& gen_;
    CampaignDisplay& display_;
    ProtocolFile& protocol_;
    const EngineOptions& engine_;
    const StopRequest* stop_;

    TVector start_;
    TVector target_;
    TVector working_;
    Parent parent_;
    Parent best_;
    TVector bestEvolved_;
    double bestQ_ = 10000000.0;
    long double startStep_ = 0.0L;
    long double qualityRange_ = 0.0L;
    std::int64_t accepted_ = 0;
    int acceptedInGeneration_ = 0;

    struct DrawFault {
        FloatingPointFault::Kind kind;
        bool beforeStepShown;
    };
    std::vector<MutantLaw> laws_;
    std::vector<long double> steps_;
    std::vector<MutantOutcome> outcomes_;
    std::size_t drawn_ = 0;
    std::optional<DrawFault> drawFault_;
    bool prepared_ = false;  // the next generation's mutants are drawn and handed out
    // Declared last, so that it goes first: a batch still in flight writes
    // into the vectors above until the engine has finished it.
    std::unique_ptr<MutantEngine> engineImpl_;
};

void Campaign::makeVectors()
{
    MakeVector(kSites, start_, gen_);
    StartVector(start_);
    MakeVector(kSites, target_, gen_);
    TargetVector(target_);
    MakeVector(kSites, working_, gen_);
    parent_.activator = ZeroVector(kSites);
    parent_.inhibitor = ZeroVector(kSites);
    best_.activator = ZeroVector(kSites);
    best_.inhibitor = ZeroVector(kSites);
    // Until a mutant is accepted the best evolved vector is the start vector.
    bestEvolved_ = start_;
}

CampaignResult Campaign::run(std::optional<std::uint32_t> seed)
{
    PrepareFpu();
    if (seed)
        gen_.RandSeed = *seed;
    else
        Randomize(gen_);
    const std::uint32_t usedSeed = gen_.RandSeed;

    startStep_ = settings_.StartSchrittweite;
    parent_.step = startStep_;
    best_.step = startStep_;
    qualityRange_ = static_cast<long double>(kSites * 100) * 0.1L;
    makeVectors();

    // The plots compute with the campaign's values (extrema stored as double,
    // scaled positions), and a fault there ends the campaign like any other.
    CheckedRegion([&] { display_.plotVector(PlotRole::TargetVector, kBlue, target_); });
    CheckedRegion([&] { display_.plotVector(PlotRole::StartVector, kBlue, start_); });

    if (settings_.saveOption)
        WriteProtocolHeader(protocol_, settings_.maxGenerationen, settings_.maxMutanten,
                            static_cast<double>(settings_.StartSchrittweite));

    if (engine_.step == StepKind::Fast && settings_.maxGenerationen > 0 &&
        settings_.maxMutanten > 0)
        startEngine();

    CampaignResult result;
    for (int g = 1; g <= settings_.maxGenerationen && !result.stopped; ++g) {
        runGeneration(g);
        result.generationsDone = g;
        result.stopped = stop_ != nullptr && stop_->requested();
    }

    if (settings_.saveOption && !result.stopped)
        WriteDataAnalysis(protocol_, target_, bestEvolved_, gen_);

    result.seed = usedSeed;
    result.bestQ = bestQ_;
    result.bestStep = best_.step;
    result.acceptedMutants = accepted_;
    result.bestEvolved = bestEvolved_;
    return result;
}

void Campaign::startEngine()
{
    const auto mutants = static_cast<std::size_t>(settings_.maxMutanten);
    engineImpl_ = std::make_unique<MutantEngine>(start_, target_, kSites, engine_.threads, mutants);
    if (engineImpl_->threads() < engineImpl_->wantedThreads())
        display_.warn("only " + std::to_string(engineImpl_->threads()) + " of " +
                      std::to_string(engineImpl_->wantedThreads()) +
                      " threads could be started; the campaign runs on " +
                      std::to_string(engineImpl_->threads()));
    laws_.resize(mutants);
    steps_.resize(mutants);
}

void Campaign::runGeneration(int g)
{
    acceptedInGeneration_ = 0;
    Show([&] {
        display_.setGenerationProgress(g);
        display_.showText(TextRole::Generation, Of(g, settings_.maxGenerationen));
    });
    if (engineImpl_)
        acceptMutants();
    else
        mutantsLiteral();
    endGeneration(g);
}

void Campaign::showMutant(int m)
{
    Show([&] {
        display_.setMutantProgress(m);
        display_.showText(TextRole::Mutant, Of(m, settings_.maxMutanten));
    });
}

void Campaign::showStep(long double step)
{
    const std::int64_t ppm = RoundForDisplay(step * kStepScale);
    Show([&] { display_.showText(TextRole::StepWidth, "del[ppm]= " + std::to_string(ppm)); });
}

void Campaign::accept(double q, long double step, const MutantLaw& law, const TVector& state)
{
    // Plus selection: a tie is accepted, so the later of two equal mutants wins.
    if (q <= bestQ_) {
        bestQ_ = q;
        best_.step = step;
        best_.activator = law.activator;
        best_.inhibitor = law.inhibitor;
        bestEvolved_ = state;
        ++accepted_;
        ++acceptedInGeneration_;
    }
}

// The reference: every mutant exactly in the order of its operations, with the
// literal model step and the quality measure's own draws.
void Campaign::mutantsLiteral()
{
    MutantLaw law;
    for (int m = 1; m <= settings_.maxMutanten; ++m) {
        showMutant(m);
        working_ = start_;
        ClearFpuFaults();
        const long double step = Checked(MutantStep(parent_, startStep_, gen_));
        showStep(step);
        MutateLaw(parent_, step, gen_, law);
        Checked(law);
        for (int t = 0; t < kSites; ++t) {
            DiffusionStep(law.activator, law.inhibitor, working_, 1.0, 1.0);
            Checked(working_);
        }
        const double q = Checked(Quality(target_, working_, gen_));
        accept(q, step, law, working_);
    }
}

// The same mutants with their draws made up front: each mutant consumes a fixed
// number of draws (4 + 2n for its law, 2n for the quality measure's scratch
// vectors), so the sequence does not depend on any computed value. The
// evaluations then run in parallel and are accepted in mutant order.
// The same mutants with their draws made up front: each mutant consumes a fixed
// number of draws (4 + 2n for its law, 2n for the quality measure's scratch
// vectors), so the sequence does not depend on any computed value. The
// evaluations then run on the engine's threads and are accepted in mutant
// order. A generation's mutants are drawn and handed to the engine before the
// previous generation's pictures are drawn (endGeneration), so that the
// pictures take no time of their own on a machine whose cores all evaluate.
void Campaign::prepareMutants()
{
    const auto count = static_cast<std::size_t>(settings_.maxMutanten);
    drawFault_.reset();
    drawn_ = 0;
    while (drawn_ < count && !drawFault_) {
        ClearFpuFaults();
        steps_[drawn_] = MutantStep(parent_, startStep_, gen_);
        SettleFpu(steps_[drawn_]);
        if (const auto kind = TakeFpuFault()) {
            drawFault_ = DrawFault{*kind, true};
        } else {
            MutateLaw(parent_, steps_[drawn_], gen_, laws_[drawn_]);
            SettleFpu(laws_[drawn_]);
            if (const auto lawKind = TakeFpuFault())
                drawFault_ = DrawFault{*lawKind, false};
        }
        gen_.skip(2 * kSites);
        ++drawn_;
    }
    // A mutant whose draws faulted is not evaluated; nothing after it runs.
    engineImpl_->begin(laws_, outcomes_, drawFault_ ? drawn_ - 1 : drawn_);
    prepared_ = true;
}

void Campaign::acceptMutants()
{
    if (!prepared_)
        prepareMutants();
    prepared_ = false;
    engineImpl_->finish();
    for (std::size_t i = 0; i < drawn_; ++i) {
        const bool faulted = drawFault_ && i + 1 == drawn_;
        showMutant(static_cast<int>(i) + 1);
        // A fault while drawing mutant m ends the campaign there, before or
        // after its step width is shown, as in the sequential order.
        if (faulted && drawFault_->beforeStepShown)
            throw FloatingPointFault(drawFault_->kind);
        showStep(steps_[i]);
        if (faulted)
            throw FloatingPointFault(drawFault_->kind);
        const MutantOutcome& outcome = outcomes_[i];
        if (outcome.fault)
            throw FloatingPointFault(*outcome.fault);
        accept(outcome.quality, steps_[i], laws_[i], outcome.state);
    }
}

bool Campaign::prepareNextGeneration(int g)
{
    if (!engineImpl_ || g >= settings_.maxGenerationen || (stop_ != nullptr && stop_->requested()))
        return false;
    // The two diffusion-law plots' draws come first in the sequence.
    gen_.skip(4 * static_cast<std::uint64_t>(kSites));
    prepareMutants();
    return true;
}

void Campaign::endGeneration(int g)
{
    const double generationQ = bestQ_;
    const std::int64_t shownQ = RoundForDisplay(bestQ_);
    Show([&] {
        display_.showText(TextRole::BestQuality, "(MINIMIZE Q) Q(G) = " + std::to_string(shownQ));
    });
    parent_ = best_;
    if (settings_.saveOption)
        WriteProtocolRow(protocol_, g, settings_.maxMutanten, generationQ,
                         static_cast<double>(parent_.step));

    QualityPoint point;
    point.generations = settings_.maxGenerationen;
    point.qualityRange = static_cast<double>(qualityRange_);
    point.generation = g;
    point.quality = generationQ;
    point.colour = kRed;
    point.caption = "  ";
    CheckedRegion([&] { display_.addQualityPoint(point); });

    // The diffusion-law plots draw from the generator: they are part of the
    // campaign's sequence of draws. What they draw is overwritten before it
    // is used, so the pictures do not depend on it: with the next generation
    // still to come, its mutants are drawn after the plots' draws and handed
    // to the engine first, and the plots draw on a copy of the generator.
    Generator plotGen = gen_;
    Generator& lawGen = prepareNextGeneration(g) ? plotGen : gen_;
    CheckedRegion([&] { display_.plotDiffusionLaw(PlotRole::ActivatorLaw, parent_.activator, lawGen); });
    CheckedRegion([&] { display_.plotDiffusionLaw(PlotRole::InhibitorLaw, parent_.inhibitor, lawGen); });
    CheckedRegion([&] { display_.plotSpectrum(PlotRole::ActivatorSpectrum, parent_.activator); });
    CheckedRegion([&] { display_.plotSpectrum(PlotRole::InhibitorSpectrum, parent_.inhibitor); });
    CheckedRegion([&] { display_.plotVector(PlotRole::BestEvolvedVector, kBlue, bestEvolved_); });

    GenerationRecord record;
    record.generation = g;
    record.evaluations = static_cast<std::int64_t>(g) * settings_.maxMutanten;
    record.bestQ = generationQ;
    record.stepWidth = static_cast<double>(parent_.step);
    record.accepted = acceptedInGeneration_;
    display_.generationDone(record);
}

}  // namespace

CampaignResult RunEvolution(const CampaignSettings& settings, std::optional<std::uint32_t> seed,
                            Generator& gen, CampaignDisplay& display, ProtocolFile& protocol,
                            const EngineOptions& engine, const StopRequest* stop)
{
    Campaign campaign(settings, gen, display, protocol, engine, stop);
    return campaign.run(seed);
}

CampaignResult RunEvolutionCommand(ProtocolFile& protocol, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine,
                                   const StopRequest* stop)
{
    CampaignResult result;
    try {
        result = RunEvolution(settings, seed, gen, display, protocol, engine, stop);
    } catch (...) {
        AbandonProtocol(protocol);
        throw;
    }
    // A stopped campaign leaves its protocol cut as after an error: every row
    // so far, no report and no closing line.
    if (result.stopped)
        CutProtocol(protocol);
    else
        CloseProtocol(protocol);
    return result;
}

CampaignResult RunEvolutionCommand(const std::string& fileName, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine,
                                   const StopRequest* stop)
{
    ProtocolFile protocol;
    OpenProtocol(protocol, fileName);
    return RunEvolutionCommand(protocol, settings, seed, gen, display, engine, stop);
}

}  // namespace zarudiv
