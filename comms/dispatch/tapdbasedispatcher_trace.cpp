// The trace and the dispatch log of TApdBaseDispatcher, and their text files.
#include "comms/dispatch/tapdbasedispatcher.h"

#include "comms/core/adexcept.h"
#include "comms/core/version.h"

#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <sys/utsname.h>

namespace {

constexpr int32_t kMaxTraceEntries = 4000000;

// The file error of the run-time library for errno, as a positive number.
int fileError(int err)
{
    switch (err) {
    case 0: return 0;
    case ENOENT:
    case ENOTDIR: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case ENOSPC:
    case EDQUOT: return 101;
    case EROFS: return 150;
    case EIO: return 160;
    default: return 5;
    }
}

// Writes the bytes as the trace shows them, wrapping lines by a column count: the count starts
// at `start`, each item first adds its width, and when it reaches `wrapAt` the line is ended
// (then indented by `indent` blanks) and the count restarts at `restart` + the width.
class ByteWriter {
public:
    ByteWriter(std::FILE* f, bool inHex, bool allHex, int start, int wrapAt, int restart, int indent)
        : f_(f), inHex_(inHex), allHex_(allHex), count_(start), wrapAt_(wrapAt), restart_(restart), indent_(indent)
    {
    }
    void put(uint8_t b)
    {
        char item[8];
        if (allHex_)
            std::snprintf(item, sizeof item, "[%02X]", b);
        else if (b >= (inHex_ ? 33 : 32) && b <= 126)
            std::snprintf(item, sizeof item, "%c", char(b));
        else if (inHex_)
            std::snprintf(item, sizeof item, "[%02X]", b);
        else
            std::snprintf(item, sizeof item, "[%u]", unsigned(b));
        const int width = int(std::strlen(item));
        count_ += width;
        if (count_ >= wrapAt_) {
            std::fputc('\n', f_);
            for (int i = 0; i < indent_; ++i)
                std::fputc(' ', f_);
            count_ = restart_ + width;
        }
        std::fputs(item, f_);
    }
    void reset(int start) { count_ = start; }

private:
    std::FILE* f_;
    bool inHex_, allHex_;
    int count_, wrapAt_, restart_, indent_;
};

QByteArray operatingSystemName()
{
    utsname u{};
    if (uname(&u) != 0)
        return "Unknown";
    int major = 0, minor = 0;
    std::sscanf(u.release, "%d.%d", &major, &minor);
    return QByteArray(u.sysname) + ' ' + QByteArray::number(major) + '.' + QByteArray::number(minor) + ' ' +
           QByteArray(u.release);
}

}  // namespace

// ---- Trace ----

int TApdBaseDispatcher::InitTracing(int32_t NumEntries)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (TraceQueue.empty()) {
        // A trace of no entries would have nowhere to record.
        if (NumEntries <= 0 || NumEntries > kMaxTraceEntries)
            return ecBadArgument;
        TraceQueue.assign(std::size_t(NumEntries) * 2, 0);
        TraceMax = NumEntries;
        TraceIndex = 0;
        TraceWrapped = false;
    } else {
        ClearTracing();
    }
    TracingOn = true;
    return ecOK;
}

void TApdBaseDispatcher::StartTracing()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (!TraceQueue.empty())
        TracingOn = true;
}

void TApdBaseDispatcher::StopTracing()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    TracingOn = false;
}

void TApdBaseDispatcher::ClearTracing()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    TraceIndex = 0;
    TraceWrapped = false;
}

void TApdBaseDispatcher::AbortTracing()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    TracingOn = false;
    TraceQueue.clear();
    TraceQueue.shrink_to_fit();
    TraceMax = 0;
    TraceIndex = 0;
    TraceWrapped = false;
}

void TApdBaseDispatcher::AddTraceEntry(char Type, char Ch)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (TraceQueue.empty())
        return;
    TraceQueue[std::size_t(TraceIndex) * 2] = Type;
    TraceQueue[std::size_t(TraceIndex) * 2 + 1] = Ch;
    if (++TraceIndex >= TraceMax) {
        TraceIndex = 0;
        TraceWrapped = true;
    }
}

int TApdBaseDispatcher::DumpTrace(const QString& FName, bool InHex, bool AllHex)
{
    return WriteTraceOrLog(FName, false, InHex, AllHex, false);
}

int TApdBaseDispatcher::AppendTrace(const QString& FName, bool InHex, bool AllHex)
{
    return WriteTraceOrLog(FName, true, InHex, AllHex, false);
}

void TApdBaseDispatcher::WriteTrace(std::FILE* F, bool InHex, bool AllHex)
{
    const int32_t count = TraceWrapped ? TraceMax : TraceIndex;
    const int32_t first = TraceWrapped ? TraceIndex : 0;
    ByteWriter out(F, InHex, AllHex, 0, 79, 0, 0);
    char last = 0;
    for (int32_t i = 0; i < count; ++i) {
        const std::size_t at = std::size_t((first + i) % TraceMax) * 2;
        const char type = TraceQueue[at];
        if (i == 0 || type != last) {
            if (i != 0)
                std::fputc('\n', F);
            if (type == 'R')
                std::fputs("Receive: ", F);
            else if (type == 'T')
                std::fputs("Transmit: ", F);
            else
                std::fprintf(F, "Special-%c: ", type);
            out.reset(0);
            last = type;
        }
        out.put(uint8_t(TraceQueue[at + 1]));
    }
    std::fputc('\n', F);
}

int TApdBaseDispatcher::WriteTraceOrLog(const QString& FName, bool Append, bool InHex, bool AllHex, bool Log)
{
    // The whole write runs under the main lock; the port's other work waits meanwhile.
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (Log) {
        if (DLoggingQueue.empty() || DLoggingFree == DLoggingMax) {
            AbortDispatchLogging();
            return ecOK;
        }
        DLoggingOn = false;
    } else {
        if (TraceQueue.empty())
            return ecOK;
        TracingOn = false;
        if (TraceIndex == 0 && !TraceWrapped) {
            AbortTracing();
            return ecOK;
        }
    }
    const QByteArray name = FName.toLocal8Bit();
    errno = 0;
    std::FILE* f = std::fopen(name.constData(), Append ? "ab" : "wb");
    int error = f ? 0 : fileError(errno);
    if (f) {
        char buffer[512];
        std::setvbuf(f, buffer, _IOFBF, sizeof buffer);
        if (Log)
            WriteDispatchLog(f, InHex, AllHex);
        else
            WriteTrace(f, InHex, AllHex);
        if (std::ferror(f))
            error = fileError(errno ? errno : EIO);
        if (std::fclose(f) != 0 && error == 0)
            error = fileError(errno ? errno : EIO);
    }
    if (Log)
        AbortDispatchLogging();
    else
        AbortTracing();
    return -error;
}

// ---- Dispatch log ----

void TApdBaseDispatcher::InitDispatchLogging(int32_t BufferSize)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (DLoggingQueue.empty()) {
        if (BufferSize <= 0)
            return;
        DLoggingQueue.assign(std::size_t(BufferSize), 0);
        DLoggingScratch.assign(std::size_t(BufferSize), 0);
        DLoggingMax = uint32_t(BufferSize);
        DLoggingHead = DLoggingTail = 0;
        DLoggingFree = DLoggingMax;
        DLoggingOn = true;
    } else {
        ClearDispatchLogging();
    }
}

void TApdBaseDispatcher::StartDispatchLogging()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (!DLoggingQueue.empty())
        DLoggingOn = true;
}

void TApdBaseDispatcher::StopDispatchLogging()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    DLoggingOn = false;
}

void TApdBaseDispatcher::ClearDispatchLogging()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    DLoggingHead = DLoggingTail = 0;
    DLoggingFree = DLoggingMax;
}

void TApdBaseDispatcher::AbortDispatchLogging()
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    DLoggingOn = false;
    DLoggingQueue.clear();
    DLoggingQueue.shrink_to_fit();
    DLoggingScratch.clear();
    DLoggingScratch.shrink_to_fit();
    DLoggingMax = DLoggingFree = DLoggingHead = DLoggingTail = 0;
}

uint32_t TApdBaseDispatcher::GetDispatchTime() { return AdTimeGetTime() - TimeBase; }

void TApdBaseDispatcher::AddDispatchEntry(TDispatchType Type, TDispatchSubType SubType, uint32_t Data,
                                          const void* Buffer, uint32_t BufferLen)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (!DLoggingOn)
        return;
    if (!Buffer)
        BufferLen = 0;
    // Stored as one unit: a record and its bytes are kept or dropped together.
    if (uint64_t(sizeof(TDispatchRecord)) + BufferLen >= DLoggingMax)
        return;
    std::vector<char> unit(sizeof(TDispatchRecord) + BufferLen);
    TDispatchRecord rec{};
    rec.DispatchType = Type;
    rec.DispatchSubType = SubType;
    rec.TimeMark = GetDispatchTime();
    rec.Data = Data;
    rec.MoreLength = BufferLen;
    std::memcpy(unit.data(), &rec, sizeof rec);
    if (BufferLen > 0)
        std::memcpy(unit.data() + sizeof rec, Buffer, BufferLen);
    PushDLEntry(unit.data(), uint32_t(unit.size()));
}

void TApdBaseDispatcher::AddStringToLog(const QByteArray& S)
{
    AddDispatchEntry(dtUser, dstNone, 0, S.constData(), uint32_t(S.size()));
}

bool TApdBaseDispatcher::PushDLEntry(const void* Buffer, uint32_t Len)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    if (DLoggingQueue.empty() || Len >= DLoggingMax)
        return false;
    TDispatchRecord dropped;
    uint32_t droppedLen;
    while (Len > DLoggingFree)
        if (PopLastDLEntry(dropped, DLoggingScratch.data(), droppedLen))
            break;
    if (Len > DLoggingFree)
        return false;
    const char* src = static_cast<const char*>(Buffer);
    for (uint32_t i = 0; i < Len; ++i) {
        DLoggingQueue[DLoggingHead] = src[i];
        if (++DLoggingHead == DLoggingMax)
            DLoggingHead = 0;
    }
    DLoggingFree -= Len;
    return true;
}

bool TApdBaseDispatcher::PopLastDLEntry(TDispatchRecord& Record, char* Buffer, uint32_t& Len)
{
    std::lock_guard<std::recursive_mutex> lock(MainLock);
    Len = 0;
    if (DLoggingQueue.empty() || DLoggingFree == DLoggingMax)
        return true;
    const auto take = [this](char* dest, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) {
            dest[i] = DLoggingQueue[DLoggingTail];
            if (++DLoggingTail == DLoggingMax)
                DLoggingTail = 0;
        }
        DLoggingFree += n;
    };
    char header[sizeof(TDispatchRecord)];
    take(header, sizeof header);
    std::memcpy(&Record, header, sizeof Record);
    // Records were pushed whole, so the bytes that follow are there and fit the scratch size.
    const uint32_t more = std::min(Record.MoreLength, DLoggingMax - DLoggingFree);
    take(Buffer, more);
    Len = more;
    return false;
}

int TApdBaseDispatcher::DumpDispatchLog(const QString& FName, bool InHex, bool AllHex)
{
    return WriteTraceOrLog(FName, false, InHex, AllHex, true);
}

int TApdBaseDispatcher::AppendDispatchLog(const QString& FName, bool InHex, bool AllHex)
{
    return WriteTraceOrLog(FName, true, InHex, AllHex, true);
}

void TApdBaseDispatcher::LogHeaderInfo(QString& Compiler, QString& OperatingSystem, QDateTime& Now)
{
    Compiler = QStringLiteral("GNU C++ " __VERSION__);
    OperatingSystem = QString::fromLocal8Bit(operatingSystemName());
    Now = QDateTime::currentDateTime();
}

void TApdBaseDispatcher::WriteDispatchLog(std::FILE* F, bool InHex, bool AllHex)
{
    QString compiler, os;
    QDateTime now;
    LogHeaderInfo(compiler, os, now);
    std::fprintf(F, "LNKR %s\n", ApdComponentVersion);
    std::fprintf(F, "Compiler : %s\n", compiler.toLocal8Bit().constData());
    std::fprintf(F, "Operating System : %s\n", os.left(80).toLocal8Bit().constData());
    std::fprintf(F, "Device: %s\n", DeviceName.toLocal8Bit().constData());
    std::fprintf(F, "Date/time: %s\n", now.toString(QStringLiteral("dd/MM/yy, hh:mm:ss")).toLatin1().constData());
    std::fprintf(F, "%s\n", LnkrLoadStr(sdispHeader).toLatin1().constData());
    std::fprintf(F, "%s\n", LnkrLoadStr(sdispHeaderLine).toLatin1().constData());

    static const char* const kKinds[] = {"(Not active)", "(Modem status)", "(Line status)",
                                         "(Output buffer free)", "(Output buffer used)", "(Output sent)"};
    std::vector<char> bytes(DLoggingMax);
    TDispatchRecord rec;
    uint32_t len;
    while (!PopLastDLEntry(rec, bytes.data(), len)) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%.7u", rec.TimeMark);
        QByteArray time(digits);
        time.insert(time.size() - 3, '.');
        const QByteArray type = LnkrLoadStr(int16_t(sdtBase + rec.DispatchType)).toLatin1();
        const QByteArray sub =
            rec.DispatchSubType == dstNone ? QByteArray() : LnkrLoadStr(int16_t(sdstBase + rec.DispatchSubType)).toLatin1();
        std::fprintf(F, "%8s  %-8s  %-12s  %.8x  ", time.constData(), type.constData(), sub.constData(), rec.Data);
        const bool statusKind = (rec.DispatchType == dtTriggerAlloc || rec.DispatchType == dtTriggerDispose) &&
                                rec.DispatchSubType == dstStatusTrigger;
        if (statusKind) {
            if (len >= 1 && uint8_t(bytes[0]) <= 5)
                std::fputs(kKinds[uint8_t(bytes[0])], F);
        } else {
            ByteWriter out(F, InHex, AllHex && rec.DispatchType != dtUser, 45, 79, 45, 44);
            for (uint32_t i = 0; i < len; ++i)
                out.put(uint8_t(bytes[i]));
        }
        std::fputc('\n', F);
    }
}
