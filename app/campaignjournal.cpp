#include "app/campaignjournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

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

std::string AppendToJournal(const std::string& path, const JournalEntry& entry)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::strerror(errno);
    struct stat info {};
    std::string text;
    std::string row = JournalRow(entry);
    if (::fstat(fd, &info) == 0 && info.st_size == 0)
        text = std::string(kJournalHeader) + "\n";
    else if (StartsWithOldHeader(path))
        for (int later = 0; later < 2; ++later)  // the law and checkpoint columns came later
            row.erase(row.rfind(','));
    text += row + "\n";
    // One write, so that rows of two windows on one journal do not interleave.
    const ssize_t written = ::write(fd, text.data(), text.size());
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (written < 0)
        return std::strerror(writeError);
    if (static_cast<std::size_t>(written) != text.size())
        return "only part of the row could be written";
    if (!closed)
        return std::strerror(errno);
    return {};
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
