/* Whether a list the spooler filled can be true. The spooler answers with
   a count of entries and texts they point to; a count or a pointer that
   cannot be true would have the caller read memory that is not the
   list's, and send to a printer it names. */
#ifndef VANTREL_SPOOLERLIST_H
#define VANTREL_SPOOLERLIST_H

#include <windows.h>
#include <stddef.h>

/* True when count entries of entrySize bytes lie in the size bytes of the
   buffer, and every text they point to (at textOffsets within an entry) is
   NULL or starts in that buffer. A caller fails any other list as
   if the call that filled it had failed. */
bool IsListInBuffer(const BYTE *buffer, DWORD size, DWORD count, size_t entrySize, const size_t *textOffsets,
                    size_t textCount);

#endif
