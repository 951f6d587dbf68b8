#pragma once
#include <QByteArray>
#include <cstdint>
#include <initializer_list>

// How a data packet begins.
enum TPacketStartCond : uint8_t { scString, scAnyData };

// How a data packet ends; TPacketEndSet holds both in one byte (bit 0 ecString, bit 1 ecPacketSize).
enum TPacketEndCond : uint8_t { ecString, ecPacketSize };

class TPacketEndSet {
public:
    constexpr TPacketEndSet() = default;
    constexpr TPacketEndSet(std::initializer_list<TPacketEndCond> conds)
    {
        for (TPacketEndCond c : conds)
            bits_ |= uint8_t(1u << c);
    }
    static constexpr TPacketEndSet fromByte(uint8_t b) { TPacketEndSet s; s.bits_ = b & 3u; return s; }
    constexpr uint8_t toByte() const { return bits_; }
    constexpr bool contains(TPacketEndCond c) const { return bits_ & (1u << c); }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr bool operator==(const TPacketEndSet&) const = default;

private:
    uint8_t bits_ = 0;
};

enum TPacketMode : uint8_t { dpIdle, dpWaitStart, dpCollecting };

// Dispatch-log subtypes of the packet steps.
enum TPacketLogStep : uint8_t {
    plEnable,
    plDisable,
    plStringPacket,
    plSizePacket,
    plPacketTimeout,
    plStartStr,
    plEndStr,
    plIdle,
    plWaiting,
    plCollecting,
};

// Turns a pattern into its literal text and a mask of the same length: '1' where the pattern
// had an unescaped '?' (any byte), '0' elsewhere. '\' makes the next character literal; a
// trailing lone '\' is dropped.
void BuildWildcardMask(const QByteArray& pattern, QByteArray& internal, QByteArray& mask);

// Whether byte b matches position p (0-based) of a built pattern. With ignoreCase the pattern
// is upper-case already and b is upper-cased (ASCII a..z only).
bool PatternByteMatches(const QByteArray& internal, const QByteArray& mask, int p, uint8_t b,
    bool ignoreCase);

// The match state of one data packet over a buffer of received bytes: start and end
// conditions, wildcards, case, size limit. It knows no port and no manager: the caller owns
// the buffer, takes the capture when a start string completes and delivers complete pieces.
class TPacketMatcher {
public:
    // Settings; Prepare() takes them over.
    TPacketStartCond StartCond = scString;
    TPacketEndSet EndCond;
    QByteArray StartString;
    QByteArray EndString;
    bool IgnoreCase = true;
    bool IncludeStrings = true;
    int32_t PacketSize = 0;

    // Checks the settings (0 or ecStartStringEmpty .. ecZeroSizePacket, in that order of checks) and, when they are
    // consistent, builds the internal patterns and resets the match. Nothing changes on error.
    int Prepare();
    // Restarts matching: the size limit in force becomes PacketSize, no byte matched.
    void ResetMatch();

    enum class Step {
        NeedData,  // every byte present was looked at
        StartFound,  // the start string is complete and an end condition follows: collect now
        Complete,  // a piece is complete: Cond, Begin (first byte) and Size (bytes from Begin)
    };
    struct Result {
        Step step = Step::NeedData;
        TPacketEndCond cond = ecString;
        int32_t begin = -1;
        int32_t size = 0;
    };
    // Scans buf[i..len) in the current Mode; i is advanced past the bytes looked at. Stops at
    // the first step the caller must act on. Never reads beyond len.
    Result Scan(const uint8_t* buf, int32_t len, int32_t& i);

    // Offset and length of what the owner gets for a complete piece (IncludeStrings applied).
    void DeliveredPiece(const Result& r, int32_t& offset, int32_t& length) const;
    // Offset and length of what was collected when the collecting phase timed out (0 length
    // when nothing was collected).
    void CollectedPiece(int32_t dataLen, int32_t& offset, int32_t& length) const;

    TPacketMode Mode = dpIdle;
    int32_t BeginMatch = -1;  // buffer index of the first byte of the current match
    int32_t StartMatch = 1;  // 1-based position of the next start character to match
    int32_t EndMatch = 1;
    int32_t LocalMatch = -1;  // buffer index where the current partial end match began
    int32_t Limit = 0;  // the size limit in force
    QByteArray InternalStartString, StartMatchMask;
    QByteArray InternalEndString, EndMatchMask;
};
