#pragma once
// The window's campaign on a worker thread, beside the event loop: the worker
// runs the campaign exactly as the runner does and keeps the screen state
// (livedisplay.h); the window shows a frame of it at a steady rate, and the
// state the campaign leaves when it ends.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/livedisplay.h"
#include "campaign/campaign.h"

namespace zarudiv {

class TForm1;

struct CampaignRequest {
    std::string protocol;
    CampaignSettings settings;
    std::uint32_t seed = 0;
    EngineOptions engine;
};

struct CampaignOutcome {
    CampaignRequest request;
    std::optional<CampaignResult> result;  // none when the campaign ended with an error
    std::string error;                     // the error's German text
    std::optional<GenerationRecord> lastGeneration;
};

class CampaignSession : public QObject {
    Q_OBJECT
public:
    explicit CampaignSession(TForm1& form);
    // Stops a campaign that still runs and waits for it.
    ~CampaignSession() override;

    bool isRunning() const { return running_; }

    // Starts the campaign on a worker thread; the generator is the window's
    // one, left as the campaign leaves it. Emits finished() when it ends.
    void start(const CampaignRequest& request, Generator& gen);
    // The campaign stops at the end of the generation that runs.
    void requestStop() { stop_.request(); }

    // How often the window shows the campaign's state (40 ms by default).
    void setFrameInterval(int milliseconds) { timer_.setInterval(milliseconds); }

signals:
    // A frame of the running campaign is on the controls (for tests).
    void frameShown();
    // The campaign has ended and its final state is on the controls.
    void finished(const zarudiv::CampaignOutcome& outcome);

private:
    void showFrame();
    void apply(const ScreenFrame& frame);
    void complete();

    TForm1& form_;
    QTimer timer_;
    StopRequest stop_;
    std::unique_ptr<LiveDisplay> live_;
    std::thread worker_;
    bool running_ = false;
    std::uint64_t shownFrame_ = 0;
    CampaignOutcome outcome_;
};

}  // namespace zarudiv
