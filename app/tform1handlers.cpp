// The handlers of the parameter scroll bars and the three commands.

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>

#include "app/campaignjournal.h"
#include "app/campaignsession.h"
#include "app/commandglobals.h"
#include "app/imagearea.h"
#include "app/tform1.h"
#include "campaign/campaign.h"
#include "campaign/checkpoint_file.h"
#include "campaign/law_file.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

namespace {

// A progress bar whose maximum drops below its position keeps showing it as full.
void setProgressMaximum(QProgressBar* bar, int maximum)
{
    if (bar->value() > maximum)
        bar->setValue(maximum);
    bar->setMaximum(maximum);
}

// An error ends the command, never the event loop: its message is shown and
// the window carries on with what it shows.
void showCommandError(QWidget* parent, const QString& message)
{
    QMessageBox::critical(parent, QCoreApplication::applicationName(), message);
}

// Runs the steps of a command; the message of the error that ended them, if any.
template <typename Steps>
std::optional<QString> errorOf(Steps&& steps)
{
    try {
        steps();
        return std::nullopt;
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler");
    }
}

}  // namespace

void TForm1::ScrollBar1Change(QObject* /*Sender*/)
{
    maxGenerationen = ScrollBar1->value();
    setProgressMaximum(ProgressBar1, maxGenerationen);
    showFieldText(Edit1, QString::number(maxGenerationen) + QStringLiteral("   GENERATIONEN"));
}

// Bound to no control. It takes the number from the scroll bar, not from the field.
void TForm1::Edit2Change(QObject* Sender) { ScrollBar2Change(Sender); }

void TForm1::ScrollBar2Change(QObject* /*Sender*/)
{
    maxMutanten = ScrollBar2->value();
    setProgressMaximum(ProgressBar2, maxMutanten);
    showFieldText(Edit2, QString::number(maxMutanten) + QStringLiteral("   MUTANTEN"));
}

void TForm1::ScrollBar3Change(QObject* /*Sender*/)
{
    StartSchrittweite = StepWidthOf(ScrollBar3->value());
    const std::int64_t shown = StepPpmOf(StartSchrittweite);
    showFieldText(Edit3, QString::number(shown) + QStringLiteral(" ppm SCHRITTWEITE BEI START"));
}

void TForm1::Button2Click(QObject* /*Sender*/)
{
    const std::optional<QString> error = errorOf([&] { NewQualityDiagram(pictures_); });
    // The new diagram reaches the screen with the next ordinary repaint.
    Image1->showCanvas();
    if (error) {
        showCommandError(this, *error);
        return;
    }
    Button2->setText(QStringLiteral("neuGRA"));
    saveOption = 0;
    Button3->setText(QStringLiteral("Save that file ?"));
}

void TForm1::ScrollBar4Change(QObject* /*Sender*/)
{
    Dimension = ScrollBar4->value();
    showFieldText(Edit10, QStringLiteral("   DIMENSION =  ") + QString::number(Dimension));
}

void TForm1::BitBtn2Click(QObject* /*Sender*/) { bitBtn2Flag = 0; }

void TForm1::CheckBox1Click(QObject* /*Sender*/) { checkBox1Flag = 1; }

// The file name is always the list's first entry: neither what the user typed
// into the field nor the entry chosen from the list counts. The campaign runs
// beside the event loop; campaignFinished() takes it from there.
void TForm1::Button1Click(QObject* /*Sender*/)
{
    if (session_->isRunning())
        return;
    saveFileName = CutFileName(ComboBox2->itemText(0).toStdString());
    CampaignRequest request;
    request.protocol = saveFileName;
    request.campaign.generations = maxGenerationen;
    request.campaign.mutants = maxMutanten;
    request.campaign.stepPpm = StepPpmOf(StartSchrittweite);
    request.campaign.save = saveOption == 1;
    // The clock seeds the campaign as Randomize would; the seed is taken here
    // so that the journal and the terminal can tell it.
    request.campaign.seed = campaignSeed ? *campaignSeed : ClockSeed();

    journalEntry_ = JournalEntry{};
    journalEntry_.started = JournalTimeNow();
    journalEntry_.campaign = request.campaign;
    journalEntry_.protocol = request.protocol;
    std::fprintf(stderr, "zarudiv: campaign with seed %u; the same campaign without a window: %s\n",
                 request.campaign.seed, RepeatCommand(journalEntry_).c_str());

    SessionSurfaces surfaces;
    for (std::size_t i = 0; i < kPlotRoles.size(); ++i)
        surfaces.canvases[i] = &roles_.images[i]->canvas();
    for (std::size_t i = 0; i < kTextRoles.size(); ++i)
        surfaces.texts[i] = roles_.fields[i]->text().toStdString();
    stopByEscape_ = false;
    session_->start(request, surfaces);
}

void TForm1::applyFrame(const ScreenFrame& frame)
{
    for (std::size_t i = 0; i < kTextRoles.size(); ++i) {
        QLineEdit* field = roles_.fields[i];
        const QString text = QString::fromStdString(frame.texts[i]);
        if (field->text() != text)
            showFieldText(field, text);
    }
    // A progress bar repaints only for changes of some pixels; it shows its
    // exact place here.
    if (frame.generationProgress) {
        roles_.generationBar->setValue(*frame.generationProgress);
        roles_.generationBar->update();
    }
    if (frame.mutantProgress) {
        roles_.mutantBar->setValue(*frame.mutantProgress);
        roles_.mutantBar->update();
    }
    for (std::size_t i = 0; i < kPlotRoles.size(); ++i)
        roles_.images[i]->showPicture(frame.pictures[i]);
}

void TForm1::campaignFinished(const CampaignOutcome& outcome)
{
    applyFrame(outcome.finalFrame);
    const CampaignRequest& request = outcome.request;
    JournalEntry entry = journalEntry_;
    if (outcome.result) {
        // The window keeps the program's one generator as the campaign left it.
        RandSeed = outcome.result->generator;
        entry.outcome = outcome.result->stopped ? "stopped" : "done";
        entry.generationsDone = outcome.result->generationsDone;
        entry.bestQ = outcome.result->bestQ;
    } else {
        entry.outcome = "failed";
        entry.message = outcome.error;
        if (outcome.lastGeneration) {
            entry.generationsDone = outcome.lastGeneration->generation;
            entry.bestQ = outcome.lastGeneration->bestQ;
        }
    }
    const std::string journal = JournalPathFor(request.protocol);
    if (outcome.result) {
        // Every campaign that ends, done or stopped, leaves its best law beside the journal.
        const std::string law = LawPathFor(journal, entry);
        if (const std::string problem = WriteLawFile(law, LawRecordOf(*outcome.result));
            problem.empty())
            entry.law = law;
        else
            std::fprintf(stderr, "zarudiv: the law %s cannot be written (%s)\n", law.c_str(),
                         problem.c_str());
        // A stopped campaign can be continued with the runner from its checkpoint.
        if (outcome.result->stopped) {
            const std::string checkpoint = CheckpointPathFor(journal, entry);
            if (const std::string problem = WriteCheckpointFile(checkpoint, outcome.result->state);
                problem.empty())
                entry.checkpoint = checkpoint;
            else
                std::fprintf(stderr, "zarudiv: the checkpoint %s cannot be written (%s)\n",
                             checkpoint.c_str(), problem.c_str());
        }
    }
    if (const std::string problem = AppendToJournal(journal, entry); !problem.empty())
        std::fprintf(stderr, "zarudiv: the journal %s cannot be written (%s); the campaign is not affected\n",
                     journal.c_str(), problem.c_str());

    if (closeAfterCampaign_) {
        close();
        return;
    }
    if (!outcome.result)
        showCommandError(this, QString::fromStdString(outcome.error));
    else if (outcome.result->stopped && stopByEscape_)
        QMessageBox::information(this, QCoreApplication::applicationName(),
                                 QStringLiteral("Die Kampagne wurde nach Generation %1 von %2 "
                                                "abgebrochen.")
                                     .arg(outcome.result->generationsDone)
                                     .arg(request.campaign.generations));
}

void TForm1::Button3Click(QObject* /*Sender*/)
{
    saveOption = 1;
    Button3->setText(QStringLiteral("SAVE"));
}

}  // namespace zarudiv
