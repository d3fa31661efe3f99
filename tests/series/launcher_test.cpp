// Whether a process is one of an MPI job's: only a launcher's job of more
// than one process makes the series open MPI.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "series/mpi_session.h"

namespace {

int SizeIn(const std::map<std::string, std::string>& environment)
{
    return zarudiv::LaunchedSizeIn([&](const char* name) -> const char* {
        const auto at = environment.find(name);
        return at == environment.end() ? nullptr : at->second.c_str();
    });
}

TEST(LauncherTest, OnlyAJobOfMoreThanOneProcessUsesMpi)
{
    struct Case {
        const char* what;
        std::map<std::string, std::string> environment;
        int size;
    };
    const Case cases[] = {
        {"no launcher", {{"HOME", "/root"}}, 1},
        {"mpirun -np 4", {{"OMPI_COMM_WORLD_SIZE", "4"}, {"OMPI_COMM_WORLD_RANK", "2"}}, 4},
        {"mpirun -np 1", {{"OMPI_COMM_WORLD_SIZE", "1"}}, 1},
        {"srun --mpi=pmix -n 8", {{"PMIX_RANK", "3"}, {"SLURM_STEP_NUM_TASKS", "8"}}, 8},
        {"a shell srun --pty started", {{"PMIX_RANK", "0"}, {"SLURM_STEP_NUM_TASKS", "1"}}, 1},
        {"PMIx without a size", {{"PMIX_RANK", "0"}}, 1},
        {"srun --mpi=pmi2 -n 3", {{"PMI_RANK", "1"}, {"PMI_SIZE", "3"}}, 3},
        {"a rank without a size", {{"PMI_RANK", "0"}}, 1},
        {"a size that is no number", {{"OMPI_COMM_WORLD_SIZE", "4x"}}, 1},
        {"mpirun inside srun --pty",
         {{"PMIX_RANK", "0"}, {"SLURM_STEP_NUM_TASKS", "1"}, {"OMPI_COMM_WORLD_SIZE", "2"}}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SizeIn(c.environment), c.size) << c.what;
}

}  // namespace
