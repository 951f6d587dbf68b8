// The library's line reader and growable text.
#include "comms/core/oomisc.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace {

constexpr char CR = 13;
constexpr char LF = 10;
constexpr char EofChar = 26;

}  // namespace

TLineReader::TLineReader(QIODevice* Stream) : stream_(Stream)
{
    if (stream_)
        size_ = stream_->isSequential() ? stream_->bytesAvailable() : stream_->size();
    ReadPage();
}

void TLineReader::ReadPage()
{
    const qint64 n = stream_ ? stream_->read(page_, PageSize) : 0;
    pageLen_ = int32_t(std::max<qint64>(n, 0));
    total_ += pageLen_;
    eof_ = pageLen_ == 0;
    // A short page ends its last line, also after a CR LF: "abc\r\n" reads "abc" and "".
    const bool endsLine = pageLen_ > 0 && (page_[pageLen_ - 1] == CR || page_[pageLen_ - 1] == EofChar);
    const bool last = pageLen_ < PageSize || (size_ > 0 && total_ >= size_);
    if (pageLen_ > 0 && pageLen_ < PageSize && !endsLine)
        page_[pageLen_++] = CR;
    pos_ = pageLen_ > 0 && page_[0] == LF ? 1 : 0;
    if (last && pageLen_ > 0 && page_[pageLen_ - 1] == EofChar)
        --pageLen_;
    page_[pageLen_] = '\0';
}

bool TLineReader::NextLine(QByteArray& S)
{
    S.clear();
    while (pos_ >= pageLen_) {
        if (eof_)
            return false;
        ReadPage();
    }
    for (;;) {
        const char* from = page_ + pos_;
        const auto* cr = static_cast<const char*>(std::memchr(from, CR, size_t(pageLen_ - pos_)));
        if (cr) {
            S.append(from, cr - from);
            pos_ = int32_t(cr - page_) + 1;
            if (pos_ < pageLen_ && page_[pos_] == LF)
                ++pos_;
            return true;
        }
        S.append(from, pageLen_ - pos_);
        pos_ = pageLen_;
        ReadPage();
        if (eof_)
            return true;
    }
}

TAdStr::TAdStr(uint32_t MaxLen) { SetMaxLen(MaxLen); }

void TAdStr::SetMaxLen(uint32_t Value)
{
    maxLen_ = Value;
    buf_.assign(Value == 0 ? 0 : size_t(Value) + 5, '\0');
    len_ = 0;
    cur_ = 0;
}

void TAdStr::Resize(uint32_t NewMaxLen)
{
    const uint32_t keep = std::min(NewMaxLen == 0 ? 0 : NewMaxLen - 1, len_);
    const std::vector<char> old(buf_.begin(), buf_.begin() + keep);
    const uint32_t cursor = cur_;
    SetMaxLen(NewMaxLen);
    std::copy(old.begin(), old.end(), buf_.begin());
    len_ = keep;
    SetCursor(cursor);
}

void TAdStr::Reserve(uint32_t NewLen)
{
    if (NewLen > maxLen_)
        Resize(NewLen);
}

void TAdStr::Append(const QByteArray& S) { Insert(S, len_ + 1); }

void TAdStr::AppendBuff(const char* P)
{
    if (P)
        Append(QByteArray(P));
}

void TAdStr::AppendTAdStr(const TAdStr& Other) { Append(QByteArray(Other.Data(), Other.len_)); }

void TAdStr::Prepend(const QByteArray& S) { Insert(S, 1); }

void TAdStr::Insert(const QByteArray& S, uint32_t Pos)
{
    const auto n = uint32_t(S.size());
    if (n == 0)
        return;
    const uint32_t at = std::clamp<uint32_t>(Pos, 1, len_ + 1) - 1;
    Reserve(len_ + n);
    std::memmove(buf_.data() + at + n, buf_.data() + at, len_ - at);
    std::memcpy(buf_.data() + at, S.constData(), n);
    len_ += n;
    buf_[len_] = '\0';
}

void TAdStr::Delete(uint32_t Pos, uint32_t Count)
{
    if (Pos == 0 || Count == 0 || Pos > len_)
        return;
    const uint32_t at = Pos - 1;
    const uint32_t n = std::min(Count, len_ - at);
    std::memmove(buf_.data() + at, buf_.data() + at + n, len_ - at - n);
    len_ -= n;
    buf_[len_] = '\0';
    SetCursor(cur_);
}

QByteArray TAdStr::Copy(uint32_t Pos, uint32_t Count) const
{
    if (Pos == 0 || Count == 0 || Pos > len_)
        return {};
    const uint32_t at = Pos - 1;
    return QByteArray(buf_.data() + at, qsizetype(std::min(Count, len_ - at)));
}

uint32_t TAdStr::Pos(const QByteArray& S) { return PosIdx(S, 1); }

uint32_t TAdStr::PosIdx(const QByteArray& S, uint32_t From)
{
    if (S.isEmpty() || From == 0 || From > len_)
        return 0;
    const char* begin = buf_.data() + From - 1;
    const char* end = buf_.data() + len_;
    const char* hit = std::search(begin, end, S.constBegin(), S.constEnd());
    if (hit == end)
        return 0;
    cur_ = uint32_t(hit - buf_.data());
    return cur_ + 1;
}

void TAdStr::Assign(const TAdStr& Other)
{
    if (&Other == this)
        return;
    maxLen_ = Other.maxLen_;
    buf_ = Other.buf_;
    len_ = Other.len_;
    cur_ = 0;
}

void TAdStr::Clear()
{
    len_ = 0;
    if (!buf_.empty())
        buf_[0] = '\0';
    cur_ = 0;
}

void TAdStr::SetLen(uint32_t N)
{
    if (N <= len_ && N < buf_.size())
        buf_[N] = '\0';
}

char TAdStr::Char(uint32_t Index) const { return Index < buf_.size() ? buf_[Index] : '\0'; }

void TAdStr::SetCursor(int64_t Index) { cur_ = uint32_t(std::clamp<int64_t>(Index, 0, maxLen_)); }

void TAdStr::First() { SetCursor(0); }
void TAdStr::Last() { SetCursor(int64_t(len_) - 1); }
void TAdStr::Next() { SetCursor(int64_t(cur_) + 1); }
void TAdStr::Prev() { SetCursor(int64_t(cur_) - 1); }
void TAdStr::MoveBy(int32_t N) { SetCursor(int64_t(cur_) + N); }
void TAdStr::GotoPos(uint32_t Pos) { SetCursor(int64_t(Pos) - 1); }
