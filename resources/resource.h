/* Identifiers shared by the resource script and the code. Every value is
   unique within its kind; IDOK and IDCANCEL come from the system headers. */
#ifndef VANTREL_RESOURCE_H
#define VANTREL_RESOURCE_H

/* Dialog templates */
#define IDD_MAIN            101
#define IDD_ABOUT           105

/* Icon group and bitmap */
#define IDI_APP             51
#define IDB_LOGO            104

/* Menu command */
#define IDM_ABOUT           81

/* Controls of the main window (Go is IDOK, Exit is IDCANCEL) */
#define IDC_FILENAME        1000
#define IDC_BROWSE          1001
#define IDC_PORTLIST        1006
#define IDC_LOGO            1007

/* Controls of the About box (OK is IDOK; IDC_LOGO is shared) */
#define IDC_UTILITY_NAME    1008
#define IDC_VERSION         1009
#define IDC_COPYRIGHT       1010

/* Made at run time, not in a template */
#define IDC_STATUSBAR       150

#endif
