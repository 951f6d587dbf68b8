#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <vector>

#include "data/dbbfile.h"
#include "peers/dbbwriter.h"

using dbbtest::Chunk;
using dbbtest::HourFile;
using dbbtest::HourFileBytes;

namespace {

const int64_t Start = dbbtest::UtcSeconds(2007, 11, 23, 13);

// ReadDbbData on the bytes of a file; the buffer is guarded at both ends.
struct ReadResult {
    int bytes;
    std::vector<uint16_t> words;
    bool guardsIntact;
};

ReadResult Read(const QByteArray& fileBytes, int skip, int count)
{
    QByteArray bytes = fileBytes;
    QBuffer dev(&bytes);
    dev.open(QIODevice::ReadOnly);
    std::vector<char> buf(size_t(count) + 64, char(0x7E));
    ReadResult r;
    r.bytes = ReadDbbData(dev, buf.data() + 32, skip, count);
    r.guardsIntact = true;
    for (int i = 0; i < 32; ++i)
        r.guardsIntact = r.guardsIntact && buf[size_t(i)] == 0x7E && buf[size_t(count) + 32 + size_t(i)] == 0x7E;
    for (int i = 0; i + 1 < r.bytes; i += 2)
        r.words.push_back(uint16_t(uint8_t(buf[32 + size_t(i)]) | uint8_t(buf[33 + size_t(i)]) << 8));
    return r;
}

HourFile Hour()
{
    HourFile f;
    f.utcStart = Start;
    return f;
}

}  // namespace

TEST(DbbFile, ReadsTheWholeHourAndItsLastMinute)
{
    HourFile f = Hour();
    f.fileBodySize = 30;
    const QByteArray bytes = HourFileBytes(f);
    ASSERT_EQ(bytes.size(), 10 + 30 + 10 + 12000);

    const ReadResult all = Read(bytes, 0, 12000);
    EXPECT_EQ(all.bytes, 12000);
    EXPECT_EQ(all.words.front(), dbbtest::PositionWord(Start, 0));
    EXPECT_EQ(all.words.back(), dbbtest::PositionWord(Start + 59 * 60, 99));

    const ReadResult last = Read(bytes, 11800, 200);
    ASSERT_EQ(last.bytes, 200);
    EXPECT_EQ(last.words.front(), dbbtest::PositionWord(Start + 59 * 60, 0));
    EXPECT_TRUE(last.guardsIntact);
}

TEST(DbbFile, ShortAndDamagedFiles)
{
    HourFile shortHour = Hour();
    shortHour.minutes = 40;  // the device stopped after 40 minutes
    EXPECT_EQ(Read(HourFileBytes(shortHour), 0, 12000).bytes, 8000);

    HourFile damaged = Hour();
    damaged.chunkAheadLength = 12001;
    EXPECT_EQ(Read(HourFileBytes(damaged), 0, 12000).bytes, 0);

    HourFile harmless = Hour();
    harmless.chunkAheadLength = 12000;  // a long but legal chunk is skipped
    EXPECT_EQ(Read(HourFileBytes(harmless), 0, 12000).bytes, 12000);

    HourFile noData = Hour();
    noData.hasDataChunk = false;
    EXPECT_EQ(Read(HourFileBytes(noData), 0, 12000).bytes, 0);
    EXPECT_EQ(Read(QByteArray(), 0, 12000).bytes, 0);
    EXPECT_EQ(Read(QByteArray("DAT"), 0, 12000).bytes, 0);

    HourFile empty = Hour();
    empty.minutes = 0;
    EXPECT_EQ(Read(HourFileBytes(empty), 0, 12000).bytes, 0);

    // A chunk ahead of DATA whose body is cut off by the end of the file.
    EXPECT_EQ(Read(Chunk("XTRA", QByteArray(100, 'x')).left(60), 0, 12000).bytes, 0);
    // A negative length as a signed value.
    EXPECT_EQ(Read(Chunk("XTRA", QByteArray(), 0x80000000LL) + HourFileBytes(Hour()), 0, 12000).bytes, 0);
}

TEST(DbbFile, ReadStopsAtTheDataChunkOwnLength)
{
    HourFile f = Hour();
    f.minutes = 10;
    f.trailing = Chunk("NEXT", QByteArray(4000, '\x11'));
    const ReadResult r = Read(HourFileBytes(f), 0, 12000);
    EXPECT_EQ(r.bytes, 2000);
    EXPECT_TRUE(r.guardsIntact);

    // Skip counts from the start of the body and is limited by it.
    EXPECT_EQ(Read(HourFileBytes(f), 1800, 10200).bytes, 200);
    EXPECT_EQ(Read(HourFileBytes(f), 2000, 10000).bytes, 0);

    // A DATA chunk declaring more than an hour is still read, one hour at most.
    HourFile big = Hour();
    big.samples = QByteArray(13000, '\x22');
    const ReadResult b = Read(HourFileBytes(big), 0, 12000);
    EXPECT_EQ(b.bytes, 12000);
    EXPECT_TRUE(b.guardsIntact);
    EXPECT_EQ(Read(HourFileBytes(big), 11800, 200).bytes, 200);

    // A declared length longer than the file delivers what is there.
    HourFile cut = Hour();
    cut.truncateTo = 10 + 33 + 10 + 5000;
    EXPECT_EQ(Read(HourFileBytes(cut), 0, 12000).bytes, 5000);
}

// A downloaded file enters the tree only when it holds together as the loader reads it.
TEST(DbbFile, DataLengthOnlyOfAFileThatHoldsTogether)
{
    const QByteArray whole = HourFileBytes(Hour());
    HourFile part = Hour(), longData = Hour(), damaged = Hour();
    part.minutes = 40;
    longData.samples = QByteArray(13000, 'x');
    damaged.chunkAheadLength = 12001;
    const std::pair<QByteArray, qint64> cases[] = {
        {whole, 12000}, {HourFileBytes(part), 8000}, {whole + Chunk("NEXT", "x"), 12000},
        {whole.left(6000), -1}, {whole.left(48), -1}, {whole + QByteArray(1000, '\0'), -1},
        {HourFileBytes(longData), -1}, {HourFileBytes(damaged), -1}, {whole.left(43), -1}, {QByteArray(170, '\0'), -1},
    };
    for (auto [bytes, length] : cases) {
        QBuffer dev(&bytes);
        dev.open(QIODevice::ReadOnly);
        EXPECT_EQ(DbbDataLength(dev), length) << bytes.size();
    }
}

class DbbStation : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes)
    {
        return dbbtest::WriteFile(dir.path(), QStringLiteral("f%1.dbb").arg(++n), bytes);
    }
    QTemporaryDir dir;
    int n = 0;
};

TEST_F(DbbStation, ReadsRegionNameAndStation)
{
    HourFile f = Hour();
    f.region = 7;
    f.station = 123;
    int region = 99;
    QString name = QStringLiteral("x");
    EXPECT_EQ(ReadDbbStation(Write(HourFileBytes(f)), region, name), 123);
    EXPECT_EQ(region, 7);
    EXPECT_EQ(name, QStringLiteral("20071123-130000-123.dbb"));

    // FILE behind another chunk is still found.
    EXPECT_EQ(ReadDbbStation(Write(Chunk("XTRA", QByteArray(50, 'x')) + HourFileBytes(f)), region, name), 123);
    EXPECT_EQ(region, 7);
}

TEST_F(DbbStation, NeverReadsPastWhatItRead)
{
    int region = 0;
    QString name;
    EXPECT_EQ(ReadDbbStation(dir.path() + QStringLiteral("/missing.dbb"), region, name), -1);
    EXPECT_EQ(region, -1);

    // A FILE body of 12 bytes holds no station: no FILE chunk.
    HourFile tiny = Hour();
    tiny.fileBodySize = 12;
    EXPECT_EQ(ReadDbbStation(Write(HourFileBytes(tiny)), region, name), -1);
    EXPECT_EQ(region, -1);
    EXPECT_TRUE(name.isEmpty());

    // Unterminated body: texts end with the bytes read.
    QByteArray body = dbbtest::FileBody(4, QStringLiteral("20071123-130000-042.dbb"), 33);
    body[8] = 'Z';
    body[32] = 'Q';
    EXPECT_EQ(ReadDbbStation(Write(Chunk("FILE", body)), region, name), 42);
    EXPECT_EQ(region, 4);  // cut to three characters
    EXPECT_EQ(name, QStringLiteral("20071123-130000-042.dbbQ"));

    // The body is cut off by the end of the file: only the bytes present count.
    EXPECT_EQ(ReadDbbStation(Write(Chunk("FILE", body).left(10 + 20)), region, name), -1);
    EXPECT_EQ(region, -1);

    // A chunk longer than an hour ahead of FILE ends the search.
    HourFile f = Hour();
    EXPECT_EQ(ReadDbbStation(Write(Chunk("XTRA", QByteArray(12001, 'x')) + HourFileBytes(f)), region, name), -1);
    EXPECT_EQ(region, -1);

    // Texts that are no numbers.
    QByteArray words = dbbtest::FileBody(1, QStringLiteral("20071123-130000-abc.dbb"), 33);
    words[5] = 'x';
    EXPECT_EQ(ReadDbbStation(Write(Chunk("FILE", words)), region, name), -1);
    EXPECT_EQ(region, -1);
}

// The FILE chunk decides the folder of a downloaded file: any unsound part refuses all.
TEST_F(DbbStation, RefusesEveryUnsoundPart)
{
    struct Row {
        const char* region;  // three characters at offset 5
        const char* name;  // from offset 9; the station is its characters 16..18
        int station;
    } rows[] = {
        {"007", "20071123-130000-123.dbb", 123},
        {"000", "20071123-130000-000.dbb", 0},
        {"007", "20071123-130000-abc.dbb", -1},
        {"007", "20071123-130000--05.dbb", -1},
        {"007", "20071123-130000-+05.dbb", -1},
        {"-05", "20071123-130000-005.dbb", -1},
        {" 05", "20071123-130000-005.dbb", -1},
        {"007", "../../../../etc/005", -1},
        {"007", "20071123-130000-005/x", -1},
        {"007", "20071123-130000-005\x01", -1},
    };
    for (const Row& r : rows) {
        QByteArray body(5, '\0');
        body += QByteArray(r.region) + '\0' + QByteArray(r.name) + '\0';
        body.append(qMax(0, 33 - int(body.size())), '\0');
        int region = 99;
        QString name = QStringLiteral("x");
        EXPECT_EQ(ReadDbbStation(Write(Chunk("FILE", body)), region, name), r.station) << r.region << " " << r.name;
        if (r.station < 0) {
            EXPECT_EQ(region, -1) << r.name;
            EXPECT_TRUE(name.isEmpty()) << r.name;
        } else {
            EXPECT_EQ(name, QString::fromLatin1(r.name));
        }
    }
}

// Special files in the data tree neither hang nor block the reader.
TEST_F(DbbStation, SpecialFilesAreRefusedAndWalksAreBounded)
{
    const QString fifo = dir.filePath(QStringLiteral("fifo.dbb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.dbb"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    for (const QString& path : {fifo, zero}) {
        QFile f(path);
        EXPECT_FALSE(OpenDbbFile(f)) << path.toStdString();
        int region = 0;
        QString name;
        EXPECT_EQ(ReadDbbStation(path, region, name), -1);
    }

    // A huge sparse file is a chain of empty chunks: the walk gives up at once.
    const QString sparse = Write(QByteArray());
    ASSERT_TRUE(QFile::resize(sparse, qint64(20) << 30));
    QFile f(sparse);
    ASSERT_TRUE(OpenDbbFile(f));
    char buf[200];
    EXPECT_EQ(ReadDbbData(f, buf, 0, int(sizeof buf)), 0);
    EXPECT_LT(f.pos(), 1000);
    int region = 0;
    QString name;
    EXPECT_EQ(ReadDbbStation(sparse, region, name), -1);
}
