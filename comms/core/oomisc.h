#pragma once
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

class QIODevice;

// The library's clock and its small shared utilities. The clock: milliseconds, ticks of 55 ms
// and tick timers, plus waits that keep the user interface alive. The clock counts from an
// unwrapped 64-bit monotonic source, so timers keep working across the 2^32 ms wrap of the
// 32-bit millisecond value.
// Thread rules: the clock, the timers and the conversions may be used from any thread;
// SafeYield and a yielding DelayTicks belong to the user-interface thread.

inline constexpr int32_t MaxTicks = 39045157;  // the longest timer
inline constexpr uint32_t MsPerTick = 55;
inline constexpr int wmQuit = 18;  // the quit message, as SafeYield and DelayTicks report it

// A tick timer: the tick at which it was set and the tick after which it has run out.
struct EventTimer {
    int64_t StartTicks = 0;
    int64_t ExpireTicks = 0;
};

// Milliseconds of the monotonic clock, unwrapped.
uint64_t AdTimeGetTime64();
// The same as an unsigned 32-bit count (wraps after about 49.7 days).
uint32_t AdTimeGetTime();
// The current tick.
int64_t AdCurrentTicks();

// Counter units per millisecond for a counter of Frequency units a second, rounded (a remainder
// of exactly 500 rounds down); 0 when the frequency does not fit 32 bits or is 0.
uint32_t PerfTicksPerMsFor(uint64_t Frequency);

// Replaces the clock's source (milliseconds, monotonic) for tests; nullptr restores it.
using TAdClockSource = uint64_t (*)();
void SetAdClockSource(TAdClockSource Source);

// Conversions at 1675/92 ticks a second, with 64-bit intermediates and capped at MaxTicks.
int32_t Secs2Ticks(int32_t Secs);
int32_t MSecs2Ticks(int32_t MSecs);
int32_t Ticks2Secs(int32_t Ticks);

void NewTimer(EventTimer& ET, int32_t Ticks);
void NewTimerSecs(EventTimer& ET, int32_t Secs);
bool TimerExpired(const EventTimer& ET);
int32_t ElapsedTime(const EventTimer& ET);
int32_t ElapsedTimeInSecs(const EventTimer& ET);
int32_t RemainingTime(const EventTimer& ET);
int32_t RemainingTimeInSecs(const EventTimer& ET);

// Handles the pending events of the calling thread. 18 when the application has been told to
// quit (the quit stays pending for the caller's own loop); else the first library window
// message it delivered: its number in the low 16 bits, the low 16 bits of its window's handle
// in the high 16; 0 when it delivered none (Qt's own events carry no message number).
int SafeYield();
// Waits Ticks ticks; with Yield the event loop runs meanwhile (without spinning) and a quit
// ends the wait early with 18, else the result of the last pass as SafeYield gives it. 0
// without Yield, and at once for Ticks < 1.
int DelayTicks(int32_t Ticks, bool Yield);
// A library window delivers message Msg on the calling thread: SafeYield's answer.
void NoteWindowMessage(uint32_t Msg, uint32_t Wnd);
// Waits MSecs milliseconds without handling events; returns MSecs.
int32_t DelayMS(int32_t MSecs);

// ---- Small utilities of the library's public interface (nothing in the program calls them) ----
// Thread rules: all of them may be called from any thread; a TLineReader or a TAdStr belongs
// to one thread at a time.

// Modem initialisation strings that come with the library.
inline constexpr const char* ModemInitStrings[5] = {"ATE0Q0V1X4S0=0S2=43", "ATE0Q0V1X3S0=0S2=43",
    "ATE0Q0V1X2S0=0S2=43", "ATE0Q0V1X1S0=0S2=43", "ATE0Q0V1S0=0S2=43"};

inline uint32_t MinWord(uint32_t A, uint32_t B) { return A < B ? A : B; }

inline bool FlagIsSet(uint32_t Flags, uint32_t Mask) { return (Flags & Mask) != 0; }
inline bool ByteFlagIsSet(uint8_t Flags, uint8_t Mask) { return (Flags & Mask) != 0; }
inline void SetFlag(uint32_t& Flags, uint32_t Mask) { Flags |= Mask; }
inline void ClearFlag(uint32_t& Flags, uint32_t Mask) { Flags &= ~Mask; }
inline void SetByteFlag(uint8_t& Flags, uint8_t Mask) { Flags = uint8_t(Flags | Mask); }
inline void ClearByteFlag(uint8_t& Flags, uint8_t Mask) { Flags = uint8_t(Flags & ~Mask); }

// P advanced by a byte count.
inline void* AddWordToPtr(void* P, uint16_t W) { return static_cast<char*>(P) + W; }
inline void* GetPtr(void* P, int32_t Offset) { return static_cast<char*>(P) + Offset; }

// Inverts every bit of Len bytes.
void NotBuffer(void* Buf, uint32_t Len);

// The text functions ending in Z write a zero-terminated text into Dest, which holds DestSize
// bytes: a longer result is cut to fit (DestSize 0 writes nothing). They return Dest.

// Decimal text of L.
char* Long2StrZ(char* Dest, size_t DestSize, int32_t L);
// True and L when the whole of S is a decimal number (an optional sign, then digits) that
// fits 32 bits; L is left as it was otherwise.
bool Str2LongZ(const char* S, int32_t& L);
// Up to Count characters of S from the 0-based Pos; empty when Pos is at or beyond the end.
char* StrStCopy(char* Dest, size_t DestSize, const char* S, uint32_t Pos, uint32_t Count);

// Paths with the delimiters "\" and ":" of the devices' and the library's own names.
// The folder part: up to the last delimiter, whose closing "\" is dropped unless it follows
// ":" ("D:\DATA\FILE.TXT" gives "D:\DATA", "D:\FILE.TXT" gives "D:\"); a delimiter in the
// first place gives that one character; a name without a delimiter gives "".
char* JustPathnameZ(char* Dest, size_t DestSize, const char* Path);
// The part after the last delimiter.
char* JustFilenameZ(char* Dest, size_t DestSize, const char* Path);
// The extension of the file name without its dot, at most three characters, or "".
char* JustExtensionZ(char* Dest, size_t DestSize, const char* Path);
// The file name without its folder and without anything from its first ".".
QString JustName(const QString& S);
// S with "\" appended unless it is empty or ends in ":" or "\". The string form keeps a
// closing double quote behind the "\".
char* AddBackSlashZ(char* Dest, size_t DestSize, const char* S);
QString AddBackSlash(const QString& S);
// Name with its extension (from the last "." of the file name) replaced by "." + Ext, or
// "." + Ext appended when it has none.
char* ForceExtensionZ(char* Dest, size_t DestSize, const char* Name, const char* Ext);
// Name with "." + Ext when it has no extension, else Name.
char* DefaultExtensionZ(char* Dest, size_t DestSize, const char* Name, const char* Ext);
// True when a file (not a folder) of that name exists.
bool ExistFileZ(const char* Name);

// This system is not Windows. Where the library asks for the NT family it takes the path
// without direct hardware access, which is the one that holds here: IsWinNT answers true.
// IsWin2000 answers false: nothing here is that version.
bool IsWinNT();
bool IsWin2000();

// Starts FileName with the arguments of CommandLine (split at blanks, double quotes group;
// no shell is involved) and waits without limit for its end. An empty FileName takes the
// program from the first word of CommandLine; a FileName without "/" is looked up in PATH.
// Returns the exit code, 128 + the signal number for a process ended by a signal, -1 when it
// cannot be started. Visibility (the window's show state) has no meaning here and is ignored.
int32_t ApWinExecAndWait32(const QString& FileName, const QString& CommandLine, int32_t Visibility);

// Reads text lines from a stream in pages of 4096 bytes. A line ends at a carriage return
// (13); one line feed (10) right behind it is skipped. A page shorter than a full one that
// ends without a carriage return gets one, also behind a CR LF or a lone LF (each gives a last
// empty line); a final end-of-file character (26) is cut off.
class TLineReader {
public:
    static constexpr int PageSize = 4096;

    // Reads the first page. The stream must stay open while the reader is used.
    explicit TLineReader(QIODevice* Stream);

    // The next line, without its end; false once the stream has no more lines.
    bool NextLine(QByteArray& S);
    // Reads the next page.
    void ReadPage();

    bool Eof() const { return eof_; }
    int64_t BytesRead() const { return total_; }
    int64_t StreamSize() const { return size_; }

private:
    char page_[PageSize + 1] = {};
    int32_t pageLen_ = 0;
    bool eof_ = false;
    int32_t pos_ = 0;
    QIODevice* stream_;
    int64_t total_ = 0;
    int64_t size_ = 0;
};

// A growable zero-terminated text with a cursor. Positions are 1-based (0: none); Char
// indexes the buffer from 0. Capacity MaxLen holds MaxLen characters.
class TAdStr {
public:
    explicit TAdStr(uint32_t MaxLen);

    void Append(const QByteArray& S);
    void AppendBuff(const char* P);
    void AppendTAdStr(const TAdStr& Other);
    void Prepend(const QByteArray& S);
    // S inserted before position Pos (clipped to 1 .. Len + 1).
    void Insert(const QByteArray& S, uint32_t Pos);
    // Nothing for Pos 0, Count 0 or Pos beyond Len; Count is clipped at the end.
    void Delete(uint32_t Pos, uint32_t Count);
    QByteArray Copy(uint32_t Pos, uint32_t Count) const;
    // The position of the first match (from From), or 0; the cursor goes to the match.
    uint32_t Pos(const QByteArray& S);
    uint32_t PosIdx(const QByteArray& S, uint32_t From);
    void Assign(const TAdStr& Other);
    void Clear();
    // New capacity NewMaxLen; keeps the first min(NewMaxLen - 1, Len) characters.
    void Resize(uint32_t NewMaxLen);

    // Cursor moves; the cursor stays within the buffer.
    void First();
    void Last();
    void Next();
    void Prev();
    void MoveBy(int32_t N);
    void GotoPos(uint32_t Pos);

    uint32_t Len() const { return len_; }
    // Writes the terminator at index N when N is not beyond Len; the stored length stays.
    void SetLen(uint32_t N);
    uint32_t MaxLen() const { return maxLen_; }
    // A new capacity: a new buffer, and the text is empty.
    void SetMaxLen(uint32_t Value);
    uint32_t BuffLen() const { return maxLen_ + 1; }
    // 0 outside the buffer.
    char Char(uint32_t Index) const;
    char CurChar() const { return Char(cur_); }
    // The text up to the terminator.
    const char* Data() const { return buf_.empty() ? "" : buf_.data(); }

private:
    void Reserve(uint32_t NewLen);
    void SetCursor(int64_t Index);

    std::vector<char> buf_;
    uint32_t maxLen_ = 0;
    uint32_t len_ = 0;
    uint32_t cur_ = 0;
};

// The cursor class that comes with TAdStr: a plain object with nothing of its own (TAdStr
// keeps its cursor itself).
class TAdStrCur {};
