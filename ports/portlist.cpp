#include "ports.h"

HWND PortListWindow;
