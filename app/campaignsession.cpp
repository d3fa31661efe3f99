#include "app/campaignsession.h"

#include <QLineEdit>
#include <QProgressBar>
#include <exception>
#include <system_error>

#include "app/imagearea.h"
#include "app/tform1.h"
#include "app/windowroles.h"
#include "evolution/command_error.h"
#include "plots/canvas_font.h"

namespace zarudiv {

CampaignSession::CampaignSession(TForm1& form) : form_(form)
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

void CampaignSession::start(const CampaignRequest& request, Generator& gen)
{
    if (running_)
        return;
    // The canvas font is made on this thread, before any text is drawn on the
    // worker.
    CanvasFont();

    std::array<Canvas*, kPlotRoles.size()> canvases{};
    for (std::size_t i = 0; i < kPlotRoles.size(); ++i)
        canvases[i] = &imageOf(form_, kPlotRoles[i])->canvas();
    std::array<std::string, kTextRoles.size()> texts;
    for (std::size_t i = 0; i < kTextRoles.size(); ++i)
        texts[i] = fieldOf(form_, kTextRoles[i])->text().toStdString();

    live_ = std::make_unique<LiveDisplay>(canvases, texts);
    stop_.clear();
    outcome_ = CampaignOutcome{};
    outcome_.request = request;
    shownFrame_ = 0;
    running_ = true;
    try {
        worker_ = std::thread([this, &gen] {
            try {
                outcome_.result = RunEvolutionCommand(outcome_.request.protocol,
                                                      outcome_.request.settings,
                                                      outcome_.request.seed, gen, *live_,
                                                      outcome_.request.engine, &stop_);
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
        apply(*frame);
        emit frameShown();
    }
}

void CampaignSession::apply(const ScreenFrame& frame)
{
    shownFrame_ = frame.number;
    for (std::size_t i = 0; i < kTextRoles.size(); ++i) {
        QLineEdit* field = fieldOf(form_, kTextRoles[i]);
        const QString text = QString::fromStdString(frame.texts[i]);
        if (field->text() != text)
            form_.showFieldText(field, text);
    }
    // A progress bar repaints only for changes of some pixels; it shows its
    // exact place here.
    if (frame.generationProgress) {
        generationBarOf(form_)->setValue(*frame.generationProgress);
        generationBarOf(form_)->update();
    }
    if (frame.mutantProgress) {
        mutantBarOf(form_)->setValue(*frame.mutantProgress);
        mutantBarOf(form_)->update();
    }
    for (std::size_t i = 0; i < kPlotRoles.size(); ++i)
        imageOf(form_, kPlotRoles[i])->showPicture(frame.pictures[i]);
}

void CampaignSession::complete()
{
    if (worker_.joinable())
        worker_.join();
    timer_.stop();
    if (live_) {
        apply(live_->finalFrame());
        outcome_.lastGeneration = live_->lastRecord();
        live_.reset();
    }
    running_ = false;
    emit finished(outcome_);
}

}  // namespace zarudiv
