#include <QApplication>
#include <cstdio>

#include "app/closeonsignal.h"
#include "app/displaycheck.h"
#include "app/tform1.h"

int main(int /*argc*/, char* argv[])
{
    const zarudiv::DisplayEnvironment environment = zarudiv::currentDisplayEnvironment();
    if (!zarudiv::displayAvailable(environment)) {
        std::fputs(zarudiv::noDisplayMessage().c_str(), stderr);
        return 1;
    }
    if (!zarudiv::xDisplayReachable(environment)) {
        std::fputs(zarudiv::unreachableDisplayMessage(environment.display).c_str(), stderr);
        return 1;
    }
    // The program reads no command line: the toolkit sees only its name.
    int toolkitArgc = 1;
    zarudiv::guardWindowStartup();
    QApplication application(toolkitArgc, argv);
    zarudiv::endWindowStartupGuard();
    zarudiv::TForm1 form;  // makes itself the program's Form1
    zarudiv::closeOnSignals(form);
    form.show();
    return QApplication::exec();
}
