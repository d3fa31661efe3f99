#include "series/mpi_session.h"

#include <mpi.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace zarudiv {

namespace {

// A job's size as a launcher writes it: a whole number from 1 on, else 1.
int SizeFrom(const char* text)
{
    if (!text || *text == '\0')
        return 1;
    char* end = nullptr;
    errno = 0;
    const long size = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || size < 1 || size > std::numeric_limits<int>::max())
        return 1;
    return static_cast<int>(size);
}

}  // namespace

int LaunchedSizeIn(const std::function<const char*(const char*)>& lookup)
{
    // Open MPI's mpirun; a PMI launcher (MPICH's, srun --mpi=pmi2).
    for (const char* name : {"OMPI_COMM_WORLD_SIZE", "PMI_SIZE"})
        if (const char* size = lookup(name))
            return SizeFrom(size);
    // srun --mpi=pmix names the rank only; the step's task count is the size.
    if (lookup("PMIX_RANK"))
        return SizeFrom(lookup("SLURM_STEP_NUM_TASKS"));
    return 1;
}

int MpiSession::LaunchedSize()
{
    return LaunchedSizeIn([](const char* name) -> const char* { return std::getenv(name); });
}

MpiSession::MpiSession(int& argc, char**& argv)
{
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    if (provided < MPI_THREAD_FUNNELED) {
        MPI_Finalize();
        throw std::runtime_error("the MPI library does not allow threads (MPI_THREAD_FUNNELED)");
    }
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
}

MpiSession::~MpiSession() { MPI_Finalize(); }

void MpiSession::Abort(int code)
{
    MPI_Abort(MPI_COMM_WORLD, code);
    std::abort();
}

void SendMessage(int rank, MessageTag tag, const std::string& bytes)
{
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("a series message of more than 2 GiB");
    MPI_Send(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, rank, tag, MPI_COMM_WORLD);
}

std::optional<Message> ReceiveIfAny(int source, int tag)
{
    int waiting = 0;
    MPI_Status status;
    MPI_Iprobe(source < 0 ? MPI_ANY_SOURCE : source, tag < 0 ? MPI_ANY_TAG : tag, MPI_COMM_WORLD,
               &waiting, &status);
    if (!waiting)
        return std::nullopt;
    int count = 0;
    MPI_Get_count(&status, MPI_BYTE, &count);
    Message message;
    message.source = status.MPI_SOURCE;
    message.tag = status.MPI_TAG;
    message.bytes.resize(static_cast<std::size_t>(count));
    MPI_Recv(message.bytes.data(), count, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG,
             MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return message;
}

}  // namespace zarudiv
