/* Port discovery: the port table built from the spooler's lists, the
   check-box list that shows it, and the refresh before every run. */
#ifndef VANTREL_PORTS_H
#define VANTREL_PORTS_H

#include <windows.h>

#define PORT_NO_PRINTER     (-1)
#define PORT_FIELD_SIZE     100     /* each text field of a row */
#define PORT_LABEL_SIZE     200     /* a connection label, a list item's text */

/* Check states by state-image index */
#define PORT_CHECK_NONE     0
#define PORT_UNCHECKED      1
#define PORT_CHECKED        2

struct PORT_ENTRY {
    char szPortName[PORT_FIELD_SIZE];     /* port name, or a connection's label */
    char szDescription[PORT_FIELD_SIZE];
    char szPrinterName[PORT_FIELD_SIZE];  /* the queue found on the port */
    char szMonitorName[PORT_FIELD_SIZE];
    LONG Attributes;                      /* the queue's, or PORT_NO_PRINTER */
};

/* The one table, replaced whole at every build; list item i shows row i. */
extern PORT_ENTRY *PortTable;
extern int PortTableCount;

/* Port table (porttable.cpp): the first fill, which also fills the list. */
bool FillPortTable(void);

/* Port list view (portlist.cpp) */
extern HWND PortListWindow;
bool InitPortList(HWND mainWindow);
void GetPortListItemText(int index, int column, char *text);
int GetPortCheckState(int index);
void SetPortCheckState(int index, int state);
bool IsAnyPortChecked(void);
void TogglePortCheck(int index);

/* Port refresh before a run (portrefresh.cpp) */
void RebuildPortTable(void);

#endif
