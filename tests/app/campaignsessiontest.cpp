// The window's campaign session without a window: it runs the campaign on a
// worker, hands out frames and its end, and its end is the campaign's own.

#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <memory>

#include "app/campaignsession.h"
#include "tests/app/formfixture.h"
#include "plots/canvas.h"
#include "plots/canvas_display.h"
#include "protocol/protocol_file.h"

namespace zarudiv {

class CampaignSessionTest : public QObject {
    Q_OBJECT
private slots:
    void itsEndIsTheCampaignsResultAndPictures();
};

void CampaignSessionTest::itsEndIsTheCampaignsResultAndPictures()
{
    ScratchDirectory scratch;
    const Campaign campaign{40, 12, 600, true, 2024u};

    // The same campaign straight through the driver, onto canvases of its own.
    std::array<std::unique_ptr<Canvas>, kPlotRoles.size()> direct, session;
    CanvasDisplay directDisplay;
    SessionSurfaces surfaces;
    for (std::size_t i = 0; i < kPlotRoles.size(); ++i) {
        direct[i] = std::make_unique<Canvas>(120, 90);
        session[i] = std::make_unique<Canvas>(120, 90);
        directDisplay.attach(kPlotRoles[i], direct[i].get());
        surfaces.canvases[i] = session[i].get();
        surfaces.texts[i % kTextRoles.size()] = "before";
    }
    ProtocolFile memory;
    OpenProtocolInMemory(memory, "p.doc");
    const CampaignResult expected = RunCampaign(campaign, {directDisplay, memory});

    CampaignSession worker;
    worker.setFrameInterval(1);
    QSignalSpy frames(&worker, &CampaignSession::frameReady);
    QSignalSpy finished(&worker, &CampaignSession::finished);
    worker.start(CampaignRequest{"p.doc", campaign, {}}, surfaces);
    QVERIFY(worker.isRunning());
    QVERIFY(finished.wait(60000));
    QVERIFY(!worker.isRunning());

    const auto outcome = finished.takeFirst().at(0).value<CampaignOutcome>();
    QVERIFY(outcome.result.has_value());
    QVERIFY(outcome.error.empty());
    QCOMPARE(outcome.result->bestQ, expected.bestQ);
    QVERIFY(outcome.result->bestLaw == expected.bestLaw);
    QVERIFY(outcome.result->generator == expected.generator);
    QCOMPARE(outcome.lastGeneration->generation, 40);
    // The frames counted up, and the last state is the campaign's last texts and pictures.
    for (int i = 1; i < frames.size(); ++i)
        QVERIFY(frames.at(i).at(0).value<ScreenFrame>().number >
                frames.at(i - 1).at(0).value<ScreenFrame>().number);
    QCOMPARE(outcome.finalFrame.texts[static_cast<std::size_t>(TextRole::Generation)],
             std::string("40 von  40"));
    for (std::size_t i = 0; i < kPlotRoles.size(); ++i)
        QCOMPARE(outcome.finalFrame.pictures[i], direct[i]->bitmap());
    // The protocol went to the file the request named.
    QVERIFY(QFile::exists(QStringLiteral("p.doc")));
}

int runCampaignSessionTest(int argc, char* argv[])
{
    CampaignSessionTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

Q_DECLARE_METATYPE(zarudiv::CampaignOutcome)
Q_DECLARE_METATYPE(zarudiv::ScreenFrame)

#include "campaignsessiontest.moc"
