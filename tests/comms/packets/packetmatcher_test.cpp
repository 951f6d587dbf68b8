#include "comms/packets/packetmatcher.h"
#include "common/bytes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct PacketSetup {
    TPacketStartCond start = scString;
    std::string startString;
    TPacketEndSet end;
    std::string endString;
    int size = 0;
    bool ignoreCase = true;
    bool include = true;
};

TPacketMatcher make(const PacketSetup& s)
{
    TPacketMatcher m;
    m.StartCond = s.start;
    m.StartString = QByteArray::fromStdString(s.startString);
    m.EndCond = s.end;
    m.EndString = QByteArray::fromStdString(s.endString);
    m.PacketSize = s.size;
    m.IgnoreCase = s.ignoreCase;
    m.IncludeStrings = s.include;
    return m;
}

void arm(TPacketMatcher& m)
{
    m.ResetMatch();
    m.Mode = (m.StartCond == scString) ? dpWaitStart : dpCollecting;
}

// One packet alone on a stream, handled as its manager does: bytes are appended, scanning
// resumes where it stopped, a complete piece leaves the buffer with everything before it, and
// matching restarts on what is left; bytes no match holds are dropped.
std::vector<std::string> run(const PacketSetup& s, const std::vector<std::string>& chunks)
{
    TPacketMatcher m = make(s);
    EXPECT_EQ(m.Prepare(), 0);
    arm(m);
    std::vector<std::string> out;
    QByteArray buf;
    for (const std::string& c : chunks) {
        int32_t i = int32_t(buf.size());
        buf.append(c.data(), qsizetype(c.size()));
        for (int guard = 0; guard < 10000; ++guard) {
            auto r = m.Scan(reinterpret_cast<const uint8_t*>(buf.constData()), int32_t(buf.size()), i);
            if (r.step == TPacketMatcher::Step::StartFound) {
                m.Mode = dpCollecting;
                continue;
            }
            if (r.step == TPacketMatcher::Step::Complete) {
                int32_t off = 0, len = 0;
                m.DeliveredPiece(r, off, len);
                out.emplace_back(buf.constData() + off, size_t(len));
                buf.remove(0, r.begin + r.size);
                arm(m);
                i = 0;
                continue;
            }
            break;
        }
        if (m.BeginMatch == -1 && m.Mode != dpCollecting)
            buf.clear();
    }
    return out;
}

std::vector<std::string> bytewise(const std::string& s)
{
    std::vector<std::string> v;
    for (char c : s)
        v.emplace_back(1, c);
    return v;
}

// The same pieces whether the data comes whole, byte by byte or split at any one boundary.
void expectPieces(const PacketSetup& s, const std::string& input, const std::vector<std::string>& expected)
{
    EXPECT_EQ(run(s, {input}), expected) << "whole: " << input;
    EXPECT_EQ(run(s, bytewise(input)), expected) << "byte by byte: " << input;
    for (size_t cut = 1; cut < input.size(); ++cut)
        EXPECT_EQ(run(s, {input.substr(0, cut), input.substr(cut)}), expected)
            << "split at " << cut << ": " << input;
}


TEST(PacketPattern, WildcardMaskTable)
{
    struct Row {
        const char* pattern;
        const char* internal;
        const char* mask;
    } rows[] = {
        {"", "", ""},
        {"abc", "abc", "000"},
        {"x?z", "x?z", "010"},
        {"x\\?z", "x?z", "000"},
        {"\\\\", "\\", "0"},
        {"a\\", "a", "0"},
        {"\\", "", ""},
        {"??", "??", "11"},
        {"\\a?", "a?", "01"},
    };
    for (const Row& r : rows) {
        QByteArray internal, mask;
        BuildWildcardMask(r.pattern, internal, mask);
        EXPECT_EQ(internal, QByteArray(r.internal)) << r.pattern;
        EXPECT_EQ(mask, QByteArray(r.mask)) << r.pattern;
    }
}

TEST(PacketMatcher, PrepareRefusesInconsistentSettings)
{
    struct Row {
        PacketSetup s;
        int code;
    } rows[] = {
        {{scString, "", {ecString}, "x"}, -5501},
        {{scString, "abc", {ecPacketSize}, "", 2}, -5502},
        {{scString, "abc", {ecPacketSize}, "", 0}, -5502},
        {{scAnyData, "", {}, ""}, -5503},
        {{scString, "a", {ecString}, ""}, -5504},
        {{scAnyData, "", {ecString}, ""}, -5504},
        {{scAnyData, "", {ecPacketSize}, "", 0}, -5505},
        {{scString, "a", {ecString, ecPacketSize}, "b", 0}, -5502},
        {{scString, "a", {}, ""}, 0},
        {{scAnyData, "", {ecPacketSize}, "", 1}, 0},
        {{scString, "ab", {ecPacketSize}, "", 2}, 0},
    };
    for (const Row& r : rows) {
        TPacketMatcher m = make(r.s);
        m.Mode = dpWaitStart;
        m.BeginMatch = 7;
        EXPECT_EQ(m.Prepare(), r.code) << r.s.startString << "/" << r.s.endString;
        if (r.code != 0) {
            EXPECT_EQ(m.BeginMatch, 7) << "a refused enable changes nothing";
            EXPECT_TRUE(m.InternalStartString.isEmpty());
        }
    }
}

TEST(PacketMatcher, FramedRepliesWithAndWithoutFrameBytes)
{
    PacketSetup s {scString, STX, {ecString}, ETX, 0, true, false};
    expectPieces(s, STX + "x=1" + ETX, {"x=1"});
    expectPieces(s, "noise\x03" + STX + "k=v" + ETX + "junk" + STX + "=" + ETX, {"k=v", "="});
    expectPieces(s, STX + ETX, {""});
    s.include = true;
    expectPieces(s, STX + "x=1" + ETX, {STX + "x=1" + ETX});
    // A second STX inside a frame is data: only the end condition ends collecting.
    s.include = false;
    expectPieces(s, STX + "a" + STX + "b" + ETX, {"a" + STX + "b"});
}

TEST(PacketMatcher, StartStringScanRestartsAfterFailedMatch)
{
    PacketSetup s {scString, "AB", {}, ""};
    expectPieces(s, "AAB", {"AB"});
    expectPieces(s, "xAxABAB", {"AB", "AB"});
    PacketSetup t {scString, "aab", {}, ""};
    expectPieces(t, "aaab", {"aab"});
    expectPieces(t, "aaaab", {"aab"});
}

TEST(PacketMatcher, WildcardsEscapesAndCase)
{
    PacketSetup w {scString, "x?z", {}, ""};
    expectPieces(w, "xyz", {"xyz"});
    expectPieces(w, "x-z", {"x-z"});
    PacketSetup e {scString, "x\\?z", {}, ""};
    expectPieces(e, "xyz", {});
    expectPieces(e, "xyzx?z", {"x?z"});

    PacketSetup c {scString, "ok", {}, "", 0, true};
    expectPieces(c, "OK", {"OK"});
    expectPieces(c, "oK", {"oK"});
    c.ignoreCase = false;
    expectPieces(c, "OKoKok", {"ok"});

    // The wildcard also stands in the end string.
    PacketSetup we {scString, "<", {ecString}, "?>", 0, true, false};
    expectPieces(we, "<ab>", {"a"});
}

TEST(PacketMatcher, MultiByteEndStringRealigns)
{
    PacketSetup s {scAnyData, "", {ecString}, "\r\n"};
    expectPieces(s, "a\r\r\n", {"a\r\r\n"});
    expectPieces(s, "a\rb\r\n", {"a\rb\r\n"});
    expectPieces(s, "l1\r\nl2\r\n", {"l1\r\n", "l2\r\n"});
    PacketSetup t {scString, "S", {ecString}, "aab", 0, true, false};
    expectPieces(t, "Sxaaab", {"xa"});
    expectPieces(t, "Saaaab", {"aa"});
}

TEST(PacketMatcher, SizeEndAloneAndWithEndString)
{
    PacketSetup any {scAnyData, "", {ecPacketSize}, "", 3};
    expectPieces(any, "abcdefg", {"abc", "def"});
    // A size equal to the start string's length: the start string alone.
    expectPieces({scString, "ABC", {ecPacketSize}, "", 3}, "ABCDEFGABC", {"ABC", "ABC"});

    // The size counts from the start string's first byte, whatever IncludeStrings says.
    PacketSetup both {scString, "<", {ecString, ecPacketSize}, ">", 5, true, true};
    expectPieces(both, "<ab>", {"<ab>"});
    expectPieces(both, "<abcdef>", {"<abcd"});
    both.include = false;
    expectPieces(both, "<ab>", {"ab"});
    expectPieces(both, "<abcdef>", {"abcd"});
}

TEST(PacketMatcher, CollectedPieceOnTimeout)
{
    TPacketMatcher m = make({scString, STX, {ecString}, ETX});
    ASSERT_EQ(m.Prepare(), 0);
    arm(m);
    const QByteArray buf = "xx\x02" "abc";
    int32_t i = 0;
    auto r = m.Scan(reinterpret_cast<const uint8_t*>(buf.constData()), int32_t(buf.size()), i);
    ASSERT_EQ(r.step, TPacketMatcher::Step::StartFound);
    m.Mode = dpCollecting;
    r = m.Scan(reinterpret_cast<const uint8_t*>(buf.constData()), int32_t(buf.size()), i);
    EXPECT_EQ(r.step, TPacketMatcher::Step::NeedData);
    int32_t off = -1, len = -1;
    m.CollectedPiece(int32_t(buf.size()), off, len);
    EXPECT_EQ(off, 3);
    EXPECT_EQ(len, 3);

    // Nothing collected yet: an empty piece, no index outside the data.
    TPacketMatcher any = make({scAnyData, "", {ecString}, "\n"});
    ASSERT_EQ(any.Prepare(), 0);
    arm(any);
    any.CollectedPiece(0, off, len);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(off, 0);
}

}  // namespace
