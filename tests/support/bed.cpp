#include "bed.h"

#include <gtest/gtest.h>
#include <wincrypt.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

/* Older mingw headers lack the AES provider's names. */
#ifndef PROV_RSA_AES
#define PROV_RSA_AES 24
#endif
#ifndef CALG_SHA_256
#define CALG_SHA_256 0x0000800c
#endif

static std::string EnvOr(const char *name, const char *fallback)
{
    const char *value = getenv(name);
    return value && *value ? value : fallback;
}

std::string BedUnixPath(const std::string &relative)
{
    std::string path = EnvOr("VANTREL_BED", "");
    if (!relative.empty())
        path += "/" + relative;
    return path;
}

std::string BedWindowsPath(const std::string &relative)
{
    std::string path = "Z:" + BedUnixPath(relative);
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

static std::string ReadSmallFile(const std::string &windowsPath)
{
    std::string text;
    FILE *f = fopen(windowsPath.c_str(), "rb");
    if (!f)
        return text;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        text.append(buffer, n);
    fclose(f);
    return text;
}

std::string BedProfile(void)
{
    std::string text = ReadSmallFile(BedWindowsPath("profile"));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string BedQueueName(void)
{
    return EnvOr("VANTREL_QUEUE", "vantrel_raw");
}

std::string BedQueuePortName(void)
{
    return "CUPS:" + BedQueueName();
}

static std::string JobName(int number, const char *suffix)
{
    char name[64];
    snprintf(name, sizeof(name), "jobs/raw/%04d.%s", number, suffix);
    return BedWindowsPath(name);
}

int CountListenerJobs(void)
{
    int count = 0;
    while (GetFileAttributesA(JobName(count + 1, "bin").c_str()) != INVALID_FILE_ATTRIBUTES ||
           GetFileAttributesA(JobName(count + 1, "done").c_str()) != INVALID_FILE_ATTRIBUTES)
        ++count;
    return count;
}

bool WaitForListenerJob(int number, DWORD timeoutMs, uint64_t *size, std::string *sha256)
{
    std::string done = JobName(number, "done");
    DWORD start = GetTickCount();
    for (;;) {
        std::string text = ReadSmallFile(done);
        if (!text.empty()) {
            char hex[80] = "";
            unsigned long long bytes = 0;
            if (sscanf(text.c_str(), "%llu %79s", &bytes, hex) != 2)
                return false;
            *size = bytes;
            *sha256 = hex;
            return true;
        }
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

std::string SinkWindowsPath(const std::string &name)
{
    return BedWindowsPath("sinks/" + name);
}

bool EmptySink(const std::string &name)
{
    HANDLE file = CreateFileA(SinkWindowsPath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool HashSink(const std::string &name, uint64_t *size, std::string *sha256)
{
    return Sha256OfFile(SinkWindowsPath(name), size, sha256);
}

static const char PortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
static const char SpoolerKey[] = "Software\\Wine\\Printing\\Spooler";

static bool SetRegistryString(HKEY root, const char *key, const std::string &name, const std::string &value)
{
    HKEY handle;
    if (RegCreateKeyExA(root, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &handle, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(handle, name.c_str(), 0, REG_SZ, (const BYTE *)value.c_str(),
                                 (DWORD)value.size() + 1);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

static bool DeleteRegistryValue(HKEY root, const char *key, const std::string &name)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    LONG result = RegDeleteValueA(handle, name.c_str());
    RegCloseKey(handle);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool AddPortToList(const std::string &port)
{
    return SetRegistryString(HKEY_LOCAL_MACHINE, PortsKey, port, "");
}

bool RemovePortFromList(const std::string &port)
{
    return DeleteRegistryValue(HKEY_LOCAL_MACHINE, PortsKey, port);
}

bool SetSpoolerMapping(const std::string &port, const std::string &unixTarget)
{
    if (unixTarget.empty())
        return DeleteRegistryValue(HKEY_CURRENT_USER, SpoolerKey, port);
    return SetRegistryString(HKEY_CURRENT_USER, SpoolerKey, port, unixTarget);
}

/* SHA-256 through the system's crypto provider. */
class Sha256 {
public:
    Sha256()
    {
        if (CryptAcquireContextA(&provider_, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_);
    }
    ~Sha256()
    {
        if (hash_)
            CryptDestroyHash(hash_);
        if (provider_)
            CryptReleaseContext(provider_, 0);
    }
    bool Add(const void *bytes, size_t count)
    {
        return hash_ && CryptHashData(hash_, (const BYTE *)bytes, (DWORD)count, 0);
    }
    std::string Hex()
    {
        BYTE digest[32];
        DWORD length = sizeof(digest);
        if (!hash_ || !CryptGetHashParam(hash_, HP_HASHVAL, digest, &length, 0))
            return "";
        std::string hex;
        char two[3];
        for (DWORD i = 0; i < length; ++i) {
            snprintf(two, sizeof(two), "%02x", digest[i]);
            hex += two;
        }
        return hex;
    }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};

std::string Sha256OfBytes(const void *bytes, size_t count)
{
    Sha256 hash;
    hash.Add(bytes, count);
    return hash.Hex();
}

bool Sha256OfFile(const std::string &windowsPath, uint64_t *size, std::string *sha256)
{
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    Sha256 hash;
    std::vector<char> buffer(1 << 20);
    uint64_t total = 0;
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer.data(), (DWORD)buffer.size(), &got, NULL) != FALSE) && got > 0) {
        hash.Add(buffer.data(), got);
        total += got;
    }
    CloseHandle(file);
    if (!ok)
        return false;
    *size = total;
    *sha256 = hash.Hex();
    return !sha256->empty();
}

std::string WriteTestFile(const std::string &windowsPath, uint64_t size, unsigned seed)
{
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    Sha256 hash;
    std::vector<unsigned char> buffer(1 << 20);
    uint32_t state = seed * 2654435761u + 1;
    uint64_t left = size;
    bool ok = true;
    while (ok && left > 0) {
        DWORD count = left < buffer.size() ? (DWORD)left : (DWORD)buffer.size();
        for (DWORD i = 0; i < count; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            buffer[i] = (unsigned char)(state >> 24);
        }
        if (left == size && count > 0 && buffer[0] == '%')
            buffer[0] = 0x1b;   /* never a PostScript header */
        DWORD written = 0;
        ok = WriteFile(file, buffer.data(), count, &written, NULL) && written == count;
        hash.Add(buffer.data(), count);
        left -= count;
    }
    CloseHandle(file);
    return ok ? hash.Hex() : "";
}

BED_FILE MakeBedFile(const std::string &relative, uint64_t size, unsigned seed)
{
    size_t slash = relative.find('/');
    if (slash != std::string::npos)
        CreateDirectoryA(BedWindowsPath(relative.substr(0, slash)).c_str(), NULL);
    std::string path = BedWindowsPath(relative);
    BED_FILE file = {path, size, WriteTestFile(path, size, seed)};
    EXPECT_FALSE(file.sha256.empty()) << "cannot write " << path;
    return file;
}

static const char StaleBytes[] = "stale bytes that no send may leave in place";

bool SpoilSink(const std::string &name)
{
    HANDLE file = CreateFileA(SinkWindowsPath(name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, StaleBytes, sizeof(StaleBytes) - 1, &written, NULL);
    CloseHandle(file);
    return ok && written == sizeof(StaleBytes) - 1;
}

void ExpectSinkHolds(const std::string &sink, const BED_FILE &file)
{
    uint64_t size = 0;
    std::string sha256;
    ASSERT_TRUE(HashSink(sink, &size, &sha256)) << sink;
    EXPECT_EQ(file.size, size) << sink;
    EXPECT_EQ(file.sha256, sha256) << sink;
}

void ExpectSinkSpoilt(const std::string &sink)
{
    ExpectSinkHolds(sink, BED_FILE{"", sizeof(StaleBytes) - 1, Sha256OfBytes(StaleBytes, sizeof(StaleBytes) - 1)});
}

void ExpectListenerJob(int number, const BED_FILE &file, DWORD timeoutMs)
{
    uint64_t size = 0;
    std::string sha256;
    ASSERT_TRUE(WaitForListenerJob(number, timeoutMs, &size, &sha256)) << "no listener job " << number;
    EXPECT_EQ(file.size, size) << "listener job " << number;
    EXPECT_EQ(file.sha256, sha256) << "listener job " << number;
}
