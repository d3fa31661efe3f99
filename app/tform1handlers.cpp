// The handlers of the parameter scroll bars and the three commands.

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <exception>
#include <optional>

#include "app/commandglobals.h"
#include "app/imagearea.h"
#include "app/tform1.h"
#include "campaign/campaign.h"
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
    Edit1->setText(QString::number(maxGenerationen) + QStringLiteral("   GENERATIONEN"));
}

// Bound to no control. It takes the number from the scroll bar, not from the field.
void TForm1::Edit2Change(QObject* Sender) { ScrollBar2Change(Sender); }

void TForm1::ScrollBar2Change(QObject* /*Sender*/)
{
    maxMutanten = ScrollBar2->value();
    setProgressMaximum(ProgressBar2, maxMutanten);
    Edit2->setText(QString::number(maxMutanten) + QStringLiteral("   MUTANTEN"));
}

void TForm1::ScrollBar3Change(QObject* /*Sender*/)
{
    StartSchrittweite = StepWidthOf(ScrollBar3->value());
    const long long shown = std::llrint(StartSchrittweite * kStepScale);
    Edit3->setText(QString::number(shown) + QStringLiteral(" ppm SCHRITTWEITE BEI START"));
}

void TForm1::Button2Click(QObject* /*Sender*/)
{
    const std::optional<QString> error = errorOf([&] { NewQualityDiagram(*display_); });
    // The new diagram reaches the screen with the next ordinary repaint.
    Image1->update();
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
    Edit10->setText(QStringLiteral("   DIMENSION =  ") + QString::number(Dimension));
}

void TForm1::BitBtn2Click(QObject* /*Sender*/) { bitBtn2Flag = 0; }

void TForm1::CheckBox1Click(QObject* /*Sender*/) { checkBox1Flag = 1; }

// The file name is always the list's first entry: neither what the user typed
// into the field nor the entry chosen from the list counts.
void TForm1::Button1Click(QObject* /*Sender*/)
{
    saveFileName = CutFileName(ComboBox2->itemText(0).toStdString());
    CampaignSettings settings;
    settings.maxGenerationen = maxGenerationen;
    settings.maxMutanten = maxMutanten;
    settings.StartSchrittweite = StartSchrittweite;
    settings.saveOption = saveOption == 1;
    const std::optional<QString> error = errorOf(
        [&] { RunEvolutionCommand(saveFileName, settings, campaignSeed, RandSeed, *display_); });
    // What the campaign drew stays, also when it ended with an error.
    scheduleImageRepaints();
    if (error)
        showCommandError(this, *error);
}

void TForm1::Button3Click(QObject* /*Sender*/)
{
    saveOption = 1;
    Button3->setText(QStringLiteral("SAVE"));
}

}  // namespace zarudiv
