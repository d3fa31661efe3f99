#pragma once
// The window's campaign on a worker thread, beside the event loop: the worker
// runs the campaign exactly as the runner does and keeps the screen state
// (livedisplay.h); the session hands out a frame of it at a steady rate, and
// the state the campaign leaves when it ends. It knows nothing of the form:
// whoever shows the frames applies them to its controls.

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/livedisplay.h"
#include "campaign/campaign.h"

namespace zarudiv {

struct CampaignRequest {
    std::string protocol;
    Campaign campaign;
    EngineOptions engine;
};

struct CampaignOutcome {
    CampaignRequest request;
    std::optional<CampaignResult> result;  // none when the campaign ended with an error
    std::string error;                     // the error's German text
    std::optional<GenerationRecord> lastGeneration;
    ScreenFrame finalFrame;                // the screen as the campaign leaves it
};

// What a campaign draws on, by role, and what the text fields show when it
// starts (a field shows its old text until the campaign's first repaint).
struct SessionSurfaces {
    std::array<Canvas*, kPlotRoles.size()> canvases{};
    std::array<std::string, kTextRoles.size()> texts;
};

class CampaignSession : public QObject {
    Q_OBJECT
public:
    explicit CampaignSession(QObject* parent = nullptr);
    // Stops a campaign that still runs and waits for it.
    ~CampaignSession() override;

    bool isRunning() const { return running_; }

    // Starts the campaign on a worker thread. Emits finished() when it ends.
    void start(const CampaignRequest& request, const SessionSurfaces& surfaces);
    // The campaign stops at the end of the generation that runs.
    void requestStop() { stop_.request(); }

    // How often a frame is handed out (40 ms by default).
    void setFrameInterval(int milliseconds) { timer_.setInterval(milliseconds); }

signals:
    // A frame of the running campaign, to be shown now.
    void frameReady(const zarudiv::ScreenFrame& frame);
    // The campaign has ended; its final frame is in the outcome.
    void finished(const zarudiv::CampaignOutcome& outcome);

private:
    void showFrame();
    void complete();

    QTimer timer_;
    StopRequest stop_;
    std::unique_ptr<LiveDisplay> live_;
    std::thread worker_;
    bool running_ = false;
    std::uint64_t shownFrame_ = 0;
    CampaignOutcome outcome_;
};

}  // namespace zarudiv
