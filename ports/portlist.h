/* The window's port list: a check-box list view in which item i shows
   PortTable row i, filled at start and brought into line with the table
   before every run. */
#ifndef VANTREL_PORTLIST_H
#define VANTREL_PORTLIST_H

#include "ports.h"

/* Check states by state-image index */
#define PORT_CHECK_NONE     0
#define PORT_UNCHECKED      1
#define PORT_CHECKED        2

/* Port list view (portlist.cpp) */
extern HWND PortListWindow;
bool InitPortList(HWND mainWindow);
/* The first fill: the table's first build, then one item per row. */
bool FillPortTable(void);
void GetPortListItemText(int index, int column, char *text);
int GetPortCheckState(int index);
void SetPortCheckState(int index, int state);
bool IsAnyPortChecked(void);
void TogglePortCheck(int index);

/* Port refresh before a run (portrefresh.cpp) */
void RebuildPortTable(void);

#endif
