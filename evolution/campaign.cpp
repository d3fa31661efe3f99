#include "campaign.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <vector>

#include "data_analysis.h"
#include "diffusion_model.h"
#include "fpu.h"
#include "mutant_engine.h"
#include "protocol_file.h"

namespace zarudiv {

namespace {

constexpr int kSites = 20;  // every vector of a campaign has 20 elements

// Display texts are rounded like every displayed real: nearest, halves to even,
// as a 64-bit integer; an integer outside that range is an invalid operation.
// The flags are clear here (every region before was checked), so a fault in
// forming x itself is reported too.
std::int64_t RoundForDisplay(long double x)
{
    const long long rounded = std::llrint(x);
    SettleFpu(rounded);
    CheckFpu();
    return rounded;
}

// Texts and progress bars go into foreign code; whatever flags it raises are
// not ours.
template <typename Call>
void Show(Call&& call)
{
    FpuFlagsShield shield;
    call();
}

// The plots compute with the campaign's values (extrema stored as double,
// scaled positions), and a fault there ends the campaign like any other. The
// plotting code shields its own calls into the toolkit.
template <typename Call>
void Plot(Call&& call)
{
    ClearFpuFaults();
    call();
    CheckFpu();
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

std::optional<FloatingPointFault::Kind> PendingFault()
{
    try {
        CheckFpu();
    } catch (const FloatingPointFault& fault) {
        return fault.kind();
    }
    return std::nullopt;
}

class Campaign {
public:
    Campaign(const CampaignSettings& settings, Generator& gen, CampaignDisplay& display,
             ProtocolFile& protocol, const EngineOptions& engine)
        : settings_(settings), gen_(gen), display_(display), protocol_(protocol), engine_(engine)
    {
    }

    CampaignResult Run(std::optional<std::uint32_t> seed);

private:
    void MakeVectors();
    void RunGeneration(int g);
    void MutantsLiteral();
    void MutantsEngine();
    void ShowMutant(long double step);
    void Accept(double q, long double step, const MutantLaw& law, const TVector& state);
    void EndGeneration(int g);

    const CampaignSettings& settings_;
    Generator& gen_;
    CampaignDisplay& display_;
    ProtocolFile& protocol_;
    const EngineOptions& engine_;

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

    std::unique_ptr<MutantEngine> engineImpl_;
    std::vector<MutantLaw> laws_;
    std::vector<long double> steps_;
    std::vector<MutantOutcome> outcomes_;
};

void Campaign::MakeVectors()
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

CampaignResult Campaign::Run(std::optional<std::uint32_t> seed)
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
    MakeVectors();

    Plot([&] { display_.plotVector(PlotArea::Image8, kBlue, target_); });
    Plot([&] { display_.plotVector(PlotArea::Image9, kBlue, start_); });

    if (settings_.saveOption)
        WriteProtocolHeader(protocol_, settings_.maxGenerationen, settings_.maxMutanten,
                            static_cast<double>(settings_.StartSchrittweite));

    if (engine_.step == StepKind::Fast && settings_.maxGenerationen > 0 &&
        settings_.maxMutanten > 0) {
        engineImpl_ = std::make_unique<MutantEngine>(start_, target_, kSites, engine_.threads);
        laws_.resize(static_cast<std::size_t>(settings_.maxMutanten));
        steps_.resize(laws_.size());
    }

    for (int g = 1; g <= settings_.maxGenerationen; ++g)
        RunGeneration(g);

    if (settings_.saveOption)
        WriteDataAnalysis(protocol_, target_, bestEvolved_, gen_);

    CampaignResult result;
    result.seed = usedSeed;
    result.bestQ = bestQ_;
    result.bestStep = best_.step;
    result.acceptedMutants = accepted_;
    result.bestEvolved = bestEvolved_;
    return result;
}

void Campaign::RunGeneration(int g)
{
    Show([&] {
        display_.setGenerationPosition(g);
        display_.showText(EditField::Edit4, Of(g, settings_.maxGenerationen));
    });
    if (engineImpl_)
        MutantsEngine();
    else
        MutantsLiteral();
    EndGeneration(g);
}

void Campaign::ShowMutant(long double step)
{
    const std::int64_t ppm = RoundForDisplay(step * 1000000000.0L);
    Show([&] { display_.showText(EditField::Edit6, "del[ppm]= " + std::to_string(ppm)); });
}

void Campaign::Accept(double q, long double step, const MutantLaw& law, const TVector& state)
{
    // Plus selection: a tie is accepted, so the later of two equal mutants wins.
    if (q <= bestQ_) {
        bestQ_ = q;
        best_.step = step;
        best_.activator = law.activator;
        best_.inhibitor = law.inhibitor;
        bestEvolved_ = state;
        ++accepted_;
    }
}

// The reference: every mutant exactly in the order of its operations, with the
// literal model step and the quality measure's own draws.
void Campaign::MutantsLiteral()
{
    MutantLaw law;
    for (int m = 1; m <= settings_.maxMutanten; ++m) {
        Show([&] {
            display_.setMutantPosition(m);
            display_.showText(EditField::Edit5, Of(m, settings_.maxMutanten));
        });
        working_ = start_;
        ClearFpuFaults();
        const long double step = MutantStep(parent_, startStep_, gen_);
        SettleFpu(step);
        CheckFpu();
        ShowMutant(step);
        MutateLaw(parent_, step, gen_, law);
        SettleFpu(law);
        CheckFpu();
        for (int t = 0; t < kSites; ++t) {
            DiffusionStep(law.activator, law.inhibitor, working_, 1.0, 1.0);
            CheckFpu();
        }
        const double q = Quality(target_, working_, gen_);
        SettleFpu(q);
        CheckFpu();
        Accept(q, step, law, working_);
    }
}

// The same mutants with their draws made up front: each mutant consumes a fixed
// number of draws (4 + 2n for its law, 2n for the quality measure's scratch
// vectors), so the sequence does not depend on any computed value. The
// evaluations then run in parallel and are accepted in mutant order.
void Campaign::MutantsEngine()
{
    const auto count = static_cast<std::size_t>(settings_.maxMutanten);
    // A fault while drawing mutant m ends the campaign there, before or after
    // its step width is shown, as in the sequential order.
    struct DrawFault {
        FloatingPointFault::Kind kind;
        bool beforeStepShown;
    };
    std::optional<DrawFault> drawFault;
    std::size_t drawn = 0;
    while (drawn < count && !drawFault) {
        ClearFpuFaults();
        steps_[drawn] = MutantStep(parent_, startStep_, gen_);
        SettleFpu(steps_[drawn]);
        if (const auto kind = PendingFault()) {
            drawFault = DrawFault{*kind, true};
        } else {
            MutateLaw(parent_, steps_[drawn], gen_, laws_[drawn]);
            SettleFpu(laws_[drawn]);
            if (const auto lawKind = PendingFault())
                drawFault = DrawFault{*lawKind, false};
        }
        gen_.Skip(2 * kSites);
        ++drawn;
    }
    // A mutant whose draws faulted is not evaluated; nothing after it runs.
    engineImpl_->Evaluate(laws_, outcomes_, drawFault ? drawn - 1 : drawn);

    for (std::size_t i = 0; i < drawn; ++i) {
        const int m = static_cast<int>(i) + 1;
        const bool faulted = drawFault && i + 1 == drawn;
        Show([&] {
            display_.setMutantPosition(m);
            display_.showText(EditField::Edit5, Of(m, settings_.maxMutanten));
        });
        if (faulted && drawFault->beforeStepShown)
            throw FloatingPointFault(drawFault->kind);
        ShowMutant(steps_[i]);
        if (faulted)
            throw FloatingPointFault(drawFault->kind);
        const MutantOutcome& outcome = outcomes_[i];
        if (outcome.fault)
            throw FloatingPointFault(*outcome.fault);
        Accept(outcome.quality, steps_[i], laws_[i], outcome.state);
    }
}

void Campaign::EndGeneration(int g)
{
    const double generationQ = bestQ_;
    const std::int64_t shownQ = RoundForDisplay(bestQ_);
    Show([&] {
        display_.showText(EditField::Edit8, "(MINIMIZE Q) Q(G) = " + std::to_string(shownQ));
    });
    parent_ = best_;
    if (settings_.saveOption)
        WriteProtocolRow(protocol_, g, settings_.maxMutanten, generationQ,
                         static_cast<double>(parent_.step));

    QualityPlotArgs point;
    point.mode = 200;
    point.caption = "  ";
    point.spare1 = 1.0;
    point.xMax = settings_.maxGenerationen;
    point.spare2 = 0.0;
    point.yMax = static_cast<double>(qualityRange_);
    point.x = g;
    point.y = generationQ;
    point.spare3 = 0.0;
    point.colour = 255.0;
    Plot([&] { display_.plotQuality(point); });

    // The diffusion-law plots draw from the generator: they are part of the
    // campaign's sequence of draws.
    Plot([&] { display_.plotDiffusionLaw(PlotArea::Image2, parent_.activator, gen_); });
    Plot([&] { display_.plotDiffusionLaw(PlotArea::Image7, parent_.inhibitor, gen_); });
    Plot([&] { display_.plotSpectrum(PlotArea::Image3, parent_.activator); });
    Plot([&] { display_.plotSpectrum(PlotArea::Image4, parent_.inhibitor); });
    Plot([&] { display_.plotVector(PlotArea::Image10, kBlue, bestEvolved_); });
}

}  // namespace

CampaignResult RunEvolution(const CampaignSettings& settings, std::optional<std::uint32_t> seed,
                            Generator& gen, CampaignDisplay& display, ProtocolFile& protocol,
                            const EngineOptions& engine)
{
    Campaign campaign(settings, gen, display, protocol, engine);
    return campaign.Run(seed);
}

void EnsureDriveDirectory(const std::string& fileName)
{
    const bool driveLetter = fileName.size() >= 3 &&
                             ((fileName[0] >= 'A' && fileName[0] <= 'Z') ||
                              (fileName[0] >= 'a' && fileName[0] <= 'z')) &&
                             fileName[1] == ':' && fileName[2] == '/';
    if (!driveLetter)
        return;
    // A failure shows when the protocol is opened, with the runtime's message.
    ::mkdir(fileName.substr(0, 2).c_str(), 0777);
}

CampaignResult RunEvolutionCommand(const std::string& fileName, const CampaignSettings& settings,
                                   std::optional<std::uint32_t> seed, Generator& gen,
                                   CampaignDisplay& display, const EngineOptions& engine)
{
    EnsureDriveDirectory(fileName);
    ProtocolFile protocol;
    OpenProtocol(protocol, fileName);
    try {
        CampaignResult result = RunEvolution(settings, seed, gen, display, protocol, engine);
        CloseProtocol(protocol);
        return result;
    } catch (...) {
        AbandonProtocol(protocol);
        throw;
    }
}

}  // namespace zarudiv
