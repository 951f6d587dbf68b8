#include "comms/packets/packetmatcher.h"

#include "comms/core/errorcodes.h"

namespace {

uint8_t asciiUpper(uint8_t b) { return (b >= 'a' && b <= 'z') ? uint8_t(b - 'a' + 'A') : b; }

QByteArray asciiUpper(const QByteArray& s)
{
    QByteArray out = s;
    for (char& c : out)
        c = char(asciiUpper(uint8_t(c)));
    return out;
}

}  // namespace

void BuildWildcardMask(const QByteArray& pattern, QByteArray& internal, QByteArray& mask)
{
    internal.clear();
    mask.clear();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            if (i + 1 >= pattern.size())
                break;  // a trailing lone escape is dropped
            internal.append(pattern[++i]);
            mask.append('0');
        } else {
            internal.append(c);
            mask.append(c == '?' ? '1' : '0');
        }
    }
}

bool PatternByteMatches(const QByteArray& internal, const QByteArray& mask, int p, uint8_t b,
    bool ignoreCase)
{
    if (p < 0 || p >= internal.size())
        return false;
    if (p < mask.size() && mask[p] == '1')
        return true;
    const uint8_t c = uint8_t(internal[p]);
    return ignoreCase ? asciiUpper(b) == c : b == c;
}

int TPacketMatcher::Prepare()
{
    // Every check before any state changes, so a refused enable leaves nothing half set.
    if (StartCond == scString) {
        if (StartString.isEmpty())
            return ecStartStringEmpty;
        if (EndCond.contains(ecPacketSize) && StartString.size() > PacketSize)
            return ecPacketTooSmall;
    } else if (EndCond.empty()) {
        return ecNoEndCharCount;
    }
    if (EndCond.contains(ecString) && EndString.isEmpty())
        return ecEmptyEndString;
    if (EndCond.contains(ecPacketSize) && PacketSize == 0)
        return ecZeroSizePacket;

    InternalStartString.clear();
    StartMatchMask.clear();
    InternalEndString.clear();
    EndMatchMask.clear();
    if (StartCond == scString)
        BuildWildcardMask(IgnoreCase ? asciiUpper(StartString) : StartString, InternalStartString,
            StartMatchMask);
    if (EndCond.contains(ecString))
        BuildWildcardMask(IgnoreCase ? asciiUpper(EndString) : EndString, InternalEndString,
            EndMatchMask);
    ResetMatch();
    return 0;
}

void TPacketMatcher::ResetMatch()
{
    Limit = PacketSize;
    StartMatch = 1;
    BeginMatch = -1;
    EndMatch = 1;
    LocalMatch = -1;
}

TPacketMatcher::Result TPacketMatcher::Scan(const uint8_t* buf, int32_t len, int32_t& i)
{
    Result r;
    const int32_t startLen = int32_t(InternalStartString.size());
    const int32_t endLen = int32_t(InternalEndString.size());
    // The packet ends at byte i, which is consumed.
    const auto complete = [&](TPacketEndCond cond) {
        r.step = Step::Complete;
        r.cond = cond;
        r.begin = BeginMatch;
        r.size = i - BeginMatch + 1;
        ++i;
        return r;
    };
    while (i < len && i >= 0) {
        const uint8_t b = buf[i];
        if (Mode == dpWaitStart) {
            if (startLen == 0)
                return r;  // an unescaped pattern of only '\' leaves nothing to look for
            if (PatternByteMatches(InternalStartString, StartMatchMask, StartMatch - 1, b, IgnoreCase)) {
                if (BeginMatch == -1)
                    BeginMatch = i;
                if (StartMatch >= startLen) {
                    // A size no longer than the start string ends the packet with it.
                    if (EndCond.empty() || (EndCond.contains(ecPacketSize) && i - BeginMatch + 1 >= Limit))
                        return complete(ecPacketSize);
                    ++i;
                    r.step = Step::StartFound;
                    return r;
                }
                ++StartMatch;
                ++i;
            } else if (BeginMatch == -1) {
                ++i;
            } else {
                // Naive search: retry from the byte after the failed match's first byte.
                i = BeginMatch + 1;
                StartMatch = 1;
                BeginMatch = -1;
            }
        } else if (Mode == dpCollecting) {
            if (BeginMatch == -1)
                BeginMatch = i;
            if (EndCond.contains(ecPacketSize) && i - BeginMatch + 1 >= Limit)
                return complete(ecPacketSize);
            if (!EndCond.contains(ecString) || endLen == 0) {
                ++i;
                continue;
            }
            if (PatternByteMatches(InternalEndString, EndMatchMask, EndMatch - 1, b, IgnoreCase)) {
                if (EndMatch == 1)
                    LocalMatch = i;
                if (EndMatch >= endLen)
                    return complete(ecString);
                ++EndMatch;
                ++i;
            } else if (EndMatch <= 1) {
                EndMatch = 1;
                LocalMatch = -1;
                ++i;
            } else {
                // A partial end match failed: look again from the byte after its first byte,
                // so an end string that begins inside it (or at this byte) is still found.
                i = LocalMatch + 1;
                EndMatch = 1;
                LocalMatch = -1;
            }
        } else {
            return r;
        }
    }
    return r;
}

void TPacketMatcher::DeliveredPiece(const Result& r, int32_t& offset, int32_t& length) const
{
    offset = r.begin;
    length = r.size;
    if (StartCond == scString && !IncludeStrings) {
        const int32_t s = int32_t(InternalStartString.size());
        offset += s;
        length -= s;
    }
    if (!IncludeStrings && r.cond == ecString)
        length -= int32_t(InternalEndString.size());
    if (length < 0)
        length = 0;
}

void TPacketMatcher::CollectedPiece(int32_t dataLen, int32_t& offset, int32_t& length) const
{
    if (BeginMatch < 0 || BeginMatch >= dataLen) {
        offset = 0;
        length = 0;
        return;
    }
    offset = BeginMatch + (StartCond == scString ? int32_t(InternalStartString.size()) : 0);
    if (offset > dataLen)
        offset = dataLen;
    length = dataLen - offset;
}
