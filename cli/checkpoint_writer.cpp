#include "cli/checkpoint_writer.h"

#include "campaign/checkpoint_file.h"

namespace zarudiv {

CheckpointWriter::CheckpointWriter(std::string path, std::chrono::seconds every)
    : path_(std::move(path)), every_(every), last_(std::chrono::steady_clock::now())
{
}

bool CheckpointWriter::due(int /*generation*/)
{
    return std::chrono::steady_clock::now() - last_ >= every_;
}

void CheckpointWriter::take(const CampaignState& state)
{
    const std::string problem = WriteCheckpointFile(path_, state);
    if (!problem.empty() && error_.empty())
        error_ = problem;
    last_ = std::chrono::steady_clock::now();
}

std::string CheckpointWriter::finish(const CampaignState& state)
{
    take(state);
    return error_;
}

}  // namespace zarudiv
