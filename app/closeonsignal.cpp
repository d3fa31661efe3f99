#include "app/closeonsignal.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>

#include "edge/signals.h"

namespace zarudiv {

void closeOnSignals(QWidget& window)
{
    // The handler writes a byte to one end; the event loop reads the other.
    static int signalPipe[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (::read(signalPipe[1], bytes, sizeof bytes) > 0) {
        }
        window.close();
    });
    InstallStopSignals({nullptr, signalPipe[0]});
}

}  // namespace zarudiv
