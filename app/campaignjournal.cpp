#include "app/campaignjournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>

namespace zarudiv {

namespace {

// RFC 4180: a field with a comma, a quote or a line break is quoted, quotes
// doubled.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// A journal begun before the law and checkpoint columns: its rows keep the
// columns of its header.
constexpr const char* kOldJournalHeader =
    "started,seed,generations,mutants,step_ppm,save,outcome,generations_done,best_q,message,"
    "protocol";

bool StartsWithOldHeader(const std::string& path)
{
    static const std::string old(kOldJournalHeader);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string first(old.size() + 1, '\0');
    const std::size_t got = std::fread(first.data(), 1, first.size(), file);
    std::fclose(file);
    return got == first.size() && first == old + "\n";
}

}  // namespace

std::string JournalPathFor(const std::string& protocol)
{
    const std::size_t slash = protocol.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : protocol.substr(0, slash + 1);
    return directory + "zarudiv-journal.csv";
}

namespace {

std::string BesideJournal(const std::string& journal, const JournalEntry& entry,
                          const std::string& kind, const std::string& suffix)
{
    const std::size_t slash = journal.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : journal.substr(0, slash + 1);
    // The local time without its separators and its offset: 2026-12-08T13:48:02+01:00 -> 20261208T134802.
    std::string stamp;
    for (const char c : entry.started.substr(0, 19))
        if (c != '-' && c != ':')
            stamp += c;
    return directory + "zarudiv-" + kind + "-" + stamp + "-" + std::to_string(entry.campaign.seed) +
           suffix;
}

}  // namespace

std::string LawPathFor(const std::string& journal, const JournalEntry& entry)
{
    return BesideJournal(journal, entry, "law", ".law");
}

std::string CheckpointPathFor(const std::string& journal, const JournalEntry& entry)
{
    return BesideJournal(journal, entry, "checkpoint", ".ckpt");
}

std::string JournalRow(const JournalEntry& entry)
{
    char bestQ[64] = "";
    if (entry.bestQ)
        std::snprintf(bestQ, sizeof bestQ, "%.10f", *entry.bestQ);
    const Campaign& c = entry.campaign;
    return CsvField(entry.started) + "," + std::to_string(c.seed) + "," +
           std::to_string(c.generations) + "," + std::to_string(c.mutants) + "," +
           std::to_string(c.stepPpm) + "," + (c.save ? "1" : "0") + "," +
           CsvField(entry.outcome) + "," + std::to_string(entry.generationsDone) + "," + bestQ +
           "," + CsvField(entry.message) + "," + CsvField(entry.protocol) + "," +
           CsvField(entry.law) + "," + CsvField(entry.checkpoint);
}

namespace {

// Two windows may end campaigns on one journal at once; a row is appended
// under the file's lock, so that cutting back a short write takes nothing
// of the other's. A program that holds the file for longer (a runner
// logging into it) is waited for only briefly.
bool LockBriefly(int fd)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    errno = EWOULDBLOCK;
    return false;
}

struct Closing {
    int fd;
    ~Closing() { ::close(fd); }
};

}  // namespace

std::string AppendToJournal(const std::string& path, const JournalEntry& entry)
{
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == ENXIO ? "not a regular file" : std::strerror(errno);
    const Closing closing{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "not a regular file";
    if (!LockBriefly(fd))
        return errno == EWOULDBLOCK ? "the file is in use by another program" : std::strerror(errno);
    const off_t start = ::lseek(fd, 0, SEEK_END);
    if (start < 0)
        return std::strerror(errno);
    std::string text;
    char last = '\n';
    if (start == 0)
        text = std::string(kJournalHeader) + "\n";
    else if (::pread(fd, &last, 1, start - 1) == 1 && last != '\n')
        text += '\n';  // a row some other writer left unfinished stays apart
    std::string row = JournalRow(entry);
    if (start > 0 && StartsWithOldHeader(path))
        for (int later = 0; later < 2; ++later)  // the law and checkpoint columns came later
            row.erase(row.rfind(','));
    text += row + "\n";
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written == static_cast<ssize_t>(text.size()))
        return {};
    // A row is whole or absent: what a full disk let through is cut off.
    const int cause = written < 0 ? errno : ENOSPC;
    if (::ftruncate(fd, start) != 0)
        return std::string(std::strerror(cause)) + "; the part written could not be cut off";
    return std::strerror(cause);
}

std::string RepeatCommand(const JournalEntry& entry)
{
    return "zarudiv-run " + RunnerArguments(entry.campaign);
}

std::string JournalTimeNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

}  // namespace zarudiv
