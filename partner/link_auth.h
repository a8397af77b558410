#pragma once
// Authentication of partner-link datagrams: HMAC-SHA256 (the system's cryptography provider)
// over the datagram and a send counter, so that a forged datagram is recognised, and a
// counter that only grows, so that a recorded one cannot be played again.
//
// A sealed datagram is the plain datagram, then the counter (8 bytes, least significant
// first), then the 32-byte code over both.
#include <stdint.h>

enum { LINK_COUNTER_SIZE = 8, LINK_MAC_SIZE = 32, LINK_TRAILER_SIZE = 40 };

// HMAC-SHA256 of data under key. False when the provider fails (mac is then cleared).
bool LinkAuth_Hmac(const void* key, int keyLength, const void* data, int size,
                   unsigned char mac[LINK_MAC_SIZE]);

// Appends counter and code to the size bytes in buffer, which must hold
// size + LINK_TRAILER_SIZE bytes. Returns the new size, or 0 when no code could be made.
int LinkAuth_Seal(const char* secret, unsigned char* buffer, int size, uint64_t counter);

// Checks a sealed datagram. Returns the size of the plain datagram in front of the trailer
// and its counter, or -1 when the datagram is too short or its code is wrong.
int LinkAuth_Open(const char* secret, const unsigned char* data, int size, uint64_t* counter);
