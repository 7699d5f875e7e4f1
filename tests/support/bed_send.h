/* Send runs on the test bed in this process: the real port list from
   Wine's spooler, the run on its own thread as "Go" starts it, message
   boxes recorded rather than shown.

   ShowPorts()   fresh send windows (send_windows.h), shown, with the list
                 as the spooler has it now
   Tick(ports)   ticks the items with these texts; each must be listed
   Go(path)      one run of that file over the ticked ports; the run must
                 end with "Ready" and every control enabled. Returns the
                 boxes it showed, as "caption: text" */
#ifndef VANTREL_BED_SEND_H
#define VANTREL_BED_SEND_H

#include "seam_test.h"
#include "send_windows.h"

#include <memory>
#include <string>
#include <vector>

class BedSendTest : public SeamTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void ShowPorts();
    void Tick(const std::vector<std::string> &ports);
    std::vector<std::string> Go(const std::string &path);

    std::unique_ptr<SendWindows> windows;
};

#endif
