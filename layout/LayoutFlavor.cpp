#include "layout/LayoutFlavor.h"

CLayoutFlavor ShellExtFlavor(HINSTANCE resources)
{
    return { resources, true, 106, 107, 108, 120, L"Empty", KEY_READ,
             L";\n; Ostrel: %s. UNICODE Layout File.\n;\n\n" };
}

CLayoutFlavor CliFlavor(HINSTANCE resources)
{
    return { resources, false, 101, 102, 103, 104, L"Error: Empty!", KEY_READ | KEY_CREATE_SUB_KEY,
             L";\n; OstrelCli Version: %s -- UNICODE Layout File.\n;\n\n" };
}
