// The journal of campaigns on a full disk: a row is whole or absent, and the
// next campaign's row starts on a line of its own.

#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/campaignjournal.h"
#include "tests/app/apptests.h"
#include "tests/support/small_mount.h"

namespace zarudiv {

namespace {

JournalEntry entryWithMessage(std::size_t length)
{
    JournalEntry entry;
    entry.started = "2026-12-08T13:48:02+01:00";
    entry.campaign = Campaign{10000, 36, 99, false, 1838452248u};
    entry.outcome = "failed";
    entry.message = std::string(length, 'm');
    entry.protocol = "C:/QX_000_000.doc";
    return entry;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class JournalTest : public QObject {
    Q_OBJECT
private slots:
    void aRowIsWholeOrAbsentOnAFullDisk();
    void aRowLeftUnfinishedStaysApartFromTheNext();
    void aJournalOfAnEarlierVersionKeepsItsColumns();
};

void JournalTest::aRowIsWholeOrAbsentOnAFullDisk()
{
    // Two pages: one for a filler, one for a journal a few bytes short of
    // full, so that the next row fits only in part.
    testing::SmallMount disk("size=8k");
    if (!disk.mounted())
        QSKIP(disk.reason().c_str());
    const std::string journal = disk.dir().file("zarudiv-journal.csv");
    const std::string filler = disk.dir().file("filler");
    std::ofstream(filler) << std::string(4096, 'f');
    std::string rows = std::string(kJournalHeader) + "\n";
    rows += JournalRow(entryWithMessage(0)) + "\n";
    const std::size_t padding = 4096 - 40 - rows.size() - JournalRow(entryWithMessage(0)).size() - 1;
    rows += JournalRow(entryWithMessage(padding)) + "\n";
    std::ofstream(journal, std::ios::binary) << rows;
    QCOMPARE(std::filesystem::file_size(journal), std::uintmax_t{4096 - 40});

    QCOMPARE(AppendToJournal(journal, entryWithMessage(300)), std::string("No space left on device"));
    QCOMPARE(readAll(journal), rows);

    std::filesystem::remove(filler);
    QCOMPARE(AppendToJournal(journal, entryWithMessage(300)), std::string());
    QCOMPARE(readAll(journal), rows + JournalRow(entryWithMessage(300)) + "\n");
}

void JournalTest::aRowLeftUnfinishedStaysApartFromTheNext()
{
    const std::string journal = (std::filesystem::temp_directory_path() / "zarudiv-journal-cut.csv").string();
    const std::string cut = std::string(kJournalHeader) + "\n2026-12-08T13:48:02Z,1,10";
    std::ofstream(journal, std::ios::binary | std::ios::trunc) << cut;
    QCOMPARE(AppendToJournal(journal, entryWithMessage(3)), std::string());
    QCOMPARE(readAll(journal), cut + "\n" + JournalRow(entryWithMessage(3)) + "\n");
    std::filesystem::remove(journal);
}

void JournalTest::aJournalOfAnEarlierVersionKeepsItsColumns()
{
    const std::string journal = (std::filesystem::temp_directory_path() / "zarudiv-journal-old.csv").string();
    const std::string old =
        "started,seed,generations,mutants,step_ppm,save,outcome,generations_done,best_q,message,protocol\n";
    std::ofstream(journal, std::ios::binary | std::ios::trunc) << old;
    JournalEntry entry = entryWithMessage(2);
    entry.law = "C:/zarudiv-law-20261208T134802-1838452248.law";
    entry.checkpoint = "C:/zarudiv-checkpoint-20261208T134802-1838452248.ckpt";
    QCOMPARE(AppendToJournal(journal, entry), std::string());
    const std::string row = readAll(journal).substr(old.size());
    QCOMPARE(std::count(row.begin(), row.end(), ','), std::ptrdiff_t{10});
    QVERIFY(row.find("zarudiv-law") == std::string::npos);
    // A new journal has all thirteen.
    std::filesystem::remove(journal);
    QCOMPARE(AppendToJournal(journal, entry), std::string());
    const std::string fresh = readAll(journal);
    QCOMPARE(fresh, std::string(kJournalHeader) + "\n" + JournalRow(entry) + "\n");
    QVERIFY(JournalRow(entry).find(",C:/zarudiv-law-20261208T134802-1838452248.law,C:/zarudiv-checkpoint-") !=
            std::string::npos);
    std::filesystem::remove(journal);
}

int runJournalTest(int argc, char* argv[])
{
    JournalTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "journaltest.moc"
