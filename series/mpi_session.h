#pragma once
// The processes of a series that an MPI launcher (mpirun, srun) started.
// Only the thread that opened the session calls MPI (MPI_THREAD_FUNNELED):
// the campaigns run on other threads and never touch it.

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
};

class MpiSession {
public:
    // True when an MPI launcher started this process: then the session is
    // opened, else the series runs without MPI (and without a launcher).
    static bool Launched();

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
