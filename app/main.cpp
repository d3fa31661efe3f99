#include <QApplication>
#include <cstdio>

#include "displaycheck.h"
#include "tform1.h"

int main(int argc, char* argv[])
{
    if (!zarudiv::displayAvailable(zarudiv::currentDisplayEnvironment(argc, argv))) {
        std::fputs(zarudiv::noDisplayMessage().c_str(), stderr);
        return 1;
    }
    QApplication application(argc, argv);
    zarudiv::TForm1 form;  // makes itself the program's Form1
    form.show();
    return QApplication::exec();
}
