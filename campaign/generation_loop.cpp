// The generation loop: the campaign's vectors, its generations and their
// rows and pictures, and the report at the end.

#include <cmath>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "campaign/campaign.h"
#include "campaign/colours.h"
#include "campaign/mutant_draws.h"
#include "evolution/diffusion_model.h"
#include "evolution/fpu.h"
#include "evolution/mutant_engine.h"
#include "protocol/data_analysis.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

constexpr int kSites = kCampaignSites;

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

class GenerationLoop {
public:
    GenerationLoop(const Campaign& campaign, const CampaignSinks& sinks,
                   const CampaignOptions& options)
        : campaign_(campaign), display_(sinks.display), protocol_(sinks.protocol),
          options_(options), gen_(campaign.seed)
    {
    }

    CampaignResult run();

private:
    void resume(const CampaignState& state);
    CampaignState stateNow() const;
    void drawGenerationPictures(int g);
    bool stopRequested() const { return options_.stop != nullptr && options_.stop->requested(); }
    void makeVectors();
    void startEngine();
    void runGeneration(int g);
    void mutantsLiteral();
    void acceptMutants();
    void showMutant(int m);
    void showStep(long double step);
    void accept(double q, long double step, const MutantLaw& law, const TVector& state);
    void endGeneration(int g);

    const Campaign& campaign_;
    CampaignDisplay& display_;
    ProtocolFile& protocol_;
    const CampaignOptions& options_;
    Generator gen_;

    TVector start_;
    TVector target_;
    TVector working_;
    Law parent_;
    Law best_;
    TVector bestEvolved_;
    double bestQ_ = 10000000.0;
    long double startStep_ = 0.0L;
    long double qualityRange_ = 0.0L;
    std::int64_t accepted_ = 0;
    int acceptedInGeneration_ = 0;
    std::vector<GenerationRecord> rows_;
    // The generator at the last generation boundary: after its pictures'
    // draws, before the next generation's mutants are drawn.
    Generator boundary_;

    GenerationDraws draws_;
    std::vector<MutantOutcome> outcomes_;
    bool prepared_ = false;  // the next generation's mutants are drawn and handed out
    // Declared last, so that it goes first: a batch still in flight writes
    // into the vectors above until the engine has finished it.
    std::unique_ptr<MutantEngine> engine_;
};

void GenerationLoop::makeVectors()
{
    MakeVector(kSites, start_, gen_);
    StartVector(start_);
    MakeVector(kSites, target_, gen_);
    TargetVector(target_);
    MakeVector(kSites, working_, gen_);
    if (options_.startLaw) {
        // A law from an earlier campaign; its step width is the start step
        // width unless the campaign's own is asked for.
        const StartLaw& from = *options_.startLaw;
        startStep_ = from.lawStep ? from.law.step : campaign_.startStep();
        parent_ = from.law;
        parent_.step = startStep_;
    } else {
        startStep_ = campaign_.startStep();
        parent_ = ZeroLaw(startStep_, kSites);
    }
    best_ = parent_;
    // Until a mutant is accepted the best evolved vector is the start vector.
    bestEvolved_ = start_;
}

CampaignResult GenerationLoop::run()
{
    PrepareFpu();
    qualityRange_ = static_cast<long double>(kSites * 100) * 0.1L;
    makeVectors();
    boundary_ = gen_;
    rows_.reserve(static_cast<std::size_t>(std::max(0, campaign_.generations)));

    // The plots compute with the campaign's values (extrema stored as double,
    // scaled positions), and a fault there ends the campaign like any other.
    CheckedRegion([&] { display_.plotVector(PlotRole::TargetVector, kBlue, target_); });
    CheckedRegion([&] { display_.plotVector(PlotRole::StartVector, kBlue, start_); });

    if (options_.resume)
        startStep_ = options_.resume->startStep;
    if (campaign_.save)
        WriteProtocolHeader(protocol_, campaign_.generations, campaign_.mutants,
                            static_cast<double>(startStep_));
    int first = 1;
    if (options_.resume) {
        resume(*options_.resume);
        first = options_.resume->generationsDone + 1;
    }

    if (options_.engine.step == StepKind::Fast && campaign_.generations > 0 &&
        campaign_.mutants > 0)
        startEngine();

    CampaignResult result;
    result.generationsDone = first - 1;
    for (int g = first; g <= campaign_.generations && !result.stopped; ++g) {
        runGeneration(g);
        result.generationsDone = g;
        result.stopped = stopRequested();
    }

    result.state = stateNow();
    if (campaign_.save && !result.stopped)
        WriteDataAnalysis(protocol_, target_, bestEvolved_, gen_);

    result.campaign = campaign_;
    result.startLawOrigin = result.state.startLawOrigin;
    result.bestQ = bestQ_;
    result.bestLaw = best_;
    result.acceptedMutants = accepted_;
    result.bestEvolved = bestEvolved_;
    result.generator = gen_;
    result.state.rows = std::move(rows_);
    return result;
}

CampaignState GenerationLoop::stateNow() const
{
    CampaignState state;
    state.campaign = campaign_;
    if (options_.resume)
        state.startLawOrigin = options_.resume->startLawOrigin;
    else if (options_.startLaw)
        state.startLawOrigin = options_.startLaw->origin;
    state.startStep = startStep_;
    state.generationsDone = static_cast<int>(rows_.size());
    state.generator = boundary_;
    state.parent = best_;
    state.bestQ = bestQ_;
    state.bestEvolved = bestEvolved_;
    state.acceptedMutants = accepted_;
    return state;
}

// The campaign up to the state's generation as the unbroken campaign left
// it: every row and quality-curve point (for this campaign's generations),
// and the last generation's pictures, whose look depends on what was drawn
// before them on the same image: a vector plot leaves its pen blue, and the
// next plot's clear draws the frame with it.
void GenerationLoop::resume(const CampaignState& state)
{
    for (const GenerationRecord& row : state.rows) {
        if (campaign_.save)
            WriteProtocolRow(protocol_, row.generation, campaign_.mutants, row.bestQ, row.stepWidth);
        QualityPoint point;
        point.generations = campaign_.generations;
        point.qualityRange = static_cast<double>(qualityRange_);
        point.generation = row.generation;
        point.quality = row.bestQ;
        point.colour = kRed;
        point.caption = "  ";
        CheckedRegion([&] { display_.addQualityPoint(point); });
        display_.generationDone(row);
    }
    parent_ = state.parent;
    best_ = state.parent;
    bestQ_ = state.bestQ;
    bestEvolved_ = state.bestEvolved;
    accepted_ = state.acceptedMutants;
    rows_ = state.rows;
    gen_ = state.generator;
    boundary_ = state.generator;
    const int g = state.generationsDone;
    if (g >= 2)
        CheckedRegion([&] { display_.plotVector(PlotRole::BestEvolvedVector, kBlue, bestEvolved_); });
    if (g >= 1)
        drawGenerationPictures(g);
}

void GenerationLoop::drawGenerationPictures(int /*g*/)
{
    CheckedRegion([&] { display_.plotDiffusionLaw(PlotRole::ActivatorLaw, parent_.activator); });
    CheckedRegion([&] { display_.plotDiffusionLaw(PlotRole::InhibitorLaw, parent_.inhibitor); });
    CheckedRegion([&] { display_.plotSpectrum(PlotRole::ActivatorSpectrum, parent_.activator); });
    CheckedRegion([&] { display_.plotSpectrum(PlotRole::InhibitorSpectrum, parent_.inhibitor); });
    CheckedRegion([&] { display_.plotVector(PlotRole::BestEvolvedVector, kBlue, bestEvolved_); });
}

void GenerationLoop::startEngine()
{
    const auto mutants = static_cast<std::size_t>(campaign_.mutants);
    engine_ = std::make_unique<MutantEngine>(start_, target_, kSites, options_.engine.threads,
                                             mutants);
    if (engine_->threads() < engine_->wantedThreads())
        display_.warn("only " + std::to_string(engine_->threads()) + " of " +
                      std::to_string(engine_->wantedThreads()) +
                      " threads could be started; the campaign runs on " +
                      std::to_string(engine_->threads()));
    draws_ = GenerationDraws(mutants);
}

void GenerationLoop::runGeneration(int g)
{
    acceptedInGeneration_ = 0;
    Show([&] {
        display_.setGenerationProgress(g);
        display_.showText(TextRole::Generation, Of(g, campaign_.generations));
    });
    if (engine_)
        acceptMutants();
    else
        mutantsLiteral();
    endGeneration(g);
}

void GenerationLoop::showMutant(int m)
{
    Show([&] {
        display_.setMutantProgress(m);
        display_.showText(TextRole::Mutant, Of(m, campaign_.mutants));
    });
}

void GenerationLoop::showStep(long double step)
{
    const std::int64_t ppm = RoundForDisplay(step * kStepScale);
    Show([&] { display_.showText(TextRole::StepWidth, "del[ppm]= " + std::to_string(ppm)); });
}

void GenerationLoop::accept(double q, long double step, const MutantLaw& law,
                            const TVector& state)
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
void GenerationLoop::mutantsLiteral()
{
    MutantLaw law;
    for (int m = 1; m <= campaign_.mutants; ++m) {
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

// The same mutants with their draws made up front (mutant_draws.h); the
// evaluations run on the engine's threads and are accepted in mutant order.
// A generation's mutants are drawn and handed to the engine before the
// previous generation's pictures are drawn (endGeneration), so that the
// pictures take no time of their own on a machine whose cores all evaluate.
void GenerationLoop::acceptMutants()
{
    if (!prepared_) {
        draws_.draw(parent_, startStep_, kSites, gen_);
        engine_->begin(draws_.laws(), outcomes_, draws_.evaluable());
    }
    prepared_ = false;
    engine_->finish();
    for (std::size_t i = 0; i < draws_.drawn(); ++i) {
        showMutant(static_cast<int>(i) + 1);
        // A fault while drawing mutant m ends the campaign there, before or
        // after its step width is shown, as in the sequential order.
        draws_.throwIfFaultBeforeStep(i);
        showStep(draws_.step(i));
        draws_.throwIfFaultAfterStep(i);
        const MutantOutcome& outcome = outcomes_[i];
        if (outcome.fault)
            throw FloatingPointFault(*outcome.fault);
        accept(outcome.quality, draws_.step(i), draws_.law(i), outcome.state);
    }
}

void GenerationLoop::endGeneration(int g)
{
    const double generationQ = bestQ_;
    const std::int64_t shownQ = RoundForDisplay(bestQ_);
    Show([&] {
        display_.showText(TextRole::BestQuality, "(MINIMIZE Q) Q(G) = " + std::to_string(shownQ));
    });
    parent_ = best_;
    if (campaign_.save)
        WriteProtocolRow(protocol_, g, campaign_.mutants, generationQ,
                         static_cast<double>(parent_.step));

    QualityPoint point;
    point.generations = campaign_.generations;
    point.qualityRange = static_cast<double>(qualityRange_);
    point.generation = g;
    point.quality = generationQ;
    point.colour = kRed;
    point.caption = "  ";
    CheckedRegion([&] { display_.addQualityPoint(point); });

    // The two diffusion-law plots make two working vectors of n values each,
    // whose draws belong to the campaign's sequence; the values drawn are
    // overwritten before they are used, so the pictures do not depend on
    // them. With the next generation still to come, its mutants are drawn
    // after the plots' draws and handed to the engine before the pictures
    // are drawn.
    gen_.skip(4 * static_cast<std::uint64_t>(kSites));
    boundary_ = gen_;
    if (engine_ && g < campaign_.generations && !stopRequested()) {
        draws_.draw(parent_, startStep_, kSites, gen_);
        engine_->begin(draws_.laws(), outcomes_, draws_.evaluable());
        prepared_ = true;
    }
    drawGenerationPictures(g);

    GenerationRecord record;
    record.generation = g;
    record.evaluations = static_cast<std::int64_t>(g) * campaign_.mutants;
    record.bestQ = generationQ;
    record.stepWidth = static_cast<double>(parent_.step);
    record.accepted = acceptedInGeneration_;
    rows_.push_back(record);
    display_.generationDone(record);
    if (options_.checkpoints && options_.checkpoints->due(g)) {
        CampaignState state = stateNow();
        state.rows = rows_;
        options_.checkpoints->take(state);
    }
}

}  // namespace

namespace {

void CheckResumable(const Campaign& campaign, const CampaignState& state)
{
    Campaign same = campaign;
    same.generations = state.campaign.generations;
    if (!(same == state.campaign))
        throw std::invalid_argument("the state is of another campaign (" +
                                    RunnerArguments(state.campaign) + ")");
    if (campaign.generations < state.generationsDone)
        throw std::invalid_argument(
            "the state is of generation " + std::to_string(state.generationsDone) +
            ", more than the " + std::to_string(campaign.generations) + " generations asked for");
    if (state.rows.size() != static_cast<std::size_t>(state.generationsDone))
        throw std::invalid_argument("the state has " + std::to_string(state.rows.size()) +
                                    " rows for " + std::to_string(state.generationsDone) +
                                    " generations");
}

}  // namespace

CampaignResult RunCampaign(const Campaign& campaign, const CampaignSinks& sinks,
                           const CampaignOptions& options)
{
    if (options.resume)
        CheckResumable(campaign, *options.resume);
    CampaignResult result;
    try {
        GenerationLoop loop(campaign, sinks, options);
        result = loop.run();
    } catch (...) {
        AbandonProtocol(sinks.protocol);
        throw;
    }
    // A stopped campaign leaves its protocol cut as after an error: every row
    // so far, no report and no closing line.
    if (result.stopped)
        CutProtocol(sinks.protocol);
    else
        CloseProtocol(sinks.protocol);
    return result;
}

}  // namespace zarudiv
