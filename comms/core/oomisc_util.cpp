// The library's small utilities: bits, texts, paths of the "\" and ":" kind, processes.
#include "comms/core/oomisc.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace {

char* writeZ(char* Dest, size_t DestSize, std::string_view text)
{
    if (!Dest || DestSize == 0)
        return Dest;
    const size_t n = std::min(text.size(), DestSize - 1);
    if (n > 0)
        std::memmove(Dest, text.data(), n);
    Dest[n] = '\0';
    return Dest;
}

std::string_view view(const char* S) { return S ? std::string_view(S) : std::string_view(); }

bool isDelimiter(char c) { return c == '\\' || c == ':'; }

size_t lastDelimiter(std::string_view path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (isDelimiter(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

size_t fileNameStart(std::string_view path)
{
    const size_t d = lastDelimiter(path);
    return d == std::string_view::npos ? 0 : d + 1;
}

// The dot that begins the extension: the last one within the file name.
size_t extensionDot(std::string_view path)
{
    const size_t dot = path.rfind('.');
    return dot != std::string_view::npos && dot >= fileNameStart(path) ? dot : std::string_view::npos;
}

}  // namespace

void NotBuffer(void* Buf, uint32_t Len)
{
    auto* p = static_cast<unsigned char*>(Buf);
    uint32_t i = 0;
    for (; i + 4 <= Len; i += 4) {
        uint32_t word;
        std::memcpy(&word, p + i, 4);
        word = ~word;
        std::memcpy(p + i, &word, 4);
    }
    for (; i < Len; ++i)
        p[i] = static_cast<unsigned char>(~p[i]);
}

char* Long2StrZ(char* Dest, size_t DestSize, int32_t L)
{
    char text[16];
    const auto r = std::to_chars(text, text + sizeof text, L);
    return writeZ(Dest, DestSize, std::string_view(text, size_t(r.ptr - text)));
}

bool Str2LongZ(const char* S, int32_t& L)
{
    const std::string_view s = view(S);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i == s.size())
        return false;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return false;
    L = int32_t(value);
    return true;
}

char* StrStCopy(char* Dest, size_t DestSize, const char* S, uint32_t Pos, uint32_t Count)
{
    const std::string_view s = view(S);
    if (Pos >= s.size())
        return writeZ(Dest, DestSize, {});
    return writeZ(Dest, DestSize, s.substr(Pos, Count));
}

char* JustPathnameZ(char* Dest, size_t DestSize, const char* Path)
{
    const std::string_view path = view(Path);
    const size_t d = lastDelimiter(path);
    if (d == std::string_view::npos)
        return writeZ(Dest, DestSize, {});
    if (d == 0)
        return writeZ(Dest, DestSize, path.substr(0, 1));
    std::string_view part = path.substr(0, d + 1);
    if (part.back() == '\\' && part[part.size() - 2] != ':')
        part.remove_suffix(1);
    return writeZ(Dest, DestSize, part);
}

char* JustFilenameZ(char* Dest, size_t DestSize, const char* Path)
{
    const std::string_view path = view(Path);
    return writeZ(Dest, DestSize, path.substr(fileNameStart(path)));
}

char* JustExtensionZ(char* Dest, size_t DestSize, const char* Path)
{
    const std::string_view path = view(Path);
    const size_t dot = extensionDot(path);
    return writeZ(Dest, DestSize, dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1, 3));
}

QString JustName(const QString& S)
{
    qsizetype start = 0;
    for (qsizetype i = S.size(); i > 0; --i)
        if (S[i - 1] == u'\\' || S[i - 1] == u':') {
            start = i;
            break;
        }
    const QString name = S.mid(start);
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

char* AddBackSlashZ(char* Dest, size_t DestSize, const char* S)
{
    const std::string_view s = view(S);
    if (s.empty() || isDelimiter(s.back()))
        return writeZ(Dest, DestSize, s);
    return writeZ(Dest, DestSize, std::string(s) + '\\');
}

QString AddBackSlash(const QString& S)
{
    const bool quoted = S.endsWith(u'"');
    QString s = quoted ? S.chopped(1) : S;
    if (!s.isEmpty() && !s.endsWith(u'\\') && !s.endsWith(u':'))
        s += u'\\';
    return quoted ? s + u'"' : s;
}

char* ForceExtensionZ(char* Dest, size_t DestSize, const char* Name, const char* Ext)
{
    const std::string_view name = view(Name);
    const size_t dot = extensionDot(name);
    return writeZ(Dest, DestSize, std::string(name.substr(0, dot)) + '.' + std::string(view(Ext)));
}

char* DefaultExtensionZ(char* Dest, size_t DestSize, const char* Name, const char* Ext)
{
    const std::string_view name = view(Name);
    if (extensionDot(name) != std::string_view::npos)
        return writeZ(Dest, DestSize, name);
    return writeZ(Dest, DestSize, std::string(name) + '.' + std::string(view(Ext)));
}

bool ExistFileZ(const char* Name)
{
    struct stat st {};
    return Name && *Name && ::stat(Name, &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsWinNT() { return true; }

bool IsWin2000() { return false; }

int32_t ApWinExecAndWait32(const QString& FileName, const QString& CommandLine, int32_t /*Visibility*/)
{
    QStringList words = QProcess::splitCommand(CommandLine);
    if (!FileName.isEmpty())
        words.prepend(FileName);
    if (words.isEmpty())
        return -1;
    std::vector<QByteArray> encoded;
    for (const QString& w : words)
        encoded.push_back(QFile::encodeName(w));
    std::vector<char*> argv;
    for (QByteArray& e : encoded)
        argv.push_back(e.data());
    argv.push_back(nullptr);

    // The child starts with no signal blocked or ignored, whatever this program set up.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}
