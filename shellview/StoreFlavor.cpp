#include "shellview/StoreFlavor.h"
#include "shellview/StoreStrings.h"

CLayoutFlavor CliFlavor(HINSTANCE resources)
{
    return { resources, false, IDS_STORE_KEY, IDS_LAYOUT_SINGLE, IDS_MULTI_MONITOR, IDS_ICON_SIZE, L"Error: Empty!",
             KEY_READ | KEY_CREATE_SUB_KEY, L";\n; OstrelCli Version: %s -- UNICODE Layout File.\n;\n\n" };
}
