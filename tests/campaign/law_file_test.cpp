// The law file: every value comes back bit for bit, and a file that is not
// whole, not ours or not consistent is refused with its line named.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "campaign/law_file.h"
#include "edge/crc32.h"

namespace {

using zarudiv::LawFileError;
using zarudiv::LawRecord;

bool SameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// A law whose coefficients run through the extremes of the extended format.
LawRecord ExtremeRecord()
{
    using limits = std::numeric_limits<long double>;
    const std::vector<long double> values = {
        limits::max(),      -limits::max(),      limits::min(),          limits::denorm_min(),
        -limits::denorm_min(), 0.0L,             -0.0L,                   1.0L,
        -1.0L,              0.1L,                3.14159265358979323846L, 1e-4932L,
        1e4932L,            limits::epsilon(),   -2.5e-7L,                123456789.123456789L,
        7e-5L,              -0.000165409927842207245944L, 1.0L - limits::epsilon() / 2, 2.0L};
    LawRecord record;
    record.law.activator = zarudiv::ZeroVector(20);
    record.law.inhibitor = zarudiv::ZeroVector(20);
    for (int i = 1; i <= 20; ++i) {
        record.law.activator[i] = values[static_cast<std::size_t>(i - 1)];
        record.law.inhibitor[i] = -values[static_cast<std::size_t>(20 - i)];
    }
    record.law.step = -limits::denorm_min();
    record.program = "zarudiv 0.1 (git test)";
    record.campaign = zarudiv::Campaign{200, 10, 500, true, 4294967295u};
    record.startLaw = "0123abcd law-step a law with spaces.law";
    record.generation = 200;
    record.q = 208.52088350086257;
    return record;
}

TEST(LawFileTest, EveryValueComesBackBitForBit)
{
    const LawRecord record = ExtremeRecord();
    const std::string text = zarudiv::LawFileText(record);
    const LawRecord back = zarudiv::ParseLawFile(text, "x.law");
    for (int i = 0; i <= 20; ++i) {
        EXPECT_TRUE(SameBits(back.law.activator[i], record.law.activator[i])) << "activator " << i;
        EXPECT_TRUE(SameBits(back.law.inhibitor[i], record.law.inhibitor[i])) << "inhibitor " << i;
    }
    EXPECT_TRUE(SameBits(back.law.step, record.law.step));
    EXPECT_EQ(back.q, record.q);
    EXPECT_EQ(back.generation, 200);
    EXPECT_EQ(back.campaign, record.campaign);
    EXPECT_EQ(back.startLaw, record.startLaw);
    EXPECT_EQ(back.program, record.program);
    // Written again, the same bytes.
    EXPECT_EQ(zarudiv::LawFileText(back), text);

    // The decimal beside each value reads back as the value too (21 digits
    // are enough for 64 bits), for readers that do not know the hexadecimal.
    for (std::size_t at = text.find("\nactivator "); at != std::string::npos;
         at = text.find('\n', at + 1)) {
        char kind[16], hex[64], decimal[64];
        int index = 0;
        if (std::sscanf(text.c_str() + at + 1, "%15s %d %63s %63s", kind, &index, hex, decimal) != 4 ||
            std::strcmp(kind, "crc32") == 0)
            continue;
        const long double value = std::strtold(decimal, nullptr);
        const long double exact = std::strcmp(kind, "activator") == 0 ? record.law.activator[index]
                                                                      : record.law.inhibitor[index];
        EXPECT_TRUE(SameBits(value, exact)) << kind << " " << index << ": " << decimal;
    }
}

TEST(LawFileTest, ALawMadeElsewhereHasNoCampaign)
{
    LawRecord record = ExtremeRecord();
    record.campaign.reset();
    record.startLaw.reset();
    const std::string text = zarudiv::LawFileText(record);
    EXPECT_NE(text.find("\ncampaign none\n"), std::string::npos);
    EXPECT_EQ(text.find("start-law"), std::string::npos);
    EXPECT_FALSE(zarudiv::ParseLawFile(text, "x.law").campaign.has_value());
}

// The text with one line replaced (1-based), and its checksum made right
// again, so that the line itself is what is refused.
std::string WithLine(const std::string& text, int line, const std::string& replacement,
                     bool fixChecksum = true)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    if (replacement == "<delete>")
        lines.erase(lines.begin() + line - 1);
    else
        lines[static_cast<std::size_t>(line - 1)] = replacement;
    std::string body;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        body += lines[i] + "\n";
    if (!fixChecksum)
        return body + lines.back() + "\n";
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", zarudiv::Crc32(body));
    return body + "crc32 " + crc + "\n";
}

std::string CutAfterLine(const std::string& text, int lines)
{
    std::size_t at = 0;
    for (int i = 0; i < lines; ++i)
        at = text.find('\n', at) + 1;
    return text.substr(0, at);
}

TEST(LawFileTest, BadFilesAreRefusedNamingTheLine)
{
    const std::string good = zarudiv::LawFileText(ExtremeRecord());
    // Lines: 1 magic, 2 program, 3 campaign, 4 start-law, 5 generation, 6 q,
    // 7 step, 8..27 activator, 28..47 inhibitor, 48 crc32.
    struct Case {
        const char* name;
        std::string text;
        std::string where;  // "x.law:LINE:"
        std::string says;
    };
    const std::vector<Case> cases = {
        {"empty", "", "x.law:1:", "the file is empty"},
        {"a protocol", "##### QX++ Document #####\r\n", "x.law:1:", "not a law file"},
        {"another format", WithLine(good, 1, "zarudiv law 2"), "x.law:1:", "format 2"},
        {"cut short", CutAfterLine(good, 20), "x.law:21:", "cut short"},
        {"no checksum", good.substr(0, good.rfind("crc32")), "x.law:48:", "cut short"},
        {"no final line end", good.substr(0, good.size() - 1), "x.law:48:", "no line end"},
        {"an edited value", WithLine(good, 12, "activator 5 0x8p-3 1", false), "x.law:48:",
         "the checksum does not match"},
        {"a malformed number", WithLine(good, 12, "activator 5 0x8.zp-3 1"), "x.law:12:",
         "not an exact hexadecimal value"},
        {"not finite", WithLine(good, 30, "inhibitor 3 inf inf"), "x.law:30:", "not finite"},
        {"a decimal that is not the value", WithLine(good, 15, "activator 8 0x8p-3 1.5"),
         "x.law:15:", "is not the exact value"},
        {"a coefficient missing", WithLine(good, 20, "<delete>"), "x.law:20:",
         "activator coefficient 13 was expected"},
        {"out of order", WithLine(good, 9, "activator 3 0x8p-3 1"), "x.law:9:",
         "activator coefficient 2 was expected"},
        {"a step that is not finite", WithLine(good, 7, "step nan(0xc000000000000000) nan"),
         "x.law:7:", "the step width is not finite"},
        {"a bad quality", WithLine(good, 6, "q 1e999"), "x.law:6:", "not a finite number"},
        {"a bad campaign", WithLine(good, 3, "campaign --generations ten"), "x.law:3:",
         "the campaign is not"},
        {"something after the checksum", good + "extra\n", "x.law:49:", "nothing may follow"},
    };
    for (const Case& c : cases) {
        try {
            zarudiv::ParseLawFile(c.text, "x.law");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const LawFileError& error) {
            const std::string what = error.what();
            EXPECT_EQ(what.rfind(c.where, 0), 0u) << c.name << ": " << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << c.name << ": " << what;
            EXPECT_EQ(error.file(), "x.law");
        }
    }
}

TEST(LawFileTest, AFileThatCannotBeReadIsNamed)
{
    try {
        zarudiv::ReadLawFile("/nonexistent/best.law");
        FAIL() << "read";
    } catch (const LawFileError& error) {
        EXPECT_STREQ(error.what(), "/nonexistent/best.law: cannot be read (No such file or directory)");
    }
}

}  // namespace
