#include "spoolerlist.h"

#include <string.h>

bool IsListInBuffer(const BYTE *buffer, DWORD size, DWORD count, size_t entrySize, const size_t *textOffsets,
                    size_t textCount)
{
    if (count > size / entrySize)
        return false;
    uintptr_t start = (uintptr_t)buffer, end = start + size;
    for (DWORD i = 0; i < count; ++i) {
        for (size_t t = 0; t < textCount; ++t) {
            const char *text;
            memcpy(&text, buffer + i * entrySize + textOffsets[t], sizeof text);
            if (text != NULL && ((uintptr_t)text < start || (uintptr_t)text >= end))
                return false;
        }
    }
    return true;
}
