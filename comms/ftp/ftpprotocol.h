#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The FTP client's protocol rules that need no socket: its states and codes, reply framing and
// the collection of multi-line replies, the reply dispatch table, the PASV and PORT address
// texts and the argument check. No Qt; any thread.

// Ordered: "busy" is above psIdle, "not logged in" below it. Scoped because the port's own
// state has a psClosed too.
enum class TFtpProcessState : uint8_t { psClosed, psLogin, psIdle, psDir, psGet, psPut, psRen, psCmd, psMkDir, Count };
inline constexpr std::array<const char*, size_t(TFtpProcessState::Count)> FtpProcessStateNames{
    "psClosed", "psLogin", "psIdle", "psDir", "psGet", "psPut", "psRen", "psCmd", "psMkDir"};
static_assert(FtpProcessStateNames.size() == size_t(TFtpProcessState::Count));
inline const char* FtpStateName(TFtpProcessState S)
{
    return size_t(S) < FtpProcessStateNames.size() ? FtpProcessStateNames[size_t(S)] : "?";
}

enum TFtpStatusCode { scClose, scOpen, scLogout, scLogin, scComplete, scCurrentDir, scDataAvail, scProgress, scTransferOK, scTimeout };
enum TFtpLogCode { lcClose, lcOpen, lcLogout, lcLogin, lcDelete, lcRename, lcReceive, lcStore, lcComplete, lcRestart, lcTimeout, lcUserAbort };
enum TFtpFileType { ftAscii, ftBinary };
enum TFtpRetrieveMode { rmAppend, rmReplace, rmRestart };
enum TFtpStoreMode { smAppend, smReplace, smUnique, smRestart };

inline const char* FtpTypeLetter(TFtpFileType T) { return T == ftAscii ? "A" : "I"; }

// Bounds of the reply side: one reply line, and one whole (multi-line) reply.
inline constexpr size_t FtpMaxReplyLine = 64 * 1024;
inline constexpr size_t FtpMaxReply = 64 * 1024;

// The reply code of a line: its first three characters as a decimal number, 0 when they are
// not three digits.
int FtpReplyCode(std::string_view Line);

// Collects reply lines into whole replies. A line opens a multi-line reply only when three
// digits and '-' lead it; that reply ends at the first line that begins with the same three
// digits and a blank. The collected text keeps the first line and the continuation lines (not
// the last one) and is capped at FtpMaxReply; a longer reply is marked Truncated.
class TFtpReplyCollector {
public:
    // Takes one line (with its CR LF); true when a whole reply is ready in Text/Code.
    bool Add(std::string_view Line);
    void Reset();

    bool Collecting() const { return multiLine_; }
    int Code() const { return code_; }
    const std::string& Text() const { return text_; }
    bool Truncated() const { return truncated_; }
    // The reply from its fifth character on.
    std::string TextAfterCode() const { return text_.size() > 4 ? text_.substr(4) : std::string(); }

private:
    void Append(std::string_view Line);

    std::string text_;
    std::string terminator_;
    int code_ = 0;
    bool multiLine_ = false;
    bool truncated_ = false;
};

// What the client does with a complete reply: the dispatch table, one switch over the state.
enum class TFtpReplyAction : uint8_t {
    None,
    DataDisconnect,  // a 226 after the transfer ended: finish the data connection
    Greeting,        // 220: status scOpen, send USER
    SendPass,        // 331
    SendAcct,        // 332
    LoggedIn,        // 230: idle, logged in, status scLogin
    PopCommand,      // send the next stacked command
    PasvConnect,     // 227: connect the data socket, then the next command
    TransferReply,   // 226/250 of a listing or transfer: the server's side is done
    ToIdle,
    ToIdleComplete,  // idle and status scComplete
    CmdDataAvail,    // 211..215: status scDataAvail with the text after the code
    CurrentDir,      // 257: status scCurrentDir with the quoted directory
    Default,         // drop the chain; 221/421 close, anything else is an error
};
TFtpReplyAction FtpReplyAction(TFtpProcessState State, int Code);
const char* FtpReplyActionName(TFtpReplyAction A);

// The address of a 227 reply's parentheses "h1,h2,h3,h4,p1,p2". False unless there are exactly
// six decimal numbers each 0..255 and the port is not 0.
struct TFtpHostPort {
    uint32_t Address = 0;  // host order, h1 in the top byte
    uint16_t Port = 0;
};
bool ParsePasvReply(std::string_view Reply, TFtpHostPort& Out);
// "h1,h2,h3,h4,p1,p2" of an address and port (both host order).
std::string FtpPortArgument(uint32_t Address, uint16_t Port);
// The text between the first two double quotes of a 257 reply, "" when there is none.
std::string FtpQuotedDirectory(std::string_view Reply);

// The size a 125/150 reply announces, "... (12345 bytes)"; -1 when it names none.
int64_t FtpAnnouncedSize(std::string_view Reply);

// A listing without the lines (each up to and with its LF) that hold a NUL byte.
std::string FtpDropNulLines(std::string_view Listing);

// True when Arg may go into a command line: no CR, LF or NUL.
bool FtpArgumentIsSafe(std::string_view Arg);
