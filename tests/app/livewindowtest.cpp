// The window while a campaign runs beside its event loop: what the frames
// show, input that is ignored, stopping with Esc and by closing, and the
// journal of campaigns.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <array>
#include <vector>

#include "app/campaignjournal.h"
#include "app/campaignsession.h"
#include "app/commandglobals.h"
#include "campaign/campaign.h"
#include "protocol/protocol_file.h"
#include "tests/app/apptests.h"
#include "tests/app/formfixture.h"

namespace zarudiv {

namespace {

const QString kProtocol = QStringLiteral("C:/QX_000_000.doc");
const QString kJournal = QStringLiteral("C:/zarudiv-journal.csv");

void setParameters(TForm1& form, int generations, int mutants, int stepPpm)
{
    form.ScrollBar1->setValue(generations);
    form.ScrollBar2->setValue(50);
    form.ScrollBar2->setValue(mutants);
    form.ScrollBar3->setValue(stepPpm);
}

// What the bottom bar shows: the four campaign fields and the two bars.
struct BarState {
    std::array<QString, 4> texts;
    int generation = 0;
    int mutant = 0;
    bool operator==(const BarState&) const = default;
};

BarState barStateOf(const TForm1& form)
{
    return {{form.Edit4->text(), form.Edit5->text(), form.Edit6->text(), form.Edit8->text()},
            form.ProgressBar1->value(),
            form.ProgressBar2->value()};
}

// Every state of the bottom bar that a campaign passes through, in order: a
// field is repainted with what it holds before it takes its new text.
class BarStates : public CampaignDisplay {
public:
    explicit BarStates(const BarState& start) : screen_(start)
    {
        for (std::size_t i = 0; i < 4; ++i)
            current_[i] = start.texts[i];
        states.push_back(screen_);
    }
    void setGenerationProgress(int g) override { screen_.generation = g; states.push_back(screen_); }
    void setMutantProgress(int m) override { screen_.mutant = m; states.push_back(screen_); }
    void showText(TextRole role, const std::string& text) override
    {
        const auto i = static_cast<std::size_t>(role);
        screen_.texts[i] = current_[i];
        current_[i] = QString::fromStdString(text);
        states.push_back(screen_);
    }
    BarState last() const
    {
        BarState state = screen_;
        state.texts = current_;
        return state;
    }

    std::vector<BarState> states;

private:
    BarState screen_;
    std::array<QString, 4> current_;
};

// Answers every message box that comes up and remembers its texts.
class MessageBoxes : public QObject {
public:
    MessageBoxes()
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

// The rows of the journal, header first.
QList<QStringList> journalRows()
{
    QList<QStringList> rows;
    for (const QByteArray& line : fileBytes(kJournal).split('\n'))
        if (!line.isEmpty())
            rows << QString::fromUtf8(line).split(QLatin1Char(','));
    return rows;
}

int rowsOf(const QByteArray& protocol) { return static_cast<int>(protocol.count("*   \r\n")); }

// Waits until the running campaign has reached a generation.
bool waitForGeneration(TForm1& form, int generation)
{
    return QTest::qWaitFor([&] { return form.ProgressBar1->value() >= generation; }, 60000);
}

}  // namespace

class LiveWindowTest : public QObject {
    Q_OBJECT
private slots:
    void framesShowOnlyStatesTheCampaignPassesThrough();
    void scrollBarsAndCommandsIgnoreInputWhileACampaignRuns();
    void escapeStopsAfterTheGenerationWithItsRowsKept();
    void closingStopsTheCampaignAndClosesWithoutAMessage();
    void theJournalsRowRepeatsTheCampaignInTheRunner();
    void aProtocolInUseIsRefusedWithAMessage();
    void aJournalThatCannotBeWrittenDoesNotStopTheCampaign();
    void longTextsShowTheirStartAndTheListItsLines();
};

void LiveWindowTest::framesShowOnlyStatesTheCampaignPassesThrough()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 120, 30, 700);
    form->campaignSeed = 99u;
    form->campaign().setFrameInterval(1);

    // The campaign's states, from the same campaign run without a window.
    BarStates expected(barStateOf(*form));
    {
        ProtocolFile memory;
        OpenProtocolInMemory(memory, "p.doc");
        Campaign campaign;
        campaign.generations = 120;
        campaign.mutants = 30;
        campaign.stepPpm = 700;
        campaign.seed = 99u;
        RunCampaign(campaign, {expected, memory});
    }

    std::vector<BarState> frames;
    // The form applies each frame first: it connected before the test.
    connect(&form->campaign(), &CampaignSession::frameReady, this,
            [&] { frames.push_back(barStateOf(*form)); });
    form->Button1Click(form->Button1);
    waitForCampaign(*form);

    QVERIFY2(frames.size() >= 10, qPrintable(QString::number(frames.size())));
    // Each frame is one of the states, and they come in the campaign's order.
    std::size_t at = 0;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        while (at < expected.states.size() && !(expected.states[at] == frames[f]))
            ++at;
        QVERIFY2(at < expected.states.size(),
                 qPrintable(QStringLiteral("frame %1 shows %2 | %3 | %4 | %5 | %6 | %7")
                                .arg(f)
                                .arg(frames[f].texts[0], frames[f].texts[1], frames[f].texts[2],
                                     frames[f].texts[3])
                                .arg(frames[f].generation)
                                .arg(frames[f].mutant)));
    }
    // Once it has ended, the window shows the campaign's last texts.
    QVERIFY(barStateOf(*form) == expected.last());
}

void LiveWindowTest::scrollBarsAndCommandsIgnoreInputWhileACampaignRuns()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 3000, 20, 500);
    MessageBoxes boxes;
    form->Button1Click(form->Button1);
    QVERIFY(waitForGeneration(*form, 2));

    QTest::mouseClick(form->ScrollBar1, Qt::LeftButton, {}, QPoint(form->ScrollBar1->width() - 4, 8));
    form->ScrollBar3->setFocus();
    QTest::keyClick(form->ScrollBar3, Qt::Key_Right);
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QTest::keyClick(form->Button3, Qt::Key_Space);
    QVERIFY(form->campaign().isRunning());
    QCOMPARE(form->ScrollBar1->value(), 3000);
    QCOMPARE(form->ScrollBar3->value(), 500);
    QCOMPARE(form->Button2->text(), QStringLiteral("GRA ?"));
    QCOMPARE(form->Button3->text(), QStringLiteral("Save Option"));
    QCOMPARE(saveOption, std::uint8_t{0});

    QTest::keyClick(form.operator->(), Qt::Key_Escape);
    waitForCampaign(*form);
    QTest::qWait(50);
    // Nothing was queued to run afterwards.
    QCOMPARE(form->ScrollBar1->value(), 3000);
    QCOMPARE(maxGenerationen, 3000);
    QCOMPARE(form->Button2->text(), QStringLiteral("GRA ?"));
    QCOMPARE(saveOption, std::uint8_t{0});
    QVERIFY(!form->campaign().isRunning());
    QCOMPARE(journalRows().size(), 2);  // the header and one campaign
    // And the commands work again.
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(form->Button3->text(), QStringLiteral("SAVE"));
}

void LiveWindowTest::escapeStopsAfterTheGenerationWithItsRowsKept()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 2000, 30, 600);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    form->campaignSeed = 5u;
    MessageBoxes boxes;
    form->Button1Click(form->Button1);
    QVERIFY(waitForGeneration(*form, 3));
    QTest::keyClick(form.operator->(), Qt::Key_Escape);
    waitForCampaign(*form);
    QTRY_COMPARE(boxes.texts.size(), 1);

    const QByteArray protocol = fileBytes(kProtocol);
    const int rows = rowsOf(protocol);
    QVERIFY(rows >= 3 && rows < 2000);
    QCOMPARE(boxes.texts.first(),
             QStringLiteral("Die Kampagne wurde nach Generation %1 von 2000 abgebrochen.").arg(rows));
    QCOMPARE(form->Edit4->text(), QStringLiteral("%1 von  2000").arg(rows));
    QVERIFY(!protocol.contains("END of Savefile"));
    QVERIFY(!protocol.contains("Datenanalyse"));
    QVERIFY(protocol.endsWith("*   \r\n"));
    const QList<QStringList> journal = journalRows();
    QCOMPARE(journal.last().at(6), QStringLiteral("stopped"));
    QCOMPARE(journal.last().at(7), QString::number(rows));

    // Its checkpoint, named in the journal, goes on in the runner to the
    // runner's own campaign of the journal's seed (here a few generations on).
    const QString checkpoint = journal.last().at(12);
    QVERIFY2(checkpoint.startsWith(QStringLiteral("C:/zarudiv-checkpoint-")), qPrintable(checkpoint));
    const QString further = QString::number(rows + 3);
    QProcess continued;
    continued.start(QStringLiteral(ZARUDIV_RUN),
                    {QStringLiteral("--continue"), checkpoint, QStringLiteral("--generations"), further,
                     QStringLiteral("--protocol"), QStringLiteral("continued.doc")});
    QProcess unbroken;
    unbroken.start(QStringLiteral(ZARUDIV_RUN),
                   {QStringLiteral("--generations"), further, QStringLiteral("--mutants"), QStringLiteral("30"),
                    QStringLiteral("--step"), QStringLiteral("600"), QStringLiteral("--seed"), journal.last().at(1),
                    QStringLiteral("--save"), QStringLiteral("--protocol"), QStringLiteral("unbroken.doc")});
    QVERIFY(continued.waitForFinished(60000) && unbroken.waitForFinished(60000));
    QCOMPARE(continued.exitCode(), 0);
    QCOMPARE(unbroken.exitCode(), 0);
    const QByteArray fromCheckpoint = fileBytes(QStringLiteral("continued.doc"));
    const QByteArray fromScratch = fileBytes(QStringLiteral("unbroken.doc"));
    QVERIFY(fromCheckpoint.contains("END of Savefile"));
    QCOMPARE(fromCheckpoint.mid(fromCheckpoint.indexOf("\r\n")), fromScratch.mid(fromScratch.indexOf("\r\n")));

    // The next campaign runs to its end.
    setParameters(*form, 4, 3, 600);
    form->Button1Click(form->Button1);
    waitForCampaign(*form);
    QCOMPARE(rowsOf(fileBytes(kProtocol)), 4);
    QVERIFY(fileBytes(kProtocol).contains("END of Savefile"));
    QCOMPARE(journalRows().last().at(6), QStringLiteral("done"));
    QCOMPARE(journalRows().last().at(12), QString());  // only a stopped campaign leaves a checkpoint
    QCOMPARE(boxes.texts.size(), 1);
}

void LiveWindowTest::closingStopsTheCampaignAndClosesWithoutAMessage()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 5000, 40, 600);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    MessageBoxes boxes;
    form->Button1Click(form->Button1);
    QVERIFY(waitForGeneration(*form, 2));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);  // "Schließen"
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
    QVERIFY(!form->campaign().isRunning());
    QCOMPARE(boxes.texts, QStringList());
    const QByteArray protocol = fileBytes(kProtocol);
    QVERIFY(rowsOf(protocol) >= 2);
    QVERIFY(!protocol.contains("END of Savefile"));
    QCOMPARE(journalRows().last().at(6), QStringLiteral("stopped"));
}

void LiveWindowTest::theJournalsRowRepeatsTheCampaignInTheRunner()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 6, 4, 800);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    // No seed is given: the clock picks it, and the journal tells it.
    form->Button1Click(form->Button1);
    waitForCampaign(*form);
    form->Button1Click(form->Button1);
    waitForCampaign(*form);

    const QList<QStringList> rows = journalRows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.first().join(QLatin1Char(',')), QString::fromLatin1(kJournalHeader));
    const QStringList& row = rows.last();
    QCOMPARE(row.size(), 13);
    QVERIFY(QDateTime::fromString(row.at(0), Qt::ISODate).isValid());
    QCOMPARE(row.mid(2, 4), (QStringList{QStringLiteral("6"), QStringLiteral("4"),
                                         QStringLiteral("800"), QStringLiteral("1")}));
    QCOMPARE(row.at(6), QStringLiteral("done"));
    QCOMPARE(row.at(7), QStringLiteral("6"));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9]+\\.[0-9]{10}$")).match(row.at(8)).hasMatch());
    QCOMPARE(row.at(9), QString());
    QCOMPARE(row.at(10), kProtocol);
    // The best law lies beside the journal, named after the campaign's start and seed.
    QVERIFY2(row.at(11).startsWith(QStringLiteral("C:/zarudiv-law-")) &&
                 row.at(11).endsWith(QStringLiteral("-") + row.at(1) + QStringLiteral(".law")),
             qPrintable(row.at(11)));
    QVERIFY(row.at(11) != rows.at(1).at(11));

    QVERIFY(QDir().mkpath(QStringLiteral("runner")));
    QProcess runner;
    runner.setWorkingDirectory(QStringLiteral("runner"));
    runner.start(QStringLiteral(ZARUDIV_RUN),
                 {QStringLiteral("--generations"), row.at(2), QStringLiteral("--mutants"), row.at(3),
                  QStringLiteral("--step"), row.at(4), QStringLiteral("--seed"), row.at(1),
                  QStringLiteral("--save"), QStringLiteral("--law-out"), QStringLiteral("best.law")});
    QVERIFY(runner.waitForFinished(60000));
    QCOMPARE(runner.exitCode(), 0);
    const QByteArray fromRunner = fileBytes(QStringLiteral("runner/") + kProtocol);
    QVERIFY(!fromRunner.isEmpty());
    QCOMPARE(fromRunner, fileBytes(kProtocol));
    QCOMPARE(fileBytes(QStringLiteral("runner/best.law")), fileBytes(row.at(11)));
    // The runner's summary tells the same best Q.
    QVERIFY(QString::fromUtf8(runner.readAllStandardOutput()).contains(QStringLiteral("best Q ") + row.at(8)));
}

void LiveWindowTest::aProtocolInUseIsRefusedWithAMessage()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 3, 2, 500);
    ProtocolFile other;
    OpenProtocol(other, kProtocol.toStdString());
    MessageBoxes boxes;
    form->Button1Click(form->Button1);
    waitForCampaign(*form);
    QTRY_COMPARE(boxes.texts, QStringList{QStringLiteral("Datei wird von einem anderen Programm verwendet")});
    QCOMPARE(form->Edit4->text(), QStringLiteral("Edit4"));
    const QStringList row = journalRows().last();
    QCOMPARE(row.at(6), QStringLiteral("failed"));
    QCOMPARE(row.at(9), QStringLiteral("Datei wird von einem anderen Programm verwendet"));
    CloseProtocol(other);
}

void LiveWindowTest::aJournalThatCannotBeWrittenDoesNotStopTheCampaign()
{
    ScratchDirectory scratch;
    QVERIFY(QDir().mkpath(kJournal));  // a directory where the journal should be
    FreshForm form;
    setParameters(*form, 3, 2, 500);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    MessageBoxes boxes;
    form->Button1Click(form->Button1);
    waitForCampaign(*form);
    QTest::qWait(50);
    QCOMPARE(boxes.texts, QStringList());
    QCOMPARE(rowsOf(fileBytes(kProtocol)), 3);
    QVERIFY(fileBytes(kProtocol).contains("END of Savefile"));
    QCOMPARE(form->Edit4->text(), QStringLiteral("3 von  3"));
}

void LiveWindowTest::longTextsShowTheirStartAndTheListItsLines()
{
    ScratchDirectory scratch;
    FreshForm form;
    // Mutants never moved: no mutant, and best Q stays at ten million.
    form->ScrollBar1->setValue(2);
    form->Button1Click(form->Button1);
    waitForCampaign(*form);
    QCOMPARE(form->Edit8->text(), QStringLiteral("(MINIMIZE Q) Q(G) = 10000000"));
    QVERIFY(form->Edit8->fontMetrics().horizontalAdvance(form->Edit8->text()) > form->Edit8->width());
    QCOMPARE(form->Edit8->cursorPosition(), 0);

    const QFontMetrics metrics(form->ComboBox1->view()->font());
    int widest = 0;
    for (int i = 0; i < form->ComboBox1->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(form->ComboBox1->itemText(i)));
    QVERIFY(form->ComboBox1->view()->minimumWidth() > widest);
    QCOMPARE(form->ComboBox1->view()->textElideMode(), Qt::ElideNone);
}

int runLiveWindowTest(int argc, char* argv[])
{
    LiveWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "livewindowtest.moc"
