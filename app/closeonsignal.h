#pragma once
// SIGINT and SIGTERM close the window as its close box does: a running
// campaign is stopped at the end of its generation, its protocol keeps its
// rows, the journal gets its row, and the program ends. The signal handler
// only writes a byte to a pipe; the event loop does the rest. A second
// signal of the same kind ends the program at once; a signal the parent
// ignored stays ignored.

class QWidget;

namespace zarudiv {

void closeOnSignals(QWidget& window);

}  // namespace zarudiv
