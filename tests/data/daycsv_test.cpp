#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "data/daycsv.h"

namespace {

const TDateTime Nov23 = EncodeDate(2007, 11, 23);

std::vector<uint16_t> Day(uint16_t (*word)(int))
{
    std::vector<uint16_t> v(3 * daycsv::SamplesPerPart);
    for (int i = 0; i < int(v.size()); ++i)
        v[i] = word(i);
    return v;
}

QList<QByteArray> Lines(const QByteArray& part)
{
    QList<QByteArray> lines = part.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line ends with CR LF too";
    lines.removeLast();
    for (QByteArray& l : lines) {
        EXPECT_TRUE(l.endsWith('\r'));
        l.chop(1);
    }
    return lines;
}

}  // namespace

TEST(DayCsv, LevelTenthsRoundAndCarry)
{
    struct {
        uint16_t word;
        int db, tenth;
    } cases[] = {{0x3C7E, 60, 5}, {0x3CF4, 61, 0}, {0x7FFC, 128, 0}, {0, 0, 0}, {0x3C03, 60, 0}, {0x3C0C, 60, 0},
                 {0x3C10, 60, 1}, {0xFFFF, 256, 0}};
    for (const auto& c : cases) {
        int db = -1, tenth = -1;
        SampleWordTenths(c.word, db, tenth);
        EXPECT_EQ(db * 10 + tenth, c.db * 10 + c.tenth) << std::hex << c.word;
    }
}

TEST(DayCsv, SampleLinesMatchPrintfForEveryTimeAndManyWords)
{
    const auto day = Day([](int i) { return uint16_t(i * 7919); });
    for (int part = 0; part < daycsv::Parts; ++part) {
        const QList<QByteArray> lines = Lines(DayCsvPart(day.data(), {}, Nov23, part));
        ASSERT_EQ(lines.size(), 48003);
        for (int i = 0; i < daycsv::SamplesPerPart; ++i) {
            const int t = 6 * i;
            const uint16_t w = day[daycsv::SamplesPerPart * part + i];
            // Half a tenth rounds down (16/64 is 0.2).
            const long r = long(std::ceil(((w >> 2) & 63) * 10.0 / 64.0 - 0.5));
            char expect[64];
            std::snprintf(expect, sizeof expect, "%.2d:%.2d:%.2d,%1d, %d.%1d", t / 36000 + 8 * part,
                          (t / 600) % 60, (t / 10) % 60, t % 10, (w >> 8) + int(r / 10), int(r % 10));
            ASSERT_EQ(lines[3 + i], QByteArray(expect)) << "part " << part << " sample " << i;
        }
    }
}

TEST(DayCsv, HeaderLinesAndNames)
{
    const auto day = Day([](int) { return uint16_t(0); });
    struct {
        int bias;
        const char* zoneLine;
    } zones[] = {{-3600, "UTC +01:00, 1/10 Sek., dB(A)"},
                 {-20700, "UTC +05:45, 1/10 Sek., dB(A)"},
                 {21600, "UTC -06:00, 1/10 Sek., dB(A)"},
                 {0, "UTC +00:00, 1/10 Sek., dB(A)"}};
    for (const auto& z : zones) {
        const TCsvStation st{QString::fromUtf8("Müller äöß € 中"), 0, 7, z.bias};
        const QList<QByteArray> lines = Lines(DayCsvPart(day.data(), st, Nov23, 1));
        EXPECT_EQ(lines[0], QByteArray(",,,M\xfcller \xe4\xf6\xdf \x80 ?, 000/007"));
        EXPECT_EQ(lines[1], QByteArray(",,,2007.11.23 08:00 - 16:00"));
        EXPECT_EQ(lines[2], QByteArray(z.zoneLine));
        EXPECT_EQ(lines[3], QByteArray("08:00:00,0, 0.0"));
        EXPECT_EQ(lines.last(), QByteArray("15:59:59,4, 0.0"));
    }
    const TCsvStation broken{QStringLiteral("A\r\nB"), 1, 2, 0};
    EXPECT_EQ(Lines(DayCsvPart(day.data(), broken, Nov23, 0)).size(), 48003);

    struct {
        const char* prefix;
        int part;
        const char* path;
    } names[] = {{"/x/QWL.csv", 0, "/x/QWL2007-11-23A.csv"},
                 {"/x/QWL", 1, "/x/QWL2007-11-23B.csv"},
                 {"/x.y/QWL", 2, "/x.y/QWL2007-11-23C.csv"},
                 {"/x/a.b.csv", 2, "/x/a.b2007-11-23C.csv"}};
    for (const auto& n : names)
        EXPECT_EQ(DayCsvPath(QString::fromLatin1(n.prefix), Nov23, n.part), QString::fromLatin1(n.path));
}

TEST(DayCsv, FilesReadBackWithPythonCsv)
{
    QTemporaryDir tmp;
    const auto day = Day([](int i) { return uint16_t(0x3C7E + (i % 3) * 0x100); });
    const TCsvStation st{QStringLiteral("Schule"), 2, 17, -3600};
    ASSERT_TRUE(WriteDayCsvFiles(tmp.filePath("QWL.csv"), Nov23, day.data(), st));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files),
              (QStringList{"QWL2007-11-23A.csv", "QWL2007-11-23B.csv", "QWL2007-11-23C.csv"}));
    // Rows, fields of the first and last sample rows, and that every line ends with CR LF.
    const char* script = R"(
import csv, sys
for name in sys.argv[1:]:
    raw = open(name, 'rb').read()
    assert raw.count(b'\r\n') == raw.count(b'\n') == 48003, name
    rows = list(csv.reader(open(name, newline='')))
    print(len(rows), rows[0][3], rows[3], rows[-1]))";
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"), QString::fromLatin1(script), tmp.filePath("QWL2007-11-23A.csv"),
              tmp.filePath("QWL2007-11-23C.csv")});
    ASSERT_TRUE(py.waitForFinished(20000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    EXPECT_EQ(py.readAllStandardOutput().toStdString(),
              std::string("48003 Schule ['00:00:00', '0', ' 60.5'] ['07:59:59', '4', ' 62.5']\n"
                             "48003 Schule ['16:00:00', '0', ' 60.5'] ['23:59:59', '4', ' 62.5']\n"));
}

TEST(DayCsv, UnwritableTargetStopsAtFirstFailureAndLeavesNoPartialFile)
{
    QTemporaryDir tmp;
    const auto day = Day([](int) { return uint16_t(0x3C00); });
    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString failed;
    EXPECT_FALSE(WriteDayCsvFiles(tmp.filePath("file/QWL"), Nov23, day.data(), {}, &failed));
    EXPECT_EQ(failed, tmp.filePath("file/QWL2007-11-23A.csv"));

    // A file-size limit below one part fails part A while it is written.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 500000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = WriteDayCsvFiles(tmp.filePath("QWL"), Nov23, day.data(), {}, &failed);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(failed, tmp.filePath("QWL2007-11-23A.csv"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"file"});
}
