#pragma once
#include "comms/net/winsocktable.h"

#include <cstring>
#include <netdb.h>

// While it lives, host names are answered without a name server: "localhost" is 127.0.0.1 and
// every other name is unknown, as a name server says of a ".invalid" name.
class OfflineResolver {
public:
    OfflineResolver() { SetHostLookupForTest(&Lookup); }
    ~OfflineResolver() { SetHostLookupForTest(nullptr); }
    OfflineResolver(const OfflineResolver&) = delete;
    OfflineResolver& operator=(const OfflineResolver&) = delete;

    static inline int asked = 0;  // names looked up through it

private:
    static int Lookup(const char* Node, const char* Service, const addrinfo* Hints, addrinfo** Result)
    {
        ++asked;
        if (!Node || std::strcmp(Node, "localhost") != 0)
            return EAI_NONAME;
        addrinfo numeric = *Hints;
        numeric.ai_flags |= AI_NUMERICHOST;
        return ::getaddrinfo("127.0.0.1", Service, &numeric, Result);
    }
};
