#include "ui_pump.h"

void PumpMessages(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            /* Not ours to swallow: put it back for whoever waits for it. */
            PostQuitMessage((int)message.wParam);
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void DiscardQuit(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
        if (message.message != WM_QUIT)
            DispatchMessageA(&message);
}

static const std::vector<std::function<void()>> *ModalSteps;
static size_t ModalStepsRun;
static UINT_PTR ModalTimer;

size_t ModalDialogsForced;

static void CALLBACK RunNextModalStep(HWND, UINT, UINT_PTR, DWORD)
{
    if (ModalSteps != NULL && ModalStepsRun < ModalSteps->size()) {
        size_t step = ModalStepsRun++;
        (*ModalSteps)[step]();
        return;
    }
    /* Steps done and still modal: a box did not close. End the topmost,
       nested ones first, so that the test goes on and can say so. */
    HWND left = FindThreadDialog();
    if (left != NULL) {
        ++ModalDialogsForced;
        EndDialog(left, IDCANCEL);
    }
}

size_t RunModalSteps(const std::vector<std::function<void()>> &steps, const std::function<void()> &open)
{
    ModalSteps = &steps;
    ModalStepsRun = 0;
    ModalDialogsForced = 0;
    ModalTimer = SetTimer(NULL, 0, 20, RunNextModalStep);
    open();
    KillTimer(NULL, ModalTimer);
    ModalSteps = NULL;
    return ModalStepsRun;
}

struct DIALOG_SEARCH {
    HWND exclude;
    HWND found;
};

static BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam)
{
    DIALOG_SEARCH *search = (DIALOG_SEARCH *)lParam;
    char className[32];
    if (window == search->exclude || !IsWindowVisible(window))
        return TRUE;
    if (GetClassNameA(window, className, sizeof(className)) && lstrcmpA(className, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindThreadDialog(HWND exclude)
{
    DIALOG_SEARCH search = {exclude, NULL};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, (LPARAM)&search);
    return search.found;
}

void PostKey(HWND control, UINT virtualKey)
{
    LPARAM scanCode = (LPARAM)MapVirtualKeyA(virtualKey, 0) << 16;
    PostMessageA(control, WM_KEYDOWN, virtualKey, 1 | scanCode);
    PostMessageA(control, WM_KEYUP, virtualKey, 1 | scanCode | (LPARAM)0xC0000000);
}

void PostDoubleClick(HWND window, int x, int y)
{
    LPARAM where = MAKELPARAM(x, y);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(window, WM_LBUTTONUP, 0, where);
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageA(window, WM_LBUTTONUP, 0, where);
}
