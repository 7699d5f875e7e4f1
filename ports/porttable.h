/* What the port table and the list share inside ports/: the index that
   matches list texts to rows, and the list's own procedures. */
#ifndef VANTREL_PORTTABLE_H
#define VANTREL_PORTTABLE_H

#include "ports.h"

/* Rows by their szPortName. List and table are matched by that text, so a
   text names one row only, and matching hundreds of ports must not scan
   the table once per port. */
struct PORT_INDEX {
    int *slots;         /* row numbers; -1 marks a free slot */
    unsigned mask;      /* slot count - 1, the count a power of two */
};

bool InitPortIndex(PORT_INDEX *index, int rowCount);
bool AddPortRow(PORT_INDEX *index, int row);
int FindPortRow(const PORT_INDEX *index, const char *text);
void FreePortIndex(PORT_INDEX *index);

/* portlist.cpp. The list's own message that runs the reconcile on its
   thread; a range no control uses. */
#define WM_RECONCILE_PORTS  (WM_APP + 1)
void InsertPortListItem(int index, const char *portText, const char *descriptionText);
/* Off around bulk changes: a shown list repaints after every item. */
void SetPortListRedraw(BOOL redraw);

/* portrefresh.cpp: brings the list into line with the table. */
void ReconcilePortList(void);

#endif
