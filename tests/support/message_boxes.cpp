#include "message_boxes.h"
#include "syscalls.h"

std::vector<RECORDED_MESSAGE_BOX> MessageBoxes;

static int WINAPI RecordMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    MessageBoxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    return IDOK;
}

void RecordMessageBoxes(void)
{
    MessageBoxes.clear();
    Sys.MessageBoxA = RecordMessageBoxA;
}
