/* The refresh before every run: the table is rebuilt from fresh spooler
   lists and the port list brought into line with it, so that list item i
   shows row i again; every ticked port that has vanished is reported.

   The table is built on the worker; the list belongs to the user-interface
   thread, where every list message from the worker would be a thread
   switch. So the worker hands the whole reconcile to that thread in one
   message and waits for it; there the list messages are plain calls. The
   reconcile reads each item once and matches texts through an index, never
   by scanning the list or the table once per port. */
#include "portlist.h"
#include "syscalls.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

static void ReportVanishedPort(const char *text)
{
    char message[PORT_LABEL_SIZE];
    snprintf(message, sizeof(message), "Selected Port %s is no longer valid!", text);
    Sys.MessageBoxA(NULL, message, "Port Error", MB_ICONERROR);
}

/* Removal: in list order, every item whose text no row has leaves the
   list, a ticked one after its message. Without an index every item goes.
   Records the row that each survivor shows, in list order, and returns the
   survivors' count. */
static int RemoveVanishedItems(const PORT_INDEX *index, int itemCount, int *survivorRows)
{
    int position = 0;
    for (int looked = 0; looked < itemCount; ++looked) {
        char text[PORT_LABEL_SIZE];
        GetPortListItemText(position, 0, text);
        int row = index ? FindPortRow(index, text) : -1;
        if (row >= 0) {
            survivorRows[position++] = row;
            continue;
        }
        if (GetPortCheckState(position) == PORT_CHECKED)
            ReportVanishedPort(text);
        SendMessageA(PortListWindow, LVM_DELETEITEM, position, 0);
    }
    return position;
}

static bool IsInRowOrder(const int *survivorRows, int survivors)
{
    for (int i = 1; i < survivors; ++i)
        if (survivorRows[i] <= survivorRows[i - 1])
            return false;
    return true;
}

/* Insertion, when the survivors stand in row order: each row without an
   item gets a new, unticked one at its own index, in increasing order, so
   that item i ends up showing row i. */
static void InsertNewRows(const int *survivorRows, int survivors, int rowCount)
{
    if (survivors >= rowCount)
        return;
    SetPortListRedraw(FALSE);
    int next = 0;
    for (int i = 0; i < rowCount; ++i) {
        if (next < survivors && survivorRows[next] == i)
            ++next;
        else
            InsertPortListItem(i, PortTable[i].szPortName, PortTable[i].szDescription);
    }
    SetPortListRedraw(TRUE);
}

/* The spooler lists the surviving ports in another order than before:
   left in place, item i would send to another port than it shows. The
   list is filled anew in row order, each surviving port keeping its tick. */
static void RefillInRowOrder(int *survivorRows, int survivors, int rowCount)
{
    int ticked = 0;
    for (int i = 0; i < survivors; ++i)
        if (GetPortCheckState(i) == PORT_CHECKED)
            survivorRows[ticked++] = survivorRows[i];
    SetPortListRedraw(FALSE);
    SendMessageA(PortListWindow, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < rowCount; ++i)
        InsertPortListItem(i, PortTable[i].szPortName, PortTable[i].szDescription);
    for (int i = 0; i < ticked; ++i)
        SetPortCheckState(survivorRows[i], PORT_CHECKED);
    SetPortListRedraw(TRUE);
}

/* With no memory for the index, every item counts as vanished: ticked ones
   are reported, and the list is filled from the table unticked. Nothing is
   ever sent to a port the list does not show. Runs on the list's own
   thread: the boxes for vanished ports run their modal loops there while
   the worker waits. */
void ReconcilePortList(void)
{
    int rowCount = PortTableCount;
    int itemCount = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    int *survivorRows = (int *)malloc((itemCount > 0 ? itemCount : 1) * sizeof(int));
    PORT_INDEX index;
    bool indexed = survivorRows != NULL && InitPortIndex(&index, rowCount);
    for (int i = 0; indexed && i < rowCount; ++i)
        AddPortRow(&index, i);

    int survivors = RemoveVanishedItems(indexed ? &index : NULL, itemCount, survivorRows);
    if (IsInRowOrder(survivorRows, survivors))
        InsertNewRows(survivorRows, survivors, rowCount);
    else
        RefillInRowOrder(survivorRows, survivors, rowCount);

    if (indexed)
        FreePortIndex(&index);
    free(survivorRows);
}

void RebuildPortTable(void)
{
    RefreshPortTable();
    SendMessageA(PortListWindow, WM_RECONCILE_PORTS, 0, 0);
}
