#include "comms/ftp/ftpprotocol.h"

#include <cctype>

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

bool StartsWith(std::string_view S, std::string_view Prefix)
{
    return S.size() >= Prefix.size() && S.compare(0, Prefix.size(), Prefix) == 0;
}

}  // namespace

int FtpReplyCode(std::string_view Line)
{
    if (Line.size() < 3 || !IsDigit(Line[0]) || !IsDigit(Line[1]) || !IsDigit(Line[2]))
        return 0;
    return (Line[0] - '0') * 100 + (Line[1] - '0') * 10 + (Line[2] - '0');
}

void TFtpReplyCollector::Reset()
{
    text_.clear();
    terminator_.clear();
    code_ = 0;
    multiLine_ = false;
    truncated_ = false;
}

void TFtpReplyCollector::Append(std::string_view Line)
{
    size_t room = FtpMaxReply - text_.size();
    if (Line.size() > room) {
        Line = Line.substr(0, room);
        truncated_ = true;
    }
    text_.append(Line);
}

bool TFtpReplyCollector::Add(std::string_view Line)
{
    if (!multiLine_) {
        Reset();
        code_ = FtpReplyCode(Line);
        Append(Line);
        if (code_ != 0 && Line.size() > 3 && Line[3] == '-') {
            multiLine_ = true;
            terminator_ = std::string(Line.substr(0, 3)) + ' ';
            return false;
        }
        return true;
    }
    if (StartsWith(Line, terminator_)) {
        multiLine_ = false;
        return true;
    }
    Append(Line);
    return false;
}

TFtpReplyAction FtpReplyAction(TFtpProcessState State, int Code)
{
    using S = TFtpProcessState;
    using A = TFtpReplyAction;
    switch (State) {
    case S::psClosed:
    case S::psIdle:
        if (Code == 125 || Code == 150)
            return A::None;
        if (Code == 226)
            return A::DataDisconnect;
        return A::Default;
    case S::psLogin:
        switch (Code) {
        case 220: return A::Greeting;
        case 331: return A::SendPass;
        case 332: return A::SendAcct;
        case 230: return A::LoggedIn;
        case 202: return A::None;
        default: return A::Default;
        }
    case S::psDir:
    case S::psGet:
    case S::psPut:
        if (Code < 200)
            return A::None;
        switch (Code) {
        case 200:
        case 350: return A::PopCommand;
        case 227: return A::PasvConnect;
        // The transfer is done only when the data connection has closed as well.
        case 226:
        case 250: return A::TransferReply;
        default: return A::Default;
        }
    case S::psRen:
        switch (Code) {
        case 226: return A::None;
        case 250: return A::ToIdleComplete;
        case 350: return A::PopCommand;
        default: return A::Default;
        }
    case S::psCmd:
        if (Code >= 211 && Code <= 215)
            return A::CmdDataAvail;
        switch (Code) {
        case 225:
        case 226: return A::ToIdle;
        case 250: return A::ToIdleComplete;
        case 257: return A::CurrentDir;
        default: return A::Default;
        }
    case S::psMkDir:
        return (Code == 250 || Code == 257) ? A::ToIdle : A::Default;
    case S::Count:
        break;
    }
    return A::Default;
}

const char* FtpReplyActionName(TFtpReplyAction A)
{
    static constexpr const char* names[] = {"None",          "DataDisconnect", "Greeting", "SendPass",
                                            "SendAcct",      "LoggedIn",       "PopCommand", "PasvConnect",
                                            "TransferReply", "ToIdle",         "ToIdleComplete", "CmdDataAvail",
                                            "CurrentDir",    "Default"};
    static_assert(std::size(names) == size_t(TFtpReplyAction::Default) + 1);
    return names[size_t(A)];
}

bool ParsePasvReply(std::string_view Reply, TFtpHostPort& Out)
{
    std::string_view body;
    size_t open = Reply.find('(');
    if (open != std::string_view::npos) {
        size_t close = Reply.find(')', open + 1);
        if (close == std::string_view::npos)
            return false;
        body = Reply.substr(open + 1, close - open - 1);
    } else {
        // Some servers give the numbers without parentheses: take them from the first digit on.
        size_t from = Reply.size() > 4 ? 4 : Reply.size();
        while (from < Reply.size() && !IsDigit(Reply[from]))
            ++from;
        size_t to = from;
        while (to < Reply.size() && (IsDigit(Reply[to]) || Reply[to] == ','))
            ++to;
        body = Reply.substr(from, to - from);
    }
    unsigned n[6];
    size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        while (pos < body.size() && body[pos] == ' ')
            ++pos;
        size_t start = pos;
        unsigned v = 0;
        while (pos < body.size() && IsDigit(body[pos]) && pos - start < 4)
            v = v * 10 + unsigned(body[pos++] - '0');
        if (pos == start || v > 255)
            return false;
        n[i] = v;
        while (pos < body.size() && body[pos] == ' ')
            ++pos;
        if (i < 5) {
            if (pos >= body.size() || body[pos] != ',')
                return false;
            ++pos;
        }
    }
    if (pos != body.size())
        return false;
    uint16_t port = uint16_t(n[4] * 256 + n[5]);
    if (port == 0)
        return false;
    Out.Address = (n[0] << 24) | (n[1] << 16) | (n[2] << 8) | n[3];
    Out.Port = port;
    return true;
}

std::string FtpPortArgument(uint32_t Address, uint16_t Port)
{
    return std::to_string(Address >> 24) + ',' + std::to_string((Address >> 16) & 0xFF) + ',' +
           std::to_string((Address >> 8) & 0xFF) + ',' + std::to_string(Address & 0xFF) + ',' +
           std::to_string(Port >> 8) + ',' + std::to_string(Port & 0xFF);
}

std::string FtpQuotedDirectory(std::string_view Reply)
{
    size_t a = Reply.find('"');
    if (a == std::string_view::npos)
        return {};
    size_t b = Reply.find('"', a + 1);
    if (b == std::string_view::npos)
        return {};
    return std::string(Reply.substr(a + 1, b - a - 1));
}

int64_t FtpAnnouncedSize(std::string_view Reply)
{
    const size_t close = Reply.rfind(')');
    const size_t open = close == std::string_view::npos ? close : Reply.rfind('(', close);
    if (open == std::string_view::npos)
        return -1;
    std::string_view in = Reply.substr(open + 1, close - open - 1);
    int64_t n = 0;
    size_t digits = 0;
    while (digits < in.size() && IsDigit(in[digits]) && digits < 15)
        n = n * 10 + (in[digits++] - '0');
    in.remove_prefix(digits);
    if (digits == 0 || in.size() != 6 || in[0] != ' ')
        return -1;
    for (size_t i = 1; i < 6; ++i)
        if (std::tolower(static_cast<unsigned char>(in[i])) != "bytes"[i - 1])
            return -1;
    return n;
}

std::string FtpDropNulLines(std::string_view Listing)
{
    std::string out;
    out.reserve(Listing.size());
    while (!Listing.empty()) {
        const size_t end = Listing.find('\n');
        const std::string_view line = Listing.substr(0, end == std::string_view::npos ? end : end + 1);
        if (line.find('\0') == std::string_view::npos)
            out.append(line);
        Listing.remove_prefix(line.size());
    }
    return out;
}

bool FtpArgumentIsSafe(std::string_view Arg)
{
    for (char c : Arg)
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    return true;
}
