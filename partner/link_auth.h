#pragma once
// Authentication of partner-link datagrams: HMAC-SHA256 (the system's cryptography provider)
// over the datagram and its stamp, so that a forged datagram is recognised and a recorded one
// cannot be played again.
//
// The stamp does not depend on the wall clock's direction: a random session number drawn at
// every start of the sender and a sequence that grows within the session order the
// datagrams; the echo (the receiver's own session as the sender last heard it) ties a datagram
// to one life of the receiver; the sender's clock only admits a new session of a partner that
// has not heard this machine yet.
//
// A sealed datagram is the plain datagram, then the stamp (session, sequence and echo as 4
// bytes each, the sender's clock in milliseconds since 1601 as 8 bytes, all least significant
// first), then the 32-byte code over both. Datagrams of the earlier form (an 8-byte counter)
// fail the code and are dropped as forged.
#include <stdint.h>

enum {
    LINK_STAMP_SIZE = 20,
    LINK_MAC_SIZE = 32,
    LINK_TRAILER_SIZE = LINK_STAMP_SIZE + LINK_MAC_SIZE,
};

struct LINK_STAMP {
    uint32_t session;   // the sender's start; never 0
    uint32_t sequence;  // grows with every datagram of the session
    uint32_t echo;      // the receiver's session as the sender heard it; 0 none yet
    uint64_t sentMs;    // the sender's clock, milliseconds since 1601 (UTC)
};

// HMAC-SHA256 of data under key. False when the provider fails (mac is then cleared).
bool LinkAuth_Hmac(const void* key, int keyLength, const void* data, int size,
                   unsigned char mac[LINK_MAC_SIZE]);

// Appends stamp and code to the size bytes in buffer, which must hold
// size + LINK_TRAILER_SIZE bytes. Returns the new size, or 0 when no code could be made.
int LinkAuth_Seal(const char* secret, unsigned char* buffer, int size, const LINK_STAMP& stamp);

// Checks a sealed datagram. Returns the size of the plain datagram in front of the trailer
// and its stamp, or -1 when the datagram is too short or its code is wrong.
int LinkAuth_Open(const char* secret, const unsigned char* data, int size, LINK_STAMP* stamp);

// A random session number, never 0.
uint32_t LinkAuth_NewSession();
