#include "cli/generation_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "edge/output_file.h"

namespace zarudiv {

namespace {

constexpr const char* kHeader = "generation,evaluations,best_q,step_width,accepted\n";

}  // namespace

std::string GenerationLogRow(const GenerationRecord& record)
{
    return std::to_string(record.generation) + "," + std::to_string(record.evaluations) + "," +
           ExactReal(record.bestQ) + "," + ExactReal(record.stepWidth) + "," +
           std::to_string(record.accepted);
}

GenerationLog::~GenerationLog()
{
    if (file_)
        std::fclose(file_);
}

void GenerationLog::noteError(int code)
{
    if (error_ == 0)
        error_ = code != 0 ? code : EIO;
}

std::string GenerationLog::open(const std::string& fileName)
{
    name_ = fileName;
    error_ = 0;
    // Held first, then truncated: a protocol or a database another program
    // is writing is refused as it stands.
    const InPlaceFile opened = OpenInPlace(fileName);
    if (opened.error.inUse() || opened.error.code == kNotRegularFile)
        return "--log " + fileName + ": " + opened.error.message();
    if (opened.error)
        return "--log " + fileName + ": cannot create the file: " + opened.error.message();
    file_ = ::fdopen(opened.fd, "w");
    if (!file_) {
        const int code = errno;
        ::close(opened.fd);
        return "--log " + fileName + ": cannot create the file: " + std::strerror(code);
    }
    if (std::fputs(kHeader, file_) == EOF)
        noteError(errno);
    return {};
}

void GenerationLog::write(const GenerationRecord& record)
{
    if (!file_ || error_ != 0)
        return;
    const std::string row = GenerationLogRow(record) + "\n";
    if (std::fwrite(row.data(), 1, row.size(), file_) != row.size())
        noteError(errno);
}

std::string GenerationLog::close()
{
    if (!file_)
        return {};
    if (std::fflush(file_) != 0)
        noteError(errno);
    // Devices such as /dev/full cannot be synchronised; a regular file must be.
    struct stat info {};
    const int fd = fileno(file_);
    if (error_ == 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::fsync(fd) != 0)
        noteError(errno);
    if (std::fclose(file_) != 0)
        noteError(errno);
    file_ = nullptr;
    if (error_ != 0)
        return "--log " + name_ + ": cannot write the file: " + std::strerror(error_);
    return {};
}

}  // namespace zarudiv
