/* A real port list for tests: a hidden top-level window holding a
   "SysListView32" child with the main window's list styles and the id
   IDC_PORTLIST, so that InitPortList finds it as it finds the real one.
   PortListTest is the fixture: the seam reset, the fake spooler installed,
   message boxes recorded, no port table, and the host destroyed after. */
#ifndef VANTREL_PORT_LIST_HOST_H
#define VANTREL_PORT_LIST_HOST_H

#include "seam_test.h"

#include <windows.h>
#include <string>
#include <vector>

/* The host window, its list `listWidth` pixels wide (window rectangle). */
HWND CreatePortListHost(int listWidth);
void DestroyPortListHost(HWND host);

/* Releases PortTable and forgets PortListWindow, as before start-up. */
void ForgetPortTable(void);

/* What the list shows, read with the raw list messages: a column's texts
   and the check states (state-image indexes), in order. */
std::vector<std::string> ListTexts(int column);
std::vector<int> ListCheckStates(void);
/* What the table holds: szPortName of every row, in order. */
std::vector<std::string> TablePortNames(void);

/* gtest expectation: item i shows row i in both columns, and the list has
   no other item. */
void ExpectListShowsTable(void);

/* Ticks every item with one of these texts; the texts of the ticked
   items, in list order. */
void TickPorts(const std::vector<std::string> &texts);
std::vector<std::string> TickedPorts(void);

class PortListTest : public SeamTest {
protected:
    void SetUp() override;
    void TearDown() override;
    /* Creates the host and runs InitPortList on it. */
    bool InitList(int listWidth = 415);

    HWND host = NULL;
};

#endif
