#pragma once
// Bytes the communication tests write and expect: the packet delimiters and a byte list.

#include <QByteArray>

#include <initializer_list>
#include <string>

inline const std::string STX = "\x02";
inline const std::string ETX = "\x03";

inline QByteArray B(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int x : bytes)
        b.append(char(x));
    return b;
}
