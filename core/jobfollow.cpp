/* Following an ended job until the printer has it. The spooler took the
   whole job, but the printer may be offline, out of paper, paused or in
   error, and the job then waits in the queue: it is asked for on the
   printer handle that sent it, by its number, until it has left the queue
   or is marked printed or complete, is deleted before it printed, or the
   time is up. It is never touched: following only looks.

   The first look comes at once (most jobs on a local port have left the
   queue by then); later ones come after 100 ms, doubling up to one a
   second, which a printer waiting for paper does not outrun and which
   costs the spooler nothing it would notice. A job deleted and gone
   between two looks cannot be told from one printed and gone. */
#include "send.h"
#include "spoolerlist.h"
#include "syscalls.h"

#include <winspool.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define FIRST_LOOK_DELAY    100
#define LONGEST_LOOK_DELAY  1000
#define JOB_INFO_LIMIT      0x100000    /* far beyond any one job's texts */

#ifndef JOB_STATUS_RETAINED
#define JOB_STATUS_RETAINED 0x00002000
#endif

enum JOB_LOOK { JOB_GONE, JOB_QUEUED, JOB_UNREAD };

/* The spooler's status bits in words, in the order its own queue window
   shows them. */
static const struct {
    DWORD bit;
    const char *words;
} StatusWords[] = {
    {JOB_STATUS_PAUSED, "paused"},
    {JOB_STATUS_ERROR, "in error"},
    {JOB_STATUS_OFFLINE, "offline"},
    {JOB_STATUS_PAPEROUT, "out of paper"},
    {JOB_STATUS_USER_INTERVENTION, "needs the user"},
    {JOB_STATUS_BLOCKED_DEVQ, "blocked"},
    {JOB_STATUS_SPOOLING, "spooling"},
    {JOB_STATUS_PRINTING, "printing"},
    {JOB_STATUS_RESTART, "restarting"},
    {JOB_STATUS_DELETING, "being deleted"},
    {JOB_STATUS_DELETED, "deleted"},
    {JOB_STATUS_PRINTED, "printed"},
    {JOB_STATUS_COMPLETE, "complete"},
    {JOB_STATUS_RETAINED, "retained"},
};

/* The job's own status text where the spooler (or the port monitor) has
   one, else its bits in words; then the pages printed, where it counts
   them. A status text is read only as far as the buffer goes. */
static void DescribeJob(const JOB_INFO_1A *job, const BYTE *end, char *state)
{
    const char *text = job->pStatus;
    size_t length = text != NULL ? strnlen(text, (size_t)((const char *)end - text)) : 0;
    if (length > 0 && length < JOB_STATE_SIZE) {
        memcpy(state, text, length);
        state[length] = '\0';
    } else {
        state[0] = '\0';
        for (size_t i = 0; i < sizeof StatusWords / sizeof StatusWords[0]; ++i)
            if (job->Status & StatusWords[i].bit)
                snprintf(state + strlen(state), JOB_STATE_SIZE - strlen(state), "%s%s", state[0] ? ", " : "",
                         StatusWords[i].words);
        if (state[0] == '\0')
            snprintf(state, JOB_STATE_SIZE, "waiting");
    }
    if (job->TotalPages > 0)
        snprintf(state + strlen(state), JOB_STATE_SIZE - strlen(state), ", %lu of %lu pages printed",
                 (unsigned long)job->PagesPrinted, (unsigned long)job->TotalPages);
    else if (job->PagesPrinted > 0)
        snprintf(state + strlen(state), JOB_STATE_SIZE - strlen(state), ", %lu pages printed",
                 (unsigned long)job->PagesPrinted);
}

/* A job that is no longer in the queue: Windows answers ERROR_INVALID_PARAMETER
   for its number, Wine ERROR_INVALID_HANDLE. Any other failure says
   nothing of the job. */
static JOB_LOOK FailedLook(char *state)
{
    DWORD error = Sys.GetLastError();
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_HANDLE)
        return JOB_GONE;
    snprintf(state, JOB_STATE_SIZE, "the spooler does not say (error %lu)", (unsigned long)error);
    return JOB_UNREAD;
}

static JOB_LOOK LookAtJob(HANDLE printer, DWORD job, DWORD *status, char *state)
{
    static const size_t Texts[] = {offsetof(JOB_INFO_1A, pStatus)};
    DWORD needed = 0;
    if (!Sys.GetJobA(printer, job, 1, NULL, 0, &needed) && Sys.GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return FailedLook(state);
    if (needed < sizeof(JOB_INFO_1A) || needed > JOB_INFO_LIMIT) {
        snprintf(state, JOB_STATE_SIZE, "the spooler's answer cannot be true");
        return JOB_UNREAD;
    }
    DWORD size = needed;
    BYTE *info = (BYTE *)malloc(size);
    JOB_LOOK look = JOB_UNREAD;
    if (info == NULL)
        snprintf(state, JOB_STATE_SIZE, "out of memory");
    else if (!Sys.GetJobA(printer, job, 1, info, size, &needed))
        look = FailedLook(state);
    else if (!IsListInBuffer(info, size, 1, sizeof(JOB_INFO_1A), Texts, 1))
        snprintf(state, JOB_STATE_SIZE, "the spooler's answer cannot be true");
    else {
        *status = ((const JOB_INFO_1A *)info)->Status;
        DescribeJob((const JOB_INFO_1A *)info, info + size, state);
        look = JOB_QUEUED;
    }
    free(info);
    return look;
}

/* Printed or complete counts before being deleted: a printed job is
   removed from the queue, and may show both on its way out. */
void FollowJob(HANDLE printer, DWORD job, const char *portName, JOB_FOLLOWING *following)
{
    DWORD start = Sys.GetTickCount();
    DWORD limit = following->seconds > MAXDWORD / 1000 ? MAXDWORD : following->seconds * 1000;
    DWORD delay = FIRST_LOOK_DELAY;
    following->state[0] = '\0';
    for (;;) {
        DWORD status = 0;
        JOB_LOOK look = LookAtJob(printer, job, &status, following->state);
        if (look == JOB_GONE || (look == JOB_QUEUED && (status & (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)))) {
            following->outcome = JOB_PRINTED;
            return;
        }
        if (look == JOB_QUEUED && (status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED))) {
            following->outcome = JOB_DELETED;
            return;
        }
        following->outcome = JOB_UNCONFIRMED;
        DWORD waited = Sys.GetTickCount() - start;
        if (!following->report(portName, following->state) || waited >= limit)
            return;
        Sys.Sleep(delay < limit - waited ? delay : limit - waited);
        delay = delay * 2 < LONGEST_LOOK_DELAY ? delay * 2 : LONGEST_LOOK_DELAY;
    }
}
