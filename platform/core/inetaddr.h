#pragma once
#include <QString>
#include <cstdint>

// Dotted IPv4 addresses as the program reads and writes them: decimal only, so that an address
// with leading zeros names the same host everywhere (the system's own parsers read "010" as
// octal 8 and accept short and hexadecimal forms).
namespace platform {

// True and the host-order address only for four decimal numbers 0..255 of one to three digits
// each, separated by single dots, nothing else ("010.000.000.001" is 10.0.0.1).
bool ParseDottedIPv4(const QString& text, uint32_t* address = nullptr);

// Dotted decimal text of a host-order address ("127.0.0.1").
QString InetNtoa(uint32_t address);

// The canonical text of a dotted address ("10.0.0.1" for "010.000.000.001"); empty for a text
// that is no dotted IPv4 address.
QString CanonicalIPv4(const QString& text);

}  // namespace platform
