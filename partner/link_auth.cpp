// HMAC-SHA256 through bcrypt for the partner link.
#include "partner/link_auth.h"
#include <windows.h>
#include <bcrypt.h>
#include <string.h>

bool LinkAuth_Hmac(const void* key, int keyLength, const void* data, int size,
                   unsigned char mac[LINK_MAC_SIZE])
{
    memset(mac, 0, LINK_MAC_SIZE);
    if (keyLength < 0 || size < 0) return false;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                    BCRYPT_ALG_HANDLE_HMAC_FLAG) != 0)
        return false;
    bool ok = false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, (PUCHAR)key, (ULONG)keyLength, 0) == 0) {
        ok = BCryptHashData(hash, (PUCHAR)data, (ULONG)size, 0) == 0 &&
             BCryptFinishHash(hash, mac, LINK_MAC_SIZE, 0) == 0;
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) memset(mac, 0, LINK_MAC_SIZE);
    return ok;
}

static void PutLittleEndian(unsigned char* at, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

static uint64_t GetLittleEndian(const unsigned char* at, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

int LinkAuth_Seal(const char* secret, unsigned char* buffer, int size, const LINK_STAMP& stamp)
{
    if (!secret || size < 0) return 0;
    unsigned char* at = buffer + size;
    PutLittleEndian(at, stamp.session, 4);
    PutLittleEndian(at + 4, stamp.sequence, 4);
    PutLittleEndian(at + 8, stamp.echo, 4);
    PutLittleEndian(at + 12, stamp.sentMs, 8);
    const int signedSize = size + LINK_STAMP_SIZE;
    if (!LinkAuth_Hmac(secret, (int)strlen(secret), buffer, signedSize, buffer + signedSize))
        return 0;
    return signedSize + LINK_MAC_SIZE;
}

int LinkAuth_Open(const char* secret, const unsigned char* data, int size, LINK_STAMP* stamp)
{
    if (!secret || !data || size < LINK_TRAILER_SIZE) return -1;
    const int signedSize = size - LINK_MAC_SIZE;
    unsigned char mac[LINK_MAC_SIZE];
    if (!LinkAuth_Hmac(secret, (int)strlen(secret), data, signedSize, mac)) return -1;
    // Every byte is compared, so the time taken tells nothing about where a forgery differs.
    unsigned char difference = 0;
    for (int i = 0; i < LINK_MAC_SIZE; ++i) difference |= (unsigned char)(mac[i] ^ data[signedSize + i]);
    if (difference != 0) return -1;
    const int plainSize = signedSize - LINK_STAMP_SIZE;
    const unsigned char* at = data + plainSize;
    if (stamp) {
        stamp->session = (uint32_t)GetLittleEndian(at, 4);
        stamp->sequence = (uint32_t)GetLittleEndian(at + 4, 4);
        stamp->echo = (uint32_t)GetLittleEndian(at + 8, 4);
        stamp->sentMs = GetLittleEndian(at + 12, 8);
    }
    return plainSize;
}

uint32_t LinkAuth_NewSession()
{
    uint32_t session = 0;
    while (session == 0) {
        if (BCryptGenRandom(nullptr, (PUCHAR)&session, sizeof(session),
                            BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
            // Without the provider: something that differs from one start to the next.
            LARGE_INTEGER counter;
            QueryPerformanceCounter(&counter);
            session = (uint32_t)(counter.QuadPart ^ (counter.QuadPart >> 32)) ^
                      (GetCurrentProcessId() << 16);
        }
    }
    return session;
}
