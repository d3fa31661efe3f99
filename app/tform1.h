#pragma once
// The main window: five panels laid out by their alignment, every control at
// its fixed place on its panel, and the handlers of the parameter scroll bars
// and the three commands.

#include <QWidget>
#include <cstdint>
#include <optional>

#include "app/campaignjournal.h"
#include "app/windowroles.h"
#include "plots/canvas_display.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;

namespace zarudiv {

class CampaignSession;
struct ScreenFrame;
struct CampaignOutcome;
class ImageArea;
class Panel;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    Panel* Panel1 = nullptr;
    Panel* Panel2 = nullptr;
    Panel* Panel3 = nullptr;
    Panel* Panel4 = nullptr;
    Panel* Panel5 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QScrollBar* ScrollBar2 = nullptr;
    QScrollBar* ScrollBar3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* Edit9 = nullptr;
    QScrollBar* ScrollBar4 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    ImageArea* Image2 = nullptr;
    ImageArea* Image3 = nullptr;
    Panel* Panel6 = nullptr;
    Panel* Panel7 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    ImageArea* Image7 = nullptr;
    ImageArea* Image8 = nullptr;
    ImageArea* Image9 = nullptr;
    ImageArea* Image1 = nullptr;
    Panel* Panel8 = nullptr;
    ImageArea* Image10 = nullptr;
    ImageArea* Image4 = nullptr;
    QPushButton* Button1 = nullptr;
    ImageArea* Image5 = nullptr;
    ImageArea* Image6 = nullptr;
    ImageArea* Image11 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    Panel* Panel10 = nullptr;
    Panel* Panel11 = nullptr;
    Panel* Panel12 = nullptr;
    QPushButton* Button3 = nullptr;

    void ScrollBar1Change(QObject* Sender);
    void Edit2Change(QObject* Sender);
    void ScrollBar2Change(QObject* Sender);
    void ScrollBar3Change(QObject* Sender);
    void Button2Click(QObject* Sender);
    void ScrollBar4Change(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Button3Click(QObject* Sender);

    // When set, " EVOLUTION" seeds the generator with it instead of the clock,
    // so that a campaign run from the window can be repeated exactly.
    std::optional<std::uint32_t> campaignSeed;

    // The campaign that runs beside the event loop.
    CampaignSession& campaign() { return *session_; }

    // Sets a display field's text with its start in view: a text wider than
    // the field shows its beginning.
    static void showFieldText(QLineEdit* field, const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createPanels();
    void createBottomBar();
    void createQualityPanel();
    void createPlotArea();
    void nameControls();
    void arrangeTabOrder();
    void connectHandlers();
    void layOutPanels();
    void fitUserInformationList();
    void guardCommandsDuringCampaigns();
    void campaignFinished(const CampaignOutcome& outcome);
    // Shows a frame of the running campaign on the controls of its roles.
    void applyFrame(const ScreenFrame& frame);

    // The pictures "GRA ?" draws on the user-interface thread.
    CanvasDisplay pictures_;
    WindowRoles roles_;
    CampaignSession* session_ = nullptr;
    // Why the running campaign was asked to stop.
    bool stopByEscape_ = false;
    bool closeAfterCampaign_ = false;
    JournalEntry journalEntry_;
};

// The one main window; every part of the program reaches the controls through it.
extern TForm1* Form1;

}  // namespace zarudiv
