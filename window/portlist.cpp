/* The port list: a report-style list view with a check box per item, item
   i showing PortTable row i. Every operation is a message sent to the
   control, so the send worker may call them too: the control's own thread
   carries them out. The refresh's reconcile comes to that thread as one
   message of the list's own. */
#include "portlist.h"
#include "resource.h"

#include <commctrl.h>
#include <string.h>

HWND PortListWindow;

/* The list view class's procedure, under the list's own. */
static WNDPROC ListViewProc;

static LRESULT CALLBACK PortListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RECONCILE_PORTS) {
        ReconcilePortList();
        return 0;
    }
    return CallWindowProcA(ListViewProc, list, message, wParam, lParam);
}

/* The two columns share the list's width less 4 pixels, three tenths to
   the port. Integer arithmetic gives what truncating usable * 0.3 in double
   precision gives for every width a screen has; the x87's wider registers
   would make 10 * 0.3 truncate to 2. A negative width would ask the list
   to size the column itself. */
static void GetPortColumnWidths(int listWidth, int *portWidth, int *descriptionWidth)
{
    int usable = listWidth - 4;
    if (usable < 0)
        usable = 0;
    *portWidth = usable * 3 / 10;
    *descriptionWidth = usable - *portWidth;
}

static void InsertPortColumn(int column, const char *title, int width)
{
    LVCOLUMNA header;
    ZeroMemory(&header, sizeof(header));
    header.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    header.fmt = LVCFMT_LEFT;
    header.cx = width;
    header.pszText = (LPSTR)title;
    header.cchTextMax = lstrlenA(title) + 1;
    SendMessageA(PortListWindow, LVM_INSERTCOLUMNA, column, (LPARAM)&header);
}

/* A template without the list fails here rather than showing a window
   with nothing to tick. */
bool InitPortList(HWND mainWindow)
{
    PortListWindow = GetDlgItem(mainWindow, IDC_PORTLIST);
    if (PortListWindow == NULL)
        return false;
    if ((WNDPROC)GetWindowLongPtrA(PortListWindow, GWLP_WNDPROC) != PortListProc)
        ListViewProc = (WNDPROC)SetWindowLongPtrA(PortListWindow, GWLP_WNDPROC, (LONG_PTR)PortListProc);
    DWORD styles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageA(PortListWindow, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);

    RECT frame;
    GetWindowRect(PortListWindow, &frame);
    int portWidth, descriptionWidth;
    GetPortColumnWidths(frame.right - frame.left, &portWidth, &descriptionWidth);
    InsertPortColumn(0, "Port", portWidth);
    InsertPortColumn(1, "Description", descriptionWidth);
    return FillPortTable();
}

bool FillPortTable(void)
{
    if (!BuildPortTable())
        return false;
    for (int i = 0; i < PortTableCount; ++i)
        InsertPortListItem(i, PortTable[i].szPortName, PortTable[i].szDescription);
    return true;
}

/* The description goes to the item the insertion reports: after a failed
   insertion it must not land on another port's item. */
void InsertPortListItem(int index, const char *portText, const char *descriptionText)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = (LPSTR)portText;
    item.cchTextMax = lstrlenA(portText);
    int inserted = (int)SendMessageA(PortListWindow, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (inserted < 0)
        return;
    item.iItem = inserted;
    item.iSubItem = 1;
    item.pszText = (LPSTR)descriptionText;
    item.cchTextMax = lstrlenA(descriptionText);
    SendMessageA(PortListWindow, LVM_SETITEMA, 0, (LPARAM)&item);
}

/* Turned back on, the list is painted anew: not every system's list does
   that by itself. */
void SetPortListRedraw(BOOL redraw)
{
    SendMessageA(PortListWindow, WM_SETREDRAW, redraw, 0);
    if (redraw)
        InvalidateRect(PortListWindow, NULL, TRUE);
}

/* The control may point pszText at its own copy instead of filling the
   buffer; either way the text is copied from where pszText points. An
   item that does not exist reads as empty. */
void GetPortListItemText(int index, int column, char *text)
{
    char buffer[PORT_LABEL_SIZE];
    buffer[0] = '\0';
    LVITEMA item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof(buffer);
    const char *source = buffer;
    if (SendMessageA(PortListWindow, LVM_GETITEMA, 0, (LPARAM)&item) && item.pszText != NULL)
        source = item.pszText;
    lstrcpynA(text, source, PORT_LABEL_SIZE);
}

int GetPortCheckState(int index)
{
    LRESULT state = SendMessageA(PortListWindow, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK);
    return (int)((state & LVIS_STATEIMAGEMASK) >> 12);
}

void SetPortCheckState(int index, int state)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof(item));
    item.mask = LVIF_STATE;
    item.state = INDEXTOSTATEIMAGEMASK(state);
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageA(PortListWindow, LVM_SETITEMSTATE, index, (LPARAM)&item);
}

bool IsAnyPortChecked(void)
{
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        if (GetPortCheckState(i) == PORT_CHECKED)
            return true;
    return false;
}

/* Index -1 (a double click on the empty area) would address every item
   at once: it changes nothing. */
void TogglePortCheck(int index)
{
    if (index < 0)
        return;
    SetPortCheckState(index, GetPortCheckState(index) == PORT_UNCHECKED ? PORT_CHECKED : PORT_UNCHECKED);
}
