/* Sending: the three roads that move the file to one port, the choice of
   road for a row of the port table, and what each result means to the
   user. Nothing here touches a window: both front ends build on it. */
#ifndef VANTREL_SEND_H
#define VANTREL_SEND_H

#include "ports.h"

#include <windows.h>

/* The result of one transfer to one port; callers branch on the names. */
typedef int SEND_RESULT;
#define SEND_OK                 0
#define SEND_WRITE_FAILED       1
#define SEND_BAD_FILE_NAME      2
#define SEND_READ_FAILED        3
#define SEND_OPEN_FAILED        6
#define SEND_CANCELLED          7
#define SEND_PORT_OPEN_FAILED   (-1)

#define SEND_CHUNK_SIZE         524288

/* How a road reports its progress: SEND_STARTED when the bytes are about
   to move, then the percentage done and the bytes the far end has taken
   after every chunk. Returning FALSE stops the transfer: the road aborts
   what it started, closes what it opened and gives SEND_CANCELLED. */
#define SEND_STARTED            (-1)
typedef BOOL (*SEND_PROGRESS)(const char *portName, int percent, ULONGLONG bytesSent);

/* Following a job to the printer once the spooler has taken it whole
   (jobfollow.cpp): the spooler's "sent" is not the printer's "printed". */
enum JOB_OUTCOME {
    JOB_NOT_FOLLOWED,   /* not asked, or no job was ended */
    JOB_PRINTED,        /* it left the queue, or was marked printed or complete */
    JOB_DELETED,        /* deleted or cancelled before it printed */
    JOB_UNCONFIRMED     /* still queued when the time was up or the following stopped */
};
#define JOB_STATE_SIZE          256
/* Told what the spooler says of the job while it is followed; returning
   FALSE stops the following, never the job, which may already be going
   to the printer. */
typedef BOOL (*JOB_REPORT)(const char *portName, const char *state);
struct JOB_FOLLOWING {
    DWORD seconds;                  /* how long at most */
    JOB_REPORT report;
    JOB_OUTCOME outcome;            /* what was found */
    char state[JOB_STATE_SIZE];     /* the spooler's last words for the job */
};
void FollowJob(HANDLE printer, DWORD job, const char *portName, JOB_FOLLOWING *following);

/* Transfer roads (transfer.cpp). They move bytes and nothing else: the
   caller names the file and shows what happened. A NULL path stands for a
   text too long to be a path, which fails as a bad file name would. A job
   road that ends its job follows it when given a following (NULL: not),
   with the input file closed and before the printer is closed or
   deleted. */
SEND_RESULT PrintOnInstalledPrinter(const char *path, const char *printerName, const char *portName,
                                    SEND_PROGRESS progress, JOB_FOLLOWING *following);
SEND_RESULT PrintOnTemporaryPrinter(HANDLE printer, char *datatype, const char *path, const char *portName,
                                    SEND_PROGRESS progress, JOB_FOLLOWING *following);
SEND_RESULT CopyFileToPort(const char *path, const char *portName, SEND_PROGRESS progress);

/* The temporary printer (temporary.cpp): added on the port with the first
   installed driver and the data type that driver's jobs carry, which the
   job must carry too. None without a driver or a list of drivers, and
   none when the spooler refuses it; refused tells whether that was for
   want of the right to add printers. */
HANDLE AddTemporaryPrinter(const char *portName, char **datatype, BOOL *refused);
#define DRIVER_NAME_SIZE        256
struct TEMPORARY_DRIVER {
    char szName[DRIVER_NAME_SIZE];
    char *datatype;
};
/* The driver a temporary printer would use now; FALSE when there is none. */
BOOL GetTemporaryPrinterDriver(TEMPORARY_DRIVER *driver);
/* FALSE when the local print server refuses its administration, which
   adding a printer needs: known before any send. */
BOOL MayAddPrinters(void);

/* Which road a row calls for, and the send by it (sendport.cpp). */
enum SEND_ROAD { ROAD_INSTALLED, ROAD_TEMPORARY, ROAD_DIRECT };
/* The road a send would take now, given the driver a temporary printer
   would use (asked once for all rows; NULL for none), what it would go
   through (the queue's name, the driver's, or the port itself) and the
   data type its job would carry (NULL on the direct road). */
SEND_ROAD GetPortRoad(const PORT_ENTRY *row, const TEMPORARY_DRIVER *driver, const char **detail,
                      const char **datatype);
/* How a send went besides its result: its road, and on the direct road
   whether a temporary printer was refused for want of the right. */
struct SEND_ROUTE {
    SEND_ROAD road;
    BOOL addRefused;
};
SEND_RESULT SendToPort(const PORT_ENTRY *row, const char *path, SEND_PROGRESS progress, JOB_FOLLOWING *following,
                       SEND_ROUTE *route);

/* What a result means to the user: the messages in the order they are
   shown, what became of the port, and whether the run stops (the input
   file failed, which every later port would fail alike, or the user
   stopped it). A followed job's outcome adds its own words. */
enum SEND_VERDICT {
    VERDICT_DELIVERED,      /* the port got the file (as far as anyone followed it) */
    VERDICT_UNCONFIRMED,    /* sent whole, its job not yet printed */
    VERDICT_PORT_FAILED,    /* the port did not get the file */
    VERDICT_FILE_FAILED,    /* the input file failed */
    VERDICT_CANCELLED       /* the user stopped the transfer */
};
#define SEND_MESSAGE_SIZE       (PORT_FIELD_SIZE + JOB_STATE_SIZE + 200)
struct SEND_MESSAGE {
    const char *caption;
    char text[SEND_MESSAGE_SIZE];
};
struct SEND_OUTCOME {
    int messageCount;
    SEND_MESSAGE messages[3];
    SEND_VERDICT verdict;
    bool stopsRun;
};
void DescribeSendResult(SEND_RESULT result, const SEND_ROUTE *route, const JOB_FOLLOWING *following,
                        const char *portName, SEND_OUTCOME *outcome);

#endif
