// The window's test classes, run one after the other in one application.

#include <QApplication>

#include "tests/app/apptests.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    int failures = 0;
    for (auto run : {zarudiv::runDisplayCheckTest, zarudiv::runStartupStateTest, zarudiv::runLayoutTest,
                     zarudiv::runCommandsTest, zarudiv::runEvolutionCommandTest,
                     zarudiv::runLiveWindowTest, zarudiv::runCampaignSessionTest,
                     zarudiv::runJournalTest})
        failures += run(argc, argv) != 0 ? 1 : 0;
    return failures == 0 ? 0 : 1;
}
