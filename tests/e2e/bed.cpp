#include "bed.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>

const char StaleBytes[] = "stale bytes that no send may leave in place";

bool WaitUntil(DWORD milliseconds, const std::function<bool()> &condition)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(10);
    }
    return true;
}

std::string BedUnixPath(const std::string &relative)
{
    const char *bed = getenv("VANTREL_BED");
    return std::string(bed ? bed : "") + "/" + relative;
}

std::string WindowsPath(const std::string &unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string BedPath(const std::string &relative)
{
    return WindowsPath(BedUnixPath(relative));
}

std::string ReadBedFile(const std::string &path)
{
    std::string bytes;
    char buffer[65536];
    FILE *file = fopen(path.c_str(), "rb");
    for (size_t count; file != NULL && (count = fread(buffer, 1, sizeof(buffer), file)) > 0;)
        bytes.append(buffer, count);
    if (file != NULL)
        fclose(file);
    return bytes;
}

bool FillSink(const std::string &name, const std::string &bytes)
{
    FILE *file = fopen(SinkPath(name).c_str(), "wb");
    bool ok = file != NULL && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file != NULL && fclose(file) == 0 && ok;
}

/* The first line of a small file, "" when there is none. */
static std::string FirstLine(const std::string &path)
{
    std::string text = ReadBedFile(path);
    return text.substr(0, text.find('\n'));
}

std::string BedProfile(void)
{
    return FirstLine(BedPath("profile"));
}

std::string QueuePort(void)
{
    const char *queue = getenv("VANTREL_QUEUE");
    return std::string("CUPS:") + (queue ? queue : "vantrel_raw");
}

/* fingerprint.py on the Unix side, where SHA-256 runs several times
   faster than in Wine's provider; given a size, it makes the file first. */
std::string Fingerprint(const std::string &path, const std::string &sizeToMake)
{
    std::string unixPath = path.substr(2), out = BedUnixPath("fingerprint.txt");
    std::replace(unixPath.begin(), unixPath.end(), '\\', '/');
    DeleteFileA(WindowsPath(out).c_str());
    if (path.rfind("Z:", 0) != 0 ||
        !RunUnixCommand("/usr/bin/python3 '" VANTREL_BED_TOOLS "/fingerprint.py' '" + unixPath + "' '" + out + "' " +
                        sizeToMake, RUN_DEADLINE))
        return "(fingerprint.py did not run on " + path + ")";
    std::string fingerprint = FirstLine(WindowsPath(out));
    return fingerprint.empty() ? "(no fingerprint of " + path + ")" : fingerprint;
}

BED_FILE MakeBedFile(const std::string &relative, uint64_t size)
{
    std::string path = BedPath(relative);
    return BED_FILE{path, Fingerprint(path, std::to_string(size))};
}

std::string SinkPath(const std::string &name)
{
    return BedPath("sinks/" + name);
}

std::string StaleFingerprint(void)
{
    static std::string fingerprint;
    if (fingerprint.empty() && FillSink("stale.bin", StaleBytes))
        fingerprint = Fingerprint(SinkPath("stale.bin"));
    return fingerprint;
}

static std::string JobPath(const char *queue, int number, const char *suffix)
{
    char name[64];
    snprintf(name, sizeof(name), "jobs/%s/%04d.%s", queue, number, suffix);
    return BedPath(name);
}

int CountListenerJobs(const char *queue)
{
    int count = 0;
    while (GetFileAttributesA(JobPath(queue, count + 1, "bin").c_str()) != INVALID_FILE_ATTRIBUTES)
        ++count;
    return count;
}

/* The listener writes .done atomically once the sender has closed. */
std::string ListenerJob(int number, DWORD milliseconds, const char *queue)
{
    std::string done;
    WaitUntil(milliseconds, [&] { return !(done = FirstLine(JobPath(queue, number, "done"))).empty(); });
    return done;
}

const BED_KEY PortsKey = {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports"};
const BED_KEY SpoolerKey = {HKEY_CURRENT_USER, "Software\\Wine\\Printing\\Spooler"};

bool SetValue(const BED_KEY &key, const std::string &name, const char *text)
{
    HKEY handle;
    if (RegCreateKeyExA(key.root, key.path, 0, NULL, 0, KEY_SET_VALUE, NULL, &handle, NULL) != ERROR_SUCCESS)
        return false;
    LONG result = text ? RegSetValueExA(handle, name.c_str(), 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1)
                       : RegDeleteValueA(handle, name.c_str());
    RegCloseKey(handle);
    return result == ERROR_SUCCESS || (!text && result == ERROR_FILE_NOT_FOUND);
}

std::vector<std::pair<std::string, std::string>> ListKey(const BED_KEY &key, bool subkeys)
{
    std::vector<std::pair<std::string, std::string>> entries;
    HKEY handle;
    if (RegOpenKeyExA(key.root, key.path, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return entries;
    char name[256], value[256];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof(name), valueLength = sizeof(value);
        if ((subkeys ? RegEnumKeyExA(handle, i, name, &nameLength, NULL, NULL, NULL, NULL)
                     : RegEnumValueA(handle, i, name, &nameLength, NULL, NULL, (BYTE *)value, &valueLength)) != ERROR_SUCCESS)
            break;
        entries.push_back({name, subkeys ? "" : std::string(value, valueLength ? valueLength - 1 : 0)});
    }
    RegCloseKey(handle);
    return entries;
}

/* The spooler keeps one key per printer; read here so that this process
   never loads the spooler itself. */
std::vector<std::string> TemporaryPrinters(void)
{
    std::vector<std::string> names;
    for (const auto &printer : ListKey({HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Print\\Printers"}, true))
        if (printer.first.rfind("Temporary Printer", 0) == 0)
            names.push_back(printer.first);
    return names;
}

bool StartProcess(const std::string &line, PROCESS_INFORMATION *process, HANDLE in, HANDLE out, HANDLE err)
{
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = in != NULL ? STARTF_USESTDHANDLES : 0;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    *process = PROCESS_INFORMATION{};
    return CreateProcessA(NULL, writable.data(), NULL, NULL, in != NULL, 0, NULL, NULL, &startup, process);
}

/* Wine starts a Unix program from CreateProcessA but gives no handle to
   wait on, so the command leaves a mark when it is done. */
bool RunUnixCommand(const std::string &command, DWORD milliseconds)
{
    std::string mark = BedPath("unix-command-done");
    DeleteFileA(mark.c_str());
    PROCESS_INFORMATION process;
    if (!StartProcess("/bin/sh -c \"" + command + "; touch '" + BedUnixPath("unix-command-done") + "'\"", &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitUntil(milliseconds, [&] { return DeleteFileA(mark.c_str()) != FALSE; });
}
