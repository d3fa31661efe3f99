#include "app/campaignsession.h"

#include <exception>
#include <system_error>

#include "evolution/command_error.h"
#include "plots/canvas_font.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

CampaignSession::CampaignSession(QObject* parent) : QObject(parent)
{
    timer_.setInterval(40);
    connect(&timer_, &QTimer::timeout, this, &CampaignSession::showFrame);
}

CampaignSession::~CampaignSession()
{
    if (worker_.joinable()) {
        stop_.request();
        worker_.join();
    }
}

void CampaignSession::start(const CampaignRequest& request, const SessionSurfaces& surfaces)
{
    if (running_)
        return;
    // The canvas font is made on this thread, before any text is drawn on the
    // worker.
    CanvasFont();

    live_ = std::make_unique<LiveDisplay>(surfaces.canvases, surfaces.texts);
    stop_.clear();
    outcome_ = CampaignOutcome{};
    outcome_.request = request;
    shownFrame_ = 0;
    running_ = true;
    try {
        worker_ = std::thread([this] {
            try {
                ProtocolFile protocol;
                OpenProtocol(protocol, outcome_.request.protocol);
                CampaignOptions options;
                options.engine = outcome_.request.engine;
                options.stop = &stop_;
                outcome_.result = RunCampaign(outcome_.request.campaign,
                                              CampaignSinks{*live_, protocol}, options);
            } catch (const std::exception& error) {
                outcome_.error = error.what();
            } catch (...) {
                outcome_.error = "Unbekannter Fehler";
            }
            QMetaObject::invokeMethod(this, &CampaignSession::complete, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        outcome_.error = "Die Kampagne kann nicht starten: das System gibt keinen Thread her";
        QMetaObject::invokeMethod(this, &CampaignSession::complete, Qt::QueuedConnection);
        return;
    }
    timer_.start();
}

void CampaignSession::showFrame()
{
    if (!live_)
        return;
    if (const std::optional<ScreenFrame> frame = live_->takeFrame(shownFrame_)) {
        shownFrame_ = frame->number;
        emit frameReady(*frame);
    }
}

void CampaignSession::complete()
{
    if (worker_.joinable())
        worker_.join();
    timer_.stop();
    if (live_) {
        outcome_.finalFrame = live_->finalFrame();
        outcome_.lastGeneration = live_->lastRecord();
        live_.reset();
    }
    running_ = false;
    emit finished(outcome_);
}

}  // namespace zarudiv
