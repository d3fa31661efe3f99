// Wall time of one campaign in the real window, driven through its test
// hooks: the scroll bars set, "Save Option", " EVOLUTION", then the event loop
// runs until the campaign has ended. Run it on a display (xvfb-run).
//   zarudiv_window_bench G M P SEED [FRAME_MS]   -> prints the seconds

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/campaignsession.h"
#include "app/tform1.h"

int main(int argc, char* argv[])
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: zarudiv_window_bench GENERATIONS MUTANTS STEP SEED [FRAME_MS]\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    zarudiv::TForm1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    form.ScrollBar1->setValue(std::atoi(argv[1]));
    form.ScrollBar2->setValue(std::atoi(argv[2]) == 1 ? 2 : 1);
    form.ScrollBar2->setValue(std::atoi(argv[2]));
    form.ScrollBar3->setValue(std::atoi(argv[3]));
    form.Button3->click();
    form.campaignSeed = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10));
    if (argc == 6)
        form.campaign().setFrameInterval(std::atoi(argv[5]));

    // The event loop runs as in the program: it sleeps until something happens.
    QEventLoop loop;
    QObject::connect(&form.campaign(), &zarudiv::CampaignSession::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    form.Button1->click();
    if (form.campaign().isRunning())
        loop.exec();
    std::printf("%.3f\n", static_cast<double>(clock.nsecsElapsed()) / 1e9);
    return 0;
}
