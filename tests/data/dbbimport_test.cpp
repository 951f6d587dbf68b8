#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/dbbimport.h"
#include "peers/dbbwriter.h"

namespace {

using namespace dbbtest;

// An hour file whose FILE chunk names region and name (station digits inside the name).
QByteArray Named(int region, const char* name)
{
    return Chunk("FILE", FileBody(region, QString::fromLatin1(name))) + Chunk("DATA", QByteArray(12000, '\x40'));
}

}  // namespace

TEST(DbbImport, ScanListsSubFoldersFirstSortedAndSkipsLinks)
{
    QTemporaryDir tmp;
    const QString root = tmp.filePath("Old");
    for (const char* f : {"y.dbb", "A/x.dbb", "b/z.DBB", "b/notes.txt", "A/B/deep.dbb", ".hidden/h.dbb"})
        WriteFile(root, QString::fromLatin1(f), "x");
    ASSERT_TRUE(QFile::link(root, root + QStringLiteral("/A/loop")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/y.dbb"), root + QStringLiteral("/link.dbb")));
    EXPECT_EQ(ScanDbbFiles(root),
              (QStringList{"/.hidden/h.dbb", "/A/B/deep.dbb", "/A/x.dbb", "/b/z.DBB", "/y.dbb"}));
}

TEST(DbbImport, TargetComesFromTheFileChunkOnly)
{
    QTemporaryDir tmp;
    struct {
        QByteArray bytes;
        const char* target;
    } cases[] = {
        {Named(2, "20071123-130000-017.dbb"), "Reg002/Stat017/2007/11/20071123-130000-017.dbb"},
        {Named(0, "20071130-230000-999.dbb"), "Reg000/Stat999/2007/11/20071130-230000-999.dbb"},
        {Named(1, "20071201-000000-005.dbb"), "Reg001/Stat005/2007/12/20071201-000000-005.dbb"},
        {QByteArray(), ""},                                    // empty file
        {Chunk("DATA", QByteArray(100, 'x')), ""},             // no FILE chunk
        {Named(1, "20071123-130000-005.dbb").left(30), ""},   // FILE body cut short
        {Named(1, "../../../aaaaaaa017.dbb"), ""},             // traversal in the name
        {Named(1, "20071332-130000-005.dbb"), ""},             // no such date
        {Named(1, "20071123-136000-005.dbb"), ""},             // minute 60
        {Named(1, "20071123-130012-005.dbb"), ""},             // seconds
        {Named(1, "20071123-130000-005.txt"), ""},
    };
    int i = 0;
    for (const auto& c : cases) {
        const QString path = WriteFile(tmp.path(), QStringLiteral("f%1.dbb").arg(i++), c.bytes);
        EXPECT_EQ(ImportTarget(path), QString::fromLatin1(c.target)) << i;
    }
}

TEST(DbbImport, CopyReplacesAtomicallyAndNeverOntoItself)
{
    QTemporaryDir tmp;
    const QString data = tmp.filePath("data");
    const QString rel = QStringLiteral("Reg002/Stat017/2007/11/20071123-130000-017.dbb");
    const QByteArray first = Named(2, "20071123-130000-017.dbb");
    const QByteArray second = first + Chunk("XTRA", "more");
    const QString src = WriteFile(tmp.path(), QStringLiteral("in/a.dbb"), first);
    EXPECT_EQ(ImportDbbFile(src, data), rel);
    WriteFile(tmp.path(), QStringLiteral("in/a.dbb"), second);
    EXPECT_EQ(ImportDbbFile(src, data), rel);
    QFile target(data + u'/' + rel);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), second);
    target.close();
    // The data folder as the source: every file is its own target.
    EXPECT_EQ(ImportDbbFile(data + u'/' + rel, data), QString());
    EXPECT_EQ(QFileInfo(data + u'/' + rel).size(), second.size());
    EXPECT_EQ(QDir(data + QStringLiteral("/Reg002/Stat017/2007/11")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
