#include <gtest/gtest.h>

#include <string>

#include "protocol/protocol_file.h"
#include "tests/support/temp_dir.h"

namespace {

using zarudiv::ProtocolFile;
using zarudiv::ProtocolIoError;
using zarudiv::testing::ReadBytes;
using zarudiv::testing::TempDir;

const std::string kFirst = "##### QX++ Document #####  BEGIN of Savefile: > ";
const std::string kLast =
    "##### QX++ Document #####  END of Savefile  ##########################\r\n";

TEST(ProtocolFileTest, WithoutSavingTheFileHasItsFirstAndLastLine)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    ProtocolFile file;
    zarudiv::OpenProtocol(file, name);
    zarudiv::CloseProtocol(file);
    EXPECT_EQ(ReadBytes(name), kFirst + name + " < ######\r\n" + kLast);
}

TEST(ProtocolFileTest, HeaderAndRowsAreWrittenByteForByte)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    ProtocolFile file;
    zarudiv::OpenProtocol(file, name);
    zarudiv::WriteProtocolHeader(file, 100, 10, 0.5);
    zarudiv::WriteProtocolRow(file, 3, 10, 283.94541729001367, -0.1);
    zarudiv::WriteProtocolRow(file, 100, 10, 1e40, 1e-7);
    zarudiv::CloseProtocol(file);

    const std::string expected =
        kFirst + name + " < ######\r\n" + "\r\n" +
        "maxGenerationen:  100    maxMutanten: 10    Start-Schrittweite:0.5000000000     \r\n" +
        "\r\n" + "Generation   Fu-Aufrufe     Qualit\xE4t           Schrittweite         \r\n" +
        "    3*           30*        283.9454172900*    -0.1000000000*   \r\n" +
        "  100*         1000*         1.0E+0040*    0.0000001000*   \r\n" + kLast;
    EXPECT_EQ(ReadBytes(name), expected);
}

TEST(ProtocolFileTest, ARowsFieldsReachTheDiskButItsLineEndWaitsForTheNextFlush)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    ProtocolFile file;
    zarudiv::OpenProtocol(file, name);
    zarudiv::WriteProtocolRow(file, 1, 1, 2.0, 3.0);
    const std::string onDisk = ReadBytes(name);
    EXPECT_EQ(onDisk.substr(onDisk.size() - 4), "*   ");
    zarudiv::CloseProtocol(file);
}

TEST(ProtocolFileTest, HeaderLinesStayBufferedUntilTheBufferFills)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    ProtocolFile file;
    zarudiv::OpenProtocol(file, name);
    // The first line (about 80 bytes) fits the 128-byte buffer: nothing on disk yet.
    EXPECT_EQ(ReadBytes(name), "");
    zarudiv::WriteProtocolHeader(file, 1, 1, 1e-7);
    zarudiv::CloseProtocol(file);
    // Only whole buffers went out before the close.
    const std::size_t beforeClose = ReadBytes(name).size() - kLast.size();
    ProtocolFile again;
    zarudiv::OpenProtocol(again, name);
    zarudiv::WriteProtocolHeader(again, 1, 1, 1e-7);
    EXPECT_EQ(ReadBytes(name).size(), beforeClose / 128 * 128);
    zarudiv::CloseProtocol(again);
}

TEST(ProtocolFileTest, NamesAreCutTo250Characters)
{
    TempDir dir;
    const std::string prefix = dir.file("");
    const std::string name250 = prefix + std::string(250 - prefix.size(), 'a');
    {
        ProtocolFile file;
        zarudiv::OpenProtocol(file, name250);
        zarudiv::CloseProtocol(file);
        EXPECT_EQ(ReadBytes(name250).substr(0, kFirst.size() + 250 + 9),
                  kFirst + name250 + " < ######");
    }
    const std::string longer = name250 + "bcd";
    ProtocolFile file;
    zarudiv::OpenProtocol(file, longer);
    zarudiv::CloseProtocol(file);
    const std::string written = ReadBytes(name250);
    EXPECT_EQ(written.substr(0, kFirst.size() + 250 + 9), kFirst + name250 + " < ######");
}

TEST(ProtocolFileTest, NonAsciiNamesAreWrittenInWindows1252)
{
    TempDir dir;
    const std::string name = dir.file("Qualität.doc");
    ProtocolFile file;
    zarudiv::OpenProtocol(file, name);
    zarudiv::CloseProtocol(file);
    const std::string bytes = ReadBytes(name);
    EXPECT_NE(bytes.find("Qualit\xE4t.doc < ######\r\n"), std::string::npos);
}

TEST(ProtocolFileTest, AnUnwritablePathFailsWithAGermanMessage)
{
    TempDir dir;
    ProtocolFile file;
    try {
        zarudiv::OpenProtocol(file, dir.file("missing/p.doc"));
        FAIL() << "opening in a missing directory succeeded";
    } catch (const ProtocolIoError& error) {
        EXPECT_STREQ(error.what(), "Pfad nicht gefunden");
    }
    try {
        zarudiv::OpenProtocol(file, dir.path().string());  // a directory
        FAIL() << "opening a directory succeeded";
    } catch (const ProtocolIoError& error) {
        EXPECT_STREQ(error.what(), "Dateizugriff verweigert");
    }
}

TEST(ProtocolFileTest, AFailedWriteIsReportedAtTheNextCheckPoint)
{
    ProtocolFile file;
    // /dev/full accepts the open and refuses every write.
    zarudiv::OpenProtocol(file, "/dev/full");
    EXPECT_THROW(zarudiv::WriteProtocolRow(file, 1, 1, 1, 1), ProtocolIoError);
    EXPECT_EQ(zarudiv::IoErrorMessage(file.errorCode()), "Festplatte voll");
}

TEST(ProtocolFileTest, AbandoningKeepsWhatWasWrittenWithoutTheClosingLine)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    ProtocolFile file;
    zarudiv::OpenProtocol(file, name);
    zarudiv::WriteProtocolHeader(file, 1, 1, 1e-7);
    zarudiv::AbandonProtocol(file);
    EXPECT_FALSE(file.isOpen());
    const std::string bytes = ReadBytes(name);
    const std::string headerEnd = "Schrittweite         \r\n";
    ASSERT_GE(bytes.size(), headerEnd.size());
    EXPECT_EQ(bytes.substr(bytes.size() - headerEnd.size()), headerEnd);
    EXPECT_EQ(bytes.find("END of Savefile"), std::string::npos);
}

TEST(ProtocolFileTest, AFileInUseByAnotherProtocolIsRefusedBeforeAnythingIsTruncated)
{
    TempDir dir;
    const std::string name = dir.file("p.doc");
    ProtocolFile first;
    zarudiv::OpenProtocol(first, name);
    zarudiv::WriteProtocolHeader(first, 3, 2, 1e-7);
    first.flush();
    const std::string written = ReadBytes(name);

    ProtocolFile second;
    try {
        zarudiv::OpenProtocol(second, name);
        FAIL() << "a second protocol opened a file in use";
    } catch (const ProtocolIoError& error) {
        EXPECT_STREQ(error.what(), "Datei wird von einem anderen Programm verwendet");
        EXPECT_EQ(error.file(), name);
    }
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(ReadBytes(name), written);

    // Once the first is closed the file is free again, and rewritten.
    zarudiv::CloseProtocol(first);
    zarudiv::OpenProtocol(second, name);
    zarudiv::CloseProtocol(second);
    EXPECT_EQ(ReadBytes(name), kFirst + name + " < ######\r\n" + kLast);
}

TEST(ProtocolFileTest, AProtocolKeptInMemoryHoldsWhatAFileWould)
{
    ProtocolFile memory;
    zarudiv::OpenProtocolInMemory(memory, "p.doc");
    zarudiv::WriteProtocolRow(memory, 3, 10, 283.94541729001367, -0.1);
    zarudiv::CloseProtocol(memory);
    EXPECT_EQ(memory.contents(), kFirst + "p.doc < ######\r\n" +
                                     "    3*           30*        283.9454172900*    -0.1000000000*   \r\n" +
                                     kLast);

    TempDir dir;
    ProtocolFile copied;
    copied.keepCopy();
    zarudiv::OpenProtocol(copied, dir.file("p.doc"));
    zarudiv::WriteProtocolHeader(copied, 1, 1, 1e-9);
    zarudiv::CloseProtocol(copied);
    EXPECT_EQ(copied.contents(), ReadBytes(dir.file("p.doc")));
}

}  // namespace
