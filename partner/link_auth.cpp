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

int LinkAuth_Seal(const char* secret, unsigned char* buffer, int size, uint64_t counter)
{
    if (!secret || size < 0) return 0;
    for (int i = 0; i < LINK_COUNTER_SIZE; ++i) buffer[size + i] = (unsigned char)(counter >> (8 * i));
    const int signedSize = size + LINK_COUNTER_SIZE;
    if (!LinkAuth_Hmac(secret, (int)strlen(secret), buffer, signedSize, buffer + signedSize))
        return 0;
    return signedSize + LINK_MAC_SIZE;
}

int LinkAuth_Open(const char* secret, const unsigned char* data, int size, uint64_t* counter)
{
    if (!secret || !data || size < LINK_TRAILER_SIZE) return -1;
    const int signedSize = size - LINK_MAC_SIZE;
    unsigned char mac[LINK_MAC_SIZE];
    if (!LinkAuth_Hmac(secret, (int)strlen(secret), data, signedSize, mac)) return -1;
    // Every byte is compared, so the time taken tells nothing about where a forgery differs.
    unsigned char difference = 0;
    for (int i = 0; i < LINK_MAC_SIZE; ++i) difference |= (unsigned char)(mac[i] ^ data[signedSize + i]);
    if (difference != 0) return -1;
    const int plainSize = signedSize - LINK_COUNTER_SIZE;
    uint64_t value = 0;
    for (int i = LINK_COUNTER_SIZE - 1; i >= 0; --i) value = (value << 8) | data[plainSize + i];
    if (counter) *counter = value;
    return plainSize;
}
