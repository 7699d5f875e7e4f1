/* The baseline for the direct road: a bare loop of 512 KiB ReadFile and
   WriteFile calls from the file to the port device, nothing else.

     vantrel_bare_copy_bench FILE PORT

   Exits 0 when every byte was written. */
#include <windows.h>

static BYTE Chunk[524288];

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE port = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 1;
    }
    DWORD read, written;
    BOOL ok = TRUE;
    while (ok && ReadFile(file, Chunk, sizeof Chunk, &read, NULL) && read > 0)
        ok = WriteFile(port, Chunk, read, &written, NULL) && written == read;
    CloseHandle(port);
    CloseHandle(file);
    return ok ? 0 : 1;
}
