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

/* Insertion of one item, and the list's redraw, which is off around bulk
   changes: a shown list repaints after every item. */
void InsertPortListItem(int index, const char *portText, const char *descriptionText);
void SetPortListRedraw(BOOL redraw);

/* Port refresh before a run (portrefresh.cpp): the table is rebuilt on the
   worker, then the list reconciled with it on the list's own thread, to
   which the worker sends WM_RECONCILE_PORTS (a range no control uses). */
#define WM_RECONCILE_PORTS  (WM_APP + 1)
void RebuildPortTable(void);
void ReconcilePortList(void);

#endif
