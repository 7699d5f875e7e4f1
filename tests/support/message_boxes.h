/* Message boxes scripted through the seam: RecordMessageBoxes() binds
   Sys.MessageBoxA to a recorder that keeps each box's owner, text, caption
   and style and answers IDOK without showing anything. */
#ifndef VANTREL_MESSAGE_BOXES_H
#define VANTREL_MESSAGE_BOXES_H

#include <windows.h>
#include <string>
#include <vector>

struct RECORDED_MESSAGE_BOX {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};

extern std::vector<RECORDED_MESSAGE_BOX> MessageBoxes;

/* Clears the record and binds the recorder. */
void RecordMessageBoxes(void);

#endif
