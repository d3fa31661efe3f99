#pragma once
// The processes of a series that an MPI launcher (mpirun, srun) started.
// Only the thread that opened the session calls MPI (MPI_THREAD_FUNNELED):
// the campaigns run on other threads and never touch it.

#include <functional>
#include <optional>
#include <string>

namespace zarudiv {

// What the series' messages are about.
enum MessageTag : int {
    kTagHello = 1,  // a process to rank 0: its threads and host
    kTagJob,        // rank 0 to a process: a run
    kTagOutcome,    // a process to rank 0: what became of a run
    kTagStop,       // rank 0 to a process: abandon the runs in flight
    kTagFinish,     // rank 0 to a process: no more runs, end
    kTagBye,        // a process to rank 0: ending
    kTagStopping,   // a process to rank 0: a stop signal reached it, stop the series
    kTagOutcomes,   // a process to rank 0: what became of several runs
    kTagProgress,   // a process to rank 0: where its runs in flight have got to
};

class MpiSession {
public:
    // The number of processes of the job that an MPI launcher started this
    // process in, as the launcher's environment says; 1 without a launcher.
    // The series opens a session only for more than one: a process alone
    // runs without MPI (mpirun -np 1, or a shell that srun started, which
    // inherits the launcher's variables).
    static int LaunchedSize();

    // Throws std::runtime_error when MPI cannot give the thread support.
    MpiSession(int& argc, char**& argv);
    ~MpiSession();
    MpiSession(const MpiSession&) = delete;
    MpiSession& operator=(const MpiSession&) = delete;

    int rank() const { return rank_; }
    int size() const { return size_; }

    // Ends every process of the job at once, for faults that leave no other way.
    [[noreturn]] static void Abort(int code);

private:
    int rank_ = 0;
    int size_ = 1;
};

// LaunchedSize from any environment: lookup(name) is the variable's value,
// or null.
int LaunchedSizeIn(const std::function<const char*(const char*)>& lookup);

void SendMessage(int rank, MessageTag tag, const std::string& bytes);

struct Message {
    int source = 0;
    int tag = 0;
    std::string bytes;
};
// The next message from source (any rank: -1) with tag (any: -1), if one has
// arrived; never waits for one.
std::optional<Message> ReceiveIfAny(int source, int tag);

}  // namespace zarudiv
